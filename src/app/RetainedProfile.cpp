#include "app/RetainedProfile.h"

namespace velmora {

bool RetainedProfile::Open(const std::filesystem::path& path, std::string* error) {
    const std::optional<FileStamp> now = StampOf(path);
    kept_ = stamp_ && now && *stamp_ == *now && profile_.path() == path && !profile_.modified();
    if (kept_) return true;
    stamp_.reset();
    const bool read = profile_.Load(path, error);
    if (read && profile_.existed()) stamp_ = now;
    if (read) return true;
    // A missing file is no error here: the save creates it. One whose
    // existence cannot be established is not taken for missing.
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    return !profile_.existed() && !exists && !ec;
}

bool RetainedProfile::Save(std::string* error) {
    if (!profile_.Save(error)) {
        Forget();
        return false;
    }
    Remember();
    return true;
}

void RetainedProfile::Remember() {
    stamp_ = StampOf(profile_.path());
}

void RetainedProfile::Forget() {
    stamp_.reset();
    kept_ = false;
}

}  // namespace velmora
