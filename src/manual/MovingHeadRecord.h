#pragma once
// The 16-byte fixture record of a moving-head light, composed from its seven
// parameters, and the text a 512 moving-head table holds for one cell:
// "0x" and 32 upper-case hexadecimal digits, bytes 0..15 in order.
//
// Thread contract: plain values and functions; any thread.

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

struct MovingHeadParams {
    std::int32_t x = 0;           // "X轴", byte 0
    std::int32_t y = 0;           // "Y轴", byte 1
    std::int32_t xySpeed = 0;     // "XY轴速度", byte 4
    std::int32_t shutter = 0;     // "开光", byte 7
    std::int32_t colour = 0;      // "颜色", byte 8
    std::int32_t halfColour = 0;  // "半色", byte 9
    std::int32_t reset = 0;       // "复位", byte 15
};

using MovingHeadRecord = std::array<std::uint8_t, 16>;

// Each value's low byte at its place; every other byte 0.
MovingHeadRecord ComposeMovingHeadRecord(const MovingHeadParams& params);

// "0x" followed by the 16 bytes as two upper-case hexadecimal digits each.
std::string MovingHeadHex(const MovingHeadRecord& record);

}  // namespace velmora
