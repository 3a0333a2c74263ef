#include "preview3d/ui/gl/PngFile.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace velmora {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool WritePng(const std::filesystem::path& path, const RgbImage& image, std::string* error) {
    const auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3)
        return fail("the picture is empty or its pixels do not match its size");
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) return fail("cannot create " + path.string());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return fail("libpng could not start");
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y)
        rows[y] = const_cast<png_bytep>(image.rgb.data() + static_cast<std::size_t>(y) * image.width * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return fail("cannot write " + path.string());
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) return fail("cannot write " + path.string());
    return true;
}

bool ReadPng(const std::filesystem::path& path, RgbImage& image, std::string* error) {
    const auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return fail("cannot open " + path.string());
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return fail("libpng could not start");
    }
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return fail(path.string() + " is not a readable PNG file");
    }
    png_init_io(png, file.get());
    png_set_user_limits(png, kMaxBitmapSide, kMaxBitmapSide);
    png_read_info(png, info);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_palette_to_rgb(png);
    png_set_gray_to_rgb(png);
    png_set_expand_gray_1_2_4_to_8(png);
    png_read_update_info(png, info);
    const int width = static_cast<int>(png_get_image_width(png, info));
    const int height = static_cast<int>(png_get_image_height(png, info));
    pixels.resize(static_cast<std::size_t>(width) * height * 3);
    rows.resize(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows[y] = pixels.data() + static_cast<std::size_t>(y) * width * 3;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    image.width = width;
    image.height = height;
    image.rgb = std::move(pixels);
    return true;
}

}  // namespace velmora
