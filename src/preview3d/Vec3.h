#pragma once
// The little vector algebra the preview's camera, picking and normals share:
// 3-vectors and column-major 4×4 matrices as OpenGL loads them.
//
// Thread contract: plain functions.

#include <array>
#include <cmath>
#include <optional>

namespace velmora {

using Vec3 = std::array<float, 3>;
using Mat4 = std::array<float, 16>;  // column-major, as OpenGL loads it

inline Vec3 Sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3 Add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec3 Scale(const Vec3& a, float s) { return {a[0] * s, a[1] * s, a[2] * s}; }
inline float Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The unit vector along v, or nothing when v has no usable direction (zero,
// or not finite).
inline std::optional<Vec3> Normalised(const Vec3& v) {
    const double length = std::sqrt(static_cast<double>(v[0]) * v[0] + static_cast<double>(v[1]) * v[1] +
                                    static_cast<double>(v[2]) * v[2]);
    if (!(length > 1e-12) || !std::isfinite(length)) return std::nullopt;
    return Vec3{static_cast<float>(v[0] / length), static_cast<float>(v[1] / length),
                static_cast<float>(v[2] / length)};
}

}  // namespace velmora
