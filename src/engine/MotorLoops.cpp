#include "engine/MotorLoops.h"

#include <algorithm>
#include <cstdlib>

#include "engine/Truncate.h"

namespace velmora {
namespace {

std::int32_t Advance(std::int32_t value, std::int32_t delta) {
    const std::int64_t magnitude =
        std::max<std::int64_t>(std::llabs(static_cast<std::int64_t>(value)) + delta, 0);
    const std::int32_t m = SaturateToInt32(magnitude);
    return value > 0 ? m : -m;
}

std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::size_t Repetitions(std::int32_t count) { return count > 1 ? static_cast<std::size_t>(count) - 1 : 0; }

}  // namespace

void AdvanceLoopStep(MotorBlock_struct& step, std::int32_t speedDelta, std::int32_t displacementDelta) {
    step.p0 = Advance(step.p0, speedDelta);
    step.p1 = Advance(step.p1, displacementDelta);
}

LoopStep ExpandOneLoop(std::vector<MotorBlock_struct>& steps, std::size_t maxSteps) {
    const auto isEnd = [](const MotorBlock_struct& s) { return s.Act == kMotorLoopEnd; };
    const auto endIt = std::find_if(steps.begin(), steps.end(), isEnd);
    if (endIt == steps.end()) return LoopStep::None;
    const std::size_t end = static_cast<std::size_t>(endIt - steps.begin());
    std::size_t start = end;
    bool found = false;
    while (start > 0) {
        --start;
        if (steps[start].Act == kMotorLoopStart) {
            found = true;
            break;
        }
    }
    if (!found) return LoopStep::Unmatched;

    const MotorBlock_struct marker = steps[start];
    std::vector<MotorBlock_struct> body(steps.begin() + static_cast<std::ptrdiff_t>(start) + 1,
                                        steps.begin() + static_cast<std::ptrdiff_t>(end));
    const std::size_t reps = body.empty() ? 0 : Repetitions(marker.p0);
    const std::size_t kept = steps.size() - 2;
    if (reps > 0 && (kept > maxSteps || reps > (maxSteps - kept) / body.size())) return LoopStep::TooLong;

    std::vector<MotorBlock_struct> copies;
    copies.reserve(reps * body.size());
    for (std::size_t r = 0; r < reps; ++r) {
        for (MotorBlock_struct& step : body)
            if (step.Act == kMotorMove) AdvanceLoopStep(step, marker.p1, marker.p2);
        copies.insert(copies.end(), body.begin(), body.end());
    }
    steps.insert(steps.begin() + static_cast<std::ptrdiff_t>(end), copies.begin(), copies.end());
    steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(end + copies.size()));
    steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(start));
    return LoopStep::Expanded;
}

LoopResult ExpandMotorLoops(std::vector<MotorBlock_struct>& steps, std::size_t maxSteps, LoopIncrement increment) {
    const std::size_t n = steps.size();
    const auto advance = [increment](MotorBlock_struct& b, const MotorBlock_struct& marker) {
        if (increment == LoopIncrement::Magnitude) {
            AdvanceLoopStep(b, marker.p1, marker.p2);
        } else {
            b.p0 = WrappingAdd(b.p0, marker.p1);
            b.p1 = WrappingAdd(b.p1, marker.p2);
        }
    };

    // Pair the markers first: a loop start that no end ever closes stays in
    // the list as it is, and so does everything from an unmatched end on.
    std::vector<char> closed(n, 0);
    std::size_t unmatched = n;
    {
        std::vector<std::size_t> open;
        for (std::size_t i = 0; i < n; ++i) {
            if (steps[i].Act == kMotorLoopStart) {
                open.push_back(i);
            } else if (steps[i].Act == kMotorLoopEnd) {
                if (open.empty()) {
                    unmatched = i;
                    break;
                }
                closed[open.back()] = 1;
                open.pop_back();
            }
        }
    }

    // Whatever is in `out` is final: matched markers never reach it and a
    // loop's copies go after its body, so a cut leaves a prefix of the result.
    struct OpenLoop {
        std::size_t begin;
        MotorBlock_struct marker;
    };
    std::vector<OpenLoop> stack;
    std::vector<MotorBlock_struct> out;
    out.reserve(std::min(n, maxSteps));
    bool cut = false;
    const auto emit = [&](const MotorBlock_struct& step) {
        if (out.size() >= maxSteps) {
            cut = true;
            return false;
        }
        out.push_back(step);
        return true;
    };

    for (std::size_t i = 0; i < unmatched && !cut; ++i) {
        const MotorBlock_struct& step = steps[i];
        if (step.Act == kMotorLoopStart && closed[i]) {
            stack.push_back({out.size(), step});
            continue;
        }
        if (step.Act == kMotorLoopEnd) {  // before `unmatched`, so always closing a start
            const OpenLoop loop = stack.back();
            stack.pop_back();
            if (loop.begin == out.size()) continue;  // an empty body repeats nothing
            std::vector<MotorBlock_struct> body(out.begin() + static_cast<std::ptrdiff_t>(loop.begin), out.end());
            const std::size_t reps = Repetitions(loop.marker.p0);
            for (std::size_t r = 0; r < reps && !cut; ++r) {
                for (MotorBlock_struct& b : body)
                    if (b.Act == kMotorMove) advance(b, loop.marker);
                for (const MotorBlock_struct& b : body)
                    if (!emit(b)) break;
            }
            continue;
        }
        emit(step);
    }
    if (!cut) {
        for (std::size_t i = unmatched; i < n; ++i)
            if (!emit(steps[i])) break;
    }
    steps = std::move(out);
    if (cut) return LoopResult::TooLong;
    return unmatched < n ? LoopResult::Unmatched : LoopResult::Ok;
}

}  // namespace velmora
