#include "check/ProgramCalls.h"

#include <system_error>

#include "app/Profile.h"
#include "app/Workspace.h"
#include "engine/ProgramCache.h"
#include "show/ShowFile.h"

namespace velmora {

std::set<std::string> ProgramsCalledBy(const Show& show) {
    std::set<std::string> calls;
    for (const TimeBlock& block : show.blocks) {
        if (block.cannel < 0 || static_cast<std::size_t>(block.cannel) >= show.layers.size()) continue;
        if (show.layers[static_cast<std::size_t>(block.cannel)].type != kLayerProgram) continue;
        if (block.Program.empty() || block.Program == kNoProgramName) continue;
        calls.insert(block.Program);
    }
    return calls;
}

ProgramCalls::ProgramCalls(const Profile& sceneProfile, const Workspace& workspace, const Scene& scene) {
    std::int32_t count = sceneProfile.GetInt(kProgramListSection, "ProgramCount", 0);
    if (count > kMaxProgramEntries) count = kMaxProgramEntries;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string stored =
            sceneProfile.GetString(kProgramListSection, "pro" + std::to_string(i) + "_path", "", 256);
        const std::filesystem::path prog = ResolveProgramPath(workspace, stored);
        if (prog.empty()) continue;
        ListedProgram program;
        program.name = StoredFileName(stored);
        program.prog = prog;
        program.show = ResolveStored(prog.parent_path(), prog.filename().string() + ".tlf");
        std::error_code ec;
        program.showExists = std::filesystem::is_regular_file(program.show, ec);
        Show show;
        if (program.showExists) LoadShow(program.show, show, &scene);
        program.calls = ProgramsCalledBy(show);
        programs_.push_back(std::move(program));
    }
}

const ListedProgram* ProgramCalls::Find(const std::string& name) const {
    for (const ListedProgram& program : programs_)
        if (program.name == name) return &program;
    return nullptr;
}

std::vector<std::string> ProgramCalls::CycleThrough(const std::string& name) const {
    // Breadth-first from the programs `name` starts, remembering how each was
    // reached, until `name` comes round again: the shortest such chain.
    const ListedProgram* origin = Find(name);
    if (origin == nullptr) return {};
    std::map<std::string, std::string> cameFrom;
    std::vector<std::string> frontier;
    for (const std::string& callee : origin->calls) {
        if (cameFrom.emplace(callee, name).second) frontier.push_back(callee);
    }
    while (!frontier.empty() && cameFrom.count(name) == 0) {
        std::vector<std::string> next;
        for (const std::string& current : frontier) {
            const ListedProgram* program = Find(current);
            if (program == nullptr) continue;
            for (const std::string& callee : program->calls)
                if (cameFrom.emplace(callee, current).second) next.push_back(callee);
        }
        frontier = std::move(next);
    }
    if (cameFrom.count(name) == 0) return {};
    std::vector<std::string> chain{name};
    for (std::string at = cameFrom[name]; at != name; at = cameFrom[at]) chain.insert(chain.begin(), at);
    chain.insert(chain.begin(), name);
    return chain;
}

}  // namespace velmora
