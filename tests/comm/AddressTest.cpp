#include "comm/Address.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(AddressTest, LightSlotMustLieInOneUniverse) {
    EXPECT_EQ(ParseLightAddress("12;3").reg, 12);
    EXPECT_EQ(ParseLightAddress("12;3").sub, 3);
    EXPECT_EQ(ParseLightAddress("12;1").sub, 1);
    EXPECT_EQ(ParseLightAddress("12;170").sub, 170);

    for (const char* text : {"12;0", "12;171", "12;-1"}) {
        const ParsedAddress a = ParseLightAddress(text);
        EXPECT_EQ(a.reg, 12) << text;
        EXPECT_EQ(a.sub, -1) << text;
    }
}

TEST(AddressTest, SwitchBitMustFitARegister) {
    EXPECT_EQ(ParseSwitchAddress("12;0").sub, 0);
    EXPECT_EQ(ParseSwitchAddress("12;15").sub, 15);
    EXPECT_EQ(ParseSwitchAddress("12;16").sub, -1);
    EXPECT_EQ(ParseSwitchAddress("12;-1").sub, -1);
    EXPECT_EQ(ParseSwitchAddress("12;16").reg, 12);
}

TEST(AddressTest, RegisterFormHasNoSubAddress) {
    for (const auto parse : {ParseSwitchAddress, ParseLightAddress}) {
        const ParsedAddress a = parse("12");
        EXPECT_EQ(a.reg, 12);
        EXPECT_EQ(a.sub, -1);
        EXPECT_EQ(parse("").reg, 0);
        EXPECT_EQ(parse("").sub, -1);
    }
}

TEST(AddressTest, RegisterIsTheLeadingNumberOnly) {
    // Without leading digits the register is 0, which names nothing.
    EXPECT_EQ(ParseSwitchAddress("abc").reg, 0);
    EXPECT_EQ(ParseSwitchAddress("R12;3").reg, 0);
    EXPECT_EQ(ParseSwitchAddress("R12;3").sub, 3);
    EXPECT_EQ(ParseSwitchAddress("7x;2").reg, 7);
    EXPECT_EQ(ParseSwitchAddress("  -4;2").reg, -4);
    EXPECT_EQ(ParseSwitchAddress("+9").reg, 9);
}

TEST(AddressTest, SubAddressIsReadAfterTheFirstSemicolon) {
    EXPECT_EQ(ParseSwitchAddress("5;3;9").sub, 3);
    EXPECT_EQ(ParseLightAddress("5; 42").sub, 42);
    EXPECT_EQ(ParseLightAddress("5;7abc").sub, 7);
    // Nothing readable after the semicolon reads as 0: a bit for switches,
    // out of range for lights.
    EXPECT_EQ(ParseSwitchAddress("5;").sub, 0);
    EXPECT_EQ(ParseLightAddress("5;").sub, -1);
    EXPECT_EQ(ParseLightAddress("5;;3").sub, -1);
}

TEST(AddressTest, RunawayDigitsWrapInsteadOfOverflowing) {
    // 2^32 + 12 wraps to 12; the sub-address must not come out in range by
    // accident of an overflow either.
    EXPECT_EQ(ParseSwitchAddress("4294967308").reg, 12);
    EXPECT_EQ(ParseSwitchAddress("2147483648;1").reg, INT32_MIN);
    EXPECT_EQ(ParseLightAddress("8589934593").reg, 1);  // 2 * 2^32 + 1
    EXPECT_EQ(ParseLightAddress("1;4294967299").sub, 3);
    EXPECT_EQ(ParseSwitchAddress("1;2147483648").sub, -1);
}

}  // namespace
}  // namespace velmora
