#include <filesystem>

#include "Commands.h"
#include "runtime/Runtime.h"

namespace velmora::cli {

namespace fs = std::filesystem;

std::string OpenShowForLooking(Runtime& runtime, const fs::path& show, bool warnDefaultScene) {
    runtime.SetSavesListsAtShutdown(false);  // looking writes nothing
    if (!fs::is_directory(runtime.workspace().root()))
        return "workspace " + runtime.workspace().root().string() + " is not a directory";
    std::string error;
    if (!runtime.Startup(&error)) return "cannot read " + runtime.g_strSpringIni.string() + ": " + error;
    if (warnDefaultScene && !fs::exists(runtime.g_strSpringIni))
        Warn(runtime.g_strSpringIni.string() + " not found; using the default scene");
    if (!fs::exists(show)) Warn(show.string() + " not found; using the empty show");
    if (!runtime.LoadShowFile(show, &error)) return "cannot read " + show.string() + ": " + error;
    return {};
}

}  // namespace velmora::cli
