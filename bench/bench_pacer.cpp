// Lateness of the engine's wake-ups on the pacer's 21 ms cycle, beside the
// floor of this machine: a bare clock_nanosleep loop on the same 1 ms grid,
// at the same priority, measured in the same run in alternating slices. For each:
// p50, p99 and max of (moment the woken code runs − its grid point), in ms.
// The pacer's figure adds the hand-over to the engine thread (a resume of a
// suspended Thread) to the sleep's own lateness.
//
//   bench_pacer [--seconds N] [--any-cpu]
//     N: seconds of each of the two phases (default 60); --any-cpu lets the
//     engine run on any CPU instead of the pacer's.

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/Pacer.h"

namespace {

using velmora::CPacer;
using velmora::MonotonicNs;

struct Figures {
    double p50 = 0, p99 = 0, max = 0;
    std::size_t count = 0;
};

Figures Summarise(std::vector<double> lateMs) {
    Figures f;
    f.count = lateMs.size();
    if (lateMs.empty()) return f;
    std::sort(lateMs.begin(), lateMs.end());
    auto at = [&](double q) { return lateMs[static_cast<std::size_t>(q * static_cast<double>(lateMs.size() - 1))]; };
    f.p50 = at(0.50);
    f.p99 = at(0.99);
    f.max = lateMs.back();
    return f;
}

bool TryRealtime(int cpu) {
    if (cpu >= 0) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(cpu, &set);
        pthread_setaffinity_np(pthread_self(), sizeof set, &set);
    }
    sched_param param{};
    param.sched_priority = 10;  // what Thread asks for its workers
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

// The floor: the same 1 ms absolute grid, measuring every 21st wake-up, on
// the pacer's CPU when it has one.
void BareLoop(double seconds, int cpu, bool* realtime, std::vector<double>& late) {
    std::thread t([&] {
        *realtime = TryRealtime(cpu);
        const std::int64_t end = MonotonicNs() + static_cast<std::int64_t>(seconds * 1e9);
        std::int64_t next = MonotonicNs();
        int c = 0;
        while (next < end) {
            next += CPacer::kPeriodNs;
            velmora::SleepUntilNs(next);
            const std::int64_t now = MonotonicNs();
            if (++c == CPacer::kEngineTick) late.push_back(static_cast<double>(now - next) / 1e6);
            if (c == CPacer::kCycleTicks) c = 0;
            if (now >= next + CPacer::kPeriodNs) next += (now - next) / CPacer::kPeriodNs * CPacer::kPeriodNs;
        }
    });
    t.join();
}

// Stands in for the engine: records how late each pass starts.
class LatenessProbe : public velmora::Thread {
public:
    explicit LatenessProbe(const CPacer*& pacer) : pacer_(pacer) { late_.reserve(4096); }
    ~LatenessProbe() override { WaitForBodiesToEnd(); }
    std::vector<double> Take() {
        std::lock_guard lock(mutex_);
        return late_;
    }

protected:
    void Run() override {
        while (SuspendSelf()) {
            const std::int64_t now = MonotonicNs();
            const std::int64_t deadline = pacer_->LastEngineDeadlineNs();
            std::lock_guard lock(mutex_);
            late_.push_back(static_cast<double>(now - deadline) / 1e6);
        }
    }

private:
    const CPacer*& pacer_;
    std::mutex mutex_;
    std::vector<double> late_;
};

void Print(const char* name, const Figures& f) {
    std::printf("%-28s wake-ups %6zu   p50 %.3f ms   p99 %.3f ms   max %.3f ms\n", name, f.count, f.p50, f.p99,
                f.max);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60.0;
    bool shareCpu = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (a == "--any-cpu") {
            shareCpu = false;
        } else {
            std::fprintf(stderr, "usage: bench_pacer [--seconds N] [--any-cpu]\n");
            return 2;
        }
    }
    if (!(seconds > 0.0)) seconds = 1.0;

    bool realtime = false;
    const CPacer* pacerRef = nullptr;
    LatenessProbe engine(pacerRef);
    engine.Start();
    CPacer pacer(&engine, {}, shareCpu);
    pacerRef = &pacer;
    while (!engine.IsSuspended()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

    // The two phases alternate in one-second slices, so that both see the
    // same load from whatever else the machine is doing.
    std::vector<double> floorLate;
    std::uint64_t skipped = 0, points = 0;
    for (double done = 0.0; done < seconds; done += 1.0) {
        const double slice = std::min(1.0, seconds - done);
        BareLoop(slice, pacer.cpu(), &realtime, floorLate);
        pacer.Start();
        std::this_thread::sleep_for(std::chrono::duration<double>(slice));
        pacer.Stop();
    }
    skipped = pacer.Skipped();
    points = pacer.Ticks() + pacer.Skipped();
    engine.Stop();
    const Figures floor = Summarise(std::move(floorLate));
    const Figures paced = Summarise(engine.Take());

    std::printf("bench_pacer: %.0f s per phase, SCHED_FIFO %s, engine %s\n", seconds,
                realtime ? "granted" : "refused (normal priority)",
                pacer.cpu() >= 0 ? ("on the pacer's CPU " + std::to_string(pacer.cpu())).c_str() : "on any CPU");
    Print("bare clock_nanosleep (floor)", floor);
    Print("pacer -> engine wake-up", paced);
    std::printf("p99 over the floor: %+.3f ms (target within 0.2 ms); grid points skipped: %llu of %llu\n",
                paced.p99 - floor.p99, static_cast<unsigned long long>(skipped),
                static_cast<unsigned long long>(points));
    return 0;
}
