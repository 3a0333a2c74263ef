// The main view and the views of the playback clock: where they sit, the
// progress strip's thumb and seek, the wave view's seek, following the
// playhead and its cached picture, the timeline picture of a large show,
// the refresh rate, and what assistive technology reads from them.

#include <chrono>
#include <fstream>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>

#include "engine/PlaybackView.h"
#include "engine/ui/WaveView.h"
#include "media/ui/ProgressStrip.h"
#include "media/ui/TransportControl.h"
#include "show/ui/TimelineArea.h"
#include "ui/MainView.h"
#include "PlaybackFixture.h"
#include "UiTestMain.h"

using namespace velmora;
using testing::PlaybackFixture;

namespace {

constexpr int kViewWidth = 900;
constexpr int kViewHeight = 600;

struct ShownView {
    explicit ShownView(PlaybackFixture& f) : view(*f.context) {
        view.resize(kViewWidth, kViewHeight);
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
    }
    MainView view;
    bool exposed = false;
};

// A show of `count` blocks, 60 pixels long every 100 pixels along each of
// the 200 rows in turn (block i on row i % 200), at the file's scale.
void WriteLargeShow(const std::filesystem::path& path, int count) {
    std::ofstream out(path);
    out << "[TimeLine]\nTimeBlockCount=" << count << "\n";
    for (int i = 0; i < count; ++i) {
        const int start = (i / 200) * 100 + 10;
        out << "TB" << i << "_cannel=" << i % 200 << "\nTB" << i << "_start=" << start << "\nTB" << i
            << "_end=" << start + 60 << "\n";
    }
}

}  // namespace

class PlaybackViewsTest : public QObject {
    Q_OBJECT

private slots:
    void theFourViewsSitWhereTheTimelineLinesUp() {
        PlaybackFixture f;
        ShownView shown(f);
        QVERIFY(shown.exposed);
        MainView& view = shown.view;
        QCOMPARE(view.transport()->geometry(), QRect(0, 0, 80, 100));
        QCOMPARE(view.strip()->geometry(), QRect(80, 0, kViewWidth - 100, 20));
        QCOMPARE(view.wave()->geometry(), QRect(80, 20, kViewWidth - 100, 80));
        QCOMPARE(view.timeline()->geometry(), QRect(0, 100, kViewWidth, kViewHeight - 100));
        // The wave view and the block area start at the same x and are as wide.
        QCOMPARE(view.timeline()->visibleWidth(), view.wave()->width());
        QCOMPARE(view.timeline()->mapTo(&view, QPoint(TimelineArea::kNameColumn, 0)).x(), view.wave()->x());

        f.wav().m_nScrollOffset = 300;
        QCOMPARE(view.PasteX(), 300.0f + (kViewWidth - 100) / 2.0f);
    }

    void stripThumbStaysInsideAndDraggingItScrollsTheTimeline() {
        PlaybackFixture f;
        ShownView shown(f);
        ProgressStrip& strip = *shown.view.strip();
        const int w = strip.width();
        f.wav().state().m_dLength.store(50.0 * w * 4);  // four strip widths at 50 ms a pixel
        // An offset past the end is pulled back on the next refresh.
        f.wav().m_nScrollOffset = 10 * w;
        shown.view.Refresh();
        QCOMPARE(f.wav().m_nScrollOffset, 3 * w);
        QCOMPARE(strip.ThumbRect().right(), static_cast<double>(w));
        QCOMPARE(strip.ThumbRect().width(), w / 4.0);

        // Drag the thumb from the end back by 40 pixels: the timeline moves 4 × 40.
        const QPoint grab = strip.ThumbRect().center().toPoint();
        QTest::mousePress(&strip, Qt::LeftButton, Qt::NoModifier, grab);
        QVERIFY(strip.dragging());
        QTest::mouseMove(&strip, grab - QPoint(40, 0));
        QCOMPARE(f.wav().m_nScrollOffset, 3 * w - 4 * 40);
        // Dragged past the start it stops there.
        QTest::mouseMove(&strip, QPoint(-50, grab.y()));
        QCOMPARE(f.wav().m_nScrollOffset, 0);
        QTest::mouseRelease(&strip, Qt::LeftButton, Qt::NoModifier, QPoint(-50, grab.y()));
        QVERIFY(!strip.dragging());
        // A drag does not seek.
        QCOMPARE(f.wav().state().m_dPlayPos.load(), 0.0);
    }

