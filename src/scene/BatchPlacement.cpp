#include "scene/BatchPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora {
namespace {

constexpr std::int64_t kOrigin = 100;  // the canvas offset of the box's corner
constexpr float kPi = 3.14f;           // the canvas's value, kept for identical points

std::int32_t Coordinate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

void PlaceMatrix(const BatchSettings& s, BatchPlacement& out) {
    const std::int64_t columns = s.perRow, rows = s.perColumn;
    for (std::int64_t r = 0; r < rows; ++r)
        for (std::int64_t i = 0; i < columns; ++i)
            out.points.push_back(
                {Coordinate(s.width * i / columns + kOrigin), Coordinate(s.height * r / rows + kOrigin)});
    out.initX = s.perRow;
    out.initY = s.perColumn;
}

void PlaceCircle(const BatchSettings& s, BatchPlacement& out) {
    const std::int64_t count = s.perColumn;
    const std::int64_t radius = s.width / 2;
    const auto rho = static_cast<float>(radius);
    for (std::int64_t k = 0; k < count; ++k) {
        const std::int64_t theta = 360 * k / count;
        std::int64_t phi = theta;
        float sx = 1.0f, sy = 1.0f;
        if (theta >= 270) {
            phi = 360 - theta;
            sx = -1.0f;
        } else if (theta >= 180) {
            phi = theta - 180;
            sx = -1.0f;
            sy = -1.0f;
        } else if (theta >= 90) {
            phi = 180 - theta;
            sy = -1.0f;
        }
        const float a = static_cast<float>(phi) / 180.0f * kPi;
        const auto x = static_cast<std::int64_t>(std::trunc(rho * sx * std::sin(a) + rho));
        auto y = static_cast<std::int64_t>(std::trunc(rho * sy * std::cos(a) + rho));
        y = y * s.height / s.width;
        out.points.push_back({Coordinate(x + kOrigin), Coordinate(y + kOrigin)});
    }
}

}  // namespace

std::int64_t BatchCount(const BatchSettings& s) {
    if (s.perColumn < 1 || s.width < 1 || s.height < 1) return 0;
    if (s.circle) return s.perColumn;
    if (s.perRow < 1) return 0;
    return std::int64_t{s.perRow} * s.perColumn;
}

BatchPlacement PlaceBatch(const BatchSettings& settings, std::int64_t maxCount) {
    BatchPlacement out;
    const std::int64_t count = BatchCount(settings);
    if (count == 0 || count > maxCount) return out;
    out.points.reserve(static_cast<std::size_t>(count));
    if (settings.circle) PlaceCircle(settings, out);
    else PlaceMatrix(settings, out);
    return out;
}

}  // namespace velmora
