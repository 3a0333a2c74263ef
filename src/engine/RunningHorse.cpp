// The running light: one member of the group at a time is driven, moving
// along the take order every IntervalRunHorse ms (backwards with
// dirRunHorse), at the music level lifted by half of ForceWav.
#include <algorithm>

#include "comm/OutputWrites.h"
#include "engine/ActionEvaluation.h"
#include "engine/MemberTiming.h"
#include "engine/TakeOrder.h"
#include "scene/Scene.h"

namespace velmora {
namespace {

void Drive(TickContext& ctx, std::int32_t id, std::int32_t level) {
    CSpring* spring = ctx.scene.FindSpring(id);
    if (spring == nullptr) return;
    spring->m_bLit = 1;
    spring->m_nOutLevel = level;
    WriteSpringOutputs(ctx.out, *spring, level);
}

}  // namespace

void RunRunningHorse(TickContext& ctx, const CSpringGroup& group, const TimeBlock& block, std::int32_t level,
                     double now) {
    const std::size_t n = MemberCount(group);
    const std::int64_t interval = block.IntervalRunHorse;
    // Without a positive interval the light has nowhere to run to.
    if (n == 0 || interval <= 0) return;
    const std::int64_t t = BlockTime(ctx.scale, block, now);
    if (t < 0) return;
    const auto members = static_cast<std::int64_t>(n);
    std::int64_t idx = t % (members * interval) / interval;
    if (block.dirRunHorse != 0) idx = members - 1 - idx;

    const auto s = static_cast<std::size_t>(idx);
    if (s >= TakeStepCount(n, block.nTakeOrder)) return;
    const std::int64_t lifted = static_cast<std::int64_t>(level) + block.ForceWav / 2;
    const auto driven = static_cast<std::int32_t>(std::clamp<std::int64_t>(lifted, 0, 128));
    const TakePositions at = TakeStepPositions(n, block.nTakeOrder, s);
    Drive(ctx, group.children[at.first], driven);
    if (at.paired) Drive(ctx, group.children[at.second], driven);
}

}  // namespace velmora
