#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora {
class Runtime;
}

namespace velmora::cli {

struct Context {
    std::optional<std::filesystem::path> workspace;
    std::vector<std::string> args;  // after the command name
};

// Prints "velmora-cli: <reason>" on stderr and returns the failure status.
int Fail(const std::string& reason);
void Warn(const std::string& text);

// Starts `runtime` on its workspace for looking only (its lists are not
// saved at shutdown) and loads `show`; an empty text, else why it could not
// (with the command's name in front). `warnDefaultScene` warns when the
// workspace has no scene file.
std::string OpenShowForLooking(Runtime& runtime, const std::filesystem::path& show, bool warnDefaultScene);
// Starts the runtime on the workspace; a missing scene file is only a
// warning. On failure `status` holds the exit status to return.
bool StartRuntime(Runtime& runtime, int& status);

int RunScene(const Context& context);
int RunShow(const Context& context);
int RunAsset(const Context& context);
int RunCompile(const Context& context);
int RunAnalyse(const Context& context);
int RunPlay(const Context& context);
int RunRender(const Context& context);
int RunPreview(const Context& context);
int RunEdit(const Context& context);
// Exit 0 without errors, 1 with errors, 2 for a usage error.
int RunCheck(const Context& context);

}  // namespace velmora::cli
