#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "EngineWorldFixture.h"

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
    playback_.m_nScale.store(25);
    output.unlock();
    engine.join();

    EXPECT_EQ(show_.blocks[0].start, 20.0f);
    EXPECT_EQ(Spring(1).m_bLit, 1);  // 500..1000 ms is still active at 750 ms
    EXPECT_GT(Reg(testing::kRegChannel, 1), 0);  // the pump register is driven
    EXPECT_DOUBLE_EQ(result.g_dPlayheadUnits, 30.0);
}

}  // namespace
}  // namespace velmora
