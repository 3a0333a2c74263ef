#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <sched.h>

#include "engine/Pacer.h"
#include "app/WaitFor.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;

// A clock-paced body that counts its passes and can be made slow.
class PassCounter : public Thread {
public:
    explicit PassCounter(std::chrono::milliseconds work = 0ms) : work_(work) {}
    ~PassCounter() override { WaitForBodiesToEnd(); }
    std::atomic<int> passes{0};
    std::atomic<int> lastCpu{-1};

    // Waits until the body is back in its suspension (or 2 s passed).
    bool WaitIdle() const { return testing::WaitFor([this] { return IsSuspended(); }, 2s, 100us); }

protected:
    void Run() override {
        while (SuspendSelf()) {
            ++passes;
            lastCpu = sched_getcpu();
            if (work_ > 0ms) std::this_thread::sleep_for(work_);
        }
    }

private:
    std::chrono::milliseconds work_;
};

TEST(PacerTest, CycleOf21ResumesEngineAtTenAndSendersAtTheWrap) {
    PassCounter engine;
    std::array<PassCounter, 3> senders;
    ASSERT_TRUE(engine.Start());
    for (auto& s : senders) ASSERT_TRUE(s.Start());
    ASSERT_TRUE(engine.WaitIdle());
    for (auto& s : senders) ASSERT_TRUE(s.WaitIdle());
    const std::array<Thread*, 3> targets{&senders[0], &senders[1], &senders[2]};
    CPacer pacer(&engine, targets);

    std::vector<int> engineTicks, senderTicks;
    for (int tick = 1; tick <= 3 * CPacer::kCycleTicks; ++tick) {
        const int e = engine.passes, s0 = senders[0].passes;
        pacer.OnTick();
        ASSERT_TRUE(engine.WaitIdle());
        for (auto& s : senders) ASSERT_TRUE(s.WaitIdle());
        if (engine.passes != e) engineTicks.push_back(tick);
        if (senders[0].passes != s0) senderTicks.push_back(tick);
        EXPECT_EQ(pacer.Counter(), tick % CPacer::kCycleTicks);
    }
    EXPECT_EQ(engineTicks, (std::vector<int>{10, 31, 52}));
    EXPECT_EQ(senderTicks, (std::vector<int>{21, 42, 63}));
    for (auto& s : senders) EXPECT_EQ(s.passes, 3);
    EXPECT_EQ(pacer.Ticks(), 63u);
}

TEST(PacerTest, NoEngineAndNullSendersAreSkipped) {
    PassCounter sender;
    ASSERT_TRUE(sender.Start());
    ASSERT_TRUE(sender.WaitIdle());
    const std::array<Thread*, 2> targets{nullptr, &sender};
    CPacer pacer(nullptr, targets);
    for (int i = 0; i < CPacer::kCycleTicks; ++i) pacer.OnTick();
    ASSERT_TRUE(sender.WaitIdle());
    EXPECT_EQ(sender.passes, 1);
    EXPECT_EQ(pacer.Counter(), 0);
}

TEST(PacerTest, RunsOnTheMillisecondGridWithoutDrift) {
    PassCounter engine;
    ASSERT_TRUE(engine.Start());
    ASSERT_TRUE(engine.WaitIdle());
    CPacer pacer(&engine, {});
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(pacer.Start());
    std::this_thread::sleep_for(420ms);
    pacer.Stop();
    const double elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    // Every grid point is either run or counted as skipped, so together they
    // follow the wall clock whatever the load.
    const double gridPoints = static_cast<double>(pacer.Ticks() + pacer.Skipped());
    EXPECT_NEAR(gridPoints, elapsedMs, 25.0);
    EXPECT_GE(engine.passes, static_cast<int>(pacer.Ticks() / 21) - 1);
    EXPECT_LE(engine.passes, static_cast<int>(pacer.Ticks() / 21) + 1);
    EXPECT_GT(pacer.LastEngineDeadlineNs(), 0);
}

TEST(PacerTest, ResumesOfABusyEngineAreLostNotQueued) {
    PassCounter engine(60ms);  // much slower than the 21 ms cycle
    ASSERT_TRUE(engine.Start());
    ASSERT_TRUE(engine.WaitIdle());
    CPacer pacer(&engine, {});
    ASSERT_TRUE(pacer.Start());
    std::this_thread::sleep_for(400ms);
    pacer.Stop();
    const int passesAtStop = engine.passes;
    std::this_thread::sleep_for(150ms);
    // At most one pass per 60 ms fits, and none follows once the pacer stopped.
    EXPECT_LE(passesAtStop, 8);
    EXPECT_GE(passesAtStop, 3);
    EXPECT_LE(engine.passes, passesAtStop + 1);
}

TEST(PacerTest, EngineRunsOnThePacersCpu) {
    PassCounter engine;
    CPacer pacer(&engine, {});
    if (pacer.cpu() < 0) GTEST_SKIP() << "only one CPU available";
    ASSERT_TRUE(engine.Start());  // started after the pacer chose: pinned at Start
    ASSERT_TRUE(pacer.Start());
    testing::WaitFor([&] { return engine.passes >= 3; }, 2s, 5ms);
    pacer.Stop();
    EXPECT_GE(engine.passes, 3);
    EXPECT_EQ(engine.lastCpu, pacer.cpu());
    EXPECT_EQ(engine.cpuAffinity(), pacer.cpu());
}

TEST(PacerTest, StopsPromptlyAndCanStartAgain) {
    CPacer pacer(nullptr, {});
    ASSERT_TRUE(pacer.Start());
    std::this_thread::sleep_for(20ms);
    const auto t0 = std::chrono::steady_clock::now();
    pacer.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 100ms);
    EXPECT_FALSE(pacer.IsRunning());
    EXPECT_FALSE(pacer.HasAbandonedBody());
    ASSERT_TRUE(pacer.Start());
    pacer.Stop();
}

}  // namespace
}  // namespace velmora
