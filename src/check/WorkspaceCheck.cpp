#include "check/WorkspaceCheck.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <system_error>

#include "app/Profile.h"
#include "check/AssetProbe.h"
#include "check/ProgramCalls.h"
#include "check/SceneCheck.h"
#include "check/ShowCheck.h"
#include "media/MusicPlayer.h"
#include "media/ProgFile.h"
#include "scene/SceneFile.h"
#include "show/ShowFile.h"

namespace velmora {
namespace fs = std::filesystem;
namespace {

bool EndsWithNoCase(const std::string& text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                  std::tolower(static_cast<unsigned char>(b)); });
}

bool IsRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Inside the workspace: relative to its root; elsewhere: as given.
std::string Label(const Workspace& workspace, const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec).lexically_normal();
    const fs::path root = fs::absolute(workspace.root(), ec).lexically_normal();
    const fs::path relative = absolute.lexically_relative(root);
    if (!relative.empty() && *relative.begin() != ".." && relative != ".") return relative.generic_string();
    return path.string();
}

// The music or program a show file belongs to: its own name without ".tlf".
std::optional<ShowLength> LengthFor(const fs::path& show, const std::string& file, CheckReport& report) {
    const std::string name = show.string();
    if (!EndsWithNoCase(name, ".tlf")) return std::nullopt;
    const fs::path owner = name.substr(0, name.size() - 4);
    if (!IsRegularFile(owner)) return std::nullopt;
    if (EndsWithNoCase(owner.string(), ".prog")) {
        const ProgParams params = ReadProgFile(owner);
        return ShowLength{static_cast<double>(std::int64_t{params.unitMS} * params.num), "program"};
    }
    double ms = 0.0;
    if (!Mp3LengthMs(owner, ms)) {
        report.Add(Severity::Warning, file, "music", "unreadable-music",
                   "the music " + owner.filename().string() + " holds no MPEG audio; block ends are not checked");
        return std::nullopt;
    }
    return ShowLength{ms, "music"};
}

void AddShowFiles(const fs::path& dir, std::vector<fs::path>& out) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && EndsWithNoCase(it->path().filename().string(), ".tlf"))
            out.push_back(it->path());
    }
}

}  // namespace

bool Mp3LengthMs(const fs::path& path, double& ms) {
    Mp3FrameIndex index;
    if (!index.Scan(path) || index.sampleRate == 0) return false;
    ms = static_cast<double>(index.totalSamples) * 1000.0 / index.sampleRate;
    return true;
}

std::vector<fs::path> DefaultShowFiles(const Workspace& workspace) {
    std::vector<fs::path> files;
    for (const char* folder : {"Music", "Program"}) {
        const fs::path dir = workspace.AssetDir(folder);
        if (dir != workspace.root()) AddShowFiles(dir, files);
    }
    std::sort(files.begin(), files.end());
    return files;
}

CheckReport CheckWorkspace(const Workspace& workspace, std::vector<fs::path> shows) {
    CheckReport report;
    const auto label = [&](const fs::path& path) { return Label(workspace, path); };

    const fs::path sceneFile = workspace.SpringIni();
    const std::string sceneLabel = label(sceneFile);
    Profile sceneProfile;
    std::string error;
    Scene scene;
    if (!sceneProfile.Load(sceneFile, &error)) {
        if (sceneProfile.existed())
            report.Add(Severity::Error, sceneLabel, "file", "unreadable-file", "cannot be read: " + error);
        else
            report.Add(Severity::Warning, sceneLabel, "file", "missing-scene",
                       "no scene file: no springs, no groups, every channel without an IP");
    }
    LoadScene(sceneProfile, scene);
    CheckScene(scene, sceneLabel, report);
    if (!scene.settings.g_strLight.empty()) {
        AssetProbe probe(workspace);
        if (auto fault = probe.Probe(AssetKind::Colour, scene.settings.g_strLight))
            report.Add(Severity::Warning, sceneLabel, "strLight", fault->code,
                       fault->message + "; the system light stays dark");
    }

    if (shows.empty()) shows = DefaultShowFiles(workspace);
    AssetProbe assets(workspace);
    const ProgramCalls programs(sceneProfile, workspace, scene);
    std::set<std::string> reportedCycles;
    ShowCheckContext context{scene, assets, programs, reportedCycles, label};
    for (const fs::path& path : shows) {
        const std::string file = label(path);
        ++report.filesChecked;
        Show show;
        if (!IsRegularFile(path)) {
            report.Add(Severity::Error, file, "file", "unreadable-file", "not a regular file");
            continue;
        }
        if (!LoadShow(path, show, &scene, &error)) {
            report.Add(Severity::Error, file, "file", "unreadable-file", "cannot be read: " + error);
            continue;
        }
        const std::optional<ShowLength> length = LengthFor(path, file, report);
        CheckShow(show, file, length, context, report);
    }
    return report;
}

}  // namespace velmora
