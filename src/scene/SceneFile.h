#pragma once
// spring.ini: every key in section "main", written in a fixed order.

#include <filesystem>
#include <string>

#include "scene/Scene.h"

namespace velmora {

class Profile;

// Appends the file's springs and groups to the scene's lists and fills the
// settings and the channel table. A missing file or key yields the defaults.
// Returns false (with the reason) only when the file exists but cannot be read.
bool LoadScene(const std::filesystem::path& path, Scene& scene, std::string* error = nullptr);
void LoadScene(const Profile& profile, Scene& scene);

// Writes every key back, keeping everything else in the file.
bool SaveScene(const std::filesystem::path& path, const Scene& scene, std::string* error = nullptr);
void SaveScene(Profile& profile, const Scene& scene);

}  // namespace velmora
