#pragma once
// The .tlf show file: section "main" holds mutiMusic, section "TimeLine" the
// layers and blocks.

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "app/RetainedProfile.h"

#include "show/Show.h"

namespace velmora {

class Prompter;
class Scene;

// Asked before a modified show is written.
inline constexpr const char* kSaveModifiedShowQuestion = "是否保存被修改的文件？";
// The error a save reports when the operator answered No: nothing failed.
inline constexpr const char* kSaveDeclined = "saving was declined";

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

// The stored forms (StoredForm) of the layers and blocks a profile holds, by index.
struct ShowFileRecords {
    std::vector<std::string> layers;
    std::vector<std::string> blocks;
};
// Sets the multiplier, the counts and every key of each layer and block whose
// form differs from the one `written` holds at its index, and records the
// new forms (with none, every key is set).
void SaveShow(Profile& profile, const Show& show, ShowFileRecords& written);

// The show file of an editing session: LoadShow and SaveShow, except that
// after the first save, while the file on disk is still the one this session
// wrote, a save starts from the profile it kept and sets only the keys of
// layers and blocks changed since.
class ShowFileSession {
public:
    bool Load(const std::filesystem::path& path, Show& show, const Scene* scene, std::string* error = nullptr);
    bool Save(const std::filesystem::path& path, Show& show, Prompter& prompter, std::mutex& outputLock,
              std::string* error = nullptr);

private:
    RetainedProfile file_;
    ShowFileRecords written_;
};

}  // namespace velmora
