#pragma once
// The .prog file of a program-control entry: a profile with section Main
// holding the cell length `unitMS`, the cell count `num` and the music level
// `Power` (written as "power"; key names ignore case).
//
// Thread contract: plain functions; any thread.

#include <cstdint>
#include <filesystem>
#include <string>

namespace velmora {

struct ProgParams {
    static constexpr std::int32_t kDefaultUnitMS = 1000;
    static constexpr std::int32_t kDefaultNum = 60;
    static constexpr std::int32_t kDefaultPower = 64;

    std::int32_t unitMS = kDefaultUnitMS;
    std::int32_t num = kDefaultNum;
    std::int32_t power = kDefaultPower;
};

// The parameters in the file; the defaults for keys (or a whole file) missing.
ProgParams ReadProgFile(const std::filesystem::path& path);
// Writes the three keys as "%d", keeping every other line of the file.
bool WriteProgFile(const std::filesystem::path& path, const ProgParams& params, std::string* error = nullptr);
// Writes a new .prog file holding only the three keys, replacing any file there.
bool CreateProgFile(const std::filesystem::path& path, const ProgParams& params, std::string* error = nullptr);

}  // namespace velmora
