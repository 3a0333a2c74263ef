#pragma once
// The frame's central view: the transport control at the top left, the
// progress strip beside it, the wave view under the strip, and the timeline
// below them all. The wave view and the timeline's block area line up and
// share the horizontal offset (the playback object's), so a time is at the
// same x in both.
//
// The views repaint from the published state on a timer, at about 30 Hz
// while the show position moves and a few times a second otherwise (only
// when something they draw changed). Nothing here waits for the engine.
//
// Thread contract: UI thread.

#include <cstddef>
#include <cstdint>

#include <QTimer>
#include <QWidget>

#include "ui/DesktopContext.h"

namespace velmora {

class ProgressStrip;
class TimelineArea;
class TransportControl;
class WaveView;

class MainView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFramePeriodMs = 33;
    static constexpr int kIdlePeriodMs = 250;
    static constexpr int kWaveHeight = 80;
    static constexpr int kRightMargin = 20;  // above the timeline's scroll bar

    MainView(DesktopContext& context, QWidget* parent = nullptr);
    ~MainView() override;

    // Where the frame's paste puts the clipboard's earliest block: the
    // timeline's scroll position plus half its visible width, in pixels.
    float PasteX() const;
    // The frame's new-block command, passed to the timeline.
    void SetNewBlockArmed(bool armed);

signals:
    // The timeline's press used the armed new-block command.
    void newBlockUsed();

public:

    TransportControl* transport() const { return transport_; }
    ProgressStrip* strip() const { return strip_; }
    WaveView* wave() const { return wave_; }
    TimelineArea* timeline() const { return timeline_; }
    // Whether the views are refreshed at the frame rate now.
    bool animating() const { return refresh_.interval() == kFramePeriodMs; }

    // One refresh: keeps the offset inside the timeline, follows the
    // playhead and repaints what changed.
    void Refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Seen {
        std::uint32_t entries = 0;
        std::int32_t offset = 0, scale = 0, prepare = 0, running = 0;
        double position = 0.0, length = 0.0, playhead = 0.0;
        bool operator==(const Seen&) const = default;
    };
    Seen Look() const;
    void RepaintAll();

    DesktopContext& context_;
    TransportControl* transport_;
    ProgressStrip* strip_;
    WaveView* wave_;
    TimelineArea* timeline_;
    QTimer refresh_;
    Seen seen_;
    std::size_t showListener_ = 0;
    std::size_t sceneListener_ = 0;
};

}  // namespace velmora
