// Feeds arbitrary request frames to the simulator's request handler. Checks
// that every reply is a well-formed MBAP frame (its length field matches,
// the transaction id and unit are echoed), that a register write reads back
// through function 3, and that nothing reads or writes out of bounds (ASan).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ModbusSlave.h"

namespace {

using namespace velmora::sim;

void Check(bool ok, int line) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_sim_request: check at line %d failed\n", line);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    UnitMap units;
    std::vector<std::uint8_t> reply;
    // The input may hold several frames back to back, framed as the server does.
    std::size_t at = 0;
    int frames = 0;
    while (size - at >= 6 && frames < 64) {
        const std::size_t total = 6 + ((static_cast<std::size_t>(data[at + 4]) << 8) | data[at + 5]);
        const std::size_t length = total <= size - at ? total : size - at;
        const std::span<const std::uint8_t> frame(data + at, length);
        if (HandleRequest(frame, units, reply)) {
            Check(reply.size() >= 9, __LINE__);
            Check(reply[0] == frame[0] && reply[1] == frame[1] && reply[6] == frame[6], __LINE__);
            Check(((static_cast<std::size_t>(reply[4]) << 8) | reply[5]) == reply.size() - 6, __LINE__);
            const bool exception = (reply[7] & 0x80) != 0;
            if (!exception && frame[7] == 0x10) {
                // Read the first written register back.
                const std::uint8_t read[12] = {0, 1, 0, 0, 0, 6, frame[6], 0x03, frame[8], frame[9], 0, 1};
                std::vector<std::uint8_t> back;
                Check(HandleRequest(read, units, back), __LINE__);
                Check(back.size() == 11 && back[7] == 0x03, __LINE__);
                Check(back[9] == frame[13] && back[10] == frame[14], __LINE__);
            }
        }
        at += length;
        ++frames;
    }
    return 0;
}
