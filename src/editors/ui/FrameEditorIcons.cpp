#include "editors/ui/FrameEditorIcons.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velmora {

namespace {

const QColor kInk(0x23, 0x4a, 0x73);
const QColor kLevel(51, 204, 0);  // the grid's level colour
const QColor kPaper(0xfa, 0xfa, 0xf6);
const QColor kRed(0xc8, 0x3a, 0x32);
const QColor kGreen(0x2f, 0x9e, 0x55);
const QColor kAccent(0x2a, 0x8b, 0xd0);

// Bars of the given heights (0..1) standing on the bottom of a 32 x 32 box.
void Bars(QPainter& p, const std::vector<double>& heights) {
    const double w = 24.0 / static_cast<double>(heights.size());
    p.setPen(Qt::NoPen);
    p.setBrush(kLevel);
    for (std::size_t i = 0; i < heights.size(); ++i) {
        const double h = 4 + 22 * heights[i];
        p.drawRect(QRectF(4 + w * static_cast<double>(i) + 1, 28 - h, w - 2, h));
    }
    p.setPen(QPen(kInk, 2));
    p.drawLine(QPointF(3, 28.5), QPointF(29, 28.5));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::max(1.0, std::hypot(d.x(), d.y()));
    const QPointF u = d / len, n(-u.y(), u.x());
    p.drawLine(to, to - u * 6 + n * 5);
    p.drawLine(to, to - u * 6 - n * 5);
}

// A block of cells with one corner marked: where a paste is anchored.
void Paste(QPainter& p, bool right, bool bottom) {
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kPaper);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) p.drawRect(QRectF(7 + 10 * c, 7 + 10 * r, 9, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(right ? 26 : 6, bottom ? 26 : 6), 4.5, 4.5);
}

void Rotate(QPainter& p, bool clockwise) {
    p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF box(6, 6, 20, 20);
    p.drawArc(box, clockwise ? 120 * 16 : 60 * 16, clockwise ? -300 * 16 : 300 * 16);
    const QPointF tip = clockwise ? QPointF(9, 9.5) : QPointF(23, 9.5);
    p.setBrush(kAccent);
    p.setPen(Qt::NoPen);
    QPainterPath head;
    head.moveTo(tip + QPointF(clockwise ? 7 : -7, -3));
    head.lineTo(tip + QPointF(clockwise ? -2 : 2, -6));
    head.lineTo(tip + QPointF(clockwise ? 0 : 0, 4));
    head.closeSubpath();
    p.drawPath(head);
}

void Pages(QPainter& p, const QColor& fill) {
    p.setPen(QPen(kInk, 1.5));
    for (int i = 0; i < 3; ++i) {
        p.setBrush(i == 1 ? fill : QColor(200, 200, 200));
        p.drawRect(QRectF(4 + 8.5 * i, 10, 7, 18));
    }
}

