#pragma once
// When a block's member starts and how high its wave goes. A member at take
// step s runs nInterval x s ms behind the first one; waves fall off (or
// grow) by nDeltaInGroup per step.
//
// Times are 64-bit so that no show value, however large, overflows on the
// way; a NaN position counts as "not started".

#include <cstdint>

#include "show/TimeBlock.h"

namespace velmora {

// trunc(value) toward zero, saturating at +-2^62 so that 32-bit offsets can
// be added; NaN gives -1 (a time that has not come).
std::int64_t TruncTime(double value);

// The block's start on the engine clock: scale x start, in float as stored.
double BlockStartMs(std::int32_t scale, const TimeBlock& block);

// trunc(now - scale x start - nInterval x step): how long the member at
// `step` has been running; negative before it starts.
std::int64_t MemberTime(std::int32_t scale, const TimeBlock& block, double now, std::int64_t step);

// trunc(now - scale x start): the block's own time, shared by all members.
std::int64_t BlockTime(std::int32_t scale, const TimeBlock& block, double now);

// D = trunc((end - start) x scale), the block's length in ms.
std::int64_t BlockDuration(std::int32_t scale, const TimeBlock& block);

// clamp(nWavMax + nDeltaInGroup x step, 0, 128).
std::int32_t WavePeak(const TimeBlock& block, std::int64_t step);

// t reduced by `cycle` while it exceeds it: a t that is a whole number of
// cycles ends at `cycle`, not 0. A cycle <= 0 leaves t unchanged.
std::int64_t ReduceIntoCycle(std::int64_t t, std::int64_t cycle);

}  // namespace velmora
