#include "document/SheetText.h"

#include <cctype>

#include "app/NumberText.h"

namespace velmora {

std::string ChannelText(std::int32_t channel) {
    return channel < 1 ? std::string(kUnsetText) : std::to_string(channel);
}

std::string AddressText(const std::string& address) {
    std::size_t i = 0;
    while (i < address.size() && (address[i] == ' ' || address[i] == '\t')) ++i;
    if (i < address.size() && (address[i] == '+' || address[i] == '-')) ++i;
    const bool hasRegister = i < address.size() && std::isdigit(static_cast<unsigned char>(address[i]));
    return hasRegister ? address : std::string(kUnsetText);
}

bool IsUnsetText(std::string_view text) {
    return text == kUnsetText;
}

bool AcceptsNumber(std::string_view text, double minimum, double maximum) {
    if (text.empty()) return false;
    bool digit = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') digit = true;
        else if (c != '.' && c != '-') return false;
    }
    if (!digit) return false;
    // TextToFloat reads the longest number prefix, so "1-2" counts as 1, as
    // the list's own conversion would.
    const double value = TextToFloat(text);
    return value >= minimum && value <= maximum;
}

std::string FirstCharacters(std::string_view text, std::size_t limit) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if ((lead & 0xC0u) != 0x80u) {
            if (count == limit) break;
            ++count;
        }
        ++i;
    }
    return std::string(text.substr(0, i));
}

}  // namespace velmora
