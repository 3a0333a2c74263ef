#pragma once
// The files an asset picker offers: the names in one asset folder that end
// in the asset's extension, as a show stores them (bare file names).
//
// Thread contract: plain function; any thread (it reads the folder).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The regular files of `dir` whose extension is `extension` (".motor"),
// ignoring ASCII case, sorted by name; empty when the folder is missing or
// cannot be read.
std::vector<std::string> AssetFileNames(const std::filesystem::path& dir, std::string_view extension);

}  // namespace velmora
