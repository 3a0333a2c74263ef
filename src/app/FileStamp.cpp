#include "app/FileStamp.h"

#include <sys/stat.h>

namespace velmora {

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * kNsPerSecond + st.st_mtim.tv_nsec;
    stamp.changedNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * kNsPerSecond + st.st_ctim.tv_nsec;
    return stamp;
}

}  // namespace velmora
