#include "preview3d/ui/gl/HeadlessGl.h"

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>

namespace velmora {

namespace {

constexpr int kMaxSide = 8192;

std::string EglError(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " failed (EGL error " + code + ")";
}

}  // namespace

std::unique_ptr<HeadlessGl> HeadlessGl::Create(int width, int height, std::string* error) {
    const auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return std::unique_ptr<HeadlessGl>();
    };
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return fail("the picture size must be 1..8192 pixels on each side");

    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) return fail("EGL has no platform displays");
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) return fail(EglError("the surfaceless EGL display"));
    if (!eglInitialize(display, nullptr, nullptr)) return fail(EglError("eglInitialize"));

    std::unique_ptr<HeadlessGl> gl(new HeadlessGl);
    gl->display_ = display;
    if (!eglBindAPI(EGL_OPENGL_API)) return fail(EglError("eglBindAPI(OpenGL)"));
    const EGLint config[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig chosen = nullptr;
    EGLint count = 0;
    eglChooseConfig(display, config, &chosen, 1, &count);
    const EGLint version[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1, EGL_NONE};
    EGLContext context = eglCreateContext(display, count > 0 ? chosen : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, version);
    if (context == EGL_NO_CONTEXT) return fail(EglError("eglCreateContext"));
    gl->context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) return fail(EglError("eglMakeCurrent"));

    gl->width_ = width;
    gl->height_ = height;
    glGenFramebuffers(1, &gl->framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, gl->framebuffer_);
    glGenRenderbuffers(1, &gl->colour_);
    glBindRenderbuffer(GL_RENDERBUFFER, gl->colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, gl->colour_);
    glGenRenderbuffers(1, &gl->depth_);
    glBindRenderbuffer(GL_RENDERBUFFER, gl->depth_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, gl->depth_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return fail("the off-screen framebuffer is incomplete");
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    return gl;
}

HeadlessGl::~HeadlessGl() {
    auto* display = static_cast<EGLDisplay>(display_);
    if (context_ != nullptr) {
        if (framebuffer_ != 0) {
            glDeleteFramebuffers(1, &framebuffer_);
            glDeleteRenderbuffers(1, &colour_);
            glDeleteRenderbuffers(1, &depth_);
        }
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, static_cast<EGLContext>(context_));
    }
    // The display stays initialised: it is the process's one surfaceless
    // display (another Create gets it again), and terminating it unloads
    // Mesa's driver, which leaves allocations behind that no leak checker
    // can attribute.
}

RgbImage HeadlessGl::Read() const {
    RgbImage image;
    image.width = width_;
    image.height = height_;
    const std::size_t stride = static_cast<std::size_t>(width_) * 3;
    std::vector<std::uint8_t> bottomUp(stride * static_cast<std::size_t>(height_));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    image.rgb.resize(bottomUp.size());
    for (int y = 0; y < height_; ++y)
        std::copy_n(bottomUp.begin() + static_cast<std::ptrdiff_t>(y * stride), stride,
                    image.rgb.begin() + static_cast<std::ptrdiff_t>((height_ - 1 - y) * stride));
    return image;
}

}  // namespace velmora
