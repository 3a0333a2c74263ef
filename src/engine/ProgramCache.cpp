#include "engine/ProgramCache.h"

#include <algorithm>
#include <system_error>

#include "app/Log.h"
#include "app/Profile.h"
#include "app/Workspace.h"
#include "show/Show.h"
#include "show/ShowFile.h"

namespace velmora {
namespace {

constexpr std::size_t kPathBuffer = 256;

bool IsFile(const std::filesystem::path& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::filesystem::path ResolveProgramPath(const Workspace& workspace, const std::string& storedPath) {
    if (storedPath.empty()) return {};
    std::string portable = storedPath;
    std::replace(portable.begin(), portable.end(), '\\', '/');
    std::filesystem::path direct(portable);
    if (direct.is_relative()) direct = workspace.root() / direct;
    if (IsFile(direct)) return direct;
    const std::filesystem::path fallback = ResolveStored(workspace.AssetDir("Program"), storedPath);
    if (IsFile(fallback)) return fallback;
    return {};
}

std::vector<std::shared_ptr<const ProgramCache>> LoadProgramList(const Profile& sceneProfile,
                                                                 const Workspace& workspace,
                                                                 const Scene& scene) {
    std::vector<std::shared_ptr<const ProgramCache>> programs;
    std::int32_t count = sceneProfile.GetInt(kProgramListSection, "ProgramCount", 0);
    if (count > kMaxProgramEntries) {
        LogMessage("program list: ProgramCount %d cut to %d", count, kMaxProgramEntries);
        count = kMaxProgramEntries;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string stored =
            sceneProfile.GetString(kProgramListSection, "pro" + std::to_string(i) + "_path", "", kPathBuffer);
        const std::filesystem::path prog = ResolveProgramPath(workspace, stored);
        if (prog.empty()) continue;

        const std::string showName = prog.filename().string() + ".tlf";
        const std::filesystem::path showPath = ResolveStored(prog.parent_path(), showName);
        Show show;
        std::string error;
        if (!LoadShow(showPath, show, &scene, &error))
            LogMessage("program %s: %s", showPath.string().c_str(), error.c_str());
        auto record = std::make_shared<ProgramCache>();
        record->m_szName = StoredFileName(stored);
        record->m_listLayers = std::move(show.layers);
        record->m_listBlocks = std::move(show.blocks);
        programs.push_back(std::move(record));
    }
    return programs;
}

}  // namespace velmora
