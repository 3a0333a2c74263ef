// Loop expansion: the one-pass expander must give exactly what repeated
// single expansions give, and never exceed its bound.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/MotorLoops.h"

namespace {

using namespace velmora;

constexpr std::size_t kBound = 4000;

bool Same(const std::vector<MotorBlock_struct>& a, const std::vector<MotorBlock_struct>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Act != b[i].Act || a[i].p0 != b[i].p0 || a[i].p1 != b[i].p1 || a[i].p2 != b[i].p2) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Four bytes a step: kind, count or speed, displacement, increment.
    static const std::int32_t kActs[] = {kMotorRest, kMotorMove, kMotorMoveContinued, kMotorReset,
                                         kMotorLoopStart, kMotorLoopEnd, kMotorLoopStart, kMotorLoopEnd};
    std::vector<MotorBlock_struct> steps;
    for (std::size_t i = 0; i + 4 <= size && steps.size() < 200; i += 4) {
        MotorBlock_struct s;
        s.Act = kActs[data[i] % 8];
        s.p0 = static_cast<std::int8_t>(data[i + 1]);
        s.p1 = static_cast<std::int8_t>(data[i + 2]) * 1000;
        s.p2 = static_cast<std::int8_t>(data[i + 3]);
        if (data[i] & 0x80) s.p0 *= 1000000;  // now and then a huge count
        steps.push_back(s);
    }

    std::vector<MotorBlock_struct> fast = steps;
    const LoopResult result = ExpandMotorLoops(fast, kBound);
    if (fast.size() > kBound) std::abort();

    std::vector<MotorBlock_struct> reference = steps;
    LoopStep last;
    while ((last = ExpandOneLoop(reference, kBound)) == LoopStep::Expanded) {
    }
    // The single step refuses a loop when the list, markers still in it,
    // would pass the bound, so near the bound it may stop where one pass does not.
    if (last == LoopStep::TooLong) return 0;
    const LoopResult expected = last == LoopStep::Unmatched ? LoopResult::Unmatched : LoopResult::Ok;
    if (result == LoopResult::TooLong) {
        // The one-pass bound counts the whole output, the single step only its own loop.
        if (reference.size() <= kBound) std::abort();
        return 0;
    }
    if (result != expected || !Same(fast, reference)) {
        std::fprintf(stderr, "one-pass expansion differs (%zu vs %zu steps)\n", fast.size(), reference.size());
        std::abort();
    }
    return 0;
}
