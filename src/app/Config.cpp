#include "app/Config.h"

#include "app/NumberText.h"
#include "app/Profile.h"

#include <limits>
#include <string>

namespace velmora {
namespace {

// Values were read into fixed 256-byte buffers.
constexpr std::size_t kValueBufferSize = 256;

std::int32_t Saturate(std::int64_t value) {
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value < lo ? lo : value > hi ? hi : value);
}

}  // namespace

std::int32_t ParseNightTime(std::string_view text) {
    const std::size_t colon = text.find(':');
    const std::int64_t hours = std::int64_t{TextToInt(text.substr(0, colon))};
    if (colon == std::string_view::npos) return Saturate(hours * 60);
    std::string_view rest = text.substr(colon + 1);
    const std::int64_t minutes = std::int64_t{TextToInt(rest.substr(0, rest.find(':')))};
    return Saturate(hours * 60 + minutes);
}

NightWindow LoadConfig(const std::filesystem::path& configIni) {
    Profile profile;
    profile.Load(configIni);  // a missing file leaves every key at its default
    NightWindow window;
    window.g_nNightStart = ParseNightTime(
        profile.GetString(kConfigSection, kNightStartKey, kNightStartDefault, kValueBufferSize));
    window.g_nNightEnd = ParseNightTime(
        profile.GetString(kConfigSection, kNightEndKey, kNightEndDefault, kValueBufferSize));
    return window;
}

}  // namespace velmora
