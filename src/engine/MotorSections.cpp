#include "engine/MotorSections.h"

namespace velmora {
namespace {

MotorSection Section(const TimeBlock& b, int which, std::int64_t k) {
    switch (which) {
        case 1: return {1, &b.szMotor1, b.paramMotor2, b.forMotor2, b.delayMotor2, k};
        case 2: return {2, &b.szMotor2, b.paramMotor3, b.forMotor3, b.delayMotor3, k};
        default: return {0, &b.szMotor, b.paramMotor1, b.forMotor1, b.delayMotor1, k};
    }
}

}  // namespace

MotorSection ChooseMotorSection(const TimeBlock& block, std::int64_t s) {
    const std::int64_t s1 = block.singleSection;
    const std::int64_t s2 = block.singleSection1;
    if (s1 == 0) return Section(block, 0, s);
    if (s2 == 0) {
        const std::int64_t r = s % (2 * s1);
        return r < s1 ? Section(block, 0, r) : Section(block, 1, r - s1);
    }
    const std::int64_t period = 2 * s1 + s2;
    if (period == 0) return Section(block, 0, s);
    const std::int64_t r = s % period;
    if (r < s1) return Section(block, 0, r);
    if (r < s1 + s2) return Section(block, 2, r - s1);
    return Section(block, 1, r - s1 - s2);
}

}  // namespace velmora
