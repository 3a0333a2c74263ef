#pragma once
// The committed MP3 fixtures made by scripts/make-fixtures.sh.

#include <filesystem>

namespace velmora::testing {

inline std::filesystem::path Fixture(const char* name) {
    return std::filesystem::path(__FILE__).parent_path() / "fixtures" / name;
}

}  // namespace velmora::testing
