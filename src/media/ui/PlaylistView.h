#pragma once
// The custom-painted playlist both list panes show: 23-pixel rows with an
// 18-pixel bar each, a dot on the entry last started, the name at x = 12,
// a vertical scroll bar in the rightmost 20 pixels. Clicks select (Ctrl
// toggles), a drag moves the pressed entry one place at a time, a
// double-click starts it; all of it through the list's own logic
// (PlaylistSource). Entries whose file cannot be found are drawn greyed with
// a note.
//
// Thread contract: UI thread.

#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QFont>
#include <QTimer>
#include <QWidget>

#include "media/ui/PlaylistSource.h"

class QScrollBar;

namespace velmora {

struct PlaylistColours {
    QColor background;
    QColor selected;
    QColor other;
};

inline constexpr int kPlaylistBarHeight = 18;
inline constexpr int kPlaylistScrollBarWidth = 20;
inline constexpr int kPlaylistLineStep = 10;
inline constexpr int kPlaylistWheelStep = 30;
inline constexpr int kPlaylistNameX = 12;
// How often the view looks for changes made elsewhere (a transport step,
// the end of an entry); it repaints only when there was one.
inline constexpr int kPlaylistPollMs = 70;
inline constexpr const char* kMissingFileNote = "（文件不存在）";

class PlaylistView;

// The painted rows; its accessible interface is the list of rows.
class PlaylistCanvas final : public QWidget {
    Q_OBJECT
public:
    explicit PlaylistCanvas(PlaylistView& view);

    PlaylistView& view() const { return view_; }
    // The row whose bar holds content y, -1 for the gaps and beyond the list.
    int RowAt(int contentY) const;
    // The row's bar in canvas coordinates (may lie outside the visible part).
    QRect BarRect(int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    PlaylistView& view_;
};

class PlaylistView final : public QWidget {
    Q_OBJECT
public:
    // `name` is the list's accessible name (the pane's title).
    PlaylistView(std::unique_ptr<PlaylistSource> source, PlaylistColours colours, const QString& name,
                 QWidget* parent = nullptr);
    ~PlaylistView() override;

    PlaylistSource& source() const { return *source_; }
    const PlaylistColours& colours() const { return colours_; }
    PlaylistCanvas* canvas() const { return canvas_; }
    QScrollBar* scrollBar() const { return scrollBar_; }
    int scrollPosition() const;
    // The row the keyboard works on (the last one pressed), -1 when none.
    int focusRow() const { return focusRow_; }

    // Whether the row's file could not be found (checked once per path).
    bool Missing(int row);

    // Selects the row alone, as a click on it does.
    void SelectRow(int row);
    // Makes the row the keyboard's, without selecting it.
    void FocusRow(int row);
    // Starts the row, as a double-click on it does.
    void ActivateRow(int row);

    // The list changed here (entries added or removed): scroll range again,
    // back to the top when asked, repaint.
    void ListChanged(bool toTop);
    // Looks for a change made elsewhere and repaints when there was one.
    void Poll();

signals:
    // A click changed the selection (the panes' enable rules follow it).
    void selectionChanged();
    // A drag that moved entries ended.
    void reordered();
    // An entry was started from the list.
    void activated(int row);
    void deleteRequested();
    void addRequested();
    void menuRequested(const QPoint& globalPos);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class PlaylistCanvas;

    void UpdateScrollRange(bool toTop);
    void Scroll(int pixels);
    void Press(int contentY, bool ctrl);
    void Moved(int contentY);
    void EndDrag();
    void MoveFocus(int step);

    std::unique_ptr<PlaylistSource> source_;
    PlaylistColours colours_;
    PlaylistCanvas* canvas_;
    QScrollBar* scrollBar_;
    QTimer poll_;
    QFont font_;
    int lastCount_ = -1;
    int lastCurrent_ = -2;
    int focusRow_ = -1;
    bool dragging_ = false;
    bool dragMoved_ = false;
    // Paths already looked for, by row, and whether each was missing.
    std::vector<std::string> checkedPaths_;
    std::vector<char> missing_;
};

}  // namespace velmora
