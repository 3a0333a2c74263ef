#include "app/Workspace.h"

#include <cstdlib>
#include <system_error>

namespace velmora {
namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

}  // namespace

std::filesystem::path ExecutableDirectory() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path();
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : cwd;
}

std::filesystem::path ResolveWorkspaceRoot(const std::optional<std::filesystem::path>& option,
                                           const char* envHome,
                                           const std::filesystem::path& exeDir) {
    if (option && !option->empty()) return *option;
    if (envHome != nullptr && *envHome != '\0') return std::filesystem::path(envHome);
    return exeDir;
}

std::optional<std::filesystem::path> FindEntry(const std::filesystem::path& dir, std::string_view name) {
    if (!IsPlainName(name)) return std::nullopt;
    std::error_code ec;
    const std::filesystem::path exact = dir / std::filesystem::path(name);
    if (std::filesystem::exists(std::filesystem::symlink_status(exact, ec))) return exact;

    std::optional<std::string> best;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) return std::nullopt;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::string candidate = it->path().filename().string();
        if (EqualsIgnoringAsciiCase(candidate, name) && (!best || candidate < *best)) {
            best = std::move(candidate);
        }
    }
    if (!best) return std::nullopt;
    return dir / *best;
}

std::string StoredFileName(std::string_view text) {
    const std::size_t sep = text.find_last_of("\\/");
    return std::string(sep == std::string_view::npos ? text : text.substr(sep + 1));
}

std::filesystem::path ResolveStored(const std::filesystem::path& dir, std::string_view storedPath) {
    const std::string file = StoredFileName(storedPath);
    if (!IsPlainName(file)) return {};
    if (auto found = FindEntry(dir, file)) return *found;
    return dir / file;
}

Workspace::Workspace(std::filesystem::path root) : root_(std::move(root)) {}

Workspace Workspace::FromEnvironment(const std::optional<std::filesystem::path>& option) {
    if (option && !option->empty()) return Workspace(*option);
    return Workspace(ResolveWorkspaceRoot(option, std::getenv(kWorkspaceEnv), ExecutableDirectory()));
}

std::filesystem::path Workspace::InRoot(std::string_view name) const {
    if (auto found = FindEntry(root_, name)) return *found;
    return root_ / std::filesystem::path(name);
}

std::filesystem::path Workspace::ConfigIni() const {
    return InRoot("config.ini");
}

std::filesystem::path Workspace::SpringIni() const {
    return InRoot("spring.ini");
}

std::filesystem::path Workspace::AssetDir(std::string_view name) const {
    if (!IsPlainName(name)) return root_;
    return InRoot(name);
}

}  // namespace velmora
