#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "Json.h"

namespace velmora::cli {

double JsonFloat(float value) {
    if (!std::isfinite(value)) return 0.0;  // JSON has no NaN or infinity
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer - 1, value);
    *result.ptr = '\0';
    return std::strtod(buffer, nullptr);
}

}  // namespace velmora::cli
