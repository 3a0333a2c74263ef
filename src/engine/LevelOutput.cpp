#include "engine/LevelOutput.h"

#include <algorithm>

#include "engine/TakeOrder.h"
#include "engine/Truncate.h"
#include "scene/Scene.h"

namespace velmora {

void SetLevel(TickContext& ctx, CSpring& spring, std::int32_t level) {
    spring.m_nOutLevel = level;
    spring.m_bLit = level != 0 ? 1 : 0;
    // In float, as the multiplier is: the truncation below depends on it.
    float v = ctx.handMode ? static_cast<float>(level) : static_cast<float>(level) * ctx.musicMultiplier;
    // A wild negative level or a NaN multiplier must not overflow the conversion.
    const std::int32_t written = TruncToInt32(std::min(v, 128.0f));
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
