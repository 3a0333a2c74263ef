#pragma once
// The channel monitor "通道监视": all 100 channels, one 20-pixel row each
// (channel n at y = 20(n - 1) of a 2000-pixel list), with "[n]IP" at x = 0,
// the sender's status line at x = 120, and after it the link's figures from
// the channel's health record: link state, requests sent / replies
// received, failed exchanges, reconnects, round trip now and p99, time since
// the last good reply, last error. Rows of faulty links are tinted, red
// when down, orange when the controller refuses, yellow when it is slow;
// "故障通道优先" (toolbar and context menu) puts them first. Assistive
// technology reads the rows as a table (ChannelMonitorAccessible).
//
// It only reads: the channel table (edited on this thread only) and each
// sender's thread-safe status and health copies, never g_csOutput. A 70 ms
// timer reads and repaints while the pane is visible and stops when it is not.
//
// Thread contract: UI thread.

#include <array>
#include <string>
#include <vector>

#include <QFont>
#include <QPixmap>
#include <QWidget>

#include "comm/ui/ChannelMonitorRows.h"
#include "ui/DesktopContext.h"

class QAction;
class QScrollBar;
class QTimer;
class QToolBar;

namespace velmora {

inline constexpr int kMonitorRowHeight = 20;
inline constexpr int kMonitorListHeight = 2000;  // 100 rows
inline constexpr int kMonitorScrollBarWidth = 20;
inline constexpr int kMonitorLineStep = 10;
inline constexpr int kMonitorStatusX = 120;
inline constexpr int kMonitorRepaintMs = 70;
inline constexpr const char* kFaultsFirstText = "故障通道优先";

class ChannelMonitorPane;

// Where each link column starts on the list, and how wide the list is.
int MonitorColumnX(int column);
int MonitorContentWidth();
// Where drawn column `column` (0 = "[n]IP", 1 = status line, then the link
// columns) starts on the list and how wide it is, before sideways scrolling.
int MonitorTableColumnX(int column);
int MonitorTableColumnWidth(int column);

// The painted rows; its accessible interface is the rows.
class ChannelMonitorCanvas final : public QWidget {
    Q_OBJECT
public:
    explicit ChannelMonitorCanvas(ChannelMonitorPane& pane);
    ChannelMonitorPane& pane() const { return pane_; }
    // Row `index` (in display order) in canvas coordinates.
    QRect RowRect(int index) const;
    // Drawn column `column` of that row, in canvas coordinates.
    QRect CellRect(int index, int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // A drawn row kept as a picture: most rows read the same from one
    // update to the next (a hundred channels, a handful in use), and laying
    // out a thousand cells of text each time would cost the UI thread
    // several milliseconds. A row is drawn again only when a text or its
    // tint changed.
    struct DrawnRow {
        std::array<std::string, kMonitorTableColumns> texts;
        MonitorFault fault = MonitorFault::None;
        QPixmap picture;
    };
    const QPixmap& RowPicture(std::size_t index, const MonitorRow& row, std::int64_t nowUnixMs);

    ChannelMonitorPane& pane_;
    std::vector<DrawnRow> drawn_;
};

// The column titles above the link figures, moving with the list sideways.
class ChannelMonitorHeader final : public QWidget {
    Q_OBJECT
public:
    explicit ChannelMonitorHeader(ChannelMonitorPane& pane);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ChannelMonitorPane& pane_;
};

class ChannelMonitorPane final : public QWidget {
    Q_OBJECT
public:
    ChannelMonitorPane(DesktopContext& context, const QString& title, QWidget* parent = nullptr);

    ChannelMonitorCanvas* canvas() const { return canvas_; }
    QScrollBar* verticalBar() const { return vertical_; }
    QScrollBar* horizontalBar() const { return horizontal_; }
    QTimer* repaintTimer() const { return timer_; }
    QAction* faultsFirstCommand() const { return faultsFirst_; }
    QToolBar* toolBar() const { return toolBar_; }
    const QFont& listFont() const { return font_; }
    QWidget* header() const { return header_; }
    int scrollX() const;
    int scrollY() const;

    // The rows as last read, in display order.
    const std::vector<MonitorRow>& rows() const { return rows_; }
    bool faultsFirst() const { return faultsFirstOn_; }
    // Reads every channel again and repaints (what each timer tick does).
    void Refresh();

    // A row's link figures in one line, for assistive technology.
    QString RowSummary(int index) const;
    // The text drawn in a row's column (see MonitorRowTexts).
    QString CellText(int index, int column) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class ChannelMonitorCanvas;
    void UpdateScrollRanges();
    void SetFaultsFirst(bool on);

    DesktopContext& context_;
    QToolBar* toolBar_;
    QAction* faultsFirst_;
    ChannelMonitorHeader* header_;
    ChannelMonitorCanvas* canvas_;
    QScrollBar* vertical_;
    QScrollBar* horizontal_;
    QTimer* timer_;
    QFont font_;
    std::vector<MonitorRow> rows_;
    bool faultsFirstOn_ = false;
};

}  // namespace velmora
