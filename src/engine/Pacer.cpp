#include "engine/Pacer.h"

#include <cerrno>
#include <ctime>

#include <sched.h>

namespace velmora {

std::int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void SleepUntilNs(std::int64_t deadlineNs) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(deadlineNs / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(deadlineNs % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

namespace {

// The highest-numbered CPU the process may run on; -1 when there is only one
// (nothing to choose) or the set cannot be read.
int LastAllowedCpu() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0 || CPU_COUNT(&set) < 2) return -1;
    for (int cpu = CPU_SETSIZE - 1; cpu >= 0; --cpu) {
        if (CPU_ISSET(cpu, &set)) return cpu;
    }
    return -1;
}

}  // namespace

CPacer::CPacer(Thread* engine, std::span<Thread* const> senders, bool shareCpu)
    : engine_(engine), senders_(senders.begin(), senders.end()) {
    if (shareCpu && engine_) {
        cpu_ = LastAllowedCpu();
        if (cpu_ >= 0) {
            SetCpuAffinity(cpu_);
            engine_->SetCpuAffinity(cpu_);
        }
    }
}

CPacer::~CPacer() {
    WaitForBodiesToEnd();
}

void CPacer::OnTick() {
    ticks_.fetch_add(1, std::memory_order_relaxed);
    std::int32_t c = counter_.load(std::memory_order_relaxed);
    if (c < kCycleTicks - 1) {
        ++c;
        counter_.store(c, std::memory_order_relaxed);
        if (c == kEngineTick) {
            engineDeadlineNs_.store(currentDeadlineNs_, std::memory_order_release);
            if (engine_) engine_->Resume();
        }
        return;
    }
    counter_.store(0, std::memory_order_relaxed);
    for (Thread* sender : senders_) {
        if (sender) sender->Resume();
    }
}

void CPacer::Run() {
    std::int64_t next = MonotonicNs();
    while (!StopRequested()) {
        next += kPeriodNs;
        SleepUntilNs(next);
        if (StopRequested()) return;
        currentDeadlineNs_ = next;
        OnTick();
        // Woken (or finished the tick) after the next grid point: drop the
        // points already passed instead of running them back to back.
        const std::int64_t now = MonotonicNs();
        if (now >= next + kPeriodNs) {
            const std::int64_t missed = (now - next) / kPeriodNs;
            skipped_.fetch_add(static_cast<std::uint64_t>(missed), std::memory_order_relaxed);
            next += missed * kPeriodNs;
        }
    }
}

}  // namespace velmora
