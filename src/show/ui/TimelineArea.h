#pragma once
// The timeline below the wave view, as a picture of the open show: the
// layer column (80 pixels: each row's name cell and armed mark) and the
// block area, where every block is a bar on its layer's 23-pixel row at the
// show's scale, scrolled horizontally with the wave view and vertically by
// its own scroll bar. It draws only what is in view, so a show of thousands
// of blocks costs no more than the blocks on screen.
//
// Thread contract: UI thread; it reads the show, which only this thread
// changes, and the engine's published playhead.

#include <QWidget>

#include "ui/DesktopContext.h"

class QScrollBar;

namespace velmora {

class TimelineArea final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNameColumn = 80;
    static constexpr int kRowHeight = 23;
    static constexpr int kBarTop = 3;
    static constexpr int kBarHeight = 18;
    static constexpr int kNameCellHeight = 18;
    static constexpr int kScrollBarWidth = 20;
    static constexpr int kWheelStep = 30;

    explicit TimelineArea(DesktopContext& context, QWidget* parent = nullptr);

    // The block area's visible width (between the layer column and the scroll bar).
    int visibleWidth() const;
    QScrollBar* verticalBar() const { return vertical_; }
    // How many blocks the last paint drew (culling check).
    int blocksDrawn() const { return blocksDrawn_; }
    // A row's name cell, in this widget's coordinates.
    QRect NameCell(int row) const;
    int rowCount() const;
    // What the row shows as its name.
    QString RowName(int row) const;

    // The show's rows or blocks changed: the scroll range follows.
    void ShowChanged();

    // The index of the block drawn at `pos` (the topmost where bars
    // overlap), or -1.
    int BlockAt(const QPoint& pos) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // On a block: its properties dialog.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void UpdateScrollRange();
    void PaintLayers(QPainter& p, int firstRow, int lastRow, int top);
    void PaintBlocks(QPainter& p, int firstRow, int lastRow, int top);

    DesktopContext& context_;
    QScrollBar* vertical_;
    int blocksDrawn_ = 0;
};

}  // namespace velmora
