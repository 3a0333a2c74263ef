#include "engine/MemberTiming.h"

#include <algorithm>

namespace velmora {
namespace {

constexpr double kTimeLimit = 4611686018427387904.0;  // 2^62

}  // namespace

std::int64_t TruncTime(double value) {
    if (value != value) return -1;
    // Far beyond any show (2^62 ms is millions of years), and leaves room to
    // add 32-bit drifts and delays without overflow.
    if (value >= kTimeLimit) return static_cast<std::int64_t>(kTimeLimit);
    if (value <= -kTimeLimit) return -static_cast<std::int64_t>(kTimeLimit);
    return static_cast<std::int64_t>(value);
}

double BlockStartMs(std::int32_t scale, const TimeBlock& block) {
    // The product is a float, as the block's times are: the truncations
    // below depend on its rounding.
    return static_cast<double>(static_cast<float>(scale) * block.start);
}

std::int64_t MemberTime(std::int32_t scale, const TimeBlock& block, double now, std::int64_t step) {
    const double delay = static_cast<double>(block.nInterval) * static_cast<double>(step);
    return TruncTime(now - BlockStartMs(scale, block) - delay);
}

std::int64_t BlockTime(std::int32_t scale, const TimeBlock& block, double now) {
    return TruncTime(now - BlockStartMs(scale, block));
}

std::int64_t BlockDuration(std::int32_t scale, const TimeBlock& block) {
    return TruncTime(static_cast<double>((block.end - block.start) * static_cast<float>(scale)));
}

std::int32_t WavePeak(const TimeBlock& block, std::int64_t step) {
    const std::int64_t peak = static_cast<std::int64_t>(block.nWavMax) +
                              static_cast<std::int64_t>(block.nDeltaInGroup) * std::min<std::int64_t>(step, 1 << 30);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(peak, 0, 128));
}

std::int64_t ReduceIntoCycle(std::int64_t t, std::int64_t cycle) {
    if (cycle <= 0 || t <= cycle) return t;
    // Same as subtracting the cycle while t > cycle, in one step.
    return (t - 1) % cycle + 1;
}

}  // namespace velmora
