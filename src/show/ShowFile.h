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

// Asked before a modified show is written.
inline constexpr const char* kSaveModifiedShowQuestion = "是否保存被修改的文件？";

// Replaces the show's layers and blocks with the file's and sets the scale to
// 50. Layer names are rebuilt from `scene` (nullptr: no scene, names empty).
// A missing file gives the empty show; returns false only when the file
// exists but cannot be read (the show is then the empty show too).
bool LoadShow(const std::filesystem::path& path, Show& show, const Scene* scene,
              std::string* error = nullptr);
void LoadShow(const Profile& profile, Show& show, const Scene* scene);

// Asks "是否保存被修改的文件？" when the show is modified (anything but Yes
// writes nothing and keeps the flag), then, holding `outputLock`, rescales to
// 50, clears the flag and sets every key; the atomic disk write follows
// after the lock is released. Keys already in the file stay. A file that
// exists but cannot be read is not replaced, and a failed write marks the
// show modified again. Returns whether the file was written.
bool SaveShow(const std::filesystem::path& path, Show& show, Prompter& prompter,
              std::mutex& outputLock, std::string* error = nullptr);
// Sets every key of the show in `profile`, positions converted to scale 50.
void SaveShow(Profile& profile, const Show& show);

}  // namespace velmora
