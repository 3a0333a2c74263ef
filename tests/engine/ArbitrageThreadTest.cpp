// The engine thread's record of its last two ticks: what the play command
// hands to render so that a controller's image can be computed again.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "EngineWorldFixture.h"
#include "engine/ArbitrageThread.h"
#include "app/WaitFor.h"

namespace velmora::testing {
namespace {

class ArbitrageThreadTest : public EngineWorldFixture {
protected:
    // Waits (bounded) until the engine has run `count` ticks, waking it
    // whenever it is suspended.
    bool RunUntil(CArbitrageThread& engine, std::uint64_t count) {
        return WaitFor([&] {
            if (engine.ticks() >= count) return true;
            if (engine.IsSuspended()) engine.Resume();
            return false;
        });
    }

    std::atomic<std::int32_t> handMode_{0};
    std::atomic<std::int32_t> elapsed_{0};
    std::atomic<double> playhead_{0.0};
};

TEST_F(ArbitrageThreadTest, RecordsTheLastTwoTicksNewestFirst) {
    CArbitrageThread engine(world_, handMode_, {elapsed_, playhead_});
    EXPECT_EQ(engine.LastTicks()[0].number, 0u) << "no tick before the start";
    engine.SetMusic(&playback_);
    playback_.m_dPlayPos.store(1234.5);
    ASSERT_TRUE(engine.Start());
    ASSERT_TRUE(RunUntil(engine, 1));
    // The position the next tick copies; set while the engine is suspended.
    ASSERT_TRUE(WaitFor([&] { return engine.IsSuspended(); }));
    playback_.m_dPlayPos.store(2000.25);
    ASSERT_TRUE(RunUntil(engine, 2));
    ASSERT_TRUE(WaitFor([&] { return engine.IsSuspended(); }));
    playback_.m_dPlayPos.store(3000.0);
    ASSERT_TRUE(RunUntil(engine, 3));
    engine.Stop();

    const auto ticks = engine.LastTicks();
    EXPECT_EQ(ticks[0].number, 3u);
    EXPECT_EQ(ticks[1].number, 2u);
    EXPECT_EQ(ticks[0].position, 3000.0);
    EXPECT_EQ(ticks[1].position, 2000.25);
    // No music records: the level is 0.
    EXPECT_EQ(ticks[0].level, 0);
    EXPECT_GE(ticks[0].elapsed, ticks[1].elapsed);
    EXPECT_GE(ticks[0].nowMinute, 0);
    EXPECT_LT(ticks[0].nowMinute, 24 * 60);
    EXPECT_EQ(ticks[0].g_nEngineElapsed, elapsed_.load());
}

}  // namespace
}  // namespace velmora::testing
