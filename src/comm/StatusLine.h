#pragma once
// A status text written by one worker and read by the user interface. The
// writer formats into its own stack buffer and only copies under the lock, so
// a reader never sees half a line and the writer never allocates.
//
// Thread contract: Set/Format from the owning worker, Get from any thread.

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace velmora {

class StatusLine {
public:
    static constexpr std::size_t kBuffer = 256;  // text of at most 255 bytes

    // Cut to 255 bytes, never inside a UTF-8 character.
    void Set(std::string_view text);
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    std::string Get() const;

private:
    mutable std::mutex mutex_;
    char text_[kBuffer] = {};
    std::size_t length_ = 0;
};

}  // namespace velmora
