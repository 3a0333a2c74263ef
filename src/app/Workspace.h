#pragma once
// The workspace: the folder that holds config.ini, the scene file spring.ini
// and the asset folders (the installation folder of the Windows program).
// Installations copied from Windows differ from what the files name in letter
// case ("Spring.ini", "motor" vs "Motor") and store paths with '\', so every
// lookup here is ASCII case-insensitive and takes the file part of a stored
// path after the last '\' or '/'.
//
// Thread contract: a Workspace is an immutable value; lookups only read the
// file system and may run on any thread.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr const char* kWorkspaceEnv = "VELMORA_HOME";

// The folder of the running executable (/proc/self/exe's parent); the current
// directory when that link cannot be read.
std::filesystem::path ExecutableDirectory();

// `--workspace DIR` when given (and not empty), else `envHome` when set and
// not empty, else `exeDir`.
std::filesystem::path ResolveWorkspaceRoot(const std::optional<std::filesystem::path>& option,
                                           const char* envHome,
                                           const std::filesystem::path& exeDir);

// The entry of `dir` named `name`: the exact name when it exists, else the
// first (in byte order) whose name matches ignoring ASCII case. nullopt when
// there is none, when `dir` cannot be read, or when `name` is empty, "." or
// ".." or contains a '/'.
std::optional<std::filesystem::path> FindEntry(const std::filesystem::path& dir,
                                               std::string_view name);

// What follows the last '\' or '/' of a stored path ("Motor\\a.mot" -> "a.mot").
std::string StoredFileName(std::string_view text);

// The file of a stored path looked up in `dir`: found case-insensitively, or
// dir / file part when no such entry exists yet. An empty path when the file
// part is empty, "." or "..", so a stored path can never name `dir` itself or
// leave it.
std::filesystem::path ResolveStored(const std::filesystem::path& dir, std::string_view storedPath);

class Workspace {
public:
    explicit Workspace(std::filesystem::path root);

    // From the command-line option, $VELMORA_HOME and the executable's folder.
    static Workspace FromEnvironment(const std::optional<std::filesystem::path>& option);

    const std::filesystem::path& root() const { return root_; }

    // root/"config.ini" (or its case variant when only that exists).
    std::filesystem::path ConfigIni() const;
    // root/"spring.ini" (or its case variant, e.g. "Spring.ini").
    std::filesystem::path SpringIni() const;
    // An asset folder such as "Motor", found case-insensitively; root/name
    // when absent; root itself for an empty name or one that would leave it.
    std::filesystem::path AssetDir(std::string_view name) const;

private:
    std::filesystem::path InRoot(std::string_view name) const;

    std::filesystem::path root_;
};

}  // namespace velmora
