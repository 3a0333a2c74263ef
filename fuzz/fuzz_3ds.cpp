// The 3D model and its textures: whatever bytes a model or bitmap file
// holds, reading must neither crash nor read outside the buffer, and what is
// read must be safe to draw: face indices inside the vertex list, material
// indices inside the material list, texture coordinates one per vertex or
// none, normals finite, pixels exactly width x height. Picking through the
// read model must stay finite too.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "preview3d/Bitmap.h"
#include "preview3d/Model3ds.h"
#include "preview3d/SceneModel.h"

namespace {

void Check(bool ok, int line) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_3ds: check at line %d failed\n", line);
    std::abort();
}
#define CHECK(condition) Check((condition), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    Model3ds model;
    std::string error;
    if (Read3ds(bytes, model, &error)) {
        for (Object3ds& object : model.objects) {
            const std::size_t n = object.vertices.size();
            for (const Face3ds& f : object.faces) {
                for (std::uint16_t v : f.v) CHECK(v < n);
                CHECK(f.material >= -1 && f.material < static_cast<int>(model.materials.size()));
            }
            CHECK(object.uv.empty() || object.uv.size() == n);
            CHECK(object.name.size() <= 255);
            ComputeNormals(object);
            CHECK(object.normals.size() == n);
            for (const auto& normal : object.normals)
                for (float c : normal) CHECK(std::isfinite(c));
        }
        PreviewScene scene = PreviewScene::FromParts(std::move(model), SceneDescription{});
        PreviewCamera camera;
        const int picked = scene.Pick(250, 200, 500, 400, camera);
        CHECK(picked >= -1 && picked < static_cast<int>(scene.model().objects.size()));
    } else {
        CHECK(!error.empty());
        CHECK(model.objects.empty() && model.materials.empty());
    }

    RgbImage image;
    if (ReadBmp(bytes, image, &error)) {
        CHECK(image.width > 0 && image.height > 0);
        CHECK(image.width <= kMaxBitmapSide && image.height <= kMaxBitmapSide);
        CHECK(image.rgb.size() == static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    } else {
        CHECK(image.rgb.empty() && !error.empty());
    }
    return 0;
}
