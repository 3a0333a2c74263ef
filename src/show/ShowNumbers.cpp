#include "show/ShowNumbers.h"

#include <charconv>

namespace velmora {

std::string FormatBlockTime(float value) {
    // Large enough for the 39 integer digits of FLT_MAX plus sign and decimals.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (result.ec != std::errc{}) return "0.00";
    return std::string(buffer, result.ptr);
}

}  // namespace velmora