    void stripClickSeeksTheProgramClockAndKeepsTheMusicsPlayState() {
        PlaybackFixture f;
        ShownView shown(f);
        ProgressStrip& strip = *shown.view.strip();
        QVERIFY(f.StartProgram());
        f.wav().PlayPause();  // hold the clock so the position can be read back
        QVERIFY(f.wav().SetScale(10));  // the 30 s program is wider than the strip now
        f.runtime->scene.settings.g_nPrepareTime = 1000;
        shown.view.Refresh();
        const QRectF thumb = strip.ThumbRect();
        QVERIFY(thumb.right() < strip.width() - 10);  // room to click beside it
        const int x = static_cast<int>(thumb.right() + strip.width()) / 2;
        QTest::mouseClick(&strip, Qt::LeftButton, Qt::NoModifier, QPoint(x, 10));
        QVERIFY(!strip.dragging());
        // x / w of the length in show time; the program clock runs the preparation behind it.
        const double length = f.wav().state().m_dLength.load();
        QVERIFY(std::abs(f.wav().m_nClockAccum - (x * length / strip.width() - 1000.0)) <= 1.0);

        // Music: a click while it plays goes on playing there; paused, it stays paused.
        QVERIFY(f.StartMusic());
        f.runtime->scene.settings.g_nPrepareTime = 0;
        strip.SeekAt(strip.width() * 0.75);
        QCOMPARE(f.wav().PlayerMode(), std::string(CMusicWav::kPlayingMode));
        f.wav().PlayPause();
        strip.SeekAt(strip.width() * 0.5);
        QVERIFY(f.wav().PlayerMode() != CMusicWav::kPlayingMode);
        f.wav().Tick();
        const double music = f.wav().state().m_dLength.load();
        QVERIFY(std::abs(f.wav().state().m_dPlayPos.load() - music * 0.5) < 100.0);
    }

    void waveClickSeeksToTheTimeUnderThePointer() {
        PlaybackFixture f;
        ShownView shown(f);
        WaveView& wave = *shown.view.wave();
        QVERIFY(f.StartProgram());
        f.wav().PlayPause();
        QVERIFY(f.wav().SetScale(25));
        f.runtime->scene.settings.g_nPrepareTime = 500;
        f.wav().m_nScrollOffset = 120;
        QTest::mouseClick(&wave, Qt::LeftButton, Qt::NoModifier, QPoint(200, 40));
        // Show time (200 + 120) × 25 ms; the program clock runs 500 ms behind it.
        QCOMPARE(f.wav().m_nClockAccum, (200 + 120) * 25 - 500);
        f.wav().Tick();
        QCOMPARE(f.wav().state().m_dPlayPos.load(), (200.0 + 120.0) * 25.0);
    }

    void waveFollowsThePlayheadOnlyWhileThePositionMoves() {
        PlaybackFixture f;
        ShownView shown(f);
        MainView& view = shown.view;
        const int w = view.wave()->width();
        QVERIFY(f.StartProgram());
        QVERIFY(f.wav().Advancing());
        QVERIFY(f.wav().SetScale(10));  // the 30 s program is several views wide now
        const double content = TimelineWidth(f.wav().state().m_dLength.load(), f.runtime->show.m_nScale);
        QVERIFY(content > 3 * w);

        f.runtime->g_dPlayheadUnits.store(w - 10.0);  // still in view
        view.Refresh();
        QCOMPARE(f.wav().m_nScrollOffset, 0);
        f.runtime->g_dPlayheadUnits.store(w + 30.0);  // left the view: half a width from the left edge
        view.Refresh();
        QCOMPARE(f.wav().m_nScrollOffset, static_cast<int>(w + 30.0 - w / 2.0));
        f.runtime->g_dPlayheadUnits.store(content + 500.0);  // never beyond the end
        view.Refresh();
        QCOMPARE(f.wav().m_nScrollOffset, static_cast<int>(content - w));

        // While the thumb is held, the operator's scrolling wins.
        ProgressStrip& strip = *view.strip();
        f.wav().m_nScrollOffset = 0;
        QTest::mousePress(&strip, Qt::LeftButton, Qt::NoModifier, strip.ThumbRect().center().toPoint());
        view.Refresh();
        QCOMPARE(f.wav().m_nScrollOffset, 0);
        QTest::mouseRelease(&strip, Qt::LeftButton, Qt::NoModifier, strip.ThumbRect().center().toPoint());

        // Stopped, the view stays where the operator put it.
        f.wav().PlayPause();
        QVERIFY(!f.wav().Advancing());
        view.Refresh();
        QCOMPARE(f.wav().m_nScrollOffset, 0);
    }

