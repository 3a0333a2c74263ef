#pragma once
// An OpenGL context with no window and no display: EGL's surfaceless
// platform (Mesa's llvmpipe renders it in software), drawing into a
// framebuffer object of a chosen size, read back as an RGB image. Lets the
// command line draw preview frames on a machine with no X server.
//
// Thread contract: the creating thread only (the context is current there).

#include <memory>
#include <string>

#include "preview3d/Bitmap.h"

namespace velmora {

class HeadlessGl {
public:
    // A current compatibility-profile context with a width x height colour
    // and depth framebuffer bound; null with the reason when none can be made.
    static std::unique_ptr<HeadlessGl> Create(int width, int height, std::string* error);
    ~HeadlessGl();
    HeadlessGl(const HeadlessGl&) = delete;
    HeadlessGl& operator=(const HeadlessGl&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    // The framebuffer's pixels, top row first.
    RgbImage Read() const;

private:
    HeadlessGl() = default;
    void* display_ = nullptr;
    void* context_ = nullptr;
    unsigned framebuffer_ = 0;
    unsigned colour_ = 0, depth_ = 0;
    int width_ = 0, height_ = 0;
};

}  // namespace velmora
