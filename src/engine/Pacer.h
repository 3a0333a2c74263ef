#pragma once
// The 1 ms pacer of the engine and the channel senders: a thread that sleeps
// on an absolute 1 ms grid of CLOCK_MONOTONIC (so it never drifts) and counts
// ticks in cycles of 21. On the tick that brings the counter to 10 it resumes
// the engine; on the tick after 20 it resets the counter and resumes every
// sender. A tick that comes late is not made up: missed grid points are
// skipped, so the engine and senders never get a burst of passes.
//
// Thread contract: construction, Start and Stop on the owner's thread (UI or
// CLI main); the body runs on its own thread and only resumes threads. The
// figures (ticks, skipped, last engine deadline) may be read from any thread.

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "app/Thread.h"

namespace velmora {

class CPacer : public Thread {
public:
    static constexpr std::int32_t kCycleTicks = 21;
    static constexpr std::int32_t kEngineTick = 10;
    static constexpr std::int64_t kPeriodNs = 1'000'000;

    // `engine` may be null (no engine registered); null senders are skipped.
    // With `shareCpu`, the pacer and the engine are kept on one CPU (the last
    // one this process may use), so the engine's wake-up needs no cross-CPU
    // signal: on virtual machines that signal is what makes wake-ups late.
    CPacer(Thread* engine, std::span<Thread* const> senders, bool shareCpu = true);
    ~CPacer() override;

    // One timer tick: advances the counter and resumes whom the cycle names.
    // Called by the body on every grid point; tests call it directly.
    void OnTick();

    // The counter c, 0..20.
    std::int32_t Counter() const { return counter_.load(std::memory_order_relaxed); }
    // Ticks run and grid points skipped because the pacer woke too late.
    std::uint64_t Ticks() const { return ticks_.load(std::memory_order_relaxed); }
    std::uint64_t Skipped() const { return skipped_.load(std::memory_order_relaxed); }
    // The CPU the pacer and the engine share; -1 when they are not pinned.
    int cpu() const { return cpu_; }
    // CLOCK_MONOTONIC time (ns) of the grid point of the last tick that resumed
    // the engine; set before the resume, so a woken engine can measure its lateness.
    std::int64_t LastEngineDeadlineNs() const { return engineDeadlineNs_.load(std::memory_order_acquire); }

protected:
    void Run() override;

private:
    Thread* const engine_;
    int cpu_ = -1;
    const std::vector<Thread*> senders_;

    // Written by the body (or a test's OnTick calls), read by anyone.
    std::atomic<std::int32_t> counter_{0};
    std::atomic<std::uint64_t> ticks_{0};
    std::atomic<std::uint64_t> skipped_{0};
    std::atomic<std::int64_t> engineDeadlineNs_{0};
    std::int64_t currentDeadlineNs_ = 0;  // body's own: grid point of the tick being run
};

// CLOCK_MONOTONIC now, in nanoseconds.
std::int64_t MonotonicNs();
// Sleeps until the CLOCK_MONOTONIC time `deadlineNs` (absolute), restarting
// after signals.
void SleepUntilNs(std::int64_t deadlineNs);

}  // namespace velmora
