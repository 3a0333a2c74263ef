#pragma once
// spring.ini: every key in section "main", written in a fixed order.
//
// The output image is not the loader's: after a load the caller rebuilds it
// from the new channel table (OutputImage::Reallocate) under the output lock.

#include <cstdint>
#include <filesystem>
#include <string>

#include "scene/Scene.h"

namespace velmora {

class Profile;

inline constexpr const char* kSceneSection = "main";

// Bounds on the stored counts. A damaged count larger than these is cut (and
// logged) so it cannot make the loader allocate without end; fuzzers lower
// them to stay fast.
struct SceneLimits {
    std::int32_t maxSprings = Scene::kMaxSprings;
    std::int32_t maxGroups = Scene::kMaxGroups;
};

// Appends the file's springs and groups to the scene's lists, fills the
// settings and the channel table, and reindexes. A missing file or key yields
// the defaults. Returns false (with the reason) only when the file exists but
// cannot be read; the scene then holds the defaults.
bool LoadScene(const std::filesystem::path& path, Scene& scene, std::string* error = nullptr);
void LoadScene(const Profile& profile, Scene& scene, const SceneLimits& limits = {});

// Writes every key back, keeping everything else in the file (the music and
// program lists share it). A file that exists but cannot be read is left
// alone and false returned, since writing it would lose those sections.
bool SaveScene(const std::filesystem::path& path, const Scene& scene, std::string* error = nullptr);
void SaveScene(Profile& profile, const Scene& scene);

}  // namespace velmora
