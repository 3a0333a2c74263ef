#include "manual/MotorFineTune.h"

#include <cmath>
#include <mutex>

#include "comm/OutputWrites.h"
#include "engine/ManualMotorTick.h"
#include "engine/Truncate.h"
#include "runtime/Runtime.h"
#include "scene/Spring.h"

namespace velmora {

MotorFineTune::MotorFineTune(Runtime& runtime, std::int32_t springId, int axis)
    : runtime_(runtime), springId_(springId), axis_(axis != 0 ? 1 : 0) {
    if (CSpring* spring = Spring()) spring->m_nMotorAxis = axis_;
}

MotorFineTune::~MotorFineTune() { Close(); }

CSpring* MotorFineTune::Spring() const { return runtime_.scene.FindSpring(springId_); }

void MotorFineTune::Request(std::int32_t command, std::int32_t intervalMs) {
    CSpring* spring = Spring();
    if (spring == nullptr) return;
    // The interval first: the engine may read the pair between the two stores,
    // and a new command must never go out at the previous pace.
    if (command != kNone) spring->m_nResendInterval = intervalMs;
    spring->m_nMotorCmd = command;
    requested_ = command;
}

KnobPlace MotorFineTune::DragKnob(int x, int y) {
    if (zeroing_) return knob_;
    double a = static_cast<double>(x) - kKnobHome;
    double b = static_cast<double>(y) - kKnobHome;
    const double length = std::sqrt(a * a + b * b);
    if (length > kKnobRadius) {
        a = a * kKnobRadius / length;
        b = b * kKnobRadius / length;
    }
    knob_ = {kKnobHome + static_cast<int>(std::trunc(a)), kKnobHome + static_cast<int>(std::trunc(b))};
    if (std::fabs(a) < kDeadZone) {
        Request(kNone, 0);
    } else {
        const std::int32_t interval = TruncToInt32(2000.0 - std::fabs(a) * 100.0);
        Request(a < 0 ? kTurnNegative : kTurnPositive, interval);
    }
    return knob_;
}

KnobPlace MotorFineTune::ReleaseKnob() {
    knob_ = {kKnobHome, kKnobHome};
    if (!zeroing_) Request(kNone, 0);
    return knob_;
}

bool MotorFineTune::StartZeroing(std::uint32_t nowMs) {
    if (zeroing_) return false;
    knob_ = {kKnobHome, kKnobHome};
    Request(kSetZero, kZeroingInterval);
    zeroing_ = true;
    zeroingStart_ = nowMs;
    return true;
}

bool MotorFineTune::Advance(std::uint32_t nowMs) {
    if (!zeroing_) return false;
    // Unsigned difference: the clock wraps modulo 2^32.
    if (nowMs - zeroingStart_ < static_cast<std::uint32_t>(kZeroingMs)) return false;
    zeroing_ = false;
    Request(kNone, 0);
    return true;
}

bool MotorFineTune::IssueMotorCommand(std::uint32_t nowMs) {
    CSpring* spring = Spring();
    if (spring == nullptr) return false;
    std::lock_guard lock(runtime_.g_csOutput);
    WritePendingMotorCommand(OutputTarget{runtime_.scene.g_Channels, runtime_.output}, *spring, nowMs);
    return true;
}

void MotorFineTune::Close() {
    zeroing_ = false;
    knob_ = {kKnobHome, kKnobHome};
    if (requested_ == kNone) return;
    // Only our own request is withdrawn: another panel may have set the
    // spring's command since, and that one is not ours to cancel.
    if (CSpring* spring = Spring(); spring != nullptr && spring->m_nMotorCmd == requested_) spring->m_nMotorCmd = kNone;
    requested_ = kNone;
}

}  // namespace velmora
