#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <thread>
#include <vector>

#include "show/Show.h"
#include "show/ShowNumbers.h"
#include "show/TimeBlock.h"

namespace velmora {
namespace {

TimeBlock BlockAt(float start, float end) {
    TimeBlock block;
    block.start = start;
    block.end = end;
    return block;
}

TEST(ShowScale, RescalesEveryBlockByOldOverNew) {
    Show show;
    show.m_nScale = 20;
    show.blocks = {BlockAt(50.0f, 125.0f), BlockAt(0.0f, 10.0f)};

    ASSERT_TRUE(show.SetScale(50));
    EXPECT_EQ(show.m_nScale, 50);
    EXPECT_FLOAT_EQ(show.blocks[0].start, 20.0f);
    EXPECT_FLOAT_EQ(show.blocks[0].end, 50.0f);
    EXPECT_FLOAT_EQ(show.blocks[1].start, 0.0f);
    EXPECT_FLOAT_EQ(show.blocks[1].end, 4.0f);

    // Back again: positions stand for the same milliseconds at either scale.
    ASSERT_TRUE(show.SetScale(10));
    EXPECT_FLOAT_EQ(show.blocks[0].start * 10.0f, 1000.0f);
    EXPECT_FLOAT_EQ(show.blocks[0].end * 10.0f, 2500.0f);
}

TEST(ShowScale, RefusesScalesBelowOne) {
    Show show;
    show.blocks = {BlockAt(20.0f, 50.0f)};
    for (const std::int32_t bad : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_FALSE(show.SetScale(bad));
        EXPECT_EQ(show.m_nScale, 50);
        EXPECT_EQ(show.blocks[0].start, 20.0f);
        EXPECT_EQ(show.blocks[0].end, 50.0f);
    }
}

TEST(ShowScale, InvalidCurrentScaleKeepsPositions) {
    Show show;
    show.m_nScale = 0;
    show.blocks = {BlockAt(20.0f, 50.0f)};
    ASSERT_TRUE(show.SetScale(50));
    EXPECT_EQ(show.blocks[0].start, 20.0f);
    EXPECT_EQ(show.blocks[0].end, 50.0f);
}

TEST(ShowReset, GivesTheEmptyShowOfAMissingFile) {
    Show show;
    show.layers.resize(3);
    show.layers[1].GroupID = 9001;
    show.layers[1].name = "A";
    show.blocks.resize(4);
    show.g_fMusicMultiplier = 7.0f;
    show.m_nScale = 20;
    show.m_bModified = true;

    show.Reset();
    ASSERT_EQ(show.layers.size(), 200u);
    for (const Layer& layer : show.layers) {
        EXPECT_EQ(layer.GroupID, -1);
        EXPECT_EQ(layer.type, 0);
        EXPECT_TRUE(layer.name.empty());
    }
    EXPECT_TRUE(show.blocks.empty());
    EXPECT_EQ(show.g_fMusicMultiplier, 2.0f);
    EXPECT_EQ(show.m_nScale, 50);
    EXPECT_FALSE(show.m_bModified);
}

TEST(BlockSerial, DistinctAcrossThreads) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 2000;
    std::vector<std::vector<std::int32_t>> drawn(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&drawn, t] {
            for (int i = 0; i < kPerThread; ++i) drawn[t].push_back(TimeBlock{}.m_nSerial);
        });
    }
    for (std::thread& thread : threads) thread.join();

    std::set<std::int32_t> all;
    for (const auto& serials : drawn) all.insert(serials.begin(), serials.end());
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kPerThread));
    // A copy keeps its serial; only construction draws one.
    TimeBlock original;
    const TimeBlock copy = original;
    EXPECT_EQ(copy.m_nSerial, original.m_nSerial);
}

TEST(ShowNumbers, FloatTextLikeStrtof) {
    EXPECT_EQ(ShowTextToFloat("10.70"), 10.7f);
    EXPECT_EQ(ShowTextToFloat("  -3.25"), -3.25f);
    EXPECT_EQ(ShowTextToFloat("12.5abc"), 12.5f);
    EXPECT_EQ(ShowTextToFloat("1e2"), 100.0f);
    EXPECT_EQ(ShowTextToFloat("abc"), 0.0f);
    EXPECT_EQ(ShowTextToFloat(""), 0.0f);
    EXPECT_TRUE(std::isinf(ShowTextToFloat("1e999")));
}

TEST(ShowNumbers, IntTextLikeAtoiWithoutOverflow) {
    EXPECT_EQ(ShowTextToInt("250"), 250);
    EXPECT_EQ(ShowTextToInt(" \t-40ms"), -40);
    EXPECT_EQ(ShowTextToInt("+7"), 7);
    EXPECT_EQ(ShowTextToInt("abc"), 0);
    EXPECT_EQ(ShowTextToInt("-"), 0);
    EXPECT_EQ(ShowTextToInt("2147483647"), 2147483647);
    EXPECT_EQ(ShowTextToInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ShowTextToInt("99999999999999999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ShowTextToInt("-99999999999999999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST(ShowNumbers, BlockTimeHasTwoDecimals) {
    EXPECT_EQ(FormatBlockTime(20.0f), "20.00");
    EXPECT_EQ(FormatBlockTime(10.7f), "10.70");
    EXPECT_EQ(FormatBlockTime(-0.125f), "-0.12");  // ties to even, as printf does
    EXPECT_EQ(FormatBlockTime(0.375f), "0.38");
    EXPECT_EQ(FormatBlockTime(std::numeric_limits<float>::max()).size(), 39u + 3u);
}

}  // namespace
}  // namespace velmora
