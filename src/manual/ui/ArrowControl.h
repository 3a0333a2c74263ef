#pragma once
// The joystick-like arrow control of the motor fine-tune dialog, 150 x 150
// pixels: a round base, a knob in the middle that the mouse drags sideways
// (its travel limited and its command decided by MotorFineTune), and four
// zones at the edges that show an arrow while pressed and spring back when
// let go. Only the knob's horizontal offset drives the motor; the zones are
// feedback only.
//
// From the keyboard, holding Left or Right pushes the knob that way a
// little further with every repeat; letting the key go releases it.
//
// Assistive technology sees the knob ("旋钮", a dial whose value is the
// horizontal offset and can be set) and the four zones "上", "左", "下",
// "右" as children of the control.
//
// Thread contract: UI thread.

#include <array>

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace velmora {

class MotorFineTune;

class ArrowControl final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSize = 150;
    static constexpr int kKnobSize = 60;
    static constexpr int kKeyStep = 2;  // knob travel per key press or repeat
    enum Zone { kUp, kLeft, kDown, kRight, kZoneCount };

    ArrowControl(MotorFineTune& tune, QWidget* parent = nullptr);

    QRect KnobRect() const;
    // Where a zone is drawn now (it follows a drag and springs back).
    QRect ZoneRect(int zone) const;
    static QRect ZoneHome(int zone);
    static QString ZoneName(int zone);
    // The zone whose arrow shows, -1 for none.
    int PressedZone() const { return pressedZone_; }
    bool DraggingKnob() const { return draggingKnob_; }

    // The knob at horizontal offset `offset` from home, as a drag there would
    // put it; 0 lets it go.
    void SetKnobOffset(int offset);
    int KnobOffset() const;
    // Presses a zone briefly, as a click would show it.
    void FlashZone(int zone);

    QSize sizeHint() const override { return {kSize, kSize}; }

signals:
    // The knob moved or was let go (the command may have changed).
    void knobMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void EndDrag();
    void KnobChanged();

    MotorFineTune& tune_;
    bool draggingKnob_ = false;
    int pressedZone_ = -1;
    bool flashing_ = false;  // shown by FlashZone, not by a held button
    QPoint pressAt_;
    QPoint zoneOffset_;
};

// Makes Qt use the control's own accessible interface; once is enough.
void InstallArrowControlAccessible();

}  // namespace velmora
