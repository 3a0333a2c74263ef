#pragma once
// Colour sequence files (.color, INI text): [Main] Num, then color1 …
// color<Num>, each 0x00RRGGBB.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scene/Colour.h"

namespace velmora {

class Profile;

// One colour of a sequence, as a COLORREF (red in the low byte).
using LightBlock = COLORREF;

// Sequences hold tens of colours; a larger Num is damage and is cut here.
inline constexpr std::int32_t kMaxColours = 65536;
inline constexpr std::int32_t kDefaultFileColour = 255;

struct LightComplierCache {
    std::string m_szName;
    std::vector<LightBlock> m_listColours;  // file order
};

// 0x00RRGGBB from the file to a COLORREF: red and blue exchanged, the top byte dropped.
LightBlock FileColourToLightBlock(std::int32_t value);

// Reads the colours of a profile (Num = 0 or absent: an empty sequence).
void ReadColourSequence(const Profile& profile, LightComplierCache& record);

// Never fails: a missing or unreadable file is the empty sequence. True
// when the file was read (so a missing one can be looked for again later).
bool LoadColourFile(const std::filesystem::path& path, LightComplierCache& record);

}  // namespace velmora
