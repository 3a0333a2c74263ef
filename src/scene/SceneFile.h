#pragma once
// spring.ini: every key in section "main", written in a fixed order.
//
// The output image is not the loader's: after a load the caller rebuilds it
// from the new channel table (OutputImage::Reallocate) under the output lock.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/RetainedProfile.h"

#include "scene/Scene.h"

namespace velmora {

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

// The stored forms (StoredForm) of the records a profile holds, by index.
struct SceneFileRecords {
    std::vector<std::string> springs;
    std::vector<std::string> groups;
    std::vector<std::string> channels;
};

// Writes every key back, keeping everything else in the file (the music and
// program lists share it). A file that exists but cannot be read is left
// alone and false returned, since writing it would lose those sections.
bool SaveScene(const std::filesystem::path& path, const Scene& scene, std::string* error = nullptr);
void SaveScene(Profile& profile, const Scene& scene);
// Sets the settings, the counts and every key of each record whose form
// differs from the one `written` holds at its index, and records the new
// forms: with the forms of what `profile` holds, only changed records are
// set; with none, every key is.
void SaveScene(Profile& profile, const Scene& scene, SceneFileRecords& written);

// The scene file of an editing session. After the first save, while the file
// on disk is still the one this session wrote, the next save starts from the
// profile it kept and sets only the keys of records changed since, so saving
// a large scene after a small edit costs little more than writing the bytes.
// The first save after a load sets every key, as SaveScene does.
class SceneFileSession {
public:
    bool Load(const std::filesystem::path& path, Scene& scene, std::string* error = nullptr);
    bool Save(const std::filesystem::path& path, const Scene& scene, std::string* error = nullptr);

private:
    RetainedProfile file_;
    SceneFileRecords written_;
};

}  // namespace velmora
