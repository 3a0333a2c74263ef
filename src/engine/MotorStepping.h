#pragma once
// Real-time stepping of a rotation block's motor programs: each tick, every
// member whose delay has passed is sent the step its program has reached
// (one step per program Interval), with the step after it so the
// controller can run on without a stop. A new command number goes out only
// when the member reaches a new step or a new block takes over the axis.

#include <array>
#include <cstdint>

#include "comm/MotorBlock.h"
#include "engine/MotorProgramFile.h"
#include "engine/TickContext.h"
#include "scene/Spring.h"
#include "show/TimeBlock.h"

namespace velmora {

// The record sent when a program's last step has no successor.
inline constexpr MotorBlock_struct kMotorFinalNext{kMotorMove, 100, 1000, 0, 0};

// A block's three programs, each looked up at most once per tick however
// many members run it.
class BlockMotorPrograms {
public:
    const MotorComplierCache* Get(TickContext& ctx, const TimeBlock& block, int which);

private:
    std::array<const MotorComplierCache*, 3> programs_{};
    std::array<bool, 3> looked_{};
};

// A program step as a member runs it: speed scaled by |factor| (truncated),
// displacement negated by a negative factor.
MotorBlock_struct ScaleMotorStep(const MotorBlock_struct& step, float factor);

// One member of a type 1 (Z axis, COMID3/BLOCKID3) or type 2 (Y axis,
// COMID2/BLOCKID2) block at take step s.
void StepMotorMember(TickContext& ctx, const TimeBlock& block, BlockMotorPrograms& programs, CSpring& spring,
                     std::int64_t step, double now);

}  // namespace velmora
