#pragma once
// The wave strip under the progress strip: the running entry's loudness as
// a line over a time ruler, at the timeline's scale and scroll offset, with
// the playhead and a line of position and engine figures. The picture is
// drawn once per entry, scale, preparation time and multiplier (the curve)
// and once per scroll position or size (the visible part); a frame only
// copies it and draws the playhead and the text. A click seeks to the time
// under the pointer; while the show position moves the view follows the
// playhead.
//
// Thread contract: UI thread. It reads the engine only through its published
// values (the playhead, the snapshot) and never waits for it.

#include <cstdint>
#include <memory>

#include <QPixmap>
#include <QPolygonF>
#include <QWidget>

#include "engine/EngineSnapshot.h"
#include "engine/PlaybackState.h"
#include "ui/DesktopContext.h"

namespace velmora {

class WaveView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShortTick = 10;   // every 250 ms
    static constexpr int kLongTick = 20;    // every second

    explicit WaveView(DesktopContext& context, QWidget* parent = nullptr);

    // One step of following the playhead: when the position moves and the
    // playhead has left the view, scroll so it is half a width from the left
    // edge. True when the offset changed.
    bool Follow();
    // A click at x: seek to the show time under it.
    void SeekAt(double x);
    // The position line: "%d:%d.%0.3d [%f][%d][%0.1f]".
    QString PositionLine() const;
    // How often the curve and the visible picture were drawn (for tests and
    // the performance check: frames must not redraw them).
    int curveBuilds() const { return curveBuilds_; }
    int pictureBuilds() const { return pictureBuilds_; }

signals:
    void sought();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct CurveKey {
        const SpectrumList* records = nullptr;
        std::int32_t scale = 0;
        std::int32_t prepare = 0;
        float multiplier = 0.0f;
        double length = 0.0;
        bool operator==(const CurveKey&) const = default;
    };

    void UpdateCurve();
    void UpdatePicture();
    void DrawRuler(QPainter& p, std::int32_t offset) const;

    DesktopContext& context_;
    std::shared_ptr<const SpectrumList> records_;  // kept while the curve uses them
    CurveKey curveKey_;
    QPolygonF curve_;  // (timeline x, level share 0..1) per record
    QPixmap picture_;  // the visible part at pictureOffset_
    std::int32_t pictureOffset_ = -1;
    bool pictureStale_ = true;
    int curveBuilds_ = 0;
    int pictureBuilds_ = 0;
    mutable EngineSnapshot snapshot_;
};

}  // namespace velmora
