// The arrow control as assistive technology sees it: the knob first, a
// dial named "旋钮" whose value is its horizontal offset (setting it moves
// the knob there, 0 lets it go), then the four zones as buttons whose press
// shows their arrow for a moment.

#include <algorithm>

#include "manual/MotorFineTune.h"
#include "manual/ui/ArrowControl.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

class ArrowControlAccessible final : public PartsAccessible {
public:
    explicit ArrowControlAccessible(ArrowControl* control)
        : PartsAccessible(control, QAccessible::Grouping, control->accessibleName()), control_(control) {}

    int PartCount() const override { return 1 + ArrowControl::kZoneCount; }
    QAccessible::Role PartRole(int index) const override {
        return index == 0 ? QAccessible::Dial : QAccessible::Button;
    }
    QString PartText(int index, QAccessible::Text t) const override {
        if (index == 0) {
            if (t == QAccessible::Name) return QStringLiteral("旋钮");
            if (t == QAccessible::Value) return QString::number(control_->KnobOffset());
            return {};
        }
        return t == QAccessible::Name ? ArrowControl::ZoneName(index - 1) : QString();
    }
    QRect PartRect(int index) const override {
        return index == 0 ? control_->KnobRect() : control_->ZoneRect(index - 1);
    }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        if (index == 0) state.focusable = true;
        else state.pressed = control_->PressedZone() == index - 1;
        return state;
    }
    bool PartPressable(int index) const override { return index > 0; }
    void PressPart(int index) override {
        if (index > 0) control_->FlashZone(index - 1);
    }
    QVariant PartMinimum(int index) const override {
        return index == 0 ? QVariant(-MotorFineTune::kKnobRadius) : QVariant();
    }
    QVariant PartMaximum(int index) const override {
        return index == 0 ? QVariant(MotorFineTune::kKnobRadius) : QVariant();
    }
    QVariant PartValue(int index) const override { return index == 0 ? QVariant(control_->KnobOffset()) : QVariant(); }
    void SetPartValue(int index, const QVariant& value) override {
        if (index != 0) return;
        bool ok = false;
        const double offset = value.toDouble(&ok);
        if (!ok) return;
        const int limit = MotorFineTune::kKnobRadius;
        control_->SetKnobOffset(static_cast<int>(std::clamp(offset, -double(limit), double(limit))));
    }

private:
    ArrowControl* control_;
};

}  // namespace

void InstallArrowControlAccessible() { InstallAccessibleFactory<ArrowControl, ArrowControlAccessible>(); }

}  // namespace velmora
