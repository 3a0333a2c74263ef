#pragma once
// A file's Profile kept in memory between saves. While the file on disk is
// still the version this profile was read from or last written as, the next
// save starts from it instead of reading and parsing the whole file again,
// and the caller may set only the keys whose values changed since.
//
// Thread contract: a plain value; one thread at a time.

#include <filesystem>
#include <optional>
#include <string>

#include "app/FileStamp.h"
#include "app/Profile.h"

namespace velmora {

class RetainedProfile {
public:
    // Makes profile() the content of `path`: the kept profile when it was
    // read from or saved as exactly the version now on disk, else the file
    // read afresh (a missing file gives an empty profile). Returns false,
    // with the reason, when the file exists but cannot be read, or when
    // whether it exists cannot be told; Save then refuses, as Profile::Save
    // does for an unread file.
    bool Open(const std::filesystem::path& path, std::string* error = nullptr);

    // Whether the last Open kept the profile: every key the last Save wrote
    // is in it and on disk as written.
    bool kept() const { return kept_; }

    Profile& profile() { return profile_; }
    const Profile& profile() const { return profile_; }

    // Writes the profile over its file and remembers the version written.
    // A failure forgets the profile: it then holds values the disk does not,
    // so the next Open must read the file again.
    bool Save(std::string* error = nullptr);

    void Forget();

private:
    void Remember();

    Profile profile_;
    std::optional<FileStamp> stamp_;  // the version on disk that profile_ equals
    bool kept_ = false;
};

}  // namespace velmora
