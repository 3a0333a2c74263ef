#include "comm/Address.h"

#include "app/NumberText.h"

namespace velmora {
namespace {

// Splits at the first ';' and keeps B only when it lies in [lo, hi].
ParsedAddress Parse(std::string_view text, std::int32_t lo, std::int32_t hi) {
    ParsedAddress parsed;
    parsed.reg = TextToInt(text);
    const auto semicolon = text.find(';');
    if (semicolon != std::string_view::npos) {
        const std::int32_t sub = TextToInt(text.substr(semicolon + 1));
        if (sub >= lo && sub <= hi) parsed.sub = sub;
    }
    return parsed;
}

}  // namespace

ParsedAddress ParseSwitchAddress(std::string_view text) { return Parse(text, 0, 15); }

ParsedAddress ParseLightAddress(std::string_view text) { return Parse(text, 1, 170); }

}  // namespace velmora
