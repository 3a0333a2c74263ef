#pragma once
// Number texts of the show file. Conversions are locale-independent: the
// desktop program runs under the user's locale, where a decimal comma would
// otherwise turn "10.70" into 10.

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Like C's strtof in the "C" locale: leading blanks, then the longest number
// prefix; no number at all gives 0 ("abc" -> 0, "12.5x" -> 12.5).
float ShowTextToFloat(std::string_view text);

// Like atoi: leading blanks, optional sign, decimal digits up to the first
// non-digit. Values beyond the 32-bit range saturate instead of overflowing.
std::int32_t ShowTextToInt(std::string_view text);

// A block position as the file holds it: "%0.2f".
std::string FormatBlockTime(float value);

}  // namespace velmora
