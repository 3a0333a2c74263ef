#include "app/NumberText.h"

#include <charconv>
#include <cmath>

namespace velmora {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Skips blanks and a sign; returns whether the sign was '-'.
bool SkipBlanksAndSign(std::string_view text, std::size_t& i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return text[i++] == '-';
    return false;
}

}  // namespace

std::int32_t TextToInt(std::string_view text) {
    std::size_t i = 0;
    const bool negative = SkipBlanksAndSign(text, i);
    // Unsigned arithmetic wraps where signed would overflow.
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

float TextToFloat(std::string_view text, float fallback) {
    std::size_t i = 0;
    const bool negative = SkipBlanksAndSign(text, i);
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    if (first != last && (*first == '+' || *first == '-')) return 0.0f;  // "--5" is no number
    float value = 0.0f;
    const std::errc ec = std::from_chars(first, last, value, std::chars_format::general).ec;
    if (ec == std::errc::invalid_argument) return 0.0f;
    if (ec == std::errc::result_out_of_range || !std::isfinite(value)) return fallback;
    return negative ? -value : value;
}

}  // namespace velmora
