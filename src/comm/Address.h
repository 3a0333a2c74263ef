#pragma once
// Address texts name an output inside a channel's register image: "R" or
// "R;B", where R is the 1-based register and B a bit number (switch and motor
// outputs) or a fixture slot (light outputs on non-register channels).

#include <cstdint>
#include <string_view>

namespace velmora {

struct ParsedAddress {
    std::int32_t reg = 0;   // 1-based register; 0 or less names nothing
    std::int32_t sub = -1;  // bit or slot, -1 for none
};

// R and B are read with TextToInt (app/NumberText.h).
// B is a bit number 0..15.
ParsedAddress ParseSwitchAddress(std::string_view text);
// B is a fixture slot 1..170 (one DMX universe of RGB fixtures).
ParsedAddress ParseLightAddress(std::string_view text);

}  // namespace velmora
