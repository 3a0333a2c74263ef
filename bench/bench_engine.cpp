// Engine tick cost on a large installation: 1,000 springs in 100 groups, a
// show of 5,000 blocks of every action type (about 300 active at a time)
// with colour files, frame animations, motor programs and a moving-head
// table, generated in a temporary workspace. Prints p50/p99/max of 10,000
// ticks 21 ms of show time apart, their share of the 21 ms period, and the
// heap allocations made inside ticks (counted by the replaced operator new).
// In the steady pass every position is ticked twice, once as the bare tick
// and once capturing and publishing the views' snapshot (in alternating
// order), so the snapshot's cost is printed beside the tick it adds to.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <new>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "LargeShow.h"
#include "app/Workspace.h"
#include "engine/AssetCaches.h"
#include "engine/EngineSnapshot.h"
#include "engine/EngineTick.h"
#include "engine/FrameAnimationFile.h"
#include "engine/PlaybackState.h"
#include "engine/ShowAssets.h"
#include "engine/ShowCompiler.h"
#include "scene/Scene.h"
#include "show/Show.h"

// Allocation counter: counts while `g_counting` is set on the benchmark thread.
namespace {
std::atomic<bool> g_counting{false};
std::atomic<std::uint64_t> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, std::align_val_t align) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
    const std::size_t a = static_cast<std::size_t>(align);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) { return operator new(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

using namespace velmora;
using namespace velmora::bench;
namespace fs = std::filesystem;

constexpr int kTicks = 10000;
constexpr double kTickMs = 21.0;

}  // namespace

int main() {
    fs::path root = fs::temp_directory_path() / ("velmora-bench-engine-" + std::to_string(::getpid()));
    fs::create_directories(root);
    WriteAssets(root);

    Scene scene;
    BuildScene(scene);
    Show show;
    BuildShow(show);
    AssetCaches caches{Workspace(root)};
    OutputImage image;
    image.Reallocate(scene.g_Channels);
    std::mutex outputLock;
    NightWindow night{0, 6000};
    const CompileResult compiled = CompileShow(scene, show, caches, outputLock);

    PlaybackState playback;
    playback.m_dLength.store(0.0);
    auto records = std::make_shared<SpectrumList>();
    for (int i = 0; i < static_cast<int>(kShowMs / 200.0) + 2; ++i) {
        spectum r;
        r.time = i * 200.0;
        r.level = 20.0 + (i * 7) % 40;
        records->push_back(r);
    }
    playback.m_dLength.store(kShowMs + 1.0);
    playback.SetRecords(records);

    const std::shared_ptr<const ShowAssets> assets = PrepareShowAssets(scene, show, caches);
    EngineWorld world{scene, show, assets, image, outputLock, night};
    EngineTickInputs inputs;
    inputs.nowMinute = 720;
    const double firstMs = 30000.0;

    // Every asset was read when the show was prepared above, so neither
    // pass reads a file; pass 1 is the first time the ticks run, pass 2 the
    // steady state the engine runs in.
    EngineSnapshotBuffer snapshots;
    {
        std::lock_guard lock(outputLock);
        snapshots.Reserve(scene.springs.size(), scene.groups.size());
    }
    EngineSnapshot view;
    std::uint64_t firstPassAllocations = 0;
    std::vector<double> ticksMs(kTicks);
    std::vector<double> cpuMs(kTicks);
    std::vector<double> publishedMs(kTicks);
    std::vector<double> readMs;
    readMs.reserve(kTicks);
    std::size_t active = 0;
    const auto timedTick = [&](int i, bool publish) {
        inputs.capture = publish ? &snapshots : nullptr;
        const auto t0 = std::chrono::steady_clock::now();
        g_counting.store(true);
        EngineTick(world, playback, inputs);
        if (publish) snapshots.Publish(static_cast<std::uint64_t>(i + 1), static_cast<float>(kTickMs), 0.0f);
        g_counting.store(false);
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    };
    for (int pass = 0; pass < 2; ++pass) {
        g_allocations.store(0);
        for (int i = 0; i < kTicks; ++i) {
            const double position = firstMs + i * kTickMs;
            playback.m_dPlayPos.store(position);
            inputs.clockMs = static_cast<std::uint32_t>(i * kTickMs);
            const bool publishFirst = pass == 1 && i % 2 == 1;
            if (publishFirst) publishedMs[static_cast<std::size_t>(i)] = timedTick(i, true);
            const double c0 = ThreadCpuMs();
            ticksMs[static_cast<std::size_t>(i)] = timedTick(i, false);
            cpuMs[static_cast<std::size_t>(i)] = ThreadCpuMs() - c0;
            if (pass == 1 && !publishFirst) publishedMs[static_cast<std::size_t>(i)] = timedTick(i, true);
            if (pass == 1 && i % 4 == 0) {
                // A view on its repaint timer, between two ticks (its own cost, not the engine's).
                const auto r0 = std::chrono::steady_clock::now();
                snapshots.Read(view);
                readMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - r0).count());
            }
        }
        if (pass == 0) firstPassAllocations = g_allocations.load();
    }
    const std::uint64_t steadyAllocations = g_allocations.load();
    for (const TimeBlock& b : show.blocks) {
        const double mid = firstMs + kTicks * kTickMs / 2;
        if (b.start * 50.0 < mid && mid < b.end * 50.0) ++active;
    }

    const double p50 = Percentile(ticksMs, 0.50);
    const double p99 = Percentile(ticksMs, 0.99);
    const double max = *std::max_element(ticksMs.begin(), ticksMs.end());
    std::printf("engine tick: %d springs in %d groups, %d blocks (%zu active mid-run), %zu track points\n",
                kGroups * kMembers, kGroups, kBlocks, active, compiled.points);
    std::printf("  %d ticks, wall time: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n", kTicks, p50, p99, max);
    std::printf("  %d ticks, thread CPU time: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n", kTicks,
                Percentile(cpuMs, 0.50), Percentile(cpuMs, 0.99), *std::max_element(cpuMs.begin(), cpuMs.end()));
    std::printf("  share of the 21 ms period: wall p50 %.1f%%, p99 %.1f%%; CPU p99 %.1f%% (target p99 <= 1 ms)\n",
                100.0 * p50 / 21.0, 100.0 * p99 / 21.0, 100.0 * Percentile(cpuMs, 0.99) / 21.0);
    const double p50Published = Percentile(publishedMs, 0.50);
    std::printf("  tick p50 without / with publishing the snapshot: %.4f ms / %.4f ms (adds %.4f ms; target <= 0.02 ms)\n",
                p50, p50Published, p50Published - p50);
    std::printf("  tick p99 without / with publishing the snapshot: %.4f ms / %.4f ms\n", p99,
                Percentile(publishedMs, 0.99));
    std::printf("  a view's read of the snapshot (%zu springs, %zu groups): p50 %.4f ms, p99 %.4f ms\n",
                view.springs.size(), view.groups.size(), Percentile(readMs, 0.50), Percentile(readMs, 0.99));
    std::printf("  heap allocations inside ticks (with and without publishing): %llu in the first pass, %llu in the steady pass\n",
                static_cast<unsigned long long>(firstPassAllocations),
                static_cast<unsigned long long>(steadyAllocations));
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
