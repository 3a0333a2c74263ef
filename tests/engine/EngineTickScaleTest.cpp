#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "EngineWorldFixture.h"
#include "app/Prompter.h"

namespace velmora {
namespace {

class EngineTickScaleTest : public testing::EngineWorldFixture {};

// The zoom rescales every block and stores the new scale under the output
// lock. A tick that is already running when that happens (here: it is handing
// the end of the entry over, before it takes the lock) must evaluate the
// rescaled blocks at the new scale, not at the one it would have seen earlier.
TEST_F(EngineTickScaleTest, ScaleChangedWhileATickWaitsIsReadWithTheBlocksItConverts) {
    AddSpring(1, 1);
    const int layer = AddLayer(kLayerSpring, 1);
    AddBlock(layer, 500.0f, 1000.0f);
    playback_.m_dLength.store(700.0);  // over at 750: this tick hands the entry over

    std::mutex m;
    std::condition_variable cv;
    bool handedOver = false;
    playback_.onEndOfEntry = [&](int) {
        {
            std::lock_guard g(m);
            handedOver = true;
        }
        cv.notify_all();
    };

    std::unique_lock output(lock_);
    EngineTickResult result;
    std::thread engine([&] { result = TickAtLevel(750.0, 64); });
    {
        std::unique_lock g(m);
        cv.wait(g, [&] { return handedOver; });
    }
    // What the zoom does, while the tick waits for the lock.
    ASSERT_TRUE(show_.SetScale(25));
    output.unlock();
    engine.join();

    EXPECT_EQ(show_.blocks[0].start, 20.0f);
    EXPECT_EQ(Spring(1).m_bLit, 1);  // 500..1000 ms is still active at 750 ms
    EXPECT_GT(Reg(testing::kRegChannel, 1), 0);  // the pump register is driven
    EXPECT_DOUBLE_EQ(result.g_dPlayheadUnits, 30.0);
}

// A save writes scale-50 positions and leaves the show at scale 50. The
// engine must follow that one scale: a block at 1000..2000 ms zoomed to 25
// and saved still plays at 1000..2000 ms, not at 500..1000.
TEST_F(EngineTickScaleTest, BlocksPlayAtTheirTimesAfterAZoomAndASave) {
    AddSpring(1, 1);
    const int layer = AddLayer(kLayerSpring, 1);
    AddBlock(layer, 1000.0f, 2000.0f);
    ASSERT_TRUE(show_.SetScale(25));
    RecordingPrompter yes(true);
    ASSERT_TRUE(SaveShow(dir_.path() / "zoomed.tlf", show_, yes, lock_));

    TickAtLevel(750.0, 64);
    EXPECT_EQ(Spring(1).m_bLit, 0);
    const EngineTickResult r = TickAtLevel(1500.0, 64);
    EXPECT_EQ(Spring(1).m_bLit, 1);
    EXPECT_DOUBLE_EQ(r.g_dPlayheadUnits, 1500.0 / show_.m_nScale);
}

}  // namespace
}  // namespace velmora
