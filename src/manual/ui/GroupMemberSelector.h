#pragma once
// The debug panel's member selector: one cell per member spring, in member
// order, row by row, each drawn as the display mode asks from what the
// engine last did with the spring (never from its run-time fields).
// Releasing the left button over a cell selects with the Shift and Ctrl
// rules of GroupDebug::Click; the selected cells are framed. A vertical bar
// scrolls long groups. Its accessible children are the cells.
//
// Thread contract: UI thread.

#include <cstddef>
#include <optional>
#include <vector>

#include <QWidget>

#include "manual/ui/DebugPanelState.h"

class QScrollBar;

namespace velmora {

class GroupMemberSelector final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 300;
    static constexpr int kCellWidth = 52;
    static constexpr int kCellHeight = 60;
    static constexpr int kScrollBarWidth = 20;

    GroupMemberSelector(DebugPanelState& state, QWidget* parent = nullptr);

    DebugPanelState& state() const { return state_; }
    QScrollBar* verticalBar() const { return bar_; }
    int columns() const;
    // Cell `index` in widget coordinates (scrolled).
    QRect CellRect(std::size_t index) const;
    std::optional<std::size_t> CellAt(QPoint at) const;

    // What cell `index` reads as: "喷头 ID", and its state in the display mode.
    QString CellName(std::size_t index) const;
    QString CellDescription(std::size_t index) const;
    // A plain click on the cell (what the accessible press does).
    void PressCell(std::size_t index);

    // The member list may have changed: the scroll range follows it.
    void UpdateScrollRange();

signals:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int ContentHeight() const;

    DebugPanelState& state_;
    QScrollBar* bar_;
    std::vector<DebugMemberView> views_;  // refreshed on every paint
};

}  // namespace velmora
