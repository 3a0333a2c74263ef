#pragma once
// The committed MP3 fixtures made by scripts/make-fixtures.sh.

#include <filesystem>

#include "app/SourceDir.h"

namespace velmora::testing {

inline std::filesystem::path Fixture(const char* name) {
    return SourceDir() / "tests" / "media" / "fixtures" / name;
}

}  // namespace velmora::testing
