#include "manual/ui/HandButtonLooks.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace velmora {

namespace {

// The picture sits in the upper 40 pixels; the name goes below it.
QRectF FaceRect(const QRect& cell) { return QRectF(cell.left() + 10.5, cell.top() + 3.5, 39, 35); }

const QColor kHighlight(250, 250, 250);
const QColor kShadow(96, 96, 96);
const QColor kLampOff(70, 96, 72);
const QColor kLampOn(60, 230, 90);
const QColor kSpecialOff(200, 140, 40);
const QColor kSpecialOn(255, 214, 64);

// A square key: raised (light edge top left) when up, sunken and lit when down.
void DrawSquareButton(QPainter& p, const QRectF& face, bool down) {
    QLinearGradient body(face.topLeft(), face.bottomLeft());
    body.setColorAt(0, down ? QColor(150, 160, 170) : QColor(226, 230, 236));
    body.setColorAt(1, down ? QColor(180, 188, 196) : QColor(170, 178, 190));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(face, 4, 4);

    const QColor topLeft = down ? kShadow : kHighlight;
    const QColor bottomRight = down ? kHighlight : kShadow;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(topLeft, 2));
    p.drawLine(face.topLeft() + QPointF(3, 1), face.topRight() + QPointF(-3, 1));
    p.drawLine(face.topLeft() + QPointF(1, 3), face.bottomLeft() + QPointF(1, -3));
    p.setPen(QPen(bottomRight, 2));
    p.drawLine(face.bottomLeft() + QPointF(3, -1), face.bottomRight() + QPointF(-3, -1));
    p.drawLine(face.topRight() + QPointF(-1, 3), face.bottomRight() + QPointF(-1, -3));

    // The lamp in the key's middle shows whether the group is driven.
    const QPointF centre = face.center() + QPointF(down ? 1 : 0, down ? 1 : 0);
    QRadialGradient lamp(centre, 9);
    lamp.setColorAt(0, down ? QColor(200, 255, 210) : QColor(110, 130, 112));
    lamp.setColorAt(1, down ? kLampOn : kLampOff);
    p.setPen(QPen(QColor(40, 50, 44), 1));
    p.setBrush(lamp);
    p.drawEllipse(centre, 8, 8);
}

// A round push button with a rim: amber when up, bright and glowing when down.
void DrawRoundButton(QPainter& p, const QRectF& face, bool down) {
    const QPointF centre = face.center();
    const double r = std::min(face.width(), face.height()) / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(88, 88, 92));
    p.drawEllipse(centre, r, r);  // the rim
    QRadialGradient dome(centre - QPointF(r / 3, r / 3) + QPointF(down ? 2 : 0, down ? 2 : 0), r);
    dome.setColorAt(0, down ? QColor(255, 250, 210) : QColor(245, 205, 140));
    dome.setColorAt(1, down ? kSpecialOn : kSpecialOff);
    p.setBrush(dome);
    const double inner = down ? r - 5 : r - 3;
    p.drawEllipse(centre + QPointF(down ? 1 : 0, down ? 1 : 0), inner, inner);
    if (down) {
        p.setPen(QPen(QColor(255, 255, 255, 160), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, r - 1.5, r - 1.5);
    }
}

}  // namespace

void DrawHandButton(QPainter& p, const QRect& cell, HandButtonKind kind, bool down) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = FaceRect(cell);
    if (kind == HandButtonKind::Special) {
        DrawRoundButton(p, face, down);
    } else {
        DrawSquareButton(p, face, down);
    }
    p.restore();
}

void DrawHandLock(QPainter& p, const QRect& cell) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = FaceRect(cell);
    p.fillRect(face, QColor(197, 197, 197, 120));
    const QPointF c = face.center();
    // Shackle, then the body with its keyhole.
    p.setPen(QPen(QColor(60, 60, 64), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 6, c.y() - 12, 12, 14), 0, 180 * 16);
    p.drawLine(QPointF(c.x() - 6, c.y() - 5), QPointF(c.x() - 6, c.y() - 2));
    p.drawLine(QPointF(c.x() + 6, c.y() - 5), QPointF(c.x() + 6, c.y() - 2));
    p.setPen(QPen(QColor(40, 40, 44), 1));
    p.setBrush(QColor(214, 170, 60));
    p.drawRoundedRect(QRectF(c.x() - 9, c.y() - 3, 18, 14), 2, 2);
    p.setBrush(QColor(40, 40, 44));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(c.x(), c.y() + 2.5), 2, 2);
    p.drawRect(QRectF(c.x() - 0.75, c.y() + 3, 1.5, 5));
    p.restore();
}

void DrawUndeliveredMark(QPainter& p, const QRect& cell) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 30, 30));
    const double right = cell.left() + 60;
    const double top = cell.top();
    p.drawPolygon(QPolygonF({QPointF(right - 16, top), QPointF(right, top), QPointF(right, top + 16)}));
    p.restore();
}

}  // namespace velmora
