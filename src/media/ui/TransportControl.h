#pragma once
// The transport control at the main view's top left (80 x 100): previous,
// play/pause and next; the preparation time with its + and - buttons; and
// the timeline's zoom. A button acts when the mouse is released over the
// button it was pressed on. In program mode previous and next step the
// program-control list, otherwise the music list. The preparation time is a
// scene setting changed through the scene document (undoable); the zoom
// goes through the playback object, which rescales the show through its
// document.
//
// Thread contract: UI thread.

#include <array>
#include <optional>

#include <QFont>
#include <QPixmap>
#include <QWidget>

#include "ui/DesktopContext.h"

namespace velmora {

class TransportControl final : public QWidget {
    Q_OBJECT
public:
    enum Button { kPrevious, kPlayPause, kNext, kPrepareUp, kPrepareDown, kZoomFiner, kZoomCoarser, kButtonCount };

    static constexpr int kWidth = 80;
    static constexpr int kHeight = 100;
    // Where the pause symbol covers the play symbol while the clock runs.
    static constexpr QPoint kPauseAt{28, 2};
    // Where the preparation time is written.
    static constexpr QPoint kPrepareTextAt{7, 43};
    static constexpr int kPrepareTextWidth = 46;  // up to the + button

    explicit TransportControl(DesktopContext& context, QWidget* parent = nullptr);

    // A button's area (left, top, right, bottom exclusive) and its name.
    static QRect ButtonRect(Button button);
    static QString ButtonName(Button button);
    // The button under `point`, or kButtonCount for none.
    static Button ButtonAt(QPoint point);

    // What a click on the button does.
    void Press(Button button);
    // "%dMS" of the preparation time.
    QString PrepareText() const;
    // The show clock runs (the pause symbol is shown).
    bool Running() const;

    QSize sizeHint() const override { return {kWidth, kHeight}; }

signals:
    // A button changed the playback state, the scale or the preparation time.
    void pressed(int button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const QPixmap& Face();
    const QPixmap& PauseSymbol();
    const QFont& PrepareFont();

    DesktopContext& context_;
    QPixmap face_;
    QPixmap pause_;
    std::optional<QFont> prepareFont_;
    Button down_ = kButtonCount;  // the button the mouse went down on
    bool downInside_ = false;     // and whether it is still over it
};

}  // namespace velmora
