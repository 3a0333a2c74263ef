#include "app/NumberText.h"

#include <gtest/gtest.h>

#include <limits>

namespace velmora {
namespace {

TEST(NumberText, IntegersReadLikeAtoiAndSaturate) {
    EXPECT_EQ(TextToInt(" \t-40ms"), -40);
    EXPECT_EQ(TextToInt("+7"), 7);
    EXPECT_EQ(TextToInt("abc"), 0);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("--5"), 0);
    EXPECT_EQ(TextToInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(TextToInt("2147483648"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(TextToInt("99999999999999999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(TextToInt("-99999999999999999999999"), std::numeric_limits<std::int32_t>::min());
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
