#pragma once
// Draws one preview frame with fixed-function OpenGL and GLU: the model
// (each object through its transform, colour override and hidden flag, its
// faces textured or in their material's colour), every spring's nozzle as a
// small closed cylinder, and the water particles as additively blended line
// segments. The desktop widget and the command line's picture share it, so
// both show the same frame. No Qt here: only a current GL context.
//
// Thread contract: the thread whose GL context is current, for every call.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "preview3d/Camera.h"

struct GLUquadric;

namespace velmora {

class PreviewScene;
class WaterSimulation;

class PreviewRenderer {
public:
    PreviewRenderer() = default;
    PreviewRenderer(const PreviewRenderer&) = delete;
    PreviewRenderer& operator=(const PreviewRenderer&) = delete;
    // Release() must have run while the context was current.
    ~PreviewRenderer() = default;

    // The fixed state: black clear colour, smooth shading, light 0 (ambient
    // white, at (0, 500, 0)), lighting, depth test and colour material; and
    // the scene's textures uploaded with mipmaps. False with the reason when
    // the context cannot draw.
    bool Initialise(const PreviewScene& scene, std::string* error);

    // Draws into the current framebuffer of `width` x `height` pixels.
    void Draw(const PreviewScene& scene, const PreviewCamera& camera, const WaterSimulation& water, int width,
              int height);

    // Deletes the textures and the quadric.
    void Release();

    // The version string of the context, for messages.
    static std::string ContextDescription();

private:
    void DrawModel(const PreviewScene& scene);
    void DrawNozzles(const WaterSimulation& water);
    void DrawParticles(const WaterSimulation& water);
    static void LeaveDefaults();

    GLUquadric* quadric_ = nullptr;
    unsigned nozzleList_ = 0;  // display list of one nozzle
    std::vector<unsigned> textures_;  // per material, 0 for none
    std::vector<float> lineVertices_;
    std::vector<std::uint8_t> lineColours_;
};

}  // namespace velmora
