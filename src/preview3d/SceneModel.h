#pragma once
// What the 3D preview shows: the model with its textures, the scene
// description, and the variables that drive the description's acts.
//
// The variable table starts empty. BindSpringLevels names every spring of
// an engine snapshot "spring<ID>" (the spring's ID, e.g. "spring9001") with
// its output level 0..128, so a description can turn, move, colour or hide
// an object by a spring's output; SetVariable sets any other name. Acts
// whose variable is not in the table do nothing.
//
// Thread contract: plain value; the UI thread.

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/EngineSnapshot.h"
#include "preview3d/Bitmap.h"
#include "preview3d/Camera.h"
#include "preview3d/Model3ds.h"
#include "preview3d/SceneDescription.h"

namespace velmora {

class PreviewScene {
public:
    static constexpr const char* kModelFile = "Scene1.3ds";
    static constexpr const char* kDescriptionFile = "Scene1.ini";

    // Reads "Scene1.3ds", the textures its materials name and "Scene1.ini"
    // from `modelFolder`. Missing or damaged files give an empty model, an
    // untextured material or the default camera, with a note for each.
    static PreviewScene Load(const std::filesystem::path& modelFolder,
                             std::vector<std::string>* notes);

    // Builds a scene from parts already in memory (tests, tools). Both ways
    // of making a scene compute the objects' vertex normals once, here.
    static PreviewScene FromParts(Model3ds model, SceneDescription description);

    const Model3ds& model() const { return model_; }
    const SceneDescription& description() const { return description_; }
    // Per material: its decoded texture, or nullopt when it has none or it
    // could not be read.
    const std::vector<std::optional<RgbImage>>& textures() const { return textures_; }

    void SetVariable(const std::string& name, double value);
    // Sets "spring<ID>" to m_nOutLevel for every spring of `snapshot`.
    void BindSpringLevels(const EngineSnapshot& snapshot);
    void ClearVariables();
    std::optional<double> Variable(const std::string& name) const;

    // The object's model transform: its ancestors' move acts root first,
    // then its own (column-major).
    Mat4 ObjectMatrix(int object) const;
    // The colour the object is drawn in instead of its materials': the last
    // matching colour act, else green when it is the selected object.
    std::optional<std::array<std::uint8_t, 3>> ColourOverride(int object) const;
    bool Hidden(int object) const;

    // The object under window pixel (x, y) (origin top left) seen through
    // `camera` in a width x height viewport: the nearest hit along the ray,
    // -1 when the ray hits nothing. Hidden objects cannot be picked.
    int Pick(float x, float y, int width, int height, const PreviewCamera& camera) const;

    int selected = -1;

private:
    Model3ds model_;
    SceneDescription description_;
    std::vector<std::optional<RgbImage>> textures_;
    std::map<std::string, double> variables_;
};

}  // namespace velmora
