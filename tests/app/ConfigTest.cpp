#include "app/Config.h"

#include "app/ScratchDir.h"

#include <gtest/gtest.h>

#include <limits>

namespace velmora {
namespace {

using testing::ScratchDir;

TEST(ConfigTest, NightTimeFromHoursAndMinutes) {
    EXPECT_EQ(ParseNightTime("19:30"), 1170);
    EXPECT_EQ(ParseNightTime("7"), 420);
    EXPECT_EQ(ParseNightTime("7:"), 420);
    EXPECT_EQ(ParseNightTime("7:05:99"), 425);
    EXPECT_EQ(ParseNightTime(":30"), 30);
}

TEST(ConfigTest, NightTimeConvertsLeadingDigitsWithoutOverflowing) {
    EXPECT_EQ(ParseNightTime(""), 0);
    EXPECT_EQ(ParseNightTime("abc"), 0);
    EXPECT_EQ(ParseNightTime(" 6: 15pm"), 375);
    EXPECT_EQ(ParseNightTime("-1:30"), -30);
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(ParseNightTime("99999999999999999999"), kMax);
    EXPECT_EQ(ParseNightTime("35791395:00"), kMax);  // 35791395 * 60 > INT32_MAX
    EXPECT_EQ(ParseNightTime("-99999999999999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST(ConfigTest, MissingFileGivesTheWholeDayWindow) {
    ScratchDir dir;
    const NightWindow window = LoadConfig(dir.path() / "config.ini");
    EXPECT_EQ(window.g_nNightStart, 0);
    EXPECT_EQ(window.g_nNightEnd, 6000);
}

TEST(ConfigTest, ReadsBothKeysOfSectionMain) {
    ScratchDir dir;
    const auto ini = dir.Write("config.ini", "[Main]\r\nnightStart=19:30\r\nnightEnd=22:00\r\n");
    const NightWindow window = LoadConfig(ini);
    EXPECT_EQ(window.g_nNightStart, 1170);
    EXPECT_EQ(window.g_nNightEnd, 1320);
}

TEST(ConfigTest, AbsentKeyTakesItsOwnDefault) {
    ScratchDir dir;
    const auto ini = dir.Write("config.ini", "[main]\nNIGHTSTART=7\n[Other]\nnightEnd=1\n");
    const NightWindow window = LoadConfig(ini);
    EXPECT_EQ(window.g_nNightStart, 420);
    EXPECT_EQ(window.g_nNightEnd, 6000);
}

}  // namespace
}  // namespace velmora
