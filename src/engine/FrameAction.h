#pragma once
// The frame action: a frame animation (.frm) played over a group, each member
// taking the level of its own cell of the page showing now. Pages last their
// duration divided by the block's speed |fFrameParam|, plus a rise and a cut
// time over which the level ramps up and down; the part between the loop
// marks repeats once the whole animation has played.

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/FrameAnimationFile.h"
#include "scene/SpringGroup.h"
#include "show/TimeBlock.h"

namespace velmora {

// The slots of one animation at one speed, worked out once per block and
// tick (on the stack: an animation has at most kMaxFramePages pages).
struct FrameSchedule {
    std::size_t pages = 0;
    std::array<std::int64_t, kMaxFramePages> ends;    // end of each page's slot, ms (first `pages` set)
    std::int64_t loopStart = 0;                       // S: start of the page marked loop start
    std::int64_t loopEnd = 0;                         // E: end of the page marked loop end
    bool hasLoopEnd = false;
    std::int64_t total = 0;                           // T: end of the last page
};

// False (nothing to show) for a speed of 0 or an animation of no length.
bool PlanFrameSchedule(const FrameComplierCache& animation, const TimeBlock& block, FrameSchedule& schedule);

// The page showing at block time t, with how long it has shown (e) and how
// long it has left (r); false when no page holds t (a loop of no length, or
// t at the very end of an animation that stops there).
struct FramePosition {
    std::size_t page = 0;
    std::int64_t elapsed = 0;    // e
    std::int64_t remaining = 0;  // r
};
bool FramePositionAt(const FrameSchedule& schedule, std::int64_t t, FramePosition& position);

// The cell of the member at take step s. A group laid out as a grid (initX
// and initY both set) reads its members row by row, initX to a row; other
// groups use row 0; a single spring (group nullptr) uses cell (0, 0). False
// when the animation has no such cell.
struct FrameCell {
    std::int32_t row = 0;
    std::int32_t column = 0;
};
bool FrameCellFor(const FrameComplierCache& animation, const CSpringGroup* group, std::size_t memberCount,
                  std::int64_t step, FrameCell& cell);

// The member's level: the cell's, ramped over the rise and cut times.
std::int32_t FrameLevel(const FrameComplierCache& animation, const TimeBlock& block, const FramePosition& position,
                        FrameCell cell);

}  // namespace velmora
