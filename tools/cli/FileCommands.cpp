// The scene and show commands: load, optionally save back, print.

#include <filesystem>
#include <iostream>

#include "Commands.h"
#include "Json.h"
#include "app/Prompter.h"
#include "runtime/Runtime.h"

namespace velmora::cli {

namespace fs = std::filesystem;

int Fail(const std::string& reason) {
    std::cerr << "velmora-cli: " << reason << "\n";
    return 1;
}

void Warn(const std::string& text) { std::cerr << "velmora-cli: warning: " << text << "\n"; }

namespace {

bool TakeFlag(std::vector<std::string>& args, const std::string& flag) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == flag) {
            args.erase(it);
            return true;
        }
    }
    return false;
}

}  // namespace

// Starts the runtime on the workspace; a missing scene file is only a warning.
bool StartRuntime(Runtime& runtime, int& status) {
    if (!fs::is_directory(runtime.workspace().root())) {
        status = Fail("workspace " + runtime.workspace().root().string() + " is not a directory");
        return false;
    }
    std::string error;
    if (!runtime.Startup(&error)) {
        status = Fail("cannot read " + runtime.g_strSpringIni.string() + ": " + error);
        return false;
    }
    if (!fs::exists(runtime.g_strSpringIni))
        Warn(runtime.g_strSpringIni.string() + " not found; using the default scene");
    return true;
}

int RunScene(const Context& context) {
    std::vector<std::string> args = context.args;
    const bool resave = TakeFlag(args, "--resave");
    if (!args.empty()) return Fail("scene: unexpected argument '" + args.front() + "'");
    Runtime runtime(Workspace::FromEnvironment(context.workspace));
    runtime.SetSavesListsAtShutdown(false);  // inspecting writes nothing
    int status = 0;
    if (!StartRuntime(runtime, status)) return status;
    if (resave) {
        std::string error;
        if (!runtime.SaveSceneFile(&error))
            return Fail("cannot save " + runtime.g_strSpringIni.string() + ": " + error);
    }
    std::cout << Dump(SceneToJson(runtime.scene)) << "\n";
    return 0;
}

int RunShow(const Context& context) {
    std::vector<std::string> args = context.args;
    const bool resave = TakeFlag(args, "--resave");
    if (args.size() != 1) return Fail("show: expected one FILE.tlf");
    const fs::path file = fs::absolute(args.front());
    Runtime runtime(Workspace::FromEnvironment(context.workspace));
    runtime.SetSavesListsAtShutdown(false);  // inspecting writes nothing
    int status = 0;
    if (!StartRuntime(runtime, status)) return status;
    std::string error;
    if (!fs::exists(file)) Warn(file.string() + " not found; using the empty show");
    if (!runtime.LoadShowFile(file, &error)) return Fail("cannot read " + file.string() + ": " + error);
    if (resave) {
        RecordingPrompter yes(true);  // the command line answers Yes to the save question
        if (!runtime.SaveShowFile(file, yes, &error))
            return Fail("cannot save " + file.string() + ": " + error);
    }
    std::cout << Dump(ShowToJson(runtime.show)) << "\n";
    return 0;
}

}  // namespace velmora::cli