void Draw(QPainter& p, FrameIcon id) {
    p.setRenderHint(QPainter::Antialiasing);
    switch (id) {
        case FrameIcon::Back: Arrow(p, {26, 16}, {6, 16}, kInk); break;
        case FrameIcon::Forward: Arrow(p, {6, 16}, {26, 16}, kInk); break;
        case FrameIcon::Settings: {  // three sliders
            p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 3; ++i) p.drawLine(QPointF(5, 8 + 8 * i), QPointF(27, 8 + 8 * i));
            p.setBrush(kAccent);
            const double knobs[3] = {20, 10, 16};
            for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF(knobs[i], 8 + 8 * i), 3.5, 3.5);
            break;
        }
        case FrameIcon::Open: {  // a folder
            p.setPen(QPen(kInk, 1.8));
            p.setBrush(QColor(0xe8, 0xc0, 0x5c));
            QPainterPath folder;
            folder.moveTo(4, 9);
            folder.lineTo(12, 9);
            folder.lineTo(14, 12);
            folder.lineTo(28, 12);
            folder.lineTo(28, 26);
            folder.lineTo(4, 26);
            folder.closeSubpath();
            p.drawPath(folder);
            break;
        }
        case FrameIcon::Save: {  // a diskette
            p.setPen(QPen(kInk, 1.8));
            p.setBrush(kAccent);
            p.drawRoundedRect(QRectF(5, 5, 22, 22), 2.5, 2.5);
            p.setBrush(kPaper);
            p.drawRect(QRectF(10, 5, 12, 8));
            p.drawRect(QRectF(9, 18, 14, 9));
            break;
        }
        case FrameIcon::SlopeUp: Bars(p, {0.25, 0.5, 0.75, 1.0}); break;
        case FrameIcon::SlopeDown: Bars(p, {1.0, 0.75, 0.5, 0.25}); break;
        case FrameIcon::Valley: Bars(p, {1.0, 0.2, 0.2, 1.0}); break;
        case FrameIcon::Peak: Bars(p, {0.4, 1.0, 1.0, 0.4}); break;
        case FrameIcon::Copy: {
            p.setPen(QPen(kInk, 1.8));
            p.setBrush(kPaper);
            p.drawRect(QRectF(5, 5, 15, 18));
            p.drawRect(QRectF(12, 10, 15, 18));
            break;
        }
        case FrameIcon::PasteTopLeft: Paste(p, false, false); break;
        case FrameIcon::PasteTopRight: Paste(p, true, false); break;
        case FrameIcon::PasteBottomRight: Paste(p, true, true); break;
        case FrameIcon::PasteBottomLeft: Paste(p, false, true); break;
        case FrameIcon::Ring: {  // a ring of cells round an empty middle
            p.setPen(QPen(kInk, 1.2));
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) {
                    p.setBrush(r == 1 && c == 1 ? kPaper : kLevel);
                    p.drawRect(QRectF(5 + 8 * c, 5 + 8 * r, 7, 7));
                }
            break;
        }
        case FrameIcon::RotateClockwise: Rotate(p, true); break;
        case FrameIcon::RotateAnticlockwise: Rotate(p, false); break;
        case FrameIcon::Increase:
        case FrameIcon::Decrease: {
            Bars(p, {id == FrameIcon::Increase ? 0.35 : 0.7});
            const bool up = id == FrameIcon::Increase;
            Arrow(p, {24, up ? 22.0 : 6.0}, {24, up ? 6.0 : 22.0}, up ? kGreen : kRed);
            break;
        }
        case FrameIcon::Undo: Arrow(p, {26, 20}, {7, 20}, kInk); break;
        case FrameIcon::Redo: Arrow(p, {6, 20}, {25, 20}, kInk); break;
        case FrameIcon::Loop: {  // a loop between a start and an end mark
            p.setPen(QPen(kGreen, 3));
            p.drawLine(QPointF(5, 6), QPointF(5, 26));
            p.setPen(QPen(kRed, 3));
            p.drawLine(QPointF(27, 6), QPointF(27, 26));
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kInk, 2));
            p.drawArc(QRectF(9, 9, 14, 14), 0, 300 * 16);
            break;
        }
        case FrameIcon::PastePages:
            Pages(p, QColor(127, 127, 127));
            Arrow(p, {6, 5}, {26, 5}, kGreen);
            break;
        case FrameIcon::PastePagesReversed:
            Pages(p, QColor(127, 127, 127));
            Arrow(p, {26, 5}, {6, 5}, kRed);
            break;
        case FrameIcon::InsertPage: {
            Pages(p, kPaper);
            p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(16, 13), QPointF(16, 25));
            p.drawLine(QPointF(10, 19), QPointF(22, 19));
            break;
        }
        case FrameIcon::DeletePages: {
            Pages(p, QColor(127, 127, 127));
            p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(11, 14), QPointF(21, 24));
            p.drawLine(QPointF(21, 14), QPointF(11, 24));
            break;
        }
    }
}

QPixmap Render(FrameIcon id, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.scale(size / 32.0, size / 32.0);
    Draw(p, id);
    return pixmap;
}

}  // namespace

QIcon MakeFrameIcon(FrameIcon id) {
    QIcon icon;
    for (int size : {16, 32, 64}) icon.addPixmap(Render(id, size));
    return icon;
}

}  // namespace velmora
