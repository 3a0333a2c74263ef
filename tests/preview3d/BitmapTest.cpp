#include "preview3d/Bitmap.h"

#include <gtest/gtest.h>

#include "preview3d/ChunkWriter.h"

namespace velmora {
namespace {

using test::Put16;
using test::Put32;

// A bitmap file whose pixel (x, y) (top row 0) has colour (x*10, y*10, 77);
// 8-bit files use a palette holding those colours at index x + y*width.
std::string MakeBmp(int width, int height, int bits, bool topDown, std::uint32_t compression = 0) {
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t paletteSize = bits == 8 ? 256 * 4 : 0;
    std::string s = "BM";
    Put32(s, static_cast<std::uint32_t>(54 + paletteSize + stride * height));
    Put32(s, 0);
    Put32(s, static_cast<std::uint32_t>(54 + paletteSize));
    Put32(s, 40);
    Put32(s, static_cast<std::uint32_t>(width));
    Put32(s, static_cast<std::uint32_t>(topDown ? -height : height));
    Put16(s, 1);
    Put16(s, static_cast<std::uint16_t>(bits));
    Put32(s, compression);
    Put32(s, 0), Put32(s, 2835), Put32(s, 2835), Put32(s, 0), Put32(s, 0);
    if (bits == 8) {
        for (int i = 0; i < 256; ++i) {
            const int x = i % width, y = i / width;
            s += {static_cast<char>(77), static_cast<char>(y * 10), static_cast<char>(x * 10), 0};
        }
    }
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        std::string line;
        for (int x = 0; x < width; ++x) {
            if (bits == 8) {
                line.push_back(static_cast<char>(x + y * width));
            } else {
                line += {static_cast<char>(77), static_cast<char>(y * 10), static_cast<char>(x * 10)};
                if (bits == 32) line.push_back('\xFF');
            }
        }
        line.resize(stride, '\0');
        s += line;
    }
    return s;
}

void ExpectPattern(const RgbImage& image, int width, int height) {
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    ASSERT_EQ(image.rgb.size(), static_cast<std::size_t>(width * height * 3));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &image.rgb[static_cast<std::size_t>((y * width + x) * 3)];
            EXPECT_EQ(p[0], x * 10) << x << "," << y;
            EXPECT_EQ(p[1], y * 10) << x << "," << y;
            EXPECT_EQ(p[2], 77) << x << "," << y;
        }
}

TEST(ReadBmp, ReadsEveryDepthInBothRowOrdersWithRowPadding) {
    // Width 3 pads 24-bit rows (9 bytes to 12) and 8-bit rows (3 to 4).
    for (int bits : {8, 24, 32})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(std::to_string(bits) + (topDown ? " top-down" : " bottom-up"));
            RgbImage image;
            std::string error;
            ASSERT_TRUE(ReadBmp(MakeBmp(3, 5, bits, topDown), image, &error)) << error;
            ExpectPattern(image, 3, 5);
        }
}

TEST(ReadBmp, RefusesOversizedImagesBeforeAllocating) {
    std::string header = MakeBmp(1, 1, 24, false);
    const auto set32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    set32(18, 16384);
    set32(22, 16384);
    RgbImage image;
    std::string error;
    EXPECT_FALSE(ReadBmp(header, image, &error));
    EXPECT_EQ(error, "The texture is 16384\u00d716384 pixels; textures can be at most 8192\u00d78192.");
    EXPECT_TRUE(image.rgb.empty());
    set32(18, 2);
    set32(22, 0x80000000u);  // the most negative height: top-down and far too tall
    EXPECT_FALSE(ReadBmp(header, image, &error));
}

TEST(ReadBmp, RefusesWhatItCannotRead) {
    const std::string good = MakeBmp(4, 4, 24, false);
    struct Case {
        const char* what;
        std::string bytes;
        const char* says;
    };
    std::string png = good;
    png[0] = '\x89';
    std::string zeroWidth = good;
    zeroWidth[18] = 0;
    std::string sixteen = good;
    sixteen[28] = 16;
    const std::vector<Case> cases = {
        {"not a bitmap", png, "not a Windows bitmap"},
        {"short pixels", good.substr(0, good.size() - 1), "cut off"},
        {"compressed", MakeBmp(4, 4, 8, false, 1), "compressed"},
        {"no pixels", zeroWidth, "no pixels"},
        {"16-bit", sixteen, "16 bits per pixel"},
        {"header only", good.substr(0, 20), "not a Windows bitmap"},
    };
    for (const Case& c : cases) {
        RgbImage image;
        std::string error;
        EXPECT_FALSE(ReadBmp(c.bytes, image, &error)) << c.what;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(image.width, 0) << c.what;
    }
    for (std::size_t n = 0; n < good.size(); ++n) {
        RgbImage image;
        EXPECT_FALSE(ReadBmp(good.substr(0, n), image, nullptr)) << n;
    }
}

}  // namespace
}  // namespace velmora
