#include "AnalysisProgress.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>

namespace velmora::cli {
namespace {

void DrawProgress(double progress, bool done) {
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(progress * kWidth);
    std::string bar(static_cast<std::size_t>(kWidth), ' ');
    for (int i = 0; i < filled && i < kWidth; ++i) bar[static_cast<std::size_t>(i)] = '#';
    std::fprintf(stderr, "\ranalysing [%s] %3d%%%s", bar.c_str(), static_cast<int>(progress * 100.0),
                 done ? "\n" : "");
    std::fflush(stderr);
}

}  // namespace

const CMP3Player& RunAnalysisWithProgress(WaitProcess& wait) {
    const bool bar = ::isatty(STDERR_FILENO) == 1;
    wait.Start();
    while (wait.Tick()) {
        if (bar) DrawProgress(wait.m_fProgress, false);
        // The dialog's timer period; the tick itself already waited a little.
        std::this_thread::sleep_for(WaitProcess::kTickPeriod - WaitProcess::kRunningProbe);
    }
    const CMP3Player& player = *wait.m_pPlayer;
    if (bar) DrawProgress(player.m_nError ? 0.0 : player.m_nPercent / 100.0, true);
    return player;
}

}  // namespace velmora::cli