    void refreshRunsAtTheFrameRateOnlyWhileThePositionMoves() {
        PlaybackFixture f;
        ShownView shown(f);
        MainView& view = shown.view;
        view.Refresh();
        QVERIFY(!view.animating());
        QVERIFY(f.StartProgram());
        view.Refresh();
        QVERIFY(view.animating());
        f.wav().PlayPause();
        view.Refresh();
        QVERIFY(!view.animating());
    }

    void wavePictureIsDrawnOncePerChangeNotPerFrame() {
        PlaybackFixture f;
        ShownView shown(f);
        WaveView& wave = *shown.view.wave();
        QVERIFY(f.StartProgram());
        wave.repaint();
        const int curves = wave.curveBuilds();
        const int pictures = wave.pictureBuilds();
        QVERIFY(curves > 0);
        for (int i = 0; i < 5; ++i) {
            f.runtime->g_dPlayheadUnits.store(10.0 * i);  // frames move only the playhead
            wave.repaint();
        }
        QCOMPARE(wave.curveBuilds(), curves);
        QCOMPARE(wave.pictureBuilds(), pictures);

        f.wav().m_nScrollOffset = 40;  // scrolling redraws the visible part only
        wave.repaint();
        QCOMPARE(wave.curveBuilds(), curves);
        QCOMPARE(wave.pictureBuilds(), pictures + 1);
        QVERIFY(f.wav().SetScale(25));  // a new scale redraws the curve
        wave.repaint();
        QCOMPARE(wave.curveBuilds(), curves + 1);
        f.runtime->scene.settings.g_nPrepareTime += 100;  // so does a new preparation time
        wave.repaint();
        QCOMPARE(wave.curveBuilds(), curves + 2);
    }

