#pragma once
// "Scene1.ini": which model objects hang below which, the acts that move,
// colour or hide them by the value of a named variable, and the preset
// cameras.
//
// Thread contract: plain values; any thread.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "preview3d/Camera.h"
#include "preview3d/Model3ds.h"

namespace velmora {

class Profile;

enum class ActType : int { Rotate = 1, Translate = 2, ColourIfSet = 3, ColourIfIndex = 4, Hide = 5 };

struct SceneAct {
    ActType type = ActType::Rotate;
    int line = -1;  // object whose first two vertices give the axis, -1 none
    std::string var;
    int index = 0;
    std::array<std::uint8_t, 3> colour{0, 0, 0};
};

// Objects can have at most this many acts.
inline constexpr int kMaxActsPerObject = 5;

struct SceneDescription {
    std::vector<int> parent;                 // per model object, -1 for a root
    std::vector<std::vector<SceneAct>> acts;  // per model object
    std::vector<CameraPose> cameras;          // never empty
};

// Resolves the description against `model` (object names as written in the
// model). Sections naming no object are ignored; a parent naming no object
// makes a root; a parent chain that loops is cut at the object that closes
// the loop, which becomes a root (with a note), so nothing walks forever.
// Notes for the user go to *notes when given.
SceneDescription ReadSceneDescription(const Profile& ini, const Model3ds& model,
                                      std::vector<std::string>* notes);

}  // namespace velmora
