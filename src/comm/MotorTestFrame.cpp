#include "comm/MotorTestFrame.h"

#include <algorithm>
#include <cstdlib>

namespace velmora {

int EffectiveMotorCount(const MotorTestSettings& settings) {
    return std::clamp(settings.motorCount, 1, kMaxTestMotors);
}

std::int64_t EffectiveInterval(const MotorTestSettings& settings) {
    return std::max<std::int64_t>(settings.interval, 1);
}

std::int64_t MotorStepIndex(const MotorTestSettings& settings, std::int64_t elapsedMs, int motor) {
    // C++ division truncates toward zero, which is the rule wanted here.
    return (elapsedMs - static_cast<std::int64_t>(motor) * settings.stagger) / EffectiveInterval(settings);
}

bool MotorTestFinished(const MotorTestSettings& settings, std::size_t blockCount, std::int64_t elapsedMs) {
    const std::int64_t last = MotorStepIndex(settings, elapsedMs, EffectiveMotorCount(settings) - 1);
    return last >= static_cast<std::int64_t>(blockCount);
}

void BuildMotorTestRecord(std::span<const MotorBlock_struct> blocks, std::int64_t step,
                          std::int32_t stepBase, std::uint16_t (&registers)[5]) {
    std::fill(std::begin(registers), std::end(registers), std::uint16_t{0});
    if (step < 0 || step >= static_cast<std::int64_t>(blocks.size())) return;
    const auto index = static_cast<std::size_t>(step);
    const MotorBlock_struct& b = blocks[index];
    const MotorBlock_struct* next = index + 1 < blocks.size() ? &blocks[index + 1] : nullptr;

    int mode = 0;
    if (b.Act == 0) {
        mode = 3;
    } else if (b.Act == 1) {
        const bool sameSign = next != nullptr && next->Act == 1 &&
                              ((b.p0 > 0 && next->p0 > 0) || (b.p0 < 0 && next->p0 < 0));
        mode = sameSign ? 2 : 1;
    }
    const bool opposite = (b.p0 < 0 && b.p1 > 0) || (b.p0 > 0 && b.p1 < 0);
    const auto low16 = [](std::int64_t v) { return static_cast<std::uint16_t>(static_cast<std::uint64_t>(v) & 0xFFFFu); };
    registers[0] = low16(static_cast<std::int64_t>(stepBase) + step);
    registers[1] = static_cast<std::uint16_t>((mode << 8) | (opposite ? 1 : 0));
    registers[2] = low16(std::llabs(static_cast<long long>(b.p1)));
    registers[3] = low16(std::llabs(static_cast<long long>(b.p0)));
    registers[4] = mode == 2 ? low16(std::llabs(static_cast<long long>(next->p0))) : 0;
}

std::size_t BuildMotorTestFrame(const MotorTestSettings& settings, std::span<const MotorBlock_struct> blocks,
                                std::int64_t elapsedMs, std::span<std::uint8_t> out) {
    const int motors = EffectiveMotorCount(settings);
    const std::size_t size = MotorTestFrameSize(motors);
    if (out.size() < size) return 0;
    std::uint8_t* f = out.data();
    const auto put16 = [](std::uint8_t* at, std::uint32_t v) {
        at[0] = static_cast<std::uint8_t>((v >> 8) & 0xFFu);
        at[1] = static_cast<std::uint8_t>(v & 0xFFu);
    };
    put16(f + 0, 0);
    put16(f + 2, 0);
    put16(f + 4, static_cast<std::uint32_t>(10 * motors + 7));
    f[6] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(settings.unitID) & 0xFFu);
    f[7] = 0x10;
    put16(f + 8, static_cast<std::uint32_t>(settings.startAddr) - 1u);
    put16(f + 10, static_cast<std::uint32_t>(5 * motors));
    f[12] = static_cast<std::uint8_t>(10 * motors);
    for (int k = 0; k < motors; ++k) {
        std::uint16_t registers[5];
        BuildMotorTestRecord(blocks, MotorStepIndex(settings, elapsedMs, k), settings.stepBase, registers);
        for (int r = 0; r < 5; ++r) put16(f + 13 + 10 * k + 2 * r, registers[r]);
    }
    return size;
}

std::int64_t MsToNextMotorStep(const MotorTestSettings& settings, std::int64_t elapsedMs) {
    const std::int64_t interval = EffectiveInterval(settings);
    std::int64_t best = interval;
    for (int k = 0; k < EffectiveMotorCount(settings); ++k) {
        const std::int64_t local = elapsedMs - static_cast<std::int64_t>(k) * settings.stagger;
        // Steps change where local time crosses a multiple of the interval;
        // truncation toward zero makes (-interval, interval) one step.
        std::int64_t next;
        if (local >= 0) {
            next = (local / interval + 1) * interval;
        } else {
            next = (local / interval) * interval + 1;
            if (next > 0) next = interval;  // step 0 runs until +interval
        }
        best = std::min(best, next - local);
    }
    return std::max<std::int64_t>(best, 1);
}

}  // namespace velmora