    void wavePictureShowsTheLevelsAndThePlayhead() {
        PlaybackFixture f;
        ShownView shown(f);
        WaveView& wave = *shown.view.wave();
        QVERIFY(f.StartProgram());  // level records of the program's power
        f.wav().PlayPause();
        f.runtime->g_dPlayheadUnits.store(100.0);
        wave.repaint();
        const QImage image = wave.grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        QCOMPARE(QColor(image.pixel(QPoint(100, 40) * ratio)), QColor(255, 0, 0));  // the playhead
        // The level line: min(128, 2 × level × multiplier) / 128 of the height, from the bottom.
        const double level = std::min(128.0, 2.0 * (*f.wav().state().Records())[0].level *
                                                 f.runtime->show.g_fMusicMultiplier);
        const int y = static_cast<int>(wave.height() - level / 128.0 * wave.height());
        int teal = 0;
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor c(image.pixel(QPoint(300, std::clamp(y + dy, 0, wave.height() - 1)) * ratio));
            if (c.green() > 90 && c.red() < 90) ++teal;
        }
        QVERIFY(teal > 0);
    }

    void assistiveTechnologyReadsAndSetsThePosition() {
        PlaybackFixture f;
        ShownView shown(f);
        QVERIFY(f.StartProgram());
        f.wav().PlayPause();
        f.runtime->scene.settings.g_nPrepareTime = 0;
        f.wav().SeekToShowTime(65023);
        f.wav().Tick();

        QAccessibleInterface* wave = QAccessible::queryAccessibleInterface(shown.view.wave());
        QCOMPARE(wave->text(QAccessible::Name), QStringLiteral("波形"));
        QVERIFY(wave->text(QAccessible::Value).startsWith(QStringLiteral("1:5.023 [")));
        QCOMPARE(wave->text(QAccessible::Value), shown.view.wave()->PositionLine());

        QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(shown.view.strip());
        QCOMPARE(strip->role(), QAccessible::Slider);
        QCOMPARE(strip->text(QAccessible::Name), QStringLiteral("播放进度"));
        QAccessibleValueInterface* value = strip->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->currentValue().toDouble(), 65023.0);
        QCOMPARE(value->maximumValue().toDouble(), f.wav().state().m_dLength.load());
        value->setCurrentValue(30000.0);
        f.wav().Tick();
        QVERIFY(std::abs(f.wav().state().m_dPlayPos.load() - 30000.0) <= 100.0);

        QAccessibleInterface* timeline = QAccessible::queryAccessibleInterface(shown.view.timeline());
        const int rows = static_cast<int>(f.runtime->show.layers.size());
        const int parts = rows + static_cast<int>(f.runtime->show.blocks.size());
        QCOMPARE(timeline->childCount(), parts + 1);  // the rows, the blocks, then the scroll bar
        QCOMPARE(timeline->child(0)->role(), QAccessible::ListItem);
        QCOMPARE(timeline->child(0)->text(QAccessible::Name), QString::fromStdString(f.runtime->show.layers[0].name));
        QAccessibleInterface* bar = timeline->child(parts);
        QCOMPARE(bar->role(), QAccessible::ScrollBar);
        QCOMPARE(timeline->indexOfChild(bar), parts);
        QCOMPARE(timeline->indexOfChild(timeline->child(3)), 3);
    }

    void timelineDrawsOnlyTheBlocksInViewOfALargeShow() {
        PlaybackFixture f;
        constexpr int kBlocks = 5000;
        const auto path = f.ws.path() / "large.tlf";
        WriteLargeShow(path, kBlocks);
        QVERIFY(f.runtime->LoadShowFile(path));
        QCOMPARE(f.runtime->show.blocks.size(), std::size_t{kBlocks});
        ShownView shown(f);
        TimelineArea& timeline = *shown.view.timeline();

        // The rows in view and, on each, the blocks meeting the visible span.
        auto expected = [&](int offset) {
            const int firstRow = timeline.verticalBar()->value() / TimelineArea::kRowHeight;
            const int lastRow = (timeline.verticalBar()->value() + timeline.height()) / TimelineArea::kRowHeight;
            int count = 0;
            for (int i = 0; i < kBlocks; ++i) {
                const int row = i % 200, start = (i / 200) * 100 + 10;
                if (row < firstRow || row > lastRow) continue;
                if (start + 60 >= offset && start <= offset + timeline.visibleWidth()) ++count;
            }
            return count;
        };
        QElapsedTimer clock;
        clock.start();
        timeline.repaint();
        const qint64 firstPaint = clock.elapsed();
        QCOMPARE(timeline.blocksDrawn(), expected(0));
        QVERIFY(timeline.blocksDrawn() < kBlocks / 10);

        f.wav().m_nScrollOffset = 1200;
        timeline.verticalBar()->setValue(40 * TimelineArea::kRowHeight);
        clock.restart();
        for (int i = 0; i < 10; ++i) timeline.repaint();
        QCOMPARE(timeline.blocksDrawn(), expected(1200));
        // Ten frames in well under the 50 ms a stall would be (debug and sanitizer builds included).
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(firstPaint < 500, qPrintable(QString::number(firstPaint)));

        // The wheel scrolls the rows 30 pixels a notch.
        const int before = timeline.verticalBar()->value();
        QWheelEvent wheel(QPointF(200, 100), timeline.mapToGlobal(QPointF(200, 100)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&timeline, &wheel);
        QCOMPARE(timeline.verticalBar()->value(), before + TimelineArea::kWheelStep);
    }
};

VELMORA_UI_TEST_MAIN(PlaybackViewsTest)
#include "PlaybackViewsTest.moc"
