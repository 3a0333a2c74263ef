#pragma once
#include <string>

namespace velmora {

// A block position as the file holds it: "%0.2f".
std::string FormatBlockTime(float value);

}  // namespace velmora
