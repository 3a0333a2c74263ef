#pragma once
// Programs (sub-shows): a settings file "<name>.prog" in the Program folder
// and its show "<name>.prog.tlf". The scene file's [ProgramList] names the
// .prog paths; their shows are loaded once, at start-up.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "show/Layer.h"
#include "show/TimeBlock.h"

namespace velmora {

class Profile;
class Scene;
class Workspace;

inline constexpr const char* kProgramListSection = "ProgramList";
// Program lists hold tens of entries; a larger count is damage.
inline constexpr std::int32_t kMaxProgramEntries = 10000;

struct ProgramCache {
    std::string m_szName;  // file part of the .prog path
    std::vector<Layer> m_listLayers;
    std::vector<TimeBlock> m_listBlocks;
};

// Where the .prog file of a stored path is: the path itself (relative paths
// from the workspace root, '\' read as '/'), else the file of that name in
// the Program folder; empty when neither exists.
std::filesystem::path ResolveProgramPath(const Workspace& workspace, const std::string& storedPath);

// One record per entry of [ProgramList] (ProgramCount, pro%d_path) whose
// file exists, in list order, each with its show loaded (layer names from
// `scene`). Entries whose file cannot be found are skipped silently.
std::vector<std::shared_ptr<const ProgramCache>> LoadProgramList(const Profile& sceneProfile,
                                                                 const Workspace& workspace,
                                                                 const Scene& scene);

}  // namespace velmora
