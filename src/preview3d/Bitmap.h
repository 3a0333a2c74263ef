#pragma once
// Windows bitmap files (textures of the 3D model): uncompressed 24- and
// 32-bit and palettised 8-bit images, stored bottom-up or top-down.
//
// Thread contract: plain value and a pure function; any thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct RgbImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, top row first
};

// Images wider or taller than this are refused before anything is allocated.
inline constexpr int kMaxBitmapSide = 8192;

// Decodes `bytes` into `out`. False with a sentence in *error (and `out`
// empty) for anything else: another format, compression, a size over the
// limit, or pixel data shorter than the header promises.
bool ReadBmp(std::string_view bytes, RgbImage& out, std::string* error);

}  // namespace velmora
