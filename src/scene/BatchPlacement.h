#pragma once
// Where the batch add ("批量") puts its springs: a matrix of C per row and R
// per column over W x H canvas pixels, or R points around the ellipse in that
// box, with the canvas's own integer divisions, 3.14 for pi and truncation,
// so that a scene built here matches one built by the Windows program point
// for point.
//
// Thread contract: pure functions; any thread.

#include <cstdint>
#include <vector>

namespace velmora {

// The batch-add dialog's values.
struct BatchSettings {
    std::int32_t perRow = 5;     // "每行", C: points per row of the matrix
    std::int32_t perColumn = 5;  // "每列", R: rows of the matrix, or points of the circle
    bool circle = false;         // "排练方式": "圆形" (true) or "矩阵"
    std::int32_t width = 100;    // "宽度", W
    std::int32_t height = 100;   // "高度", H
};

// The dialog's bounds.
inline constexpr std::int32_t kBatchMinCount = 1, kBatchMaxCount = 50;
inline constexpr std::int32_t kBatchMinExtent = 1, kBatchMaxExtent = 500;

struct BatchPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const BatchPoint&) const = default;
};

struct BatchPlacement {
    std::vector<BatchPoint> points;  // in the order the springs are added
    // The group's matrix layout: C and R for a matrix, 0 and 0 for a circle.
    std::int32_t initX = 0;
    std::int32_t initY = 0;
};

// How many springs the settings place: C x R for a matrix, R for a circle;
// 0 when a count or an extent is below 1 (nothing can be placed).
std::int64_t BatchCount(const BatchSettings& settings);

// The points: the matrix row by row (x = W*i/C + 100, y = H*r/R + 100), or
// the circle from the bottom of the ellipse towards the right, the top and
// the left (radius W/2, y scaled by H/W). Empty when BatchCount is 0 or above
// `maxCount`, so a caller bounds the memory a request can take.
BatchPlacement PlaceBatch(const BatchSettings& settings, std::int64_t maxCount);

}  // namespace velmora
