#include "manual/ui/DebugGlyphs.h"

#include <algorithm>
#include <functional>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velmora {

namespace {

const QColor kFace(0x3a, 0x40, 0x48);
const QColor kRim(0x1e, 0x22, 0x28);
const QColor kSteel(0xb8, 0xc0, 0xc8);
const QColor kBarGreen(0x22, 0xd0, 0x44);
const QColor kDotGrey(0x9a, 0x9a, 0x9a);

QRectF Inset(const QRect& box, double by) { return QRectF(box).adjusted(by, by, -by, -by); }

// Every icon at the sizes a toolbar asks for, painted fresh at each.
QIcon PaintedIcon(const std::function<void(QPainter&, const QRect&)>& draw) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, QRect(0, 0, size, size));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace

void DrawAnalogGlyph(QPainter& p, const QRect& box, int barHeight) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kRim, 1.5));
    p.setBrush(kFace);
    p.drawRoundedRect(Inset(box, 2), 4, 4);
    // The slot holds the bar: kAnalogBarHeight pixels at full level (in a
    // 40-pixel box; smaller boxes scale it).
    const double scale = box.height() / 40.0;
    const double slotH = kAnalogBarHeight * scale;
    const double slotW = box.width() * 0.4;
    const QRectF slot(box.center().x() - slotW / 2 + 0.5, box.bottom() - 8 * scale - slotH, slotW, slotH);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x12, 0x14, 0x18));
    p.drawRect(slot.adjusted(-1, -1, 1, 1));
    const double h = std::clamp(barHeight, 0, kAnalogBarHeight) * scale;
    if (h > 0) {
        p.setBrush(kBarGreen);
        p.drawRect(QRectF(slot.left(), slot.bottom() - h, slot.width(), h));
    }
    // Scale ticks over the slot.
    p.setPen(QPen(kSteel, 1));
    for (int i = 0; i <= 2; ++i) {
        const double y = slot.top() + slot.height() * i / 2;
        p.drawLine(QPointF(slot.right() + 2, y), QPointF(slot.right() + 5, y));
    }
    p.drawLine(QPointF(box.left() + 8 * scale, box.top() + 9 * scale),
               QPointF(box.right() - 8 * scale, box.top() + 9 * scale));
    p.restore();
}

void DrawSwitchGlyph(QPainter& p, const QRect& box, bool on) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kRim, 1.5));
    p.setBrush(kSteel);
    p.drawRoundedRect(Inset(box, 2), 4, 4);
    const QRectF socket = Inset(box, box.width() * 0.22);
    p.setBrush(QColor(0xf0, 0xf0, 0xec));
    p.setPen(QPen(kRim, 2));
    p.drawEllipse(socket);
    if (on) {
        p.setPen(Qt::NoPen);
        p.setBrush(kDotGrey.darker(140));
        p.drawEllipse(socket.adjusted(4, 4, -4, -4));
    }
    p.restore();
}

void DrawLightGlyph(QPainter& p, const QRect& box, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kRim, 1.5));
    p.setBrush(kFace);
    p.drawRoundedRect(Inset(box, 2), 4, 4);
    const QRectF lens = Inset(box, box.width() * 0.18);
    p.setPen(QPen(kSteel, 2));
    p.setBrush(colour);
    p.drawEllipse(lens);
    // A small highlight so a black (dark) lens still reads as glass.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawEllipse(QRectF(lens.left() + lens.width() * 0.22, lens.top() + lens.height() * 0.18, lens.width() * 0.25,
                         lens.height() * 0.2));
    p.restore();
}

void DrawMotorGlyph(QPainter& p, const QRect& box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double u = box.width() / 40.0;
    const double x = box.left();
    const double y = box.top();
    // Body, end cap, shaft and a mounting foot.
    p.setPen(QPen(kRim, 1.5));
    p.setBrush(QColor(0x4f, 0x6f, 0x9a));
    p.drawRoundedRect(QRectF(x + 5 * u, y + 11 * u, 22 * u, 18 * u), 3 * u, 3 * u);
    p.setBrush(kSteel);
    p.drawRect(QRectF(x + 27 * u, y + 14 * u, 4 * u, 12 * u));
    p.drawRect(QRectF(x + 31 * u, y + 18.5 * u, 6 * u, 3 * u));
    p.drawRect(QRectF(x + 8 * u, y + 29 * u, 16 * u, 4 * u));
    p.setPen(QPen(QColor(0x2b, 0x3f, 0x5c), 1.2 * u));
    for (int i = 0; i < 4; ++i) p.drawLine(QPointF(x + (9 + 5 * i) * u, y + 13 * u), QPointF(x + (9 + 5 * i) * u, y + 27 * u));
    p.restore();
}

QIcon DisplayModeIcon(DebugDisplayMode mode) {
    return PaintedIcon([mode](QPainter& p, const QRect& box) {
        switch (mode) {
            case DebugDisplayMode::Analog: DrawAnalogGlyph(p, box, kAnalogBarHeight * 2 / 3); break;
            case DebugDisplayMode::Switch: DrawSwitchGlyph(p, box, true); break;
            case DebugDisplayMode::Light: DrawLightGlyph(p, box, QColor(0xf0, 0x40, 0x30)); break;
            case DebugDisplayMode::Motor: DrawMotorGlyph(p, box); break;
        }
    });
}

QIcon SelectAllIcon(bool all) {
    return PaintedIcon([all](QPainter& p, const QRect& box) {
        const double c = box.width() / 2.0;
        const double s = box.width() * 0.36;
        p.setPen(QPen(QColor(0x23, 0x4a, 0x73), std::max(1.0, box.width() / 16.0)));
        for (int r = 0; r < 2; ++r) {
            for (int k = 0; k < 2; ++k) {
                const QRectF cell(c * k + box.width() * 0.07, c * r + box.width() * 0.07, s, s);
                p.setBrush(all ? QColor(0x2a, 0x8b, 0xd0) : QColor(0xfa, 0xfa, 0xf6));
                p.drawRect(cell);
            }
        }
    });
}

}  // namespace velmora
