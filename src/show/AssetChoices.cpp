#include "show/AssetChoices.h"

#include <algorithm>
#include <system_error>

namespace velmora {

namespace {

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> AssetFileNames(const std::filesystem::path& dir, std::string_view extension) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(dir, error);
    if (error) return names;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::filesystem::directory_entry& entry = *it;
        std::error_code typeError;
        if (!entry.is_regular_file(typeError)) continue;
        const std::string name = entry.path().filename().string();
        if (name.size() <= extension.size()) continue;  // ".motor" alone names no program
        if (SameIgnoringAsciiCase(std::string_view(name).substr(name.size() - extension.size()), extension))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace velmora
