#include "editors/ui/FrameGrid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "editors/FrameAnimationEditor.h"
#include "editors/ui/FrameGridAccessible.h"

namespace velmora {

namespace {

const QColor kLevelColour(51, 204, 0);
const QColor kSelection(0xd0, 0x20, 0x20);

}  // namespace

FrameGrid::FrameGrid(const FrameAnimationEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    InstallFrameGridAccessible();
    setAccessibleName(QStringLiteral("帧"));
    setFocusPolicy(Qt::StrongFocus);
    UpdateSize();
}

QRect FrameGrid::CellRect(int row, int col) { return {kOrigin + kPitch * col, kOrigin + kPitch * row, kBox, kBox}; }

QPoint FrameGrid::CellAt(const QPoint& pos) const {
    if (pos.x() < kOrigin || pos.y() < kOrigin) return {-1, -1};
    const int col = (pos.x() - kOrigin) / kPitch;
    const int row = (pos.y() - kOrigin) / kPitch;
    if (row >= editor_.settings().m_nRows || col >= editor_.settings().m_nCols) return {-1, -1};
    return {col, row};
}

QSize FrameGrid::sizeHint() const {
    return {2 * kOrigin + kPitch * editor_.settings().m_nCols, 2 * kOrigin + kPitch * editor_.settings().m_nRows};
}

void FrameGrid::UpdateSize() {
    resize(sizeHint());
    update();
}

void FrameGrid::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), Qt::white);
    const int rows = editor_.settings().m_nRows, cols = editor_.settings().m_nCols;
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(QRect(QPoint(kOrigin - 2, kOrigin - 2), QPoint(kOrigin - 2 + kPitch * cols, kOrigin - 2 + kPitch * rows)));
    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    p.setPen(Qt::darkGray);
    for (int r = 0; r < rows; ++r)
        p.drawText(QRect(0, kOrigin + kPitch * r, kOrigin - 3, kBox), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(r + 1));
    for (int c = 0; c < cols; ++c)
        p.drawText(QRect(kOrigin + kPitch * c, 0, kBox, kOrigin - 3), Qt::AlignHCenter | Qt::AlignBottom,
                   QString::number(c + 1));
    const QPen selected(kSelection, 2);
    const QPen plain(QColor(160, 160, 160), 1);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const QRect box = CellRect(r, c);
            if (!event->rect().intersects(box.adjusted(-2, -2, 2, 2))) continue;
            const FRAME_NODE& node = editor_.Cell(r, c);
            const int fill = node.m_nLevel * kBox / FrameAnimationEditor::kMaxLevel;
            if (fill > 0) p.fillRect(QRect(box.left(), box.bottom() + 1 - fill, kBox, fill), kLevelColour);
            const bool isSelected = CellSelected(node);
            p.setPen(isSelected ? selected : plain);
            p.setBrush(Qt::NoBrush);
            p.drawRect(box.adjusted(0, 0, -1, -1));
        }
}

void FrameGrid::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    const QPoint cell = CellAt(pos);
    if (cell.x() < 0 || !CellRect(cell.y(), cell.x()).contains(pos)) return;
    dragRow_ = cell.y();
    dragCol_ = cell.x();
    grab_ = pos.y() - CellRect(dragRow_, dragCol_).top();
    pressAt_ = pos;
    dragging_ = false;
}

void FrameGrid::mouseMoveEvent(QMouseEvent* event) {
    if (dragRow_ < 0 || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint pos = event->position().toPoint();
    if (!dragging_) {
        if ((pos - pressAt_).manhattanLength() < QApplication::startDragDistance()) return;
        dragging_ = true;
        emit strokeStarted();
    }
    emit strokeLevel(dragRow_, dragCol_, LevelFromDrag(grab_, dragRow_, pos.y()));
}

void FrameGrid::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint cell = CellAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        const bool stroked = dragging_;
        dragRow_ = dragCol_ = -1;
        dragging_ = false;
        if (stroked) emit strokeEnded();
        if (cell.x() >= 0)
            emit clicked(cell.y(), cell.x(), event->modifiers() & Qt::ShiftModifier,
                         event->modifiers() & Qt::ControlModifier);
    } else if (event->button() == Qt::RightButton && cell.x() >= 0) {
        emit rightClicked(cell.y(), cell.x());
    }
}

void FrameGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint cell = CellAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && cell.x() >= 0) emit doubleClicked(cell.y(), cell.x());
}

}  // namespace velmora
