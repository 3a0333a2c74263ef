#pragma once
// JSON views of core records for the command-line tool. Field names are the
// file keys and member names, so output can be checked against the files.

#include <nlohmann/json.hpp>

#include "scene/Scene.h"
#include "show/Show.h"

namespace velmora::cli {

nlohmann::ordered_json SceneToJson(const Scene& scene);
nlohmann::ordered_json ShowToJson(const Show& show);

// UTF-8 text; malformed bytes are replaced rather than aborting the dump.
std::string Dump(const nlohmann::ordered_json& json);

}  // namespace velmora::cli

namespace velmora::cli {
// The shortest decimal that reads back as the same float, so 10.7f prints as
// 10.7 and not as the double 10.699999809265137.
double JsonFloat(float value);
}  // namespace velmora::cli
