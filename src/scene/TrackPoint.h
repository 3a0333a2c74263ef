#pragma once
#include <cstdint>
#include <type_traits>

namespace velmora {

// One point of a compiled motor angle track: at m_fTime the nozzle has turned
// to m_fAngle. Kept at 16 bytes of 32-bit fields because the compiler's
// truncations depend on float arithmetic, and trivial, so that tracks of
// millions of points are copied as plain bytes; `TrackPoint{}` is all zeros.
struct TrackPoint {
    float m_fTime;       // ms from the start of the show
    float m_fStepAngle;  // rotation of the step ending here, degrees (signed)
    std::int32_t m_bReset;  // 1 for a reset step
    float m_fAngle;      // absolute angle after the step, degrees
};
static_assert(sizeof(TrackPoint) == 16);
static_assert(std::is_trivial_v<TrackPoint>);

}  // namespace velmora
