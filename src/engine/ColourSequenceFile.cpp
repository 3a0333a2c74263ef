#include "engine/ColourSequenceFile.h"

#include <algorithm>
#include <string>

#include "app/Log.h"
#include "app/Profile.h"

namespace velmora {

LightBlock FileColourToLightBlock(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return (v & 0x00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
}

void ReadColourSequence(const Profile& profile, LightComplierCache& record) {
    const std::int32_t num = profile.GetInt("Main", "Num", 0);
    record.m_listColours.clear();
    if (num <= 0) return;
    const std::int32_t count = std::min(num, kMaxColours);
    if (count < num) LogMessage("colour sequence: Num %d cut to %d", num, count);
    record.m_listColours.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::int32_t value = profile.GetInt("Main", "color" + std::to_string(i), kDefaultFileColour);
        record.m_listColours.push_back(FileColourToLightBlock(value));
    }
}

bool LoadColourFile(const std::filesystem::path& path, LightComplierCache& record) {
    Profile profile;
    std::string error;
    const bool read = profile.Load(path, &error);
    if (!read && profile.existed()) LogMessage("colour sequence %s: %s", path.string().c_str(), error.c_str());
    ReadColourSequence(profile, record);
    return read;
}

}  // namespace velmora
