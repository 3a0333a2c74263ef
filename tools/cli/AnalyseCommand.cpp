// The analyse command: runs the loudness/spectrum analysis of one MP3 file
// through the same progress logic as the "等待" dialog and prints the records.

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "AnalysisProgress.h"
#include "Commands.h"
#include "Json.h"
#include "media/WaitProcess.h"

namespace velmora::cli {

int RunAnalyse(const Context& context) {
    if (context.args.size() != 1) return Fail("analyse: expected one FILE.mp3");
    const std::filesystem::path file = context.args.front();
    WaitProcess wait({file});
    const CMP3Player& player = RunAnalysisWithProgress(wait);

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
