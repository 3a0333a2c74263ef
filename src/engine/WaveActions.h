#pragma once
// The member levels and angles of the wave actions at member time t (ms,
// t >= 0): flat wave gated by the nozzle's Z angle, triangle, rectangle and
// ramp waves, the Z/Y swings and the laser command. Pure functions of the
// block; the caller writes the results.

#include <cstdint>
#include <vector>

#include "scene/TrackPoint.h"
#include "show/TimeBlock.h"

namespace velmora {

// Rises from nWavMin to the peak over nPeriod ms, holds for nPeriod1 ms and
// falls back over nPeriod ms; the cycle repeats (except in take order 4,
// back and forth, which runs it once). With nPeriod 0 it is the peak throughout.
std::int32_t TriangleLevel(const TimeBlock& block, std::int64_t t, std::int32_t peak);

// The member time brought into the triangle's cycle (2 x nPeriod + nPeriod1,
// or the block's length D without a period), as the level and the block
// light of the wave see it; unchanged in take order 4.
std::int64_t TriangleCycleTime(const TimeBlock& block, std::int64_t duration, std::int64_t t);

// The peak for nPeriod ms (D when 0) then nothing for nPeriod1 ms, nWavMin
// times (once when 0). A cycle of zero length gives 0.
std::int32_t RectangleLevel(const TimeBlock& block, std::int64_t duration, std::int64_t t, std::int32_t peak);

// As the rectangle, but each crest climbs from ForceWav towards the peak.
std::int32_t RampLevel(const TimeBlock& block, std::int64_t duration, std::int64_t t, std::int32_t peak);

// The swing angle between nBound1 and nBound (there and back once per
// period: D, or the time nSpeed degrees/s takes). False, and no angle, for a
// period shorter than 2 ms, which has no half to divide by.
bool SwingAngle(const TimeBlock& block, std::int64_t duration, std::int64_t t, float& angle);

// The nozzle's Z angle at music position P (ms) by its compiled track,
// interpolated between the points around P; 0 before the first point and
// after the last.
float TrackAngleAt(const TrackPoints& track, float position);

// Whether the flat wave may fire at `angle`: within MinValidZMotor..
// MaxValidZMotor, or across 0 degrees when Max <= Min.
bool FlatWaveGate(const TimeBlock& block, float angle);

// nWavMin x 100 + nWavMax, the raw laser command value.
std::int32_t LaserValue(const TimeBlock& block);

}  // namespace velmora
