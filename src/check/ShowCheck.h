#pragma once
// Problems of one show: rows bound to groups or springs that do not exist,
// assets it names that the engine will not find, blocks on one row that
// drive the same outputs at the same time, blocks past the end of the music
// (or program), and programs that start themselves.

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "check/AssetProbe.h"
#include "check/CheckReport.h"
#include "check/ProgramCalls.h"
#include "scene/Scene.h"
#include "show/Show.h"

namespace velmora {

struct ShowCheckContext {
    const Scene& scene;
    AssetProbe& assets;
    const ProgramCalls& programs;
    // Programs whose self-start was already reported (one report each).
    std::set<std::string>& reportedCycles;
    // How the report names a file.
    std::function<std::string(const std::filesystem::path&)> label;
};

// How long the show's music (or program) runs, when that is known.
struct ShowLength {
    double ms = 0.0;
    const char* of = "music";  // "music" or "program"
};

// `show` as loaded (positions at scale 50).
void CheckShow(const Show& show, const std::string& file, std::optional<ShowLength> length,
               ShowCheckContext& context, CheckReport& report);

}  // namespace velmora
