#pragma once
// How the property sheets show scene fields as texts and read the texts back:
// "---" for a channel below 1 or an address without a register number, and
// the numeric row's acceptance rule (digits, "." and "-" only, within bounds).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr std::string_view kUnsetText = "---";
// Address texts live in 8-byte buffers.
inline constexpr std::size_t kMaxAddressBytes = 7;

std::string ChannelText(std::int32_t channel);
std::string AddressText(const std::string& address);
bool IsUnsetText(std::string_view text);

// A numeric row takes the text only when every character is a digit, "." or
// "-" and its value lies within [minimum, maximum]; "1e2" is refused.
bool AcceptsNumber(std::string_view text, double minimum, double maximum);

// The first `limit` characters (UTF-8 code points) of `text`.
std::string FirstCharacters(std::string_view text, std::size_t limit);

}  // namespace velmora
