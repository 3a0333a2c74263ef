#pragma once
// The progress strip beside the transport control (20 pixels high): the
// whole entry from end to end, the part of the timeline in view as a thumb,
// and the play position as a green mark. Dragging the thumb scrolls the
// timeline; a click elsewhere seeks there, keeping the play state.
//
// Thread contract: UI thread.

#include <QWidget>

#include "engine/PlaybackView.h"
#include "ui/DesktopContext.h"

namespace velmora {

class ProgressStrip final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 20;
    static constexpr int kMarkWidth = 5;
    static constexpr int kThumbTop = 2;

    explicit ProgressStrip(DesktopContext& context, QWidget* parent = nullptr);

    // The thumb for the present offset, scale, entry length and width.
    StripThumb Thumb() const;
    QRectF ThumbRect() const;
    // The play position's mark, its left edge in strip pixels.
    double MarkX() const;
    // A click at strip x: seek to the show time there.
    void SeekAt(double x);
    bool dragging() const { return dragging_; }

    // The entry's length and position, ms (the accessible value).
    double LengthMs() const;
    double PositionMs() const;

signals:
    // The thumb moved the timeline's horizontal offset.
    void scrolled();
    // A click moved the play position.
    void sought();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    DesktopContext& context_;
    bool dragging_ = false;
    double grab_ = 0.0;  // the pointer's distance from the thumb's left edge
};

}  // namespace velmora
