#pragma once
// The cells of the frame animation editor's current page: a frame round the
// used m_nRows x m_nCols area from (20, 20), row and column numbers beside
// it, and each cell a 26 x 26 box 30 pixels apart whose lower part shows
// the level (level x 26 / 128 pixels of green); selected cells are outlined.
//
// It draws the editor's model and reports the mouse; the dialog edits:
//  - button up on a cell: clicked (with Shift and Ctrl as held then);
//  - double-click: doubleClicked;
//  - button down on a cell's box, then moving: a level drag, reported as
//    strokeStarted, strokeLevel for each move (the level from
//    LevelFromDrag), strokeEnded at button up. The level follows only once
//    the pointer has moved the platform's drag distance, so a plain click
//    with a trembling hand changes nothing;
//  - right button up on a cell: rightClicked.
// Assistive technology sees the cells as items with a value (see
// FrameGridAccessible.h).
//
// Thread contract: UI thread.

#include <QWidget>

namespace velmora {

class FrameAnimationEditor;

class FrameGrid final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kOrigin = 20;
    static constexpr int kPitch = 30;
    static constexpr int kBox = 26;

    explicit FrameGrid(const FrameAnimationEditor& editor, QWidget* parent = nullptr);

    const FrameAnimationEditor& editor() const { return editor_; }
    // Cell (row, col)'s box in this widget's coordinates.
    static QRect CellRect(int row, int col);
    // The used cell under `pos`, {-1, -1} for none (the gaps between boxes
    // count with the cell to their upper left).
    QPoint CellAt(const QPoint& pos) const;  // x = column, y = row
    // Follows the editor's rows and columns.
    void UpdateSize();
    QSize sizeHint() const override;

signals:
    void clicked(int row, int col, bool shift, bool ctrl);
    void doubleClicked(int row, int col);
    void rightClicked(int row, int col);
    void strokeStarted();
    void strokeLevel(int row, int col, int level);
    void strokeEnded();
    // A level given for one cell alone (assistive technology sets it).
    void levelEntered(int row, int col, int level);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const FrameAnimationEditor& editor_;
    // The level drag under way: its cell, the grab offset below the box's
    // top, where it began and whether it has moved far enough to count.
    int dragRow_ = -1, dragCol_ = -1, grab_ = 0;
    QPoint pressAt_;
    bool dragging_ = false;
};

}  // namespace velmora
