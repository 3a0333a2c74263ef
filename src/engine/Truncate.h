#pragma once
// Float-to-integer truncation toward zero, as a C cast does, but defined for
// every input: values beyond the int range saturate and NaN gives 0. Show
// files and asset files can hold any number, and a plain cast of an
// out-of-range float is undefined behaviour.

#include <cmath>
#include <cstdint>
#include <limits>

namespace velmora {

inline std::int32_t TruncToInt32(float value) {
    if (std::isnan(value)) return 0;
    // 2^31 is exactly representable as a float; everything below it fits.
    if (value >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

inline std::int32_t TruncToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

inline std::int64_t TruncToInt64(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775808.0f) return std::numeric_limits<std::int64_t>::max();
    if (value <= -9223372036854775808.0f) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

inline std::int32_t SaturateToInt32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

}  // namespace velmora
