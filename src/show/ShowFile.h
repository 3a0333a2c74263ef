#pragma once
// The .tlf show file: section "main" holds mutiMusic, section "TimeLine" the
// layers and blocks.

#include <filesystem>
#include <mutex>
#include <string>

#include "show/Show.h"

namespace velmora {

class Profile;
class Prompter;
class Scene;

// Replaces the show's layers and blocks with the file's and sets the scale to
// 50. Layer names are rebuilt from `scene` (nullptr: no scene, names empty).
// A missing file gives the empty show; returns false only when the file
// exists but cannot be read (the show is then the empty show too).
bool LoadShow(const std::filesystem::path& path, Show& show, const Scene* scene,
              std::string* error = nullptr);
void LoadShow(const Profile& profile, Show& show, const Scene* scene);

// Asks "是否保存被修改的文件？" when the show is modified (anything but Yes
// writes nothing and keeps the flag), rescales to 50, clears the flag and
// writes every key while holding `outputLock`. Returns whether the file was written.
bool SaveShow(const std::filesystem::path& path, Show& show, Prompter& prompter,
              std::mutex& outputLock, std::string* error = nullptr);
void SaveShow(Profile& profile, const Show& show);

}  // namespace velmora
