#pragma once
#include <cstdint>

namespace velmora {

// One point of a compiled motor angle track: at m_fTime the nozzle has turned
// to m_fAngle. Kept at 16 bytes of 32-bit fields because the compiler's
// truncations depend on float arithmetic.
struct TrackPoint {
    float m_fTime = 0.0f;       // ms from the start of the show
    float m_fStepAngle = 0.0f;  // rotation of the step ending here, degrees (signed)
    std::int32_t m_bReset = 0;  // 1 for a reset step
    float m_fAngle = 0.0f;      // absolute angle after the step, degrees
};
static_assert(sizeof(TrackPoint) == 16);

}  // namespace velmora
