#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SimServer.h"

namespace velmora::sim {

// {"endpoints":[{"listen", "connections", "requests", "lastRequestBytes", "units":[{"unit",
// "holding":{"ADDRESS":value}, "coils":{"ADDRESS":0|1}, "f0":"hex"}]}]} with
// 0-based decimal addresses, only those ever written.
std::string DumpJson(const std::vector<std::unique_ptr<Endpoint>>& endpoints);

// Writes the dump through a temporary file and a rename, so a reader never
// sees half of it. False with a reason on failure.
bool WriteDump(const std::filesystem::path& path, const std::vector<std::unique_ptr<Endpoint>>& endpoints,
               std::string* error);

}  // namespace velmora::sim
