#include "engine/LevelOutput.h"

#include <algorithm>

#include "engine/TakeOrder.h"
#include "scene/Scene.h"

namespace velmora {

void SetLevel(TickContext& ctx, CSpring& spring, std::int32_t level) {
    spring.m_nOutLevel = level;
    spring.m_bLit = level != 0 ? 1 : 0;
    // In float, as the multiplier is: the truncation below depends on it.
    float v = ctx.handMode ? static_cast<float>(level) : static_cast<float>(level) * ctx.musicMultiplier;
    v = std::min(v, 128.0f);
    // A wild negative level (or multiplier) must not overflow the conversion.
    v = std::max(v, -2147483520.0f);
    if (v != v) v = 0.0f;  // NaN multiplier
    const auto written = static_cast<std::int32_t>(v);
    spring.m_nOutLevel = written;
    WriteSpringOutputs(ctx.out, spring, written);
}

void SetLevel(TickContext& ctx, const CSpringGroup& group, std::int32_t level) {
    const std::size_t n = MemberCount(group);
    for (std::size_t i = 0; i < n; ++i) {
        if (CSpring* spring = ctx.scene.FindSpring(group.children[i])) SetLevel(ctx, *spring, level);
    }
}

}  // namespace velmora
