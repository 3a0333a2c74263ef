#pragma once
// What the water simulation needs of each spring for one preview frame: its
// canvas position (from the scene) and its output and motor angles (from the
// engine's published snapshot). Gathered on the UI thread without the output
// lock: the snapshot is the engine's latest-value copy, already holding both
// angles at the tick's position by the engine's own track rule, so the
// preview never reads the tracks or takes g_csOutput itself.
//
// Thread contract: GatherWaterInputs runs on the scene's owner thread (the
// UI thread, or a CLI/test thread in its place).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/Colour.h"

namespace velmora {

class Scene;
struct EngineSnapshot;

struct SpringWaterInput {
    std::int32_t ID = -1;
    std::int32_t x = 0, y = 0;     // canvas pixels
    std::int32_t m_bLit = 0;
    std::int32_t m_nOutLevel = 0;
    COLORREF m_crColor = 0;
    float m_fAngleZ = 0.0f;        // degrees
    float m_fAngleY = 0.0f;        // degrees, ORGANGLEY included
};

struct WaterInputs {
    // Scene order; never more than WaterSimulation::kMaxSprings.
    std::vector<SpringWaterInput> springs;
};

inline constexpr std::size_t kMaxWaterSprings = 1000;

// Fills `out` (reusing its storage) with the first kMaxWaterSprings springs
// of the scene. A spring the snapshot does not describe at the same place
// (no tick yet, or the scene changed since the tick) counts as closed with
// both angles 0.
void GatherWaterInputs(const Scene& scene, const EngineSnapshot* snapshot, WaterInputs& out);

}  // namespace velmora
