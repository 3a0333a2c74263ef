#pragma once
// The request of the motor test sender: one motor command record of five
// registers per motor, every motor following the same program, each started
// a fixed stagger after the one before it. Pure functions of the program and
// the elapsed time, so tests can set any moment.

#include <cstddef>
#include <cstdint>
#include <span>

#include "comm/MotorBlock.h"

namespace velmora {

inline constexpr int kMaxTestMotors = 16;

struct MotorTestSettings {
    std::int32_t unitID = 1;
    std::int32_t startAddr = 1;  // 1-based; frames carry it - 1
    std::int32_t interval = 2000;  // ms per program step
    std::int32_t motorCount = 1;   // 1..16
    std::int32_t stagger = 0;      // ms between the starts of two motors
    std::int32_t stepBase = 123;
};

// The motor count actually used (1..16) and the interval actually divided by
// (at least 1 ms, so a program without an interval cannot divide by zero).
int EffectiveMotorCount(const MotorTestSettings& settings);
std::int64_t EffectiveInterval(const MotorTestSettings& settings);

// Motor k's program step at `elapsedMs` after the start, truncated toward
// zero: a motor less than one interval from its start is already at step 0.
std::int64_t MotorStepIndex(const MotorTestSettings& settings, std::int64_t elapsedMs, int motor);

// True once the last motor has run through the whole program.
bool MotorTestFinished(const MotorTestSettings& settings, std::size_t blockCount, std::int64_t elapsedMs);

// Five registers of the record for step `step`; all zero outside the program.
void BuildMotorTestRecord(std::span<const MotorBlock_struct> blocks, std::int64_t step,
                          std::int32_t stepBase, std::uint16_t (&registers)[5]);

inline constexpr std::size_t MotorTestFrameSize(int motors) {
    return 10 * static_cast<std::size_t>(motors) + 13;
}

// The function-16 request for every motor at `elapsedMs`; returns its length,
// 0 when `out` is too short.
std::size_t BuildMotorTestFrame(const MotorTestSettings& settings, std::span<const MotorBlock_struct> blocks,
                                std::int64_t elapsedMs, std::span<std::uint8_t> out);

// Milliseconds from `elapsedMs` until some motor moves to its next step.
std::int64_t MsToNextMotorStep(const MotorTestSettings& settings, std::int64_t elapsedMs);

}  // namespace velmora
