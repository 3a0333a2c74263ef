// The light colours the engine gives a block's members: the system light
// (the built-in seven colours or the scene's colour file, stepping every
// SystemInterval ms of engine time) or the block's own colour file, indexed
// by block time or by the member's analog level.
#include "engine/ActionEvaluation.h"
#include "engine/MemberTiming.h"
#include "engine/ShowAssets.h"
#include "engine/TakeOrder.h"
#include "engine/Truncate.h"
#include "scene/Scene.h"

namespace velmora {
namespace {

std::int32_t LightTime(const TickContext& ctx, const TimeBlock& block, std::int32_t t, double now) {
    return t >= 0 ? t : SaturateToInt32(BlockTime(ctx.scale, block, now));
}

// The colour a block's own light file gives at block time t and `level`;
// false when the block has no light file or it holds no colour.
bool BlockColour(TickContext& ctx, const TimeBlock& block, std::int32_t level, std::int32_t t, COLORREF& colour) {
    if (block.szLight.empty()) return false;
    const LightComplierCache* sequence = ctx.assets.FindColourSequence(block.szLight);
    if (sequence == nullptr) return false;
    const auto& colours = sequence->m_listColours;
    const auto n = static_cast<std::int64_t>(colours.size());
    if (n == 0) return false;
    std::int64_t j = 0;
    if (block.nLightType == 0) {
        j = block.IntervalLight == 0 ? 0 : static_cast<std::int64_t>(t) / block.IntervalLight;
    } else {
        // 128 / n is 0 for sequences of more than 128 colours; the level then
        // indexes the colours directly instead of dividing by zero.
        const std::int64_t step = 128 / n;
        j = step == 0 ? level : level / step;
    }
    j %= n;
    if (j < 0) j += n;
    colour = colours[static_cast<std::size_t>(j)];
    return true;
}

void Paint(TickContext& ctx, CSpring& spring, COLORREF colour) {
    spring.m_crColor = colour;
    WriteLightColour(ctx.out, spring, colour, ctx.night, ctx.nowMinute);
}

}  // namespace

COLORREF SystemColour(TickContext& ctx) {
    const std::uint32_t elapsed = ctx.clockMs - ctx.startMs;
    ctx.g_nEngineElapsed = static_cast<std::int32_t>(elapsed);
    // A non-positive interval holds the first colour rather than dividing by zero.
    const std::uint32_t step =
        ctx.systemInterval > 0 ? elapsed / static_cast<std::uint32_t>(ctx.systemInterval) : 0u;
    const std::string& file = ctx.scene.settings.g_strLight;
    if (!file.empty()) {
        const LightComplierCache* sequence = ctx.assets.FindColourSequence(file);
        const auto n = sequence != nullptr ? sequence->m_listColours.size() : 0;
        if (n > 0) return sequence->m_listColours[step % n];
    }
    return kSystemColours[step % 7u];
}

void ApplyBlockLight(TickContext& ctx, const CSpringGroup& group, std::int32_t level, const TimeBlock& block,
                     std::int32_t t, double now) {
    const std::size_t n = MemberCount(group);
    COLORREF colour = 0;
    if (block.bSystime == 1) {
        colour = SystemColour(ctx);
    } else if (!BlockColour(ctx, block, level, LightTime(ctx, block, t, now), colour)) {
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (CSpring* spring = ctx.scene.FindSpring(group.children[i])) Paint(ctx, *spring, colour);
    }
}

void ApplyBlockLight(TickContext& ctx, CSpring& spring, std::int32_t level, const TimeBlock& block,
                     std::int32_t t, double now) {
    COLORREF colour = 0;
    if (block.bSystime == 1) {
        colour = SystemColour(ctx);
    } else if (!BlockColour(ctx, block, level, LightTime(ctx, block, t, now), colour)) {
        return;
    }
    Paint(ctx, spring, colour);
}

}  // namespace velmora
