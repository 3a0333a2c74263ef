#include "engine/WaveActions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/MemberTiming.h"
#include "engine/Truncate.h"

namespace velmora {
namespace {

// (peak - base) x part / whole + base in integers, truncating.
std::int32_t Slope(std::int32_t peak, std::int32_t base, std::int64_t part, std::int64_t whole) {
    const std::int64_t rise = static_cast<std::int64_t>(peak) - base;
    // |rise| <= 2^31 + 128; a part beyond 2^31 ms (weeks) is clamped so that
    // the product stays within 64 bits.
    constexpr std::int64_t kLimit = 0x7FFFFFFF;
    const std::int64_t safePart = std::clamp<std::int64_t>(part, -kLimit, kLimit);
    return SaturateToInt32(rise * safePart / whole + base);
}

// The crest length P, the cycle C and the repeat count N shared by the
// rectangle and the ramp; false for a cycle of zero length.
struct Pulse {
    std::int64_t length;
    std::int64_t cycle;
    std::int64_t count;
};

bool PulseOf(const TimeBlock& block, std::int64_t duration, Pulse& pulse) {
    pulse.length = block.nPeriod > 0 ? block.nPeriod : duration;
    pulse.count = block.nWavMin > 0 ? block.nWavMin : 1;
    pulse.cycle = pulse.length + block.nPeriod1;
    return pulse.cycle != 0;
}

// Where t falls in the pulse train: true during a crest, with the offset
// into the crest.
bool InCrest(const Pulse& pulse, std::int64_t t, std::int64_t& into) {
    // t < cycle x count without the product, which a long block could
    // overflow; a negative cycle has no crest at any t >= 0.
    if (pulse.cycle < 0 || t / pulse.cycle >= pulse.count) return false;
    into = t % pulse.cycle;
    return into < pulse.length;
}

}  // namespace

std::int32_t TriangleLevel(const TimeBlock& block, std::int64_t t, std::int32_t peak) {
    if (block.nPeriod <= 0) return peak;
    const std::int64_t period = block.nPeriod;
    const std::int64_t cycle = 2 * period + block.nPeriod1;
    if (block.nTakeOrder != kTakeBackForth) t = ReduceIntoCycle(t, cycle);
    if (t < period) return Slope(peak, block.nWavMin, t, period);
    if (t > cycle - period) return Slope(peak, block.nWavMin, cycle - t, period);
    return peak;
}

std::int64_t TriangleCycleTime(const TimeBlock& block, std::int64_t duration, std::int64_t t) {
    if (block.nTakeOrder == kTakeBackForth) return t;
    const std::int64_t cycle =
        block.nPeriod > 0 ? 2 * static_cast<std::int64_t>(block.nPeriod) + block.nPeriod1 : duration;
    return ReduceIntoCycle(t, cycle);
}

std::int32_t RectangleLevel(const TimeBlock& block, std::int64_t duration, std::int64_t t, std::int32_t peak) {
    Pulse pulse{};
    std::int64_t into = 0;
    if (!PulseOf(block, duration, pulse) || !InCrest(pulse, t, into)) return 0;
    return peak;
}

std::int32_t RampLevel(const TimeBlock& block, std::int64_t duration, std::int64_t t, std::int32_t peak) {
    Pulse pulse{};
    std::int64_t into = 0;
    if (!PulseOf(block, duration, pulse) || !InCrest(pulse, t, into)) return 0;
    // InCrest guarantees 0 <= into < length, so the length is positive here.
    return Slope(peak, block.ForceWav, into, pulse.length);
}

bool SwingAngle(const TimeBlock& block, std::int64_t duration, std::int64_t t, float& angle) {
    std::int64_t period = duration;
    if (block.nSpeed > 0.0f) {
        period = TruncToInt64(1000.0f * std::fabs(block.nBound - block.nBound1) / block.nSpeed);
    }
    const std::int64_t half = period / 2;
    if (half <= 0) return false;
    t = ReduceIntoCycle(t, period);
    const float span = block.nBound - block.nBound1;
    const float part = static_cast<float>(t < half ? t : period - t);
    angle = block.nBound1 + span * part / static_cast<float>(half);
    return true;
}

float TrackAngleAt(const TrackPoints& track, float position) {
    const auto next = std::upper_bound(track.begin(), track.end(), position,
                                       [](float p, const TrackPoint& point) { return p < point.m_fTime; });
    if (next == track.end() || next == track.begin()) return 0.0f;
    const TrackPoint& before = *(next - 1);
    const float span = next->m_fTime - before.m_fTime;
    if (!(span > 0.0f)) return before.m_fAngle;
    return before.m_fAngle + (next->m_fAngle - before.m_fAngle) * (position - before.m_fTime) / span;
}

bool FlatWaveGate(const TimeBlock& block, float angle) {
    std::int32_t a = TruncToInt32(angle) % 360;
    if (a < 0) a += 360;
    const std::int32_t max = block.MaxValidZMotor;
    const std::int32_t min = block.MinValidZMotor;
    if (max > min) return min <= a && a <= max;
    return a >= min || a <= max;
}

std::int32_t LaserValue(const TimeBlock& block) {
    return SaturateToInt32(static_cast<std::int64_t>(block.nWavMin) * 100 + block.nWavMax);
}

}  // namespace velmora
