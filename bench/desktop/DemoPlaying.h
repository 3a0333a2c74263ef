#pragma once
// The demo show playing against the simulator as the desktop plays it: the
// runtime started with its senders and engine, the desktop's update timer
// driving the playback clock and messages, and the first piece of the music
// list started. For the benchmarks that measure the engine beside a view.

#include <signal.h>
#include <sys/wait.h>

#include <cstdio>

#include <QCoreApplication>
#include <QTimer>

#include "engine/MusicWav.h"
#include "media/MusicList.h"
#include "runtime/Runtime.h"

namespace velmora::bench {

// Runs the event loop for `seconds`.
inline void RunFor(int seconds) {
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

// Starts `runtime` playing with `update` as its update timer; false (told
// on stderr, the simulator `sim` ended) when it does not start.
inline bool StartDemoPlaying(Runtime& runtime, Prompter& prompter, QTimer& update, pid_t sim, const char* bench) {
    runtime.SetSavesListsAtShutdown(false);
    runtime.SetPrompter(prompter);
    if (!runtime.Startup() || !runtime.StartPlayback()) {
        std::fprintf(stderr, "%s: the demo runtime did not start\n", bench);
        ::kill(sim, SIGTERM);
        ::waitpid(sim, nullptr, 0);
        return false;
    }
    QObject::connect(&update, &QTimer::timeout, [&runtime] {
        runtime.g_pMusicWav->Tick();
        runtime.DeliverOperatorMessages();
    });
    update.start(static_cast<int>(CMusicWav::kUpdatePeriodMs));
    if (!runtime.g_pMusicList->m_list.empty()) runtime.g_pMusicList->DoubleClick(0);
    // Let the senders connect and the piece start before measuring.
    RunFor(2);
    return true;
}

}  // namespace velmora::bench
