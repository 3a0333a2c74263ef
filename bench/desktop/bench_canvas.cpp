// The scene canvas on a large installation: 2,500 springs over a 4000 x 3000
// background picture while the engine plays a show of 5,000 blocks. Prints
//  - the time to read the picture at the canvas's size (once per size);
//  - the paint time of the whole canvas in watch, light and edit mode
//    (labels on in edit mode): p50 and p99;
//  - how often the canvas repainted on its own over 3 s with the engine
//    running but nothing playing, and over 3 s while the show plays.
// Runs on the offscreen platform unless a display is given.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>

#include "app/MemoryPolicy.h"
#include "app/Prompter.h"
#include "engine/MusicWav.h"
#include "media/EntryStarter.h"
#include "runtime/Runtime.h"
#include "scene/ui/SceneCanvas.h"
#include "show/ShowFile.h"
#include "ui/DesktopContext.h"

#include "../LargeShow.h"

#include "Spread.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 2);
}

// The show's 1,000 springs, then 1,500 more like them, on a 50-column grid.
void PlaceSprings(Scene& scene) {
    const std::size_t first = scene.springs.size();
    for (std::size_t i = 0; scene.springs.size() < 2500; ++i) {
        CSpring copy = scene.springs[i % first];
        copy.ID = 20000 + static_cast<std::int32_t>(i);
        scene.springs.push_back(copy);
    }
    for (std::size_t i = 0; i < scene.springs.size(); ++i) {
        scene.springs[i].x = static_cast<std::int32_t>(5 + i % 50 * 24);
        scene.springs[i].y = static_cast<std::int32_t>(5 + i / 50 * 15);
        scene.springs[i].ORGANGLEY = static_cast<float>(i % 360);
    }
    scene.Reindex();
}

void WritePicture(const fs::path& path) {
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 4000, 3000);
    gradient.setColorAt(0, QColor(16, 32, 64));
    gradient.setColorAt(1, QColor(32, 48, 16));
    p.fillRect(image.rect(), gradient);
    p.setBrush(QColor(48, 72, 96));
    p.drawEllipse(QPoint(2000, 1500), 1100, 1100);
    p.end();
    image.save(QString::fromStdString(path.string()), "BMP");
}

Spread PaintSpread(SceneCanvas& canvas, int count) {
    std::vector<double> paints;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        canvas.repaint();
        paints.push_back(Ms(t));
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return SpreadOf(paints);
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemoryForReuse();
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    const fs::path root = fs::temp_directory_path() / ("velmora-bench-canvas-" + std::to_string(::getpid()));
    bench::WriteAssets(root);
    fs::create_directories(root / "Model");
    WritePicture(root / "Model" / "background.bmp");
    Show large;
    large.Reset();
    bench::BuildShow(large);
    RecordingPrompter yes(true);
    std::mutex unused;
    const fs::path prog = root / "Program" / "bench.prog";
    bench::WriteFile(prog, "[Main]\nunitMS=1000\nnum=300\npower=64\n");
    fs::path tlf = prog;
    tlf += ".tlf";
    SaveShow(tlf, large, yes, unused);

    {
        Runtime runtime{Workspace(root)};
        runtime.SetSavesListsAtShutdown(false);
        bench::BuildScene(runtime.scene);
        PlaceSprings(runtime.scene);
        runtime.scene.settings.BGBMP = "Model/background.bmp";
        runtime.output.Reallocate(runtime.scene.g_Channels);
        runtime.SetPrompter(yes);
        CMusicWav& wav = *runtime.g_pMusicWav;
        wav.SetPrompter(yes);
        runtime.StartPlayback();

        DesktopContext context{runtime, yes};
        SceneCanvas canvas(context);
        canvas.resize(1280, 800);
        canvas.show();
        // Read now rather than when the size settles, to time it: on a
        // worker, while the UI thread only waits for its result here.
        QElapsedTimer read;
        read.start();
        canvas.ReloadBackground();
        const double startMs = Ms(read);
        while (canvas.background().reading() && read.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        const double readMs = Ms(read);
        Pump(300);
        std::printf("canvas %dx%d, %zu springs, background 4000x3000 read at the canvas size in %.1f ms on a worker"
                    " (UI thread busy %.2f ms to start it; %d read%s)\n",
                    canvas.width(), canvas.height(), runtime.scene.springs.size(), readMs, startMs,
                    canvas.background().reads(), canvas.background().reads() == 1 ? "" : "s");

        canvas.SetMode(SceneDocument::kWatch);
        int before = canvas.paints();
        Pump(3000);
        std::printf("engine running, nothing playing: %d repaints in 3 s\n", canvas.paints() - before);

        wav.StartEntry(prog.string(), 1, ProgramSettings{1000.0, bench::kShowMs, 64.0});
        QTimer clock;
        clock.setTimerType(Qt::PreciseTimer);
        QObject::connect(&clock, &QTimer::timeout, [&] { wav.Tick(); });
        clock.start(static_cast<int>(CMusicWav::kUpdatePeriodMs));
        Pump(1000);
        before = canvas.paints();
        Pump(3000);
        std::printf("show playing: %d repaints in 3 s (the timer's period is %d ms)\n", canvas.paints() - before,
                    SceneCanvas::kRefreshMs);

        for (const auto& [mode, name] : {std::pair{SceneDocument::kWatch, "watch"}, std::pair{SceneDocument::kLight, "light"},
                                         std::pair{SceneDocument::kEdit, "edit"}, std::pair{SceneDocument::kEdit, "edit + labels"}}) {
            canvas.SetMode(mode);
            canvas.SetShowLabels(std::string(name) == "edit + labels");
            const Spread s = PaintSpread(canvas, 300);
            std::printf("  paint in %-13s p50 %.2f ms  p99 %.2f ms  (target p99 <= 8 ms)\n", name, s.p50, s.p99);
        }
        std::printf("background reads in all: %d\n", canvas.background().reads());
        clock.stop();
        runtime.Shutdown();
    }
    fs::remove_all(root);
    return 0;
}
