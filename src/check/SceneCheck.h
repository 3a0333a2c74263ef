#pragma once
// Problems of the installation itself: identifiers used twice, group members
// that name no spring, and outputs that cannot be written or that overwrite
// each other in the channel images.

#include <string>

#include "check/CheckReport.h"
#include "scene/Scene.h"

namespace velmora {

// `file` is how the report names the scene file.
void CheckScene(const Scene& scene, const std::string& file, CheckReport& report);

}  // namespace velmora
