#include "preview3d/Bitmap.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora {
namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;

std::uint32_t U32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
}

std::uint16_t U16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

bool Fail(std::string* error, RgbImage& out, const std::string& text) {
    out = RgbImage{};
    if (error) *error = text;
    return false;
}

}  // namespace

bool ReadBmp(std::string_view bytes, RgbImage& out, std::string* error) {
    out = RgbImage{};
    if (bytes.size() < kFileHeader + kInfoHeader || bytes[0] != 'B' || bytes[1] != 'M')
        return Fail(error, out, "The texture is not a Windows bitmap file.");
    const std::uint32_t pixelsAt = U32(bytes, 10);
    const std::uint32_t infoSize = U32(bytes, 14);
    if (infoSize < kInfoHeader || infoSize > bytes.size() - kFileHeader)
        return Fail(error, out, "The texture's bitmap header is of a kind that cannot be read.");
    const auto width = static_cast<std::int32_t>(U32(bytes, 18));
    const auto rawHeight = static_cast<std::int32_t>(U32(bytes, 22));
    const std::uint16_t bits = U16(bytes, 28);
    const std::uint32_t compression = U32(bytes, 30);
    std::uint32_t colours = U32(bytes, 46);

    // INT32_MIN has no positive counterpart; it is over the limit anyway.
    const bool topDown = rawHeight < 0;
    const std::int64_t height = topDown ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
    if (width <= 0 || height <= 0)
        return Fail(error, out, "The texture has no pixels.");
    if (width > kMaxBitmapSide || height > kMaxBitmapSide) {
        return Fail(error, out,
                    "The texture is " + std::to_string(width) + "\u00d7" + std::to_string(height) +
                        " pixels; textures can be at most " + std::to_string(kMaxBitmapSide) + "\u00d7" +
                        std::to_string(kMaxBitmapSide) + ".");
    }
    if (bits != 8 && bits != 24 && bits != 32)
        return Fail(error, out, "The texture has " + std::to_string(bits) +
                                    " bits per pixel; only 8, 24 and 32 can be read.");
    // 32-bit images may name their channel masks; only the usual order is read.
    const bool standardMasks = compression == 3 && bits == 32 && bytes.size() >= 66 &&
                               U32(bytes, 54) == 0x00FF0000u && U32(bytes, 58) == 0x0000FF00u &&
                               U32(bytes, 62) == 0x000000FFu;
    if (compression != 0 && !standardMasks)
        return Fail(error, out, "The texture is compressed; only uncompressed bitmaps can be read.");

    std::array<std::array<std::uint8_t, 3>, 256> palette{};
    if (bits == 8) {
        if (colours == 0 || colours > 256) colours = 256;
        const std::size_t paletteAt = kFileHeader + infoSize;
        if (paletteAt + 4u * colours > bytes.size())
            return Fail(error, out, "The texture's palette is cut off.");
        for (std::size_t i = 0; i < colours; ++i) {
            const std::size_t p = paletteAt + 4 * i;
            palette[i] = {static_cast<std::uint8_t>(bytes[p + 2]), static_cast<std::uint8_t>(bytes[p + 1]),
                          static_cast<std::uint8_t>(bytes[p])};
        }
    }

    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t stride = (w * bits + 31) / 32 * 4;
    if (pixelsAt > bytes.size() || stride * h > bytes.size() - pixelsAt)
        return Fail(error, out, "The texture's pixel data is cut off.");

    out.width = width;
    out.height = static_cast<int>(height);
    out.rgb.resize(w * h * 3);
    const std::size_t step = bits / 8;
    for (std::size_t row = 0; row < h; ++row) {
        const std::size_t fileRow = topDown ? row : h - 1 - row;
        const char* src = bytes.data() + pixelsAt + fileRow * stride;
        std::uint8_t* dst = out.rgb.data() + row * w * 3;
        for (std::size_t x = 0; x < w; ++x, dst += 3) {
            const char* p = src + x * step;
            if (bits == 8) {
                // Indices past the palette are black, as the palette's unused slots are.
                const auto& c = palette[static_cast<unsigned char>(*p)];
                dst[0] = c[0], dst[1] = c[1], dst[2] = c[2];
            } else {
                dst[0] = static_cast<std::uint8_t>(p[2]);
                dst[1] = static_cast<std::uint8_t>(p[1]);
                dst[2] = static_cast<std::uint8_t>(p[0]);
            }
        }
    }
    return true;
}

}  // namespace velmora
