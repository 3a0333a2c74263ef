#pragma once
// The timeline editor below the wave view: the layer column (80 pixels:
// each row's name cell and armed mark) and the block area, where every
// block is a bar on its layer's 23-pixel row at the show's scale, scrolled
// horizontally with the wave view and vertically by its own scroll bar. It
// draws only what is in view, so a show of thousands of blocks costs no
// more than the blocks on screen.
//
// Editing maps the mouse and keys onto the show document's operations
// (select, band, draw, drag, resize, nudge, delete, copy, paste, lock, the
// layer column's bindings); the widget never writes a block or layer field
// itself, so every edit is undoable and the engine, which reads the show
// under the output lock, never sees a half-made change. The one thing kept
// here is a block being drawn, which stays outside the show until the
// click that commits it.
//
// Thread contract: UI thread; it reads the show, which only this thread
// changes, and the engine's published playhead.

#include <cstdint>
#include <optional>

#include <QPoint>
#include <QWidget>

#include "document/ShowDocument.h"

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
    // A block whose light follows the water shows its colours in this strip
    // at the bottom of its bar.
    static constexpr int kLightStripHeight = 9;

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

    DesktopContext& context() const { return context_; }
    // A block's bar, in this widget's coordinates (unclipped).
    QRectF BlockRect(std::size_t index) const;
    // Where paste puts the clipboard's earliest block: the horizontal scroll
    // position plus half the visible width, in timeline pixels.
    float PasteX() const;

    // The frame's "新建时间块" command: the next press in the block area draws
    // a block (as with Ctrl held). The press that uses it emits addUsed.
    void SetAddArmed(bool armed) { addArmed_ = armed; }
    bool addArmed() const { return addArmed_; }
    // The block being drawn, before the click that commits it.
    bool drawing() const { return drawing_.has_value(); }
    // Space held while the show moves records a block on the armed row,
    // from the playhead at the press to the playhead at the release.
    bool recording() const { return recording_.has_value(); }

    // The show's rows or blocks changed: the scroll range follows.
    void ShowChanged();

    // The index of the block drawn at `pos` (the topmost where bars
    // overlap), or -1.
    int BlockAt(const QPoint& pos) const;

signals:
    void addUsed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // On a block: its properties dialog.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Drawing {
        std::int32_t row;
        float start, end;
    };
    struct Resizing {
        std::size_t index;
        std::int32_t serial;  // the block pressed, should the list change under the gesture
        ShowDocument::Edge edge;
        std::uint64_t gesture;
    };

    void UpdateScrollRange();
    void PaintLayers(QPainter& p, int firstRow, int lastRow, int top);
    void PaintBlocks(QPainter& p, int firstRow, int lastRow, int top);
    void PaintLightStrip(QPainter& p, const QRectF& bar, const std::string& file) const;
    ShowDocument& document() const;
    // A widget point in the block area's content pixels.
    QPointF ContentOf(QPointF widgetPoint) const;
    int RowAt(int widgetY) const;
    bool TakeAddModifier(Qt::KeyboardModifiers modifiers);
    void PressInLayerColumn(QPoint point);
    void PressInBlockArea(QPoint point, Qt::KeyboardModifiers modifiers);
    void UpdateCursor(QPointF content);
    float PlayheadX() const;
    void FinishRecording();

    DesktopContext& context_;
    QScrollBar* vertical_;
    int blocksDrawn_ = 0;
    bool addArmed_ = false;
    std::optional<Drawing> drawing_;
    std::optional<Drawing> recording_;  // its end follows the playhead
    std::optional<Resizing> resizing_;
    std::optional<QPointF> bandFrom_;  // content pixels
    QPointF bandTo_;
};

}  // namespace velmora
