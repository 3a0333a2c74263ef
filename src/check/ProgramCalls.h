#pragma once
// The programs of the workspace's program list and which programs each one
// starts from its program rows, to find programs that start themselves,
// directly or through others (the engine would nest them until its depth
// limit on every tick).

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "show/Show.h"

namespace velmora {

class Profile;
class Scene;
class Workspace;

// The name a block uses for "no program".
inline constexpr const char* kNoProgramName = "---";

// The program names a show starts: blocks on program rows naming something.
std::set<std::string> ProgramsCalledBy(const Show& show);

struct ListedProgram {
    std::string name;                  // file part of the stored .prog path: what blocks name
    std::filesystem::path prog;        // the .prog file
    std::filesystem::path show;        // its .prog.tlf
    bool showExists = false;           // without it the program plays nothing
    std::set<std::string> calls;
};

class ProgramCalls {
public:
    // Reads [ProgramList] of the scene file as the engine does: entries whose
    // .prog cannot be found are not programs the engine can start.
    ProgramCalls(const Profile& sceneProfile, const Workspace& workspace, const Scene& scene);

    // The first entry of that name (as the engine's lookup), or nullptr.
    const ListedProgram* Find(const std::string& name) const;

    // The chain by which `name` starts itself again ("a.prog -> b.prog ->
    // a.prog"); empty when it does not.
    std::vector<std::string> CycleThrough(const std::string& name) const;

private:
    std::vector<ListedProgram> programs_;
};

}  // namespace velmora
