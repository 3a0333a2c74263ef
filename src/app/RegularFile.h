#pragma once
// Reading a whole file that must be a regular file. The open never blocks: a
// FIFO, a device or a socket put where an asset belongs is refused at once
// instead of holding the reading thread (and every thread that later waits
// for it) until someone writes to the other end.

#include <cstddef>
#include <filesystem>
#include <string>

namespace velmora {

enum class ReadFileStatus {
    Ok,
    NotFound,    // no such file (or a path component is not a folder)
    Directory,
    NotRegular,  // a FIFO, device or socket
    TooLarge,    // more than `limit` bytes: `bytes` holds the first `limit`
    Failed,      // open, stat or read failed otherwise; errno text in *reason
};

// Reads at most `limit` bytes of `path` into `bytes`. Reads to the end rather
// than trusting the size stat reports, since the file may be growing.
ReadFileStatus ReadRegularFile(const std::filesystem::path& path, std::size_t limit, std::string& bytes,
                               std::string* reason = nullptr);

// A short English reason for a status other than Ok ("is not a regular file").
std::string ReadFileStatusText(ReadFileStatus status);

}  // namespace velmora
