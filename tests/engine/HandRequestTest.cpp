// The panels set their requests on their own thread while the engine ticks
// on another; each request reaches the engine's next tick.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "EngineWorldFixture.h"

namespace velmora {
namespace {

class HandRequestTest : public testing::EngineWorldFixture {
protected:
    HandRequestTest() {
        AddSpring(9001, 1);
        AddSpring(9002, 2);
        AddGroup(9100, {9001, 9002}, 10);
    }
    ~HandRequestTest() override { StopEngine(); }

    // The engine: ticks in hand mode on its own thread until stopped.
    void StartEngine() {
        engine_ = std::thread([this] {
            EngineTickInputs inputs;
            inputs.handMode = true;
            inputs.nowMinute = 720;
            while (!stop_.load()) EngineTick(world_, playback_, inputs);
        });
    }
    void StopEngine() {
        stop_.store(true);
        if (engine_.joinable()) engine_.join();
    }
    // True once `seen` holds under the output lock (within 3 s).
    bool EngineShows(const std::function<bool()>& seen) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            {
                std::lock_guard lock(lock_);
                if (seen()) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    std::atomic<bool> stop_{false};
    std::thread engine_;
};

TEST_F(HandRequestTest, PanelRequestsFromTheOwnerThreadReachTheTickingEngine) {
    CSpringGroup& group = Group(9100);
    CSpring& first = Spring(9001);
    CSpring& second = Spring(9002);
    StartEngine();

    // The hand panel's toggle, then the debug panel's level and colour.
    group.m_nManualState = 1;
    first.m_nManualLevel = 100;
    first.m_nManualColour = 0x0000FFu;
    second.m_nManualLevel = 40;
    EXPECT_TRUE(EngineShows([&] {
        return group.m_nAppliedState == 1 && first.m_nOutLevel == 100 && second.m_nOutLevel == 40 &&
               Reg(testing::kRegChannel, 1) == 100 * 10000 / 128 && Light(1) == 0x0000FFu;
    }));

    group.m_nManualState = 0;
    first.m_nManualLevel = 0;
    EXPECT_TRUE(EngineShows([&] { return group.m_nAppliedState == 0 && first.m_nOutLevel == 0; }));
    StopEngine();
}

TEST_F(HandRequestTest, CopiedRecordsCarryTheirRequests) {
    Spring(9001).m_nManualLevel = 77;
    Group(9100).m_nManualState = 1;
    const Scene copy = scene_;
    EXPECT_EQ(copy.FindSpring(9001)->m_nManualLevel.Get(), 77);
    EXPECT_EQ(copy.FindGroup(9100)->m_nManualState.Get(), 1);
    EXPECT_EQ(CSpring{}.m_nManualOn.Get(), -1);
    EXPECT_EQ(CSpringGroup{}.m_nManualState.Get(), -1);
}

}  // namespace
}  // namespace velmora
