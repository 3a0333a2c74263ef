#include "show/ShowNumbers.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace velmora {
namespace {

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

float ShowTextToFloat(std::string_view text) {
    const std::string terminated(text);  // strtof needs a terminated string
    const locale_t locale = CLocale();
    if (locale == static_cast<locale_t>(0)) return std::strtof(terminated.c_str(), nullptr);
    return strtof_l(terminated.c_str(), nullptr, locale);
}

std::int32_t ShowTextToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so
    // any number of digits is read without overflow.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);  // -2^31 is the lowest reachable value
}

std::string FormatBlockTime(float value) {
    // Large enough for the 39 integer digits of FLT_MAX plus sign and decimals.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (result.ec != std::errc{}) return "0.00";
    return std::string(buffer, result.ptr);
}

}  // namespace velmora
