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

// Decimal value of the leading text the way atoi reads it: leading blanks, an
// optional sign, then digits up to the first non-digit. Text without digits
// gives 0; values beyond 32 bits wrap modulo 2^32 as on the controllers' host.
std::int32_t LeadingDecimal(std::string_view text);

// B is a bit number 0..15.
ParsedAddress ParseSwitchAddress(std::string_view text);
// B is a fixture slot 1..170 (one DMX universe of RGB fixtures).
ParsedAddress ParseLightAddress(std::string_view text);

}  // namespace velmora
