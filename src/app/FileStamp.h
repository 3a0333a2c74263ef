#pragma once
// What identifies one version of a file on disk: device, inode, size and the
// modification and change times to the nanosecond. A save replaces a file by
// renaming a new one over it, so any rewrite, ours or another program's,
// gives a different stamp.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace velmora {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file `path` names (links followed); nothing when there is
// no such file or it cannot be examined.
std::optional<FileStamp> StampOf(const std::filesystem::path& path);

}  // namespace velmora
