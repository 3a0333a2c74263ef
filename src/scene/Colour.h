#pragma once
#include <cstdint>

namespace velmora {

// 0x00BBGGRR, red in the low byte, as stored in every file of an installation.
using COLORREF = std::uint32_t;

constexpr COLORREF MakeColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

}  // namespace velmora
