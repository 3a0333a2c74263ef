#pragma once
// Replacing a file so that a crash or a failed write never leaves it half
// written: the bytes go to a temporary file beside the target, are flushed to
// disk, and the temporary file is renamed over the target.

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// Writes `bytes` as the new content of `target`. An existing target keeps its
// permission bits (and, where the process may, its owner); a new one gets
// 0666 less the umask. A symbolic link is followed, so the file it points to
// is replaced, not the link. On failure the temporary file is removed, the
// old target is untouched and *error says why.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string* error = nullptr);

// A save in progress holds its temporary file (".NAME.tmpXXXXXX" beside
// NAME) locked until the rename; one whose writer was killed is left behind
// unlocked. Removes those of `target` that are unlocked and untouched for
// kStaleTemporaryAge, so a concurrent save's file is never taken. Returns how
// many were removed. WriteFileAtomically calls it before each save; loaders of
// the files users save (scene, shows) call it too.
inline constexpr int kStaleTemporaryAgeSeconds = 60;
int RemoveStaleTemporaryFiles(const std::filesystem::path& target);

}  // namespace velmora
