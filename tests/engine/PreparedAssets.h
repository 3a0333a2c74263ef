#pragma once
// For tests that call the action evaluation or the show walk directly, with
// blocks that belong to no show: an asset map holding every file of the
// workspace's asset folders (and every program of the program folder), as
// a preparation of a show naming them all would.

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "engine/AssetCaches.h"
#include "engine/ShowAssets.h"

namespace velmora::testing {

inline std::shared_ptr<const ShowAssets> EveryAssetOnDisk(const std::filesystem::path& workspace,
                                                          AssetCaches& caches) {
    auto assets = std::make_shared<ShowAssets>();
    caches.ForgetFailedLookups();
    auto each = [&](const char* folder, auto add) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(workspace / folder, ec))
            add(entry.path().filename().string());
    };
    each("motor", [&](const std::string& name) { assets->AddMotorProgram(name, caches); });
    each("Frame", [&](const std::string& name) { assets->AddFrameAnimation(name, caches); });
    each("Color", [&](const std::string& name) { assets->AddColourSequence(name, caches); });
    each("512Light", [&](const std::string& name) { assets->AddLight512Table(name, caches); });
    each("Program", [&](const std::string& name) { assets->AddProgram(name, caches); });
    return assets;
}

}  // namespace velmora::testing
