#pragma once
// The debug panel's tool area: the level slider and its value, the step
// buttons with their 100 ms repeat, ON/OFF, the pump state, the colour
// swatch and its red, green and blue toggles, the two motor buttons, the
// group's own switch and the reset button, each drawn at its fixed
// rectangle. A left press finds the control under the mouse and acts;
// dragging the knob sets the selected members' level; the release ends the
// drag and the repeat. Every request goes through GroupDebug. Its
// accessible children are the controls.
//
// Thread contract: UI thread.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include <QTimer>
#include <QWidget>

#include "manual/ui/DebugPanelState.h"

namespace velmora {

// Opens the motor fine-tune dialog over `parent` for spring `springId`,
// axis 1 (Y) or 0 (Z).
using MotorFineTuneHook = std::function<void(QWidget* parent, std::int32_t springId, int axis)>;

enum class DebugControl {
    Slider, LevelValue, StepDown, StepUp, PumpState, LevelOn, LevelOff,
    Swatch, Red, Green, Blue, MotorY, MotorZ, GroupState, GroupOn, GroupOff, Reset,
};
inline constexpr int kDebugControlCount = static_cast<int>(DebugControl::Reset) + 1;

class GroupDebugTool final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRepeatMs = 100;
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 222;

    GroupDebugTool(DebugPanelState& state, MotorFineTuneHook fineTune, QWidget* parent = nullptr);

    DebugPanelState& state() const { return state_; }
    QTimer& repeatTimer() { return repeat_; }
    // Where a control is drawn; the slider's rectangle is its background.
    static QRect ControlRect(DebugControl control);
    // The knob, or an empty rectangle while nothing is selected.
    QRect KnobRect() const;
    std::optional<DebugControl> ControlAt(QPoint at) const;

    // A control's caption; the accessible name is the text it shows now
    // (the level box's value, the pump's "开"/"关"), its description what
    // it shows besides.
    static QString ControlName(DebugControl control);
    QString AccessibleName(DebugControl control) const;
    QString ControlDescription(DebugControl control) const;
    // Does what one press does (a single step for "<" and ">"). True when
    // the control acts on a press.
    bool Press(DebugControl control);
    static bool Pressable(DebugControl control);
    // Sets the selected members' level as a drag to it would.
    void SetSliderLevel(std::int32_t level);
    // The level box's text: "[%03d]" of the shown level, or "---".
    QString LevelText() const;

signals:
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void PickColour();
    void OpenFineTune(int axis);
    void Changed();

    DebugPanelState& state_;
    MotorFineTuneHook fineTune_;
    QTimer repeat_;
    int repeatDelta_ = 0;
    std::optional<DebugControl> held_;  // the control under a held left button
};

}  // namespace velmora
