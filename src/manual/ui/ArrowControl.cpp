#include "manual/ui/ArrowControl.h"

#include <algorithm>
#include <cstdlib>

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTimer>

#include "manual/MotorFineTune.h"

namespace velmora {

namespace {

// The zones' home rectangles and the arrows each shows while pressed.
constexpr std::array<QRect, ArrowControl::kZoneCount> kZones{{
    QRect(42, 3, 59, 21), QRect(4, 42, 22, 59), QRect(39, 120, 64, 20), QRect(121, 43, 21, 59)}};
constexpr std::array<QRect, ArrowControl::kZoneCount> kArrows{{
    QRect(59, 10, 27, 10), QRect(8, 58, 10, 27), QRect(58, 125, 27, 10), QRect(125, 59, 10, 27)}};
constexpr int kFlashMs = 200;

// A filled triangle inside `r` pointing the zone's way.
QPolygonF ArrowShape(int zone, const QRectF& r) {
    switch (zone) {
        case ArrowControl::kUp: return QPolygonF{{r.center().x(), r.top()}, r.bottomRight(), r.bottomLeft()};
        case ArrowControl::kDown: return QPolygonF{{r.center().x(), r.bottom()}, r.topLeft(), r.topRight()};
        case ArrowControl::kLeft: return QPolygonF{{r.left(), r.center().y()}, r.topRight(), r.bottomRight()};
        default: return QPolygonF{{r.right(), r.center().y()}, r.bottomLeft(), r.topLeft()};
    }
}

}  // namespace

ArrowControl::ArrowControl(MotorFineTune& tune, QWidget* parent) : QWidget(parent), tune_(tune) {
    InstallArrowControlAccessible();
    setFixedSize(kSize, kSize);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("电机微调"));
}

QRect ArrowControl::KnobRect() const {
    const KnobPlace at = tune_.knob();
    return {at.x, at.y, kKnobSize, kKnobSize};
}

QRect ArrowControl::ZoneHome(int zone) { return kZones[static_cast<std::size_t>(zone)]; }

QRect ArrowControl::ZoneRect(int zone) const {
    const QRect home = ZoneHome(zone);
    return zone == pressedZone_ ? home.translated(zoneOffset_) : home;
}

QString ArrowControl::ZoneName(int zone) {
    static const std::array<QString, kZoneCount> names{QStringLiteral("上"), QStringLiteral("左"),
                                                       QStringLiteral("下"), QStringLiteral("右")};
    return names[static_cast<std::size_t>(zone)];
}

int ArrowControl::KnobOffset() const { return tune_.KnobOffset(); }

void ArrowControl::SetKnobOffset(int offset) {
    if (offset == 0)
        tune_.ReleaseKnob();
    else
        tune_.DragKnob(MotorFineTune::kKnobHome + offset, MotorFineTune::kKnobHome);
    KnobChanged();
}

void ArrowControl::KnobChanged() {
    update();
    // The knob is the control's first accessible child.
    QAccessibleValueChangeEvent event(this, KnobOffset());
    event.setChild(0);
    QAccessible::updateAccessibility(&event);
    emit knobMoved();
}

void ArrowControl::FlashZone(int zone) {
    if (zone < 0 || zone >= kZoneCount || draggingKnob_) return;
    pressedZone_ = zone;
    zoneOffset_ = {};
    flashing_ = true;
    update();
    QTimer::singleShot(kFlashMs, this, [this, zone] {
        // A real press of the zone since then keeps its arrow up.
        if (flashing_ && pressedZone_ == zone) {
            flashing_ = false;
            pressedZone_ = -1;
            update();
        }
    });
}

void ArrowControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();

    // Base: a dark ring with a lighter well the knob travels in.
    const QRectF base = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QRadialGradient ring(base.center(), base.width() / 2);
    ring.setColorAt(0.0, QColor(92, 98, 108));
    ring.setColorAt(0.85, QColor(58, 62, 70));
    ring.setColorAt(1.0, QColor(36, 38, 44));
    p.setPen(QPen(QColor(24, 26, 30), 1.5));
    p.setBrush(ring);
    p.drawEllipse(base);
    const QPointF centre(kSize / 2.0, kSize / 2.0);
    const double well = kKnobSize / 2.0 + MotorFineTune::kKnobRadius + 2;
    p.setPen(QPen(QColor(30, 32, 36), 1));
    p.setBrush(QColor(48, 52, 58));
    p.drawEllipse(centre, well, well);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1.5, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, well + 3, well + 3);
    }

    // Zones: faint plates, lit while pressed, with their arrow.
    for (int zone = 0; zone < kZoneCount; ++zone) {
        const bool pressed = zone == pressedZone_;
        const QRect plate = ZoneRect(zone);
        p.setPen(Qt::NoPen);
        p.setBrush(pressed ? QColor(120, 170, 230, 140) : QColor(255, 255, 255, 22));
        p.drawRoundedRect(plate, 6, 6);
        // Small resting marks so the four directions read at a glance.
        const QRectF mark(QRectF(ZoneHome(zone)).center() - QPointF(4, 4), QSizeF(8, 8));
        if (!pressed) {
            p.setBrush(QColor(170, 176, 186, enabled ? 200 : 90));
            p.drawPolygon(ArrowShape(zone, mark));
        } else {
            p.setBrush(QColor(255, 214, 64));
            p.drawPolygon(ArrowShape(zone, QRectF(kArrows[static_cast<std::size_t>(zone)])));
        }
    }

    // Knob: a domed cap, blue while it drives the motor.
    const QRectF knob = QRectF(KnobRect()).adjusted(2, 2, -2, -2);
    const bool driving = std::abs(tune_.KnobOffset()) >= MotorFineTune::kDeadZone;
    QRadialGradient cap(knob.center() - QPointF(8, 10), knob.width() * 0.7);
    const QColor face = !enabled ? QColor(150, 150, 150) : driving ? QColor(80, 150, 235) : QColor(205, 210, 218);
    cap.setColorAt(0.0, face.lighter(150));
    cap.setColorAt(1.0, face.darker(160));
    p.setPen(QPen(QColor(20, 22, 26), 1.5));
    p.setBrush(cap);
    p.drawEllipse(knob);
    p.setPen(QPen(face.darker(220), 2));
    const QPointF c = knob.center();
    p.drawLine(c - QPointF(9, 0), c + QPointF(9, 0));
    p.drawLine(c - QPointF(6, 5), c - QPointF(9, 0));
    p.drawLine(c - QPointF(6, -5), c - QPointF(9, 0));
    p.drawLine(c + QPointF(6, 5), c + QPointF(9, 0));
    p.drawLine(c + QPointF(6, -5), c + QPointF(9, 0));
}

void ArrowControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    pressAt_ = at;
    zoneOffset_ = {};
    flashing_ = false;
    if (KnobRect().contains(at)) {
        // The press grabs the mouse implicitly: moves and the release come
        // here even outside the control.
        draggingKnob_ = true;
        return;
    }
    for (int zone = 0; zone < kZoneCount; ++zone) {
        if (ZoneHome(zone).contains(at)) {
            pressedZone_ = zone;
            update();
            return;
        }
    }
}

void ArrowControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint moved = event->position().toPoint() - pressAt_;
    if (draggingKnob_) {
        // The knob starts every drag from home: a release always puts it back.
        tune_.DragKnob(MotorFineTune::kKnobHome + moved.x(), MotorFineTune::kKnobHome + moved.y());
        KnobChanged();
    } else if (pressedZone_ >= 0) {
        zoneOffset_ = moved;
        update();
    }
}

void ArrowControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) EndDrag();
}

void ArrowControl::keyPressEvent(QKeyEvent* event) {
    const int way = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (way == 0 || draggingKnob_) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int offset = KnobOffset() * way < 0 ? 0 : KnobOffset();
    SetKnobOffset(std::clamp(offset + way * kKeyStep, -MotorFineTune::kKnobRadius, MotorFineTune::kKnobRadius));
}

void ArrowControl::keyReleaseEvent(QKeyEvent* event) {
    const bool arrow = event->key() == Qt::Key_Left || event->key() == Qt::Key_Right;
    if (!arrow || draggingKnob_) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    if (!event->isAutoRepeat()) SetKnobOffset(0);
}

void ArrowControl::EndDrag() {
    const bool wasKnob = draggingKnob_;
    draggingKnob_ = false;
    pressedZone_ = -1;
    zoneOffset_ = {};
    if (wasKnob) {
        tune_.ReleaseKnob();
        KnobChanged();
    }
    update();
}

// A drag never outlives the control's visibility or enabled state: the
// motor must not keep turning behind a hidden or frozen knob.
void ArrowControl::hideEvent(QHideEvent* event) {
    EndDrag();
    QWidget::hideEvent(event);
}

void ArrowControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled() && (draggingKnob_ || pressedZone_ >= 0)) EndDrag();
    QWidget::changeEvent(event);
}

}  // namespace velmora
