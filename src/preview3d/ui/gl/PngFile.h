#pragma once
// RGB pictures as PNG files (libpng), for the command line's preview frames
// and the tests that compare them with a reference.
//
// Thread contract: pure functions; any thread.

#include <filesystem>
#include <string>

#include "preview3d/Bitmap.h"

namespace velmora {

// Writes `image` (8-bit RGB, top row first); false with the reason.
bool WritePng(const std::filesystem::path& path, const RgbImage& image, std::string* error);
// Reads an 8-bit PNG as RGB (alpha dropped, grey expanded); false with the reason.
bool ReadPng(const std::filesystem::path& path, RgbImage& image, std::string* error);

}  // namespace velmora
