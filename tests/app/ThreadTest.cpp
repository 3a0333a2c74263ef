#include "app/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace velmora {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Polls a condition that another thread makes true; fails instead of hanging.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5000ms) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// A clock-paced body like the engine's: one pass, then suspend. The test
// holds each pass open until it releases it, so it decides exactly when the
// body is working and when it is suspended.
class PacedThread : public Thread {
public:
    using Thread::Thread;
    ~PacedThread() override {
        ReleaseAll();
        WaitForBodiesToEnd();
    }

    void ReleaseUpTo(int pass) {
        {
            std::lock_guard lock(mutex_);
            released_ = pass;
        }
        cv_.notify_all();
    }
    void ReleaseAll() { ReleaseUpTo(1 << 30); }

    int passes() {
        std::lock_guard lock(mutex_);
        return passes_;
    }
    bool WaitForPasses(int n) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, 5s, [&] { return passes_ >= n; });
    }

protected:
    void Run() override {
        while (!StopRequested()) {
            {
                std::unique_lock lock(mutex_);
                ++passes_;
                cv_.notify_all();
                cv_.wait(lock, [&] { return released_ >= passes_; });
            }
            SuspendSelf();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    int passes_ = 0;
    int released_ = 0;
};

TEST(ThreadTest, StopBeforeStartReturnsAtOnceAndLeavesObjectUsable) {
    PacedThread thread;
    const auto before = Clock::now();
    thread.Stop();
    thread.Stop();
    EXPECT_LT(Clock::now() - before, 500ms);
    EXPECT_FALSE(thread.IsRunning());

    thread.ReleaseAll();
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_FALSE(thread.Start()) << "a second Start must not replace the running thread";
    ASSERT_TRUE(thread.WaitForPasses(1));
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.HasAbandonedBody());
}

// Records, for every run, whether the stop signal was already set on entry.
class RestartableThread : public Thread {
public:
    using Thread::Thread;
    ~RestartableThread() override { WaitForBodiesToEnd(); }

    std::vector<bool> stopSeenOnEntry() {
        std::lock_guard lock(mutex_);
        return stopSeenOnEntry_;
    }
    int stopsObserved() const { return stopsObserved_.load(); }

protected:
    void Run() override {
        {
            std::lock_guard lock(mutex_);
            stopSeenOnEntry_.push_back(StopRequested());
        }
        if (WaitForStop(10s)) ++stopsObserved_;
    }

private:
    std::mutex mutex_;
    std::vector<bool> stopSeenOnEntry_;
    std::atomic<int> stopsObserved_{0};
};

TEST(ThreadTest, StartAfterStopRunsBodyAgainWithStopCleared) {
    RestartableThread thread;
    for (int run = 1; run <= 3; ++run) {
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(WaitUntil([&] { return static_cast<int>(thread.stopSeenOnEntry().size()) == run; }));
        const auto before = Clock::now();
        thread.Stop();
        EXPECT_LT(Clock::now() - before, 2s) << "a timed wait on the stop signal must end with it";
        EXPECT_FALSE(thread.IsRunning());
    }
    EXPECT_EQ(thread.stopSeenOnEntry(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(thread.stopsObserved(), 3);
}

// Ignores the stop signal until the test lets it go, like a body stuck in I/O.
class StubbornThread : public Thread {
public:
    using Thread::Thread;
    ~StubbornThread() override {
        Release();
        WaitForBodiesToEnd();
    }

    void Release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        cv_.notify_all();
    }
    bool WaitEntered() {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, 5s, [&] { return entered_; });
    }
    int runs() const { return runs_.load(); }

protected:
    void Run() override {
        ++runs_;
        std::unique_lock lock(mutex_);
        entered_ = true;
        cv_.notify_all();
        cv_.wait(lock, [&] { return released_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool entered_ = false;
    bool released_ = false;
    std::atomic<int> runs_{0};
};

TEST(ThreadTest, BodyIgnoringStopIsAbandonedAfterTheBoundAndObjectRestarts) {
    StubbornThread thread(200ms);
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.WaitEntered());

    const auto before = Clock::now();
    thread.Stop();
    const auto took = Clock::now() - before;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 2s);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_TRUE(thread.HasAbandonedBody());
    EXPECT_FALSE(thread.Start()) << "two bodies must never run on one object";
    EXPECT_EQ(thread.runs(), 1);

    thread.Release();
    ASSERT_TRUE(WaitUntil([&] { return !thread.HasAbandonedBody(); }));
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(WaitUntil([&] { return thread.runs() == 2; }));
    thread.Stop();  // already released: ends at once
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.HasAbandonedBody());
}

TEST(ThreadTest, ResumeWakesExactlyOneSuspendedPass) {
    PacedThread thread;
    thread.ReleaseUpTo(1);
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(WaitUntil([&] { return thread.IsSuspended(); }));
    EXPECT_EQ(thread.passes(), 1);

    EXPECT_TRUE(thread.Resume());
    // Pass 2 is held open by the test, so the body cannot be suspended again:
    // this resume finds it woken or working and must be lost.
    EXPECT_FALSE(thread.Resume());
    ASSERT_TRUE(thread.WaitForPasses(2));
    thread.ReleaseUpTo(2);
    ASSERT_TRUE(WaitUntil([&] { return thread.IsSuspended(); }));
    EXPECT_EQ(thread.passes(), 2);

    EXPECT_TRUE(thread.Resume());
    ASSERT_TRUE(thread.WaitForPasses(3));
    thread.ReleaseAll();
    thread.Stop();
}

