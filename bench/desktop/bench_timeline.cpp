// The timeline on a large show: 200 layers and 5,000 blocks. Prints
//  - the paint time of the visible timeline at each zoom (50, 25, 10 ms per
//    pixel) while it scrolls through the show: p50 and p99;
//  - dragging 500 selected blocks at 60 mouse events a second while the
//    engine plays the show: the time from the mouse event to the repainted
//    frame (p50, p99), and the engine's pacing lateness p99 beside the same
//    figure with the timeline idle.
// Runs on the offscreen platform unless a display is given.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include "app/MemoryPolicy.h"
#include "app/Prompter.h"
#include "engine/MusicWav.h"
#include "media/EntryStarter.h"
#include "runtime/Runtime.h"
#include "show/ShowFile.h"
#include "show/ui/TimelineArea.h"
#include "ui/DesktopContext.h"

#include "../LargeShow.h"
#include "LatenessSampler.h"

#include "Spread.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

void SendMouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

// Runs the event loop for `ms`, so the playback clock's timer keeps ticking.
void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 2);
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemoryForReuse();
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    // The large show as a program-control entry, so the engine plays it on
    // its own clock without music.
    const fs::path root = fs::temp_directory_path() / ("velmora-bench-timeline-" + std::to_string(::getpid()));
    bench::WriteAssets(root);
    Show large;
    large.Reset();
    bench::BuildShow(large);
    // Every row of the timeline in use: 200 layers, the unbound ones empty.
    if (large.layers.size() < 200) large.layers.resize(200);
    RecordingPrompter yes(true);
    std::mutex unused;
    const fs::path prog = root / "Program" / "bench.prog";
    bench::WriteFile(prog, "[Main]\nunitMS=1000\nnum=300\npower=64\n");
    fs::path tlf = prog;
    tlf += ".tlf";
    SaveShow(tlf, large, yes, unused);

    int result = 0;
    {
        Runtime runtime{Workspace(root)};
        runtime.SetSavesListsAtShutdown(false);
        bench::BuildScene(runtime.scene);
        runtime.output.Reallocate(runtime.scene.g_Channels);
        runtime.SetPrompter(yes);
        CMusicWav& wav = *runtime.g_pMusicWav;
        wav.SetPrompter(yes);
        runtime.StartPlayback();
        wav.StartEntry(prog.string(), 1, ProgramSettings{1000.0, bench::kShowMs, 64.0});
        QTimer clock;
        clock.setTimerType(Qt::PreciseTimer);
        QObject::connect(&clock, &QTimer::timeout, [&] { wav.Tick(); });
        clock.start(static_cast<int>(CMusicWav::kUpdatePeriodMs));

        DesktopContext context{runtime, yes};
        TimelineArea area(context);
        area.resize(1200, 700);
        area.show();
        area.ShowChanged();
        Pump(200);

        std::printf("timeline: %zu layers, %zu blocks; view %dx%d\n", runtime.show.layers.size(),
                    runtime.show.blocks.size(), area.width(), area.height());
        for (const int scale : {50, 25, 10}) {
            runtime.showDocument().SetScale(scale);
            area.ShowChanged();
            float end = 0;
            for (const TimeBlock& b : runtime.show.blocks) end = std::max(end, b.end);
            const int span = std::max(1, static_cast<int>(end) - area.visibleWidth());
            std::vector<double> paints;
            for (int i = 0; i < 300; ++i) {
                wav.m_nScrollOffset = static_cast<std::int32_t>((static_cast<long long>(i) * 7919) % span);
                area.verticalBar()->setValue((i * 37) % (area.verticalBar()->maximum() + 1));
                QElapsedTimer t;
                t.start();
                area.repaint();
                paints.push_back(Ms(t));
            }
            const Spread s = SpreadOf(paints);
            std::printf("  paint at scale %2d: p50 %.2f ms  p99 %.2f ms  (%d blocks drawn last; target p99 <= 8 ms)\n",
                        scale, s.p50, s.p99, area.blocksDrawn());
        }
        runtime.showDocument().SetScale(50);
        wav.m_nScrollOffset = 0;
        area.verticalBar()->setValue(0);
        area.ShowChanged();

        // The engine idle beside the timeline.
        LatenessSampler idleSampler(runtime);
        Pump(5000);
        const Lateness idle = idleSampler.Stop();

        // 500 selected blocks, one of them under the mouse.
        ShowDocument& doc = runtime.showDocument();
        std::vector<std::size_t> chosen;
        std::size_t grab = runtime.show.blocks.size();
        for (std::size_t i = 0; i < runtime.show.blocks.size(); ++i) {
            const QRectF r = area.BlockRect(i);
            if (grab == runtime.show.blocks.size() && r.left() > 100 && r.width() > 40 && r.bottom() < area.height())
                grab = i;
        }
        if (grab == runtime.show.blocks.size()) {
            std::fprintf(stderr, "no block in view to grab\n");
            result = 1;
        } else {
            chosen.push_back(grab);
            for (std::size_t i = 0; chosen.size() < 500 && i < runtime.show.blocks.size(); i += 7)
                if (i != grab) chosen.push_back(i);
            doc.SetSelection(chosen);
            QPointF at = area.BlockRect(grab).center();
            SendMouse(area, QEvent::MouseButtonPress, at, Qt::LeftButton);
            LatenessSampler dragSampler(runtime);
            std::vector<double> frames;
            for (int i = 0; i < 600; ++i) {
                at.rx() += (i / 100) % 2 == 0 ? 1.0 : -1.0;
                QElapsedTimer t;
                t.start();
                SendMouse(area, QEvent::MouseMove, at, Qt::LeftButton);
                area.repaint();
                frames.push_back(Ms(t));
                Pump(16);
            }
            SendMouse(area, QEvent::MouseButtonRelease, at, Qt::NoButton);
            const Lateness dragging = dragSampler.Stop();
            const Spread f = SpreadOf(frames);
            std::printf("drag of 500 selected blocks, 600 mouse moves at ~60/s, engine playing the show:\n");
            std::printf("  mouse event to repainted frame: p50 %.2f ms  p99 %.2f ms  (target p99 <= 16 ms)\n", f.p50,
                        f.p99);
            std::printf("  engine pacing lateness p99: %.3f ms while dragging, %.3f ms with the timeline idle"
                        " (%zu and %zu ticks)\n",
                        dragging.p99, idle.p99, dragging.ticks, idle.ticks);
            std::printf("  undo steps for the whole drag: %s\n", doc.CanUndo() ? doc.UndoText().c_str() : "-");
        }
        clock.stop();
        runtime.Shutdown();
    }
    fs::remove_all(root);
    return result;
}
