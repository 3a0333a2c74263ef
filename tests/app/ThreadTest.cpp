#include "app/Thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/WaitFor.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A clock-paced body like the engine's: one pass, then suspend. The test holds
// each pass open until it releases it, so it decides when the body is working
// and when it is suspended. A stubborn body ignores stop until released.
class TestThread : public Thread {
public:
    explicit TestThread(std::chrono::milliseconds bound = kDefaultStopBound, bool stubborn = false)
        : Thread(bound), stubborn_(stubborn) {}
    ~TestThread() override {
        ReleaseUpTo(1 << 30);
        WaitForBodiesToEnd();
    }

    void ReleaseUpTo(int pass) {
        std::lock_guard lock(mutex_);
        released_ = pass;
        cv_.notify_all();
    }
    bool WaitForPasses(int n) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, 5s, [&] { return passes_ >= n; });
    }
    int passes() {
        std::lock_guard lock(mutex_);
        return passes_;
    }
    std::vector<bool> stopSeenOnEntry() {
        std::lock_guard lock(mutex_);
        return stopSeenOnEntry_;
    }

protected:
    void Run() override {
        std::unique_lock lock(mutex_);
        stopSeenOnEntry_.push_back(StopRequested());
        while (stubborn_ || !StopRequested()) {
            ++passes_;
            cv_.notify_all();
            cv_.wait(lock, [&] { return released_ >= passes_; });
            if (stubborn_) return;
            lock.unlock();
            SuspendSelf();
            lock.lock();
        }
    }

private:
    const bool stubborn_;
    std::mutex mutex_;
    std::condition_variable cv_;
    int passes_ = 0;
    int released_ = 0;
    std::vector<bool> stopSeenOnEntry_;
};

TEST(ThreadTest, StopBeforeStartIsHarmlessAndRestartRunsWithStopCleared) {
    TestThread thread;
    const auto before = Clock::now();
    thread.Stop();
    EXPECT_LT(Clock::now() - before, 500ms);
    EXPECT_FALSE(thread.IsRunning());

    thread.ReleaseUpTo(1 << 30);
    for (int run = 1; run <= 3; ++run) {
        ASSERT_TRUE(thread.Start());
        EXPECT_FALSE(thread.Start()) << "a second Start must not replace the running thread";
        ASSERT_TRUE(testing::WaitFor([&] { return thread.IsSuspended(); }));
        thread.Stop();
        EXPECT_FALSE(thread.IsRunning());
        EXPECT_FALSE(thread.HasAbandonedBody());
    }
    EXPECT_EQ(thread.stopSeenOnEntry(), (std::vector<bool>{false, false, false}));
}

TEST(ThreadTest, BodyIgnoringStopIsAbandonedAfterTheBoundAndObjectRestarts) {
    TestThread thread(200ms, /*stubborn=*/true);
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.WaitForPasses(1));

    const auto before = Clock::now();
    thread.Stop();
    const auto took = Clock::now() - before;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 2s);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_TRUE(thread.HasAbandonedBody());
    EXPECT_FALSE(thread.Start()) << "two bodies must never run on one object";

    thread.ReleaseUpTo(1 << 30);
    ASSERT_TRUE(testing::WaitFor([&] { return !thread.HasAbandonedBody(); }));
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.WaitForPasses(2));
    thread.Stop();
    EXPECT_FALSE(thread.HasAbandonedBody());
}

TEST(ThreadTest, ResumeWakesExactlyOnePassAndIsLostWhileTheBodyWorks) {
    TestThread thread;
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.WaitForPasses(1));  // held inside pass 1
    EXPECT_FALSE(thread.Resume());
    EXPECT_FALSE(thread.Resume());

    thread.ReleaseUpTo(1);
    ASSERT_TRUE(testing::WaitFor([&] { return thread.IsSuspended(); }));
    std::this_thread::sleep_for(30ms);  // room for a queued wake-up to show itself
    EXPECT_EQ(thread.passes(), 1);

    EXPECT_TRUE(thread.Resume());
    // Pass 2 is held open, so the body cannot be suspended again yet.
    EXPECT_FALSE(thread.Resume());
    ASSERT_TRUE(thread.WaitForPasses(2));
    thread.ReleaseUpTo(2);
    ASSERT_TRUE(testing::WaitFor([&] { return thread.IsSuspended(); }));
    EXPECT_EQ(thread.passes(), 2);

    const auto before = Clock::now();
    thread.Stop();  // wakes the suspended body
    EXPECT_LT(Clock::now() - before, 2s);
    EXPECT_FALSE(thread.HasAbandonedBody());
    EXPECT_EQ(thread.passes(), 2) << "a stop wake-up must not run another pass";
}

TEST(ThreadTest, StopAllInParallelStopsHundredSuspendedThreadsQuickly) {
    std::vector<std::unique_ptr<TestThread>> owned;
    std::vector<Thread*> list;
    for (int i = 0; i < 100; ++i) {
        owned.push_back(std::make_unique<TestThread>());
        owned.back()->ReleaseUpTo(1 << 30);
        ASSERT_TRUE(owned.back()->Start());
        list.push_back(owned.back().get());
    }
    TestThread idle;
    list.insert(list.end(), {nullptr, &idle, list.front()});
    ASSERT_TRUE(testing::WaitFor([&] {
        for (const auto& t : owned) {
            if (!t->IsSuspended()) return false;
        }
        return true;
    }));

    const auto before = Clock::now();
    EXPECT_TRUE(StopAllInParallel(list));
    EXPECT_LT(Clock::now() - before, 2s);
    for (const auto& t : owned) EXPECT_FALSE(t->IsRunning());
}

TEST(ThreadTest, StopAllInParallelKeepsToTheOverallBound) {
    TestThread stubborn(10s, /*stubborn=*/true);
    TestThread paced;
    paced.ReleaseUpTo(1 << 30);
    ASSERT_TRUE(stubborn.Start());
    ASSERT_TRUE(paced.Start());
    ASSERT_TRUE(stubborn.WaitForPasses(1));

    Thread* list[] = {&stubborn, &paced};
    const auto before = Clock::now();
    EXPECT_FALSE(StopAllInParallel(list, 200ms));
    const auto took = Clock::now() - before;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 3s);
    EXPECT_TRUE(stubborn.HasAbandonedBody());
    EXPECT_FALSE(paced.IsRunning());
    EXPECT_FALSE(paced.HasAbandonedBody());
}

TEST(ThreadTest, ThrowingBodyAndForgottenStopDoNotTakeTheProcessDown) {
    class Body : public Thread {
    public:
        explicit Body(bool* ended) : ended_(ended) {}
        ~Body() override { WaitForBodiesToEnd(); }

    protected:
        void Run() override {
            while (!WaitForStop(5ms)) {
            }
            *ended_ = true;
            throw std::runtime_error("socket gone");
        }

    private:
        bool* ended_;
    };
    bool ended = false;
    {
        Body body(&ended);
        ASSERT_TRUE(body.Start());
    }  // destroyed without Stop
    EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace velmora
