#include "app/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

}  // namespace

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

    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    std::string hidden = target.filename().string();
    hidden.insert(0, 1, '.');
    hidden.append(".tmpXXXXXX");
    std::string tempName = (dir / hidden).string();
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        return Fail(error, requested,
                    "cannot create a temporary file in " + dir.string() + ": " + ErrnoText(errno));
    }
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
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(tempName.c_str());
        return Fail(error, requested, "write failed: " + ErrnoText(saved));
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        const int saved = errno;
        ::unlink(tempName.c_str());
        return Fail(error, requested, "cannot replace the file: " + ErrnoText(saved));
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
