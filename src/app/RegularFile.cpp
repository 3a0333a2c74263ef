#include "app/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velmora {

ReadFileStatus ReadRegularFile(const std::filesystem::path& path, std::size_t limit, std::string& bytes,
                               std::string* reason) {
    bytes.clear();
    auto failed = [&](int err) {
        if (reason) *reason = std::generic_category().message(err);
        return ReadFileStatus::Failed;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) return ReadFileStatus::NotFound;
        return failed(err);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0) return failed(errno);
    if (S_ISDIR(info.st_mode)) return ReadFileStatus::Directory;
    if (!S_ISREG(info.st_mode)) return ReadFileStatus::NotRegular;

    // One byte past the limit tells a file of exactly `limit` bytes from a longer one.
    const std::size_t want = limit == SIZE_MAX ? limit : limit + 1;
    const std::size_t reported = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    bytes.resize(std::min(want, reported + 1));
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got >= want) break;
            bytes.resize(std::min(want, bytes.size() * 2 + 4096));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            bytes.clear();
            return failed(err);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got > limit) {
        bytes.resize(limit);
        return ReadFileStatus::TooLarge;
    }
    bytes.resize(got);
    return ReadFileStatus::Ok;
}

std::string ReadFileStatusText(ReadFileStatus status) {
    switch (status) {
        case ReadFileStatus::Ok: return "read";
        case ReadFileStatus::NotFound: return "not found";
        case ReadFileStatus::Directory: return "is a directory";
        case ReadFileStatus::NotRegular: return "is not a regular file";
        case ReadFileStatus::TooLarge: return "is too large";
        case ReadFileStatus::Failed: return "cannot be read";
    }
    return "cannot be read";
}

}  // namespace velmora
