#pragma once
// The hand panel "手操面板": a 28-pixel tool bar with "监视" (watch) and
// "手操" (hand), and below it one 60 x 60 button per group of the scene,
// drawn on a grey ground with a 20-pixel scroll bar at the right. A left
// click on a live button toggles its group by hand, a right click opens the
// group's debug panel (through the hook the frame gives). Buttons that
// cannot act in the current mode carry a lock; a standing request that a
// down channel keeps from its controllers carries a red corner, "未送达".
//
// It sets requests only through HandPanel and draws what the engine last
// published (Runtime::ReadEngineSnapshot) and the senders' link states,
// never under g_csOutput. A 70 ms timer reads and repaints while the pane
// is visible.
//
// Thread contract: UI thread.

#include <cstdint>
#include <functional>
#include <vector>

#include <QFont>
#include <QWidget>

#include "engine/EngineSnapshot.h"
#include "manual/HandPanel.h"
#include "ui/DesktopContext.h"

class QAction;
class QScrollBar;
class QTimer;
class QToolBar;

namespace velmora {

inline constexpr int kHandRepaintMs = 70;
inline constexpr int kHandLineStep = 10;
inline constexpr int kHandWheelStep = 30;  // pixels per notch
inline constexpr const char* kWatchText = "监视";
inline constexpr const char* kHandText = "手操";
inline constexpr const char* kUndeliveredText = "未送达";

class HandPanelPane;

// The painted buttons; its accessible interface is the buttons.
class HandPanelCanvas final : public QWidget {
    Q_OBJECT
public:
    explicit HandPanelCanvas(HandPanelPane& pane);
    HandPanelPane& pane() const { return pane_; }
    // Cell `index` (scene order) in canvas coordinates; empty when the pane
    // is too narrow to draw it.
    QRect CellRect(int index) const;
    // The live cell under `pos`, or -1 (the hit rectangles of the last layout).
    int HitCell(const QPoint& pos) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    HandPanelPane& pane_;
};

class HandPanelPane final : public QWidget {
    Q_OBJECT
public:
    // Opens the group debug panel for a group, modal over `parent`.
    using GroupDebugHook = std::function<void(QWidget* parent, std::int32_t groupId)>;

    HandPanelPane(DesktopContext& context, const QString& title, GroupDebugHook openGroupDebug = {},
                  QWidget* parent = nullptr);

    HandPanel& panel() { return panel_; }
    const HandPanel& panel() const { return panel_; }
    HandPanelCanvas* canvas() const { return canvas_; }
    QToolBar* toolBar() const { return toolBar_; }
    QAction* watchCommand() const { return watch_; }
    QAction* handCommand() const { return hand_; }
    QScrollBar* verticalBar() const { return vertical_; }
    QTimer* repaintTimer() const { return timer_; }
    const QFont& nameFont() const { return font_; }
    int scrollY() const;

    // The cells as last read, and where they go in the content.
    const std::vector<HandCellView>& cells() const { return cells_; }
    const std::vector<HandCellPlace>& places() const { return places_; }
    // The pane's width as the layout rule sees it: the canvas plus the bar.
    int LayoutWidth() const;

    // Reads the engine's snapshot and the links again and repaints (what
    // each timer tick does).
    void Refresh();
    // The tool bar's command: 0 watch, 1 hand.
    void SetMode(int index);
    // A left click on cell `index`: toggles its group when live.
    bool ToggleCell(int index);
    // A right click on cell `index`: the group's debug panel, when live.
    void OpenGroupDebug(int index);

    // The cell the keyboard acts on (-1: none yet); setting it scrolls it into view.
    int currentCell() const { return current_; }
    void SetCurrentCell(int index);

    // What a cell reads as: the group's name; "开"/"关", then "锁定" and "未送达" where true.
    QString CellName(int index) const;
    QString CellDescription(int index) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class HandPanelCanvas;
    void UpdateLayout();

    DesktopContext& context_;
    HandPanel panel_;
    GroupDebugHook openGroupDebug_;
    QToolBar* toolBar_;
    QAction* watch_;
    QAction* hand_;
    HandPanelCanvas* canvas_;
    QScrollBar* vertical_;
    QTimer* timer_;
    QFont font_;
    EngineSnapshot snapshot_;
    bool haveSnapshot_ = false;
    std::vector<HandCellView> cells_;
    std::vector<HandCellPlace> places_;
    int current_ = -1;
};

}  // namespace velmora
