#include "ui/Icons.h"

#include <cmath>

#include <QApplication>
#include <QIconEngine>
#include <QPalette>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velmora {

namespace {

// Line work follows the look: dark ink on light toolbars, light on dark ones.
QColor Ink() {
    const QColor button = QApplication::palette().color(QPalette::Button);
    return button.lightness() < 128 ? QColor(0xe6, 0xee, 0xf6) : QColor(0x23, 0x4a, 0x73);
}
const QColor kAccent(0x2a, 0x8b, 0xd0);
const QColor kRed(0xc8, 0x3a, 0x32);
const QColor kGreen(0x2f, 0x9e, 0x55);
const QColor kPaper(0xfa, 0xfa, 0xf6);

// Draws icon `id` into a 32 x 32 box.
void Draw(QPainter& p, IconId id) {
    p.setRenderHint(QPainter::Antialiasing);
    QPen ink(Ink(), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(ink);
    switch (id) {
        case IconId::Save: {  // a diskette
            p.setBrush(kAccent);
            p.drawRoundedRect(QRectF(5, 5, 22, 22), 2.5, 2.5);
            p.setBrush(kPaper);
            p.drawRect(QRectF(10, 5, 12, 8));
            p.drawRect(QRectF(9, 18, 14, 9));
            break;
        }
        case IconId::NewBlock: {  // a bar on a timeline with a plus
            p.setBrush(QColor(0xe8, 0x9a, 0x2c));
            p.drawRoundedRect(QRectF(3, 14, 18, 9), 2, 2);
            p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(24, 6), QPointF(24, 18));
            p.drawLine(QPointF(18, 12), QPointF(30, 12));
            break;
        }
        case IconId::Copy: {  // two sheets
            p.setBrush(kPaper);
            p.drawRect(QRectF(5, 5, 15, 18));
            p.drawRect(QRectF(12, 10, 15, 18));
            break;
        }
        case IconId::Paste: {  // a clipboard with a sheet
            p.setBrush(QColor(0xc9, 0x9a, 0x5b));
            p.drawRoundedRect(QRectF(5, 6, 18, 22), 2, 2);
            p.setBrush(kPaper);
            p.drawRect(QRectF(14, 12, 13, 16));
            p.setBrush(Ink());
            p.drawRect(QRectF(10, 3, 8, 5));
            break;
        }
        case IconId::Delete:
        case IconId::Remove: {  // a red cross
            p.setPen(QPen(kRed, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(8, 8), QPointF(24, 24));
            p.drawLine(QPointF(24, 8), QPointF(8, 24));
            break;
        }
        case IconId::About: {  // an "i" in a circle
            p.setBrush(kAccent);
            p.drawEllipse(QRectF(4, 4, 24, 24));
            p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
            p.drawPoint(QPointF(16, 10));
            p.drawLine(QPointF(16, 15), QPointF(16, 23));
            break;
        }
        case IconId::Add: {  // a green plus
            p.setPen(QPen(kGreen, 4.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(16, 6), QPointF(16, 26));
            p.drawLine(QPointF(6, 16), QPointF(26, 16));
            break;
        }
        case IconId::Random: {  // two crossing arrows
            QPen pen(Ink(), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            p.setPen(pen);
            QPainterPath a;
            a.moveTo(4, 9);
            a.cubicTo(14, 9, 16, 23, 26, 23);
            QPainterPath b;
            b.moveTo(4, 23);
            b.cubicTo(14, 23, 16, 9, 26, 9);
            p.setBrush(Qt::NoBrush);
            p.drawPath(a);
            p.drawPath(b);
            p.setBrush(Ink());
            p.drawPolygon(QPolygonF({QPointF(29, 9), QPointF(24, 5), QPointF(24, 13)}));
            p.drawPolygon(QPolygonF({QPointF(29, 23), QPointF(24, 19), QPointF(24, 27)}));
            break;
        }
        case IconId::Repeat: {  // a loop with an arrow head
            p.setPen(QPen(Ink(), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(5, 7, 22, 18), 30 * 16, 300 * 16);
            p.setBrush(Ink());
            p.drawPolygon(QPolygonF({QPointF(27, 7), QPointF(27, 15), QPointF(20, 11)}));
            break;
        }
        case IconId::List: {  // lines with dots
            p.setBrush(Ink());
            for (int i = 0; i < 3; ++i) {
                const double y = 9 + i * 7;
                p.drawEllipse(QPointF(7, y), 1.8, 1.8);
                p.drawLine(QPointF(12, y), QPointF(27, y));
            }
            break;
        }
        case IconId::Properties: {  // a sheet with rows
            p.setBrush(kPaper);
            p.drawRect(QRectF(6, 4, 20, 24));
            for (int i = 0; i < 4; ++i) p.drawLine(QPointF(10, 10 + i * 5), QPointF(22, 10 + i * 5));
            break;
        }
        case IconId::Undo:
        case IconId::Redo: {  // a curved arrow
            p.save();
            if (id == IconId::Redo) {
                p.translate(32, 0);
                p.scale(-1, 1);
            }
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Ink(), 2.8, Qt::SolidLine, Qt::RoundCap));
            QPainterPath arc;
            arc.moveTo(9, 13);
            arc.cubicTo(20, 6, 30, 14, 24, 26);
            p.drawPath(arc);
            p.setBrush(Ink());
            p.drawPolygon(QPolygonF({QPointF(4, 13), QPointF(12, 7), QPointF(12, 19)}));
            p.restore();
            break;
        }
        case IconId::Watch: {  // an eye
            QPainterPath lid;
            lid.moveTo(3, 16);
            lid.quadTo(16, 4, 29, 16);
            lid.quadTo(16, 28, 3, 16);
            p.setBrush(kPaper);
            p.drawPath(lid);
            p.setBrush(kGreen);
            p.drawEllipse(QPointF(16, 16), 5, 5);
            break;
        }
        case IconId::EditScene: {  // an arrow pointer over a spring
            p.setBrush(kPaper);
            p.drawEllipse(QRectF(15, 15, 12, 12));
            p.setBrush(Ink());
            p.drawPolygon(QPolygonF({QPointF(5, 4), QPointF(5, 20), QPointF(9.5, 15.5), QPointF(13, 22),
                                     QPointF(15.5, 21), QPointF(12.5, 14), QPointF(18, 13.5)}));
            break;
        }
        case IconId::Light: {  // a lamp with rays
            p.setBrush(QColor(0xf2, 0xc1, 0x2e));
            p.drawEllipse(QPointF(16, 14), 7, 7);
            p.drawLine(QPointF(13, 24), QPointF(19, 24));
            p.drawLine(QPointF(14, 28), QPointF(18, 28));
            for (int i = 0; i < 5; ++i) {
                const double a = 3.14159 * (0.9 + 0.3 * i);
                p.drawLine(QPointF(16 + 10 * std::cos(a), 14 + 10 * std::sin(a)),
                           QPointF(16 + 13 * std::cos(a), 14 + 13 * std::sin(a)));
            }
            break;
        }
        case IconId::Background: {  // a landscape picture
            p.setBrush(kPaper);
            p.drawRect(QRectF(4, 6, 24, 20));
            p.setBrush(kAccent);
            p.drawPolygon(QPolygonF({QPointF(5, 25), QPointF(13, 14), QPointF(19, 21), QPointF(22, 17), QPointF(27, 25)}));
            p.setBrush(QColor(0xf2, 0xc1, 0x2e));
            p.drawEllipse(QPointF(22, 11), 2.5, 2.5);
            break;
        }
        case IconId::Channels: {  // a controller with network ports
            p.setBrush(kPaper);
            p.drawRect(QRectF(4, 9, 24, 14));
            p.setBrush(kGreen);
            for (int i = 0; i < 3; ++i) p.drawRect(QRectF(8 + i * 6, 13, 4, 6));
            p.drawLine(QPointF(16, 23), QPointF(16, 29));
            p.drawLine(QPointF(16, 3), QPointF(16, 9));
            break;
        }
        case IconId::Labels: {  // a tag with a number mark
            p.setBrush(QColor(0xf2, 0xe0, 0x2e));
            p.drawPolygon(QPolygonF({QPointF(4, 10), QPointF(21, 10), QPointF(28, 16), QPointF(21, 22), QPointF(4, 22)}));
            p.drawLine(QPointF(9, 14), QPointF(9, 18));
            p.drawLine(QPointF(13, 14), QPointF(13, 18));
            break;
        }
        case IconId::Import:
        case IconId::Export: {  // a table with an arrow in or out
            p.setBrush(kPaper);
            p.drawRect(QRectF(12, 5, 16, 22));
            for (int i = 0; i < 3; ++i) p.drawLine(QPointF(15, 11 + i * 5), QPointF(25, 11 + i * 5));
            p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap));
            const bool in = id == IconId::Import;
            p.drawLine(QPointF(3, 16), QPointF(12, 16));
            const double tip = in ? 12 : 3;
            const double back = in ? 7 : 8;
            p.drawLine(QPointF(tip, 16), QPointF(back, 11));
            p.drawLine(QPointF(tip, 16), QPointF(back, 21));
            break;
        }
        case IconId::Batch: {  // a matrix of springs
            p.setBrush(kAccent);
            p.setPen(Qt::NoPen);
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) p.drawEllipse(QPointF(8 + c * 8, 8 + r * 8), 3, 3);
            break;
        }
        case IconId::Hand: {  // an open hand: palm, four fingers and a thumb
            p.setBrush(kPaper);
            for (int f = 0; f < 4; ++f)
                p.drawRoundedRect(QRectF(9 + f * 4.5, 4 + (f == 0 || f == 3 ? 3 : 0), 4, 14), 2, 2);
            p.drawRoundedRect(QRectF(4, 14, 8, 4.5).translated(0, 0), 2, 2);
            p.drawRoundedRect(QRectF(8.5, 14, 18, 14), 4, 4);
            break;
        }
        case IconId::StepMove: {  // a motor shaft turning: a disc with a curved arrow
            p.setBrush(kPaper);
            p.drawEllipse(QPointF(14, 18), 8, 8);
            p.setBrush(Ink());
            p.drawEllipse(QPointF(14, 18), 2, 2);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kGreen, 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(4, 4, 24, 24), 20 * 16, 120 * 16);
            p.setBrush(kGreen);
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({QPointF(27.5, 7), QPointF(28.5, 16), QPointF(21, 12)}));
            break;
        }
        case IconId::StepRest: {  // an hourglass
            p.setBrush(QColor(0xf2, 0xc1, 0x2e));
            p.drawPolygon(QPolygonF({QPointF(8, 5), QPointF(24, 5), QPointF(16, 16), QPointF(24, 27),
                                     QPointF(8, 27), QPointF(16, 16)}));
            p.drawLine(QPointF(6, 5), QPointF(26, 5));
            p.drawLine(QPointF(6, 27), QPointF(26, 27));
            break;
        }
        case IconId::StepLoop: {  // braces around a dot
            QFont font = p.font();
            font.setPixelSize(22);
            font.setBold(true);
            p.setFont(font);
            p.drawText(QRectF(0, 2, 14, 28), Qt::AlignCenter, QStringLiteral("{"));
            p.drawText(QRectF(18, 2, 14, 28), Qt::AlignCenter, QStringLiteral("}"));
            p.setBrush(kGreen);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(16, 17), 3, 3);
            break;
        }
        case IconId::StepForward:
        case IconId::StepBack: {  // a box with an arrow before or after it
            p.setBrush(kPaper);
            p.drawRect(QRectF(id == IconId::StepForward ? 15 : 4, 9, 13, 14));
            p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            const bool left = id == IconId::StepForward;
            const double from = left ? 12 : 20, to = left ? 3 : 29;
            p.drawLine(QPointF(from, 16), QPointF(to, 16));
            p.drawLine(QPointF(to, 16), QPointF(to + (left ? 5 : -5), 11));
            p.drawLine(QPointF(to, 16), QPointF(to + (left ? 5 : -5), 21));
            break;
        }
        case IconId::StepReset: {  // an arrow back to a zero mark
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Ink(), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(6, 6, 20, 20), 90 * 16, 270 * 16);
            p.setBrush(Ink());
            p.drawPolygon(QPolygonF({QPointF(16, 2), QPointF(16, 10), QPointF(22, 6)}));
            p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(16, 13), QPointF(16, 19));
            break;
        }
        case IconId::Compile: {  // a tick over a sheet
            p.setBrush(kPaper);
            p.drawRect(QRectF(5, 4, 18, 24));
            p.setPen(QPen(kGreen, 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(11, 18), QPointF(17, 24), QPointF(29, 9)}));
            break;
        }
        case IconId::Run: {  // a play triangle
            p.setBrush(kGreen);
            p.drawPolygon(QPolygonF({QPointF(9, 5), QPointF(27, 16), QPointF(9, 27)}));
            break;
        }
        case IconId::Open: {  // an open folder
            p.setBrush(QColor(0xe8, 0xc0, 0x6a));
            p.drawPolygon(QPolygonF({QPointF(3, 8), QPointF(12, 8), QPointF(14, 11), QPointF(26, 11),
                                     QPointF(26, 26), QPointF(3, 26)}));
            p.setBrush(QColor(0xf5, 0xd7, 0x8e));
            p.drawPolygon(QPolygonF({QPointF(7, 15), QPointF(30, 15), QPointF(26, 26), QPointF(3, 26)}));
            break;
        }
        case IconId::Camera: {  // a movie camera: body, lens cone and two reels
            p.setBrush(kPaper);
            p.drawRoundedRect(QRectF(4, 14, 17, 12), 2, 2);
            p.drawPolygon(QPolygonF({QPointF(21, 17), QPointF(28, 13), QPointF(28, 27), QPointF(21, 23)}));
            p.drawEllipse(QRectF(4, 5, 8, 8));
            p.drawEllipse(QRectF(12, 5, 8, 8));
            break;
        }
    }
}

// Renders at exactly the device size asked for, so no icon is ever a scaled
// bitmap.
class PaintedIconEngine final : public QIconEngine {
public:
    explicit PaintedIconEngine(IconId id) : id_(id) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 32.0, rect.height() / 32.0);
        if (mode == QIcon::Disabled) painter->setOpacity(0.35);
        Draw(*painter, id_);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new PaintedIconEngine(id_); }

private:
    IconId id_;
};

}  // namespace

QIcon MakeIcon(IconId id) {
    return QIcon(new PaintedIconEngine(id));
}

QIcon AppIcon() {
    return QIcon(QStringLiteral(":/velmora/velmora.svg"));
}

}  // namespace velmora
