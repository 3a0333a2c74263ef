#include "manual/MovingHeadRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

TEST(MovingHeadRecordTest, EachParameterLandsInItsByte) {
    EXPECT_EQ(MovingHeadHex(ComposeMovingHeadRecord({})), "0x" + std::string(32, '0'));

    MovingHeadParams xy;
    xy.x = 16;
    xy.y = 255;
    EXPECT_EQ(MovingHeadHex(ComposeMovingHeadRecord(xy)), "0x10FF" + std::string(28, '0'));

    MovingHeadParams reset;
    reset.reset = 1;
    EXPECT_EQ(MovingHeadHex(ComposeMovingHeadRecord(reset)), "0x" + std::string(30, '0') + "01");

    // Bytes 4, 7, 8, 9 in turn; 2, 3, 5, 6 and 10..14 stay 0.
    const MovingHeadParams all{1, 2, 0xA4, 0xB7, 0xC8, 0xD9, 0xEF};
    EXPECT_EQ(MovingHeadHex(ComposeMovingHeadRecord(all)), "0x01020000A40000B7C8D90000000000EF");
}

TEST(MovingHeadRecordTest, ValuesOutsideAByteKeepTheirLowByte) {
    MovingHeadParams odd;
    odd.x = 256 + 0x2A;
    odd.y = -1;
    const MovingHeadRecord record = ComposeMovingHeadRecord(odd);
    EXPECT_EQ(record[0], 0x2A);
    EXPECT_EQ(record[1], 0xFF);
    EXPECT_EQ(MovingHeadHex(record).size(), 34u);
}

}  // namespace
}  // namespace velmora
