#include "app/NumberText.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "app/Profile.h"
#include "comm/Address.h"
#include "engine/Light512Table.h"

namespace velmora {
namespace {

TEST(NumberText, IntegersReadTheLeadingDigitsAndWrapModulo2To32) {
    EXPECT_EQ(TextToInt(" \t-40ms"), -40);
    EXPECT_EQ(TextToInt("+7"), 7);
    EXPECT_EQ(TextToInt("\n12;3"), 12);
    EXPECT_EQ(TextToInt("abc"), 0);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("--5"), 0);
    EXPECT_EQ(TextToInt("- 5"), 0);
    EXPECT_EQ(TextToInt("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(TextToInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
    // Past 32 bits the value wraps as the Windows profile reader's did.
    EXPECT_EQ(TextToInt("2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(TextToInt("4294967295"), -1);
    EXPECT_EQ(TextToInt("4294967308"), 12);
    EXPECT_EQ(TextToInt("-4294967297"), -1);
    EXPECT_EQ(TextToInt("99999999999"), 1215752191);
    // Any number of digits is safe.
    EXPECT_EQ(TextToInt(std::string(10000, '9') + "x"), TextToInt(std::string(10000, '9')));
}

// Every reader of integers in files and addresses converts the same way, so
// a value means the same in a scene key, a show key, an address and a table.
TEST(NumberText, ProfileAddressAndTableReadersShareTheConversion) {
    Profile profile;
    ASSERT_TRUE(profile.LoadFromBytes("[s]\nbig=4294967308\nneg= -7x\n"));
    EXPECT_EQ(profile.GetInt("s", "big", 0), TextToInt("4294967308"));
    EXPECT_EQ(profile.GetInt("s", "neg", 0), -7);
    EXPECT_EQ(ParseSwitchAddress("4294967308;2").reg, 12);
    EXPECT_EQ(ParseSwitchAddress("4294967308;2").sub, 2);

    Light512ComplierCache table;
    ASSERT_EQ(ParseLight512("name,4294967308,-5,x\n", table), Light512Status::Ok);
    EXPECT_EQ(table.m_listColumnValues, (std::vector<std::int32_t>{12, -5, 0}));
}

TEST(NumberText, FloatsReadLikeStrtofInTheCLocale) {
    EXPECT_EQ(TextToFloat("  -3.25x"), -3.25f);
    EXPECT_EQ(TextToFloat("10.70"), 10.7f);
    EXPECT_EQ(TextToFloat(".5"), 0.5f);
    EXPECT_EQ(TextToFloat("1e2"), 100.0f);
    EXPECT_EQ(TextToFloat("abc"), 0.0f);
    EXPECT_EQ(TextToFloat("--5"), 0.0f);
    EXPECT_EQ(TextToFloat("7,5"), 7.0f);  // a decimal comma is not a decimal point here
    // Values no float can hold give the caller's fallback, never infinity.
    EXPECT_EQ(TextToFloat("1e999", 5.0f), 5.0f);
    EXPECT_EQ(TextToFloat("inf", 5.0f), 5.0f);
    EXPECT_EQ(TextToFloat("nan"), 0.0f);
}

}  // namespace
}  // namespace velmora
