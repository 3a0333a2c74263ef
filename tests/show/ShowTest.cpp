#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <thread>
#include <vector>

#include "show/Show.h"
#include "show/ShowNumbers.h"

namespace velmora {
namespace {

Show ShowWithBlock(std::int32_t scale, float start, float end) {
    Show show;
    show.m_nScale = scale;
    show.blocks.emplace_back();
    show.blocks[0].start = start;
    show.blocks[0].end = end;
    return show;
}

TEST(ShowScale, RescalesByOldOverNewAndRefusesBelowOne) {
    Show show = ShowWithBlock(20, 50.0f, 125.0f);
    ASSERT_TRUE(show.SetScale(50));
    EXPECT_EQ(show.m_nScale, 50);
    EXPECT_FLOAT_EQ(show.blocks[0].start, 20.0f);
    EXPECT_FLOAT_EQ(show.blocks[0].end, 50.0f);
    ASSERT_TRUE(show.SetScale(10));  // same milliseconds at any scale
    EXPECT_FLOAT_EQ(show.blocks[0].end * 10.0f, 2500.0f);

    for (const std::int32_t bad : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_FALSE(show.SetScale(bad));
        EXPECT_EQ(show.m_nScale, 10);
        EXPECT_FLOAT_EQ(show.blocks[0].end, 250.0f);
    }

    Show broken = ShowWithBlock(0, 20.0f, 50.0f);  // no meaning in ms: kept, not zeroed
    ASSERT_TRUE(broken.SetScale(50));
    EXPECT_EQ(broken.blocks[0].end, 50.0f);
}

TEST(ShowReset, GivesTheEmptyShowOfAMissingFile) {
    Show show = ShowWithBlock(20, 1.0f, 2.0f);
    show.layers.resize(3);
    show.layers[1].GroupID = 9001;
    show.g_fMusicMultiplier = 7.0f;
    show.m_bModified = true;

    show.Reset();
    ASSERT_EQ(show.layers.size(), 200u);
    for (const Layer& layer : show.layers) {
        EXPECT_EQ(layer.GroupID, -1);
        EXPECT_EQ(layer.type, 0);
    }
    EXPECT_TRUE(show.blocks.empty());
    EXPECT_EQ(show.g_fMusicMultiplier, 2.0f);
    EXPECT_EQ(show.m_nScale, 50);
    EXPECT_FALSE(show.m_bModified);
}

TEST(BlockSerial, DistinctAcrossThreads) {
    constexpr int kThreads = 4, kPerThread = 2000;
    std::vector<std::vector<std::int32_t>> drawn(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&drawn, t] {
            for (int i = 0; i < kPerThread; ++i) drawn[t].push_back(TimeBlock{}.m_nSerial);
        });
    for (std::thread& thread : threads) thread.join();
    std::set<std::int32_t> all;
    for (const auto& serials : drawn) all.insert(serials.begin(), serials.end());
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kPerThread));
}

TEST(ShowNumbers, ConversionsOfNumberTexts) {
    EXPECT_EQ(FormatBlockTime(10.7f), "10.70");
    EXPECT_EQ(FormatBlockTime(-0.125f), "-0.12");  // exact ties go to even, as printf does
    EXPECT_EQ(FormatBlockTime(std::numeric_limits<float>::max()).size(), 39u + 3u);
}

}  // namespace
}  // namespace velmora
