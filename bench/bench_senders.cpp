// The 100 channel senders against velmora-sim on loopback, woken every 21 ms
// as the playback clock does, with an engine-like rewrite of the image under
// the output lock 10 ms into every cycle. Prints, per channel size: the share
// of wake-ups that produced a completed exchange, the exchange latency p50 and
// p99, and the process CPU time per second (the senders plus the pacer; the
// simulator runs in its own process). Then, in the same run, 100 libmodbus
// clients doing the same writes on the same grid, where libmodbus can (it
// writes at most 123 registers per request).
//
//   bench_senders [--seconds S] [--sim PATH]

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Workspace.h"
#include "comm/ModbusTCPThread.h"

#ifdef VELMORA_HAVE_LIBMODBUS
#include <modbus/modbus.h>
#endif

extern char** environ;

using namespace velmora;
using namespace std::chrono_literals;

namespace {

constexpr int kCycleMs = 21;
constexpr int kEngineOffsetMs = 10;

struct Sim {
    pid_t pid = -1;
    std::vector<std::uint16_t> ports;

    bool Start(const std::string& path, int endpoints) {
        std::vector<std::string> args{path, "--quiet"};
        for (int i = 0; i < endpoints; ++i) {
            args.push_back("--listen");
            args.push_back("127.0.0.1:0");
        }
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe(fds) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            pid = -1;
            return false;
        }
        FILE* out = fdopen(fds[0], "r");
        char line[128];
        unsigned port = 0;
        while (static_cast<int>(ports.size()) < endpoints && fgets(line, sizeof line, out) != nullptr) {
            if (std::sscanf(line, "listening 127.0.0.1:%u", &port) == 1) ports.push_back(static_cast<std::uint16_t>(port));
        }
        fclose(out);
        return static_cast<int>(ports.size()) == endpoints;
    }
    ~Sim() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
    }
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Percentile(std::vector<std::int64_t>& values, double p) {
    if (values.empty()) return 0.0;
    const auto k = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return static_cast<double>(values[k]) / 1000.0;
}

