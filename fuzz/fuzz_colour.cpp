// Colour sequence files: any text gives a bounded sequence of COLORREF values.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/Profile.h"
#include "engine/ColourSequenceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    Profile profile;
    profile.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    if (profile.GetInt("Main", "Num", 0) > 20000) return 0;  // only repeats absent keys
    LightComplierCache record;
    ReadColourSequence(profile, record);
    if (record.m_listColours.size() > static_cast<std::size_t>(kMaxColours)) std::abort();
    for (LightBlock colour : record.m_listColours)
        if (colour > 0xFFFFFFu) std::abort();
    return 0;
}