TEST(ThreadTest, ResumeWhileWorkingIsLostAndDoesNotQueueAPass) {
    PacedThread thread;
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.WaitForPasses(1));  // held inside pass 1
    EXPECT_FALSE(thread.IsSuspended());
    EXPECT_FALSE(thread.Resume());
    EXPECT_FALSE(thread.Resume());

    thread.ReleaseUpTo(1);
    ASSERT_TRUE(WaitUntil([&] { return thread.IsSuspended(); }));
    std::this_thread::sleep_for(30ms);  // room for a queued wake to show itself
    EXPECT_TRUE(thread.IsSuspended());
    EXPECT_EQ(thread.passes(), 1);
    thread.Stop();
    EXPECT_EQ(thread.passes(), 1);
}

TEST(ThreadTest, StopWakesSuspendedBodyWithoutWaitingForTheBound) {
    PacedThread thread(10s);
    thread.ReleaseAll();
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(WaitUntil([&] { return thread.IsSuspended(); }));

    const auto before = Clock::now();
    thread.Stop();
    EXPECT_LT(Clock::now() - before, 2s);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.HasAbandonedBody());
    EXPECT_EQ(thread.passes(), 1) << "a stop wake-up must not run another pass";
}

TEST(ThreadTest, StopAllInParallelStopsHundredSuspendedThreadsQuickly) {
    std::vector<std::unique_ptr<PacedThread>> owned;
    std::vector<Thread*> list;
    for (int i = 0; i < 100; ++i) {
        owned.push_back(std::make_unique<PacedThread>());
        owned.back()->ReleaseAll();
        ASSERT_TRUE(owned.back()->Start());
        list.push_back(owned.back().get());
    }
    PacedThread idle;
    list.push_back(nullptr);
    list.push_back(&idle);
    list.push_back(list.front());  // a repeated entry is stopped once
    ASSERT_TRUE(WaitUntil([&] {
        for (const auto& t : owned) {
            if (!t->IsSuspended()) return false;
        }
        return true;
    }));

    const auto before = Clock::now();
    EXPECT_TRUE(StopAllInParallel(list));
    EXPECT_LT(Clock::now() - before, 2s);
    for (const auto& t : owned) {
        EXPECT_FALSE(t->IsRunning());
        EXPECT_FALSE(t->HasAbandonedBody());
    }
}

TEST(ThreadTest, StopAllInParallelKeepsToTheOverallBound) {
    StubbornThread stubborn(10s);
    PacedThread paced;
    paced.ReleaseAll();
    ASSERT_TRUE(stubborn.Start());
    ASSERT_TRUE(paced.Start());
    ASSERT_TRUE(stubborn.WaitEntered());
    ASSERT_TRUE(paced.WaitForPasses(1));

    Thread* list[] = {&stubborn, &paced};
    const auto before = Clock::now();
    EXPECT_FALSE(StopAllInParallel(list, 200ms));
    const auto took = Clock::now() - before;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 3s);
    EXPECT_FALSE(stubborn.IsRunning());
    EXPECT_TRUE(stubborn.HasAbandonedBody());
    EXPECT_FALSE(paced.IsRunning());
    EXPECT_FALSE(paced.HasAbandonedBody());
    stubborn.Release();
}

class FailingThread : public Thread {
public:
    ~FailingThread() override { WaitForBodiesToEnd(); }
    std::atomic<bool> ran{false};

protected:
    void Run() override {
        ran = true;
        throw std::runtime_error("socket gone");
    }
};

TEST(ThreadTest, ExceptionFromBodyEndsOnlyThatBody) {
    FailingThread thread;
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(WaitUntil([&] { return thread.ran.load(); }));
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.HasAbandonedBody());
}

TEST(ThreadTest, DestroyingARunningThreadStopsItsBodyFirst) {
    auto ended = std::make_shared<std::atomic<bool>>(false);
    class Body : public Thread {
    public:
        explicit Body(std::shared_ptr<std::atomic<bool>> ended) : ended_(std::move(ended)) {}
        ~Body() override { WaitForBodiesToEnd(); }

    protected:
        void Run() override {
            while (!WaitForStop(5ms)) {
            }
            *ended_ = true;
        }

    private:
        std::shared_ptr<std::atomic<bool>> ended_;
    };
    {
        Body body(ended);
        ASSERT_TRUE(body.Start());
    }  // no Stop: the owner forgot it
    EXPECT_TRUE(ended->load());
}

TEST(ThreadTest, BodyHelpersCalledOffTheBodyThreadNeverWait) {
    class Probe : public Thread {
    public:
        bool stop() const { return StopRequested(); }
        bool wait() const { return WaitForStop(10s); }
        bool suspend() const { return SuspendSelf(); }

    protected:
        void Run() override {}
    };
    Probe probe;
    const auto before = Clock::now();
    EXPECT_TRUE(probe.stop());
    EXPECT_TRUE(probe.wait());
    EXPECT_FALSE(probe.suspend());
    EXPECT_LT(Clock::now() - before, 1s);
}

}  // namespace
}  // namespace velmora
