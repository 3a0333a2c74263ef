#include "app/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace velmora {
namespace {

std::string ErrnoText(int err) { return std::generic_category().message(err); }

bool Fail(std::string* error, const std::filesystem::path& target, const std::string& reason) {
    if (error) *error = "cannot save " + target.string() + ": " + reason;
    return false;
}

// The process umask, read without changing it (umask(2) can only be read by
// setting it, which would race with other threads creating files).
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            try {
                return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8)) & 0777;
            } catch (...) {
                break;
            }
        }
    }
    return 022;
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string TemporaryPrefix(const std::filesystem::path& target) {
    std::string prefix(1, '.');
    prefix += target.filename().string();
    prefix += ".tmp";
    return prefix;
}

// mkstemp's six characters are letters and digits.
bool IsTemporaryOf(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) return false;
    for (char c : name.substr(prefix.size())) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum) return false;
    }
    return true;
}

// Removes one candidate if it is a regular file, old enough and not locked by
// a live writer. The lock is taken on the file itself, so a writer that gets
// it first keeps its file, and the one we lock is the one we unlink.
bool RemoveIfAbandoned(int dirFd, const char* name, std::time_t now) {
    const int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return false;
    bool removed = false;
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
        now - opened.st_mtime >= kStaleTemporaryAgeSeconds && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == opened.st_ino &&
        named.st_dev == opened.st_dev) {
        removed = ::unlinkat(dirFd, name, 0) == 0;
    }
    ::close(fd);  // also releases the lock
    return removed;
}

}  // namespace

int RemoveStaleTemporaryFiles(const std::filesystem::path& target) {
    if (target.filename().empty()) return 0;
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return 0;
    DIR* listing = ::fdopendir(dirFd);
    if (!listing) {
        ::close(dirFd);
        return 0;
    }
    const std::string prefix = TemporaryPrefix(target);
    const std::time_t now = std::time(nullptr);
    std::vector<std::string> candidates;  // not removed while the listing is read
    while (const dirent* entry = ::readdir(listing)) {
        if (IsTemporaryOf(entry->d_name, prefix)) candidates.emplace_back(entry->d_name);
    }
    int removed = 0;
    for (const std::string& name : candidates) removed += RemoveIfAbandoned(::dirfd(listing), name.c_str(), now);
    ::closedir(listing);
    return removed;
}

bool WriteFileAtomically(const std::filesystem::path& requested, std::string_view bytes,
                         std::string* error) {
    if (requested.empty()) return Fail(error, requested, "no file name");

    std::filesystem::path target = requested;
    struct stat linkInfo {};
    if (::lstat(target.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        std::error_code ec;
        const auto resolved = std::filesystem::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }

    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) return Fail(error, requested, "it is a directory");
    if (exists && !S_ISREG(info.st_mode)) return Fail(error, requested, "it is not a regular file");
    const mode_t mode = exists ? (info.st_mode & 07777) : (0666 & ~CurrentUmask());

    RemoveStaleTemporaryFiles(target);
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    std::string tempName = (dir / (TemporaryPrefix(target) + "XXXXXX")).string();
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        return Fail(error, requested,
                    "cannot create a temporary file in " + dir.string() + ": " + ErrnoText(errno));
    }
    // Held until the rename, so that another process cleaning up abandoned
    // temporary files leaves this one alone.
    ::flock(fd, LOCK_EX | LOCK_NB);
    auto abandon = [&](const std::string& reason) {
        const int saved = errno;
        ::close(fd);
        ::unlink(tempName.c_str());
        return Fail(error, requested, reason + ": " + ErrnoText(saved));
    };

    if (exists && (info.st_uid != ::geteuid() || info.st_gid != ::getegid())) {
        // Only a privileged process may hand the file back to its owner; for
        // anyone else it becomes theirs, as with any editor.
        const int ignored = ::fchown(fd, info.st_uid, info.st_gid);
        (void)ignored;
    }
    // After the chown, which may clear set-id bits.
    if (::fchmod(fd, mode) != 0) return abandon("cannot set permissions");
    if (!WriteAll(fd, bytes)) return abandon("write failed");
    if (::fsync(fd) != 0) return abandon("flush to disk failed");
    // Renamed while still open and locked: closing first would leave a moment
    // in which a cleaner could take the finished file for an abandoned one.
    if (::rename(tempName.c_str(), target.c_str()) != 0) return abandon("cannot replace the file");
    if (::close(fd) != 0) {
        // fsync succeeded, so the bytes are on disk; a failing close is still
        // reported rather than passed off as a clean save.
        return Fail(error, requested, "write failed: " + ErrnoText(errno));
    }
    // The rename is durable only once the directory entry is on disk. The new
    // content is in place either way, so a failure here is not reported.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace velmora
