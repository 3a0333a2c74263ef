#pragma once
// The page strip at the bottom of the frame animation editor, 100 pixels
// high: its own toolbar (循环 复制 正粘贴 反粘贴 插入 删除, added by the
// dialog) above a horizontally scrolled row of pages. Each page is a column
// 20 pixels wide: its number from 1 above a box, dark grey when selected in
// the strip, light grey otherwise, with the loop start and end marked at
// the box's left edge; the page the grid shows has its number in blue.
//
// PageStripView draws the editor's model and reports clicks (Shift as held
// then); the dialog edits. Assistive technology sees each page as an item
// (see PageStripAccessible.h).
//
// Thread contract: UI thread.

#include <QWidget>

class QScrollArea;
class QToolBar;

namespace velmora {

class FrameAnimationEditor;

class PageStripView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumn = 20;
    static constexpr int kNumberHeight = 14;

    explicit PageStripView(const FrameAnimationEditor& editor, QWidget* parent = nullptr);

    const FrameAnimationEditor& editor() const { return editor_; }
    int PageCount() const;
    // Page `index`'s column and its box, in this widget's coordinates.
    QRect ColumnRect(int index) const;
    QRect BoxRect(int index) const;
    int PageAt(const QPoint& pos) const;  // -1: none
    // Follows the page count.
    void UpdateSize();

signals:
    void clicked(int index, bool shift);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const FrameAnimationEditor& editor_;
};

class PageStrip final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 100;
    static constexpr int kToolbarHeight = 26;

    explicit PageStrip(const FrameAnimationEditor& editor, QWidget* parent = nullptr);

    QToolBar& toolbar() { return *toolbar_; }
    PageStripView& view() { return *view_; }
    QScrollArea& scrollArea() { return *scroll_; }
    // Redraws after a change of the model, keeping the current page in sight.
    void Refresh();

private:
    QToolBar* toolbar_;
    QScrollArea* scroll_;
    PageStripView* view_;
};

}  // namespace velmora
