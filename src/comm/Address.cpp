#include "comm/Address.h"

namespace velmora {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Splits at the first ';' and keeps B only when it lies in [lo, hi].
ParsedAddress Parse(std::string_view text, std::int32_t lo, std::int32_t hi) {
    ParsedAddress parsed;
    parsed.reg = LeadingDecimal(text);
    const auto semicolon = text.find(';');
    if (semicolon != std::string_view::npos) {
        const std::int32_t sub = LeadingDecimal(text.substr(semicolon + 1));
        if (sub >= lo && sub <= hi) parsed.sub = sub;
    }
    return parsed;
}

}  // namespace

std::int32_t LeadingDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps instead of overflowing, so a runaway digit
    // string cannot reach undefined behaviour.
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

ParsedAddress ParseSwitchAddress(std::string_view text) { return Parse(text, 0, 15); }

ParsedAddress ParseLightAddress(std::string_view text) { return Parse(text, 1, 170); }

}  // namespace velmora
