#pragma once
// Log lines a tick raises, held until the tick has let go of the output
// lock: writing the log file takes the log lock and does file I/O, neither
// of which a tick may do. Fixed room on the stack, so a tick allocates
// nothing; lines beyond it are counted, and longer lines cut.
//
// Thread contract: one thread (the ticking one).

#include <array>
#include <cstddef>

namespace velmora {

class TickLog {
public:
    static constexpr std::size_t kLines = 256;
    static constexpr std::size_t kLineBytes = 128;

    // printf-style; the line is kept for Flush.
    void Add(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Writes the kept lines with LogMessage (and how many were dropped), then empties.
    void Flush();

    std::size_t size() const { return count_; }

private:
    std::array<std::array<char, kLineBytes>, kLines> lines_;  // first count_ hold text
    std::size_t count_ = 0;
    std::size_t dropped_ = 0;
};

}  // namespace velmora
