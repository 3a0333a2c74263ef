#include "manual/MovingHeadRecord.h"

namespace velmora {

namespace {

std::uint8_t LowByte(std::int32_t value) { return static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFFu); }

}  // namespace

MovingHeadRecord ComposeMovingHeadRecord(const MovingHeadParams& params) {
    MovingHeadRecord record{};
    record[0] = LowByte(params.x);
    record[1] = LowByte(params.y);
    record[4] = LowByte(params.xySpeed);
    record[7] = LowByte(params.shutter);
    record[8] = LowByte(params.colour);
    record[9] = LowByte(params.halfColour);
    record[15] = LowByte(params.reset);
    return record;
}

std::string MovingHeadHex(const MovingHeadRecord& record) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    text.reserve(2 + 2 * record.size());
    for (const std::uint8_t byte : record) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

}  // namespace velmora
