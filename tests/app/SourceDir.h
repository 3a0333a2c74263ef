#pragma once
// The source tree, for tests that read committed files (fixtures, the demo).
// ctest names it in VELMORA_SOURCE_DIR; a test binary run by hand falls back
// to this header's own location, which a compiler cache may have made
// relative to the build folder.

#include <cstdlib>
#include <filesystem>

namespace velmora::testing {

inline std::filesystem::path SourceDir() {
    if (const char* source = std::getenv("VELMORA_SOURCE_DIR"); source != nullptr && *source != '\0') return source;
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

}  // namespace velmora::testing
