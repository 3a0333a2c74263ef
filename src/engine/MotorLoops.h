#pragma once
// Expansion of the loop markers of a motor program (Act 100 loop start with
// repeat count p0, speed increment p1 and displacement increment p2; Act 101
// loop end). A loop end closes the nearest loop start before it, so loops that
// appear nested are expanded innermost first; each repetition adds the
// increments to the move steps of the previous one.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "comm/MotorBlock.h"

namespace velmora {

// Programs are tens to hundreds of steps; a file whose counts would expand
// beyond this is damaged, and expanding it would exhaust memory.
inline constexpr std::size_t kMaxMotorSteps = 100000;

enum class LoopStep {
    None,       // no loop end left
    Expanded,   // the first loop end and its loop start were expanded
    Unmatched,  // the first loop end has no loop start before it; list unchanged
    TooLong,    // the expansion would exceed the bound; list unchanged
};

// Expands the loop closed by the first loop end of `steps`, in place.
LoopStep ExpandOneLoop(std::vector<MotorBlock_struct>& steps, std::size_t maxSteps = kMaxMotorSteps);

enum class LoopResult {
    Ok,         // every loop end was matched and expanded
    Unmatched,  // stopped at a loop end without a start: what precedes it is
                // expanded, it and everything after it are kept as read
    TooLong,    // the expansion was cut after maxSteps steps
};

// How one repetition changes a move step of the loop's body.
enum class LoopIncrement {
    Magnitude,  // the show's rule: AdvanceLoopStep
    Plain,      // the motor editor's check: p0 += speed, p1 += displacement, wrapping as 32-bit integers do
};

// Same result as applying ExpandOneLoop until it reports None or Unmatched,
// in one pass (a program of many loops would otherwise cost quadratic time).
// On TooLong `steps` holds the first maxSteps steps of the full expansion.
LoopResult ExpandMotorLoops(std::vector<MotorBlock_struct>& steps, std::size_t maxSteps = kMaxMotorSteps,
                            LoopIncrement increment = LoopIncrement::Magnitude);

// One repetition's change of a move step: the magnitude grows by the
// increment and is floored at 0; the sign is kept, and 0 counts as negative.
void AdvanceLoopStep(MotorBlock_struct& step, std::int32_t speedDelta, std::int32_t displacementDelta);

}  // namespace velmora
