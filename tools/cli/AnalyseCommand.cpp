// The analyse command: runs the loudness/spectrum analysis of one MP3 file
// through the same progress logic as the "等待" dialog and prints the records.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <thread>

#include "Commands.h"
#include "Json.h"
#include "media/WaitProcess.h"

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

int RunAnalyse(const Context& context) {
    if (context.args.size() != 1) return Fail("analyse: expected one FILE.mp3");
    const std::filesystem::path file = context.args.front();
    const bool bar = ::isatty(STDERR_FILENO) == 1;

    WaitProcess wait({file});
    wait.Start();
    while (wait.Tick()) {
        if (bar) DrawProgress(wait.m_fProgress, false);
        // The dialog's timer period; the tick itself already waited a little.
        std::this_thread::sleep_for(WaitProcess::kTickPeriod - WaitProcess::kRunningProbe);
    }
    const CMP3Player& player = *wait.m_pPlayer;
    if (bar) DrawProgress(player.m_nError ? 0.0 : player.m_nPercent / 100.0, true);

    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (const CMP3Player::spectum& r : player.m_listSpectrum) {
        nlohmann::ordered_json bands = nlohmann::ordered_json::array();
        for (std::size_t j = 0; j < Cfft::kComputedBands; ++j) bands.push_back(r.bands[j]);
        records.push_back({{"time", r.time}, {"level", r.level}, {"bands", std::move(bands)}});
    }
    nlohmann::ordered_json out;
    out["file"] = file.string();
    out["m_nDuration"] = player.Duration();
    out["m_nPercent"] = player.m_nPercent.load();
    out["m_nError"] = player.m_nError;
    out["records"] = std::move(records);
    std::cout << Dump(out) << "\n";
    if (player.m_nError != 0) return Fail("cannot analyse " + file.string() + ": not a readable MP3 file");
    return 0;
}

}  // namespace velmora::cli
