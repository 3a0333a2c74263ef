// The desktop program under load. Prints:
//  - process start (and main()) to the first painted main window, demo workspace;
//  - while the demo plays for BENCH_SECONDS (default 30) with every pane shown:
//    the longest stall of the UI thread (worst lateness of a 10 ms watchdog
//    timer) and the engine's pacing lateness p50/p99/max, beside the same
//    figures of the headless spine (what `velmora-cli play` runs) measured in
//    this run on the same workspace.
// Runs on the offscreen platform unless a display is given. The simulator
// stands in for the controllers on free loopback ports.

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>

#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QTimer>

#include "app/MemoryPolicy.h"
#include "app/Profile.h"
#include "app/Prompter.h"
#include "engine/EngineSnapshot.h"
#include "engine/MusicWav.h"
#include "media/MusicList.h"
#include "runtime/Runtime.h"
#include "ui/DesktopApp.h"
#include "ui/MainFrame.h"
#include "ui/PaneTable.h"

#include "BenchWorkspace.h"
#include "LatenessSampler.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

double MsSinceProcessStart() {
    // Field 22 of /proc/self/stat: start time in clock ticks after boot.
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    unsigned long long start = 0;
    for (int i = 3; i <= 22 && rest >> field; ++i)
        if (i == 22) start = std::stoull(field);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    return nowMs - static_cast<double>(start) * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

Lateness RunHeadless(const fs::path& workspace, int seconds) {
    Runtime runtime{Workspace(workspace)};
    runtime.SetSavesListsAtShutdown(false);
    runtime.Startup();
    runtime.StartPlayback();
    CMusicWav& wav = *runtime.g_pMusicWav;
    if (!runtime.g_pMusicList->m_list.empty()) runtime.g_pMusicList->DoubleClick(0);
    LatenessSampler sampler(runtime);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    auto next = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < end) {
        wav.Tick();
        runtime.DeliverOperatorMessages();
        next += std::chrono::milliseconds(CMusicWav::kUpdatePeriodMs);
        std::this_thread::sleep_until(next);
    }
    const Lateness l = sampler.Stop();
    runtime.Shutdown();
    return l;
}

}  // namespace

int main(int argc, char** argv) {
    const double atMain = MsSinceProcessStart();
    QElapsedTimer sinceMain;
    sinceMain.start();
    KeepFreedMemoryForReuse();
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int seconds = std::getenv("BENCH_SECONDS") ? std::atoi(std::getenv("BENCH_SECONDS")) : 30;
    const fs::path workspace = bench::MakeWorkspace("desktop");
    const pid_t sim = bench::StartSimulator(workspace, 3 * seconds + 30);

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VelmoraBench"));
    QApplication::setApplicationName(QStringLiteral("VelmoraBench"));
    RecordingPrompter yes(true);

    double firstPaintFromStart = -1;
    double firstPaintFromMain = -1;
    struct PaintWatch : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint && onPaint) {
                onPaint();
                onPaint = nullptr;
            }
            return QObject::eventFilter(o, e);
        }
    } watch;
    // The simulator's start is not the program's: measured from main's
    // entry less that wait, and from the process start likewise.
    const double simWait = 500.0;
    watch.onPaint = [&] {
        firstPaintFromMain = static_cast<double>(sinceMain.nsecsElapsed()) / 1e6 - simWait;
        firstPaintFromStart = atMain + firstPaintFromMain;
    };
    app.installEventFilter(&watch);

    DesktopApp desktop(workspace, &yes);
    desktop.Start();
    QElapsedTimer waitPaint;
    waitPaint.start();
    while (firstPaintFromMain < 0 && waitPaint.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    app.removeEventFilter(&watch);

    // Every pane shown (the tabbed ones raised in turn), the first piece playing.
    for (const PaneSpec& spec : kPanes)
        if (QDockWidget* dock = desktop.frame()->Pane(spec.id)) dock->raise();
    Runtime& runtime = desktop.runtime();
    if (!runtime.g_pMusicList->m_list.empty()) runtime.g_pMusicList->DoubleClick(0);

    LatenessSampler sampler(runtime);
    double worstStallMs = 0;
    QElapsedTimer watchdog;
    watchdog.start();
    QTimer dog;
    dog.setTimerType(Qt::PreciseTimer);
    QObject::connect(&dog, &QTimer::timeout, [&] {
        worstStallMs = std::max(worstStallMs, static_cast<double>(watchdog.nsecsElapsed()) / 1e6 - 10.0);
        watchdog.restart();
    });
    dog.start(10);
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    QApplication::exec();
    dog.stop();
    const Lateness desktopLate = sampler.Stop();
    desktop.BeforeClose();
    desktop.Finish();

    const Lateness headless = RunHeadless(workspace, seconds);
    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
    fs::remove_all(workspace);

    std::printf("first painted main window: %.0f ms from process start (%.0f ms from main); target <= 1000 ms\n",
                firstPaintFromStart, firstPaintFromMain);
    std::printf("playing %d s, every pane shown:\n", seconds);
    std::printf("  UI thread: worst stall %.1f ms (10 ms watchdog lateness; target <= 50 ms)\n", worstStallMs);
    std::printf("  engine pacing lateness  desktop: p50 %.3f  p99 %.3f  max %.3f ms  (%zu ticks)\n", desktopLate.p50,
                desktopLate.p99, desktopLate.max, desktopLate.ticks);
    std::printf("                         headless: p50 %.3f  p99 %.3f  max %.3f ms  (%zu ticks)\n", headless.p50,
                headless.p99, headless.max, headless.ticks);
    std::printf("  p99 desktop - headless: %+.3f ms (target <= +0.1 ms)\n", desktopLate.p99 - headless.p99);
    return 0;
}