void SleepUntil(const timespec& at) {
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

timespec AddMs(timespec t, long ms) {
    t.tv_nsec += ms * 1000000L;
    while (t.tv_nsec >= 1000000000L) {
        t.tv_nsec -= 1000000000L;
        ++t.tv_sec;
    }
    return t;
}

struct Result {
    long wakes = 0;
    long completed = 0;
    // Why the other wake-ups made no completed exchange: the resume found the
    // sender still busy with an earlier pass (it is lost, by design); the pass
    // ran but had not finished by the next wake-up; the pass ended without a
    // reply (a failed send or read, which also drops the connection).
    long lostResumes = 0;
    long late = 0;
    long failed = 0;
    long reconnects = 0;
    bool missesCounted = false;
    std::vector<std::int64_t> latencyUs;
    double cpuPerSecondMs = 0;
};

double LoadAverage() {
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1.0;
}

void Print(const char* who, int tagNum, Result& r) {
    const double share = r.wakes > 0 ? 100.0 * static_cast<double>(r.completed) / static_cast<double>(r.wakes) : 0.0;
    std::printf("%-10s tagNum %3d: wake-ups %ld, completed %ld (%.3f %%), latency p50 %.3f ms p99 %.3f ms, "
                "CPU %.1f ms/s, load average %.2f\n",
                who, tagNum, r.wakes, r.completed, share, Percentile(r.latencyUs, 0.50),
                Percentile(r.latencyUs, 0.99), r.cpuPerSecondMs, LoadAverage());
    if (!r.missesCounted) {
        std::fflush(stdout);
        return;
    }
    std::printf("%-10s            misses: resume lost (sender busy) %ld, pass not done by next wake-up %ld, "
                "failed exchange %ld (reconnects %ld)\n",
                "", r.lostResumes, r.late, r.failed, r.reconnects);
    std::fflush(stdout);
}

Result RunSenders(const std::vector<std::uint16_t>& ports, int tagNum, int seconds) {
    std::mutex lock;
    auto channels = std::make_unique<ChannelTable>();
    for (int i = 0; i < kChannelCount; ++i) {
        ChannelInfo& row = (*channels)[static_cast<std::size_t>(i)];
        row.IP = "127.0.0.1";
        row.port = ports[static_cast<std::size_t>(i)];
        row.tagNum = tagNum;
    }
    auto image = std::make_unique<OutputImage>();
    image->Reallocate(*channels);
    auto senders = std::make_unique<std::array<CModbusTCPThread, kChannelCount>>();
    for (auto& s : *senders) s.Bind(lock, *channels, *image);
    StartSenders(*senders);
    // The first pass connects and already exchanges; wait until all are idle.
    const auto settle = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < settle &&
           !std::all_of(senders->begin(), senders->end(), [](const auto& s) { return s.IsSuspended(); })) {
        std::this_thread::sleep_for(5ms);
    }

    Result result;
    result.missesCounted = true;
    std::array<std::int32_t, kChannelCount> recvBefore{};
    std::array<bool, kChannelCount> woken{};
    std::array<bool, kChannelCount> wasReconnecting{};
    const long cycles = static_cast<long>(seconds) * 1000 / kCycleMs;
    result.latencyUs.reserve(static_cast<std::size_t>(cycles) * kChannelCount);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::int32_t value = 0;
    for (long cycle = 0; cycle <= cycles; ++cycle) {
        // Score the previous wake-up of every channel, then wake them again.
        for (std::size_t i = 0; i < kChannelCount; ++i) {
            CModbusTCPThread& s = (*senders)[i];
            const std::int32_t recv = s.m_nRecvCount.load();
            if (woken[i]) {
                if (recv != recvBefore[i]) {
                    ++result.completed;
                    result.latencyUs.push_back(s.lastExchangeUs.load());
                } else if (!s.IsSuspended()) {
                    ++result.late;
                } else {
                    ++result.failed;
                }
            }
            recvBefore[i] = recv;
            const bool reconnecting = s.m_bReconnect.load() == 1;
            if (reconnecting && !wasReconnecting[i]) ++result.reconnects;
            wasReconnecting[i] = reconnecting;
            if (cycle == cycles) continue;
            woken[i] = s.Resume();
            if (!woken[i]) ++result.lostResumes;
            ++result.wakes;
        }
        if (cycle == cycles) break;
        next = AddMs(next, kEngineOffsetMs);
        SleepUntil(next);
        {
            std::lock_guard guard(lock);
            ++value;
            for (auto& slots : image->g_ChannelImage) std::fill(slots.begin(), slots.end(), value);
        }
        next = AddMs(next, kCycleMs - kEngineOffsetMs);
        SleepUntil(next);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    result.cpuPerSecondMs = (CpuSeconds() - cpu0) * 1000.0 / elapsed;
    std::array<Thread*, kChannelCount> threads{};
    for (std::size_t i = 0; i < threads.size(); ++i) threads[i] = &(*senders)[i];
    StopAllInParallel(threads);
    return result;
}

#ifdef VELMORA_HAVE_LIBMODBUS
// 100 libmodbus clients, each on its own thread, woken on the same 21 ms grid;
// a client still busy when woken picks up the latest cycle when it is done.
Result RunLibmodbus(const std::vector<std::uint16_t>& ports, int tagNum, int seconds) {
    struct Client {
        modbus_t* ctx = nullptr;
        std::atomic<long> completed{0};
        std::vector<std::int64_t> latencyUs;
    };
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < kChannelCount; ++i) {
        auto c = std::make_unique<Client>();
        c->ctx = modbus_new_tcp("127.0.0.1", ports[static_cast<std::size_t>(i)]);
        modbus_set_slave(c->ctx, 1);
        modbus_set_response_timeout(c->ctx, 1, 0);
        if (modbus_connect(c->ctx) != 0) std::fprintf(stderr, "libmodbus connect failed\n");
        clients.push_back(std::move(c));
    }
    std::mutex mutex;
    std::condition_variable cv;
    long generation = 0;
    bool done = false;
    std::vector<std::thread> threads;
    for (auto& cp : clients) {
        Client* c = cp.get();
        threads.emplace_back([&, c] {
            std::vector<std::uint16_t> values(static_cast<std::size_t>(tagNum));
            long seen = 0;
            for (;;) {
                {
                    std::unique_lock guard(mutex);
                    cv.wait(guard, [&] { return done || generation != seen; });
                    if (done) return;
                    seen = generation;
                }
                std::fill(values.begin(), values.end(), static_cast<std::uint16_t>(seen));
                const auto t0 = std::chrono::steady_clock::now();
                const int rc = modbus_write_registers(c->ctx, 0, tagNum, values.data());
                const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now() - t0).count();
                if (rc == tagNum) {
                    c->completed.fetch_add(1);
                    c->latencyUs.push_back(us);
                }
            }
        });
    }
    Result result;
    const long cycles = static_cast<long>(seconds) * 1000 / kCycleMs;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    for (long cycle = 0; cycle < cycles; ++cycle) {
        {
            std::lock_guard guard(mutex);
            ++generation;
        }
        cv.notify_all();
        result.wakes += kChannelCount;
        next = AddMs(next, kCycleMs);
        SleepUntil(next);
    }
    {
        std::lock_guard guard(mutex);
        done = true;
    }
    cv.notify_all();
    for (auto& t : threads) t.join();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    result.cpuPerSecondMs = (CpuSeconds() - cpu0) * 1000.0 / elapsed;
    for (auto& c : clients) {
        result.completed += c->completed.load();
        result.latencyUs.insert(result.latencyUs.end(), c->latencyUs.begin(), c->latencyUs.end());
        modbus_close(c->ctx);
        modbus_free(c->ctx);
    }
    // Writes of one cycle that completed late still count once; the share
    // is completed writes over wake-ups, as for the senders.
    return result;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    int seconds = 30;
    std::string simPath = (ExecutableDirectory().parent_path() / "velmora-sim").string();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) {
            seconds = std::clamp(std::atoi(argv[++i]), 1, 3600);
        } else if (a == "--sim" && i + 1 < argc) {
            simPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_senders [--seconds S] [--sim PATH]\n");
            return 2;
        }
    }
    Sim sim;
    if (!sim.Start(simPath, kChannelCount)) {
        std::fprintf(stderr, "bench_senders: cannot start %s\n", simPath.c_str());
        return 1;
    }
    std::printf("100 channels on 100 loopback endpoints of velmora-sim, woken every %d ms for %d s\n", kCycleMs,
                seconds);
    for (const int tagNum : {30, 800}) {
        Result r = RunSenders(sim.ports, tagNum, seconds);
        Print("senders", tagNum, r);
    }
#ifdef VELMORA_HAVE_LIBMODBUS
    Result r = RunLibmodbus(sim.ports, 30, seconds);
    Print("libmodbus", 30, r);
    std::printf("libmodbus  tagNum 800: n/a (at most 123 registers per request)\n");
#else
    std::printf("libmodbus: not built in (install libmodbus-dev)\n");
#endif
    return 0;
}
