#pragma once
// The transport control's adjusters: the preparation time in steps of 100 ms
// (kept within 0..9900 when it starts from a multiple of 100) and the
// timeline scale in the steps 50, 25, 10 ms per unit.
//
// Thread contract: pure functions.

#include <cstdint>

namespace velmora {

// "+" button: 100 more while below 9900.
constexpr std::int32_t PrepareTimeUp(std::int32_t ms) {
    return ms < 9900 ? ms + 100 : ms;
}
// "-" button: 100 less while at least 100.
constexpr std::int32_t PrepareTimeDown(std::int32_t ms) {
    return ms >= 100 ? ms - 100 : ms;
}
// Zoom in: 50 -> 25 -> 10; 10 stays (any other scale stays too).
constexpr std::int32_t ScaleFiner(std::int32_t scale) {
    return scale == 50 ? 25 : scale == 25 ? 10 : scale;
}
// Zoom out: 10 -> 25 -> 50; 50 stays.
constexpr std::int32_t ScaleCoarser(std::int32_t scale) {
    return scale == 10 ? 25 : scale == 25 ? 50 : scale;
}

}  // namespace velmora
