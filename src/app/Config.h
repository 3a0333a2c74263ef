#pragma once
// config.ini: the daily operating window of the real-time engine. The file is
// only read, never written.

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace velmora {

// Minutes after midnight from "H:M" or "H". The text is split at ':' (empty
// parts kept, so ":30" is 0 h 30 min); two or more parts give H * 60 + M with
// further parts ignored, one part gives H * 60. Each part converts with
// TextToInt: leading blanks, a sign, digits up to the first non-digit, so
// non-numeric text is 0. An empty value counts as one empty part and so gives
// 0. A result beyond 32 bits saturates instead of overflowing.
std::int32_t ParseNightTime(std::string_view text);

struct NightWindow {
    std::int32_t g_nNightStart = 0;
    std::int32_t g_nNightEnd = 6000;
};

inline constexpr const char* kConfigSection = "Main";
inline constexpr const char* kNightStartKey = "nightStart";
inline constexpr const char* kNightEndKey = "nightEnd";
inline constexpr const char* kNightStartDefault = "00";
inline constexpr const char* kNightEndDefault = "100";

// Reads the window from `configIni`; a missing or unreadable file gives the
// defaults, minute 0 to minute 6000 (every minute of the day but 00:00).
NightWindow LoadConfig(const std::filesystem::path& configIni);

}  // namespace velmora
