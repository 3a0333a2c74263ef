#include "preview3d/WaterInputs.h"

#include <algorithm>

#include "engine/EngineSnapshot.h"
#include "scene/Scene.h"

namespace velmora {

void GatherWaterInputs(const Scene& scene, const EngineSnapshot* snapshot, WaterInputs& out) {
    const std::size_t count = std::min(scene.springs.size(), kMaxWaterSprings);
    out.springs.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const CSpring& spring = scene.springs[i];
        SpringWaterInput& in = out.springs[i];
        in = SpringWaterInput{};
        in.ID = spring.ID;
        in.x = spring.x;
        in.y = spring.y;
        if (snapshot == nullptr || i >= snapshot->springs.size()) continue;
        const SpringSnapshot& state = snapshot->springs[i];
        if (state.ID != spring.ID) continue;
        in.m_bLit = state.m_bLit;
        in.m_nOutLevel = state.m_nOutLevel;
        in.m_crColor = state.m_crColor;
        in.m_fAngleZ = state.m_fAngleZ;
        in.m_fAngleY = state.m_fAngleY;
    }
}

}  // namespace velmora
