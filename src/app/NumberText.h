#pragma once
// Numbers read from the texts of installation files, the way the C run-time
// of the Windows program read them, minus its undefined behaviour and its
// dependence on the user's locale (a decimal comma would turn "10.70" into 10).

#include <cstdint>
#include <string_view>

namespace velmora {

// The one leading-integer conversion of every file and address text, as the
// Windows profile reader (GetPrivateProfileInt) converted INI integers:
// leading blanks, an optional sign, decimal digits up to the first
// non-digit; no digits give 0. Overflow rule: the value wraps modulo 2^32
// ("4294967308" -> 12, "2147483648" -> -2147483648), so an installation
// reads the same numbers here as it did on Windows. Callers bound what they
// take from the result.
std::int32_t TextToInt(std::string_view text);

// strtof in the "C" locale: leading blanks, an optional sign, the longest
// decimal number prefix ("12.5x" -> 12.5); no number gives 0. A value that
// does not fit a float, or is not finite ("inf", "1e999"), gives `fallback`:
// infinite times, angles or gains would only poison what is computed from them.
float TextToFloat(std::string_view text, float fallback = 0.0f);

}  // namespace velmora
