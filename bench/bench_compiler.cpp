// Show compiler and asset cache figures: the time to compile a large show of
// rotation blocks, the track points it makes, and the cost of a warm cache
// lookup by name (the engine makes several per block on every tick).
// The machine is shared, so each figure is the best of several runs.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <stdlib.h>
#include <sys/resource.h>

#include "app/MemoryPolicy.h"
#include "app/Prompter.h"
#include "engine/AssetCaches.h"
#include "engine/ShowCompiler.h"
#include "engine/StreamingStore.h"

#include "BestOf.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

// 50 steps once expanded: a loop of 25 repetitions over a move and a rest.
void WriteProgram(const fs::path& path) {
    std::ofstream out(path);
    out << "[Main]\nNum=4\nInterval=200\n"
        << "[MOB0]\nAct=100\np0=25\np1=10\np2=20\n"
        << "[MOB1]\nAct=1\np0=4000\np1=1600\n"
        << "[MOB2]\nAct=0\np0=120\n"
        << "[MOB3]\nAct=101\n";
}

// 2,500 springs; 100 overlapping groups whose sizes run from 450 down to 1.
Scene MakeScene(double& meanGroupSize) {
    Scene scene;
    for (int i = 0; i < 2500; ++i) {
        CSpring spring;
        spring.ID = 1 + i;
        scene.springs.push_back(spring);
    }
    const int sizes[] = {450, 240, 120, 60, 24, 12, 6, 1};
    double total = 0;
    for (int g = 0; g < 100; ++g) {
        CSpringGroup group;
        group.ID = 10000 + g;
        group.childCount = sizes[g % 8];
        for (int j = 0; j < group.childCount; ++j)
            group.children[static_cast<std::size_t>(j)] = 1 + (g * 97 + j) % 2500;
        total += group.childCount;
        scene.groups.push_back(group);
    }
    meanGroupSize = total / 100;
    scene.Reindex();
    return scene;
}

// 2,000 rotation blocks, 20 one after another on each group's layer (a
// minute apart, so a layer's blocks do not overlap), every take order, both
// axes, each member running the program three times.
Show MakeShow() {
    Show show;
    show.Reset();
    for (int g = 0; g < 100; ++g) show.layers[static_cast<std::size_t>(g)] = {"", 10000 + g, kLayerGroup, 0};
    for (int b = 0; b < 2000; ++b) {
        TimeBlock& block = show.blocks.emplace_back();
        block.cannel = b % 100;
        block.start = static_cast<float>(b / 100) * 1200.0f;
        block.end = block.start + 1180.0f;
        block.nSpecicalType = b % 2 == 0 ? kActionRotateZ : kActionRotateY;
        block.nTakeOrder = b % 7;
        block.nInterval = 40;
        block.szMotor = "p50.motor";
        block.forMotor1 = 3;
    }
    return show;
}

// FNV-1a over every track's bytes in spring order: equal hashes before and
// after a change to the compiler show that it makes the same points.
std::uint64_t TrackHash(const Scene& scene) {
    std::uint64_t h = 1469598103934665603ull;
    auto add = [&h](const TrackPoints& track) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(track.data());
        for (std::size_t i = 0; i < track.size() * sizeof(TrackPoint); ++i) h = (h ^ bytes[i]) * 1099511628211ull;
        h = (h ^ track.size()) * 1099511628211ull;
    };
    for (const CSpring& s : scene.springs) {
        add(s.m_stepsA);
        add(s.m_stepsB);
    }
    return h;
}

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Process CPU time in ms, user and system (the kernel's share is mostly
// zeroing and mapping pages that the allocator takes from the system).
void CpuMs(double& user, double& system) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    user = static_cast<double>(usage.ru_utime.tv_sec) * 1e3 + static_cast<double>(usage.ru_utime.tv_usec) / 1e3;
    system = static_cast<double>(usage.ru_stime.tv_sec) * 1e3 + static_cast<double>(usage.ru_stime.tv_usec) / 1e3;
}

std::string ProgramName(int i) {
    std::string name = "m";
    name += std::to_string(i);
    name += ".motor";
    return name;
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "velmora-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path dir = pattern;
    fs::create_directories(dir / "motor");
    WriteProgram(dir / "motor" / "p50.motor");
    for (int i = 0; i < 100; ++i) WriteProgram(dir / "motor" / ProgramName(i));

    RecordingPrompter prompter;
    AssetCaches caches(Workspace(dir), &prompter);
    double meanGroup = 0;
    Scene scene = MakeScene(meanGroup);
    const Show show = MakeShow();
    std::mutex outputLock;
    CompileResult result;
    // Best, median and worst of five compiles, with the mean CPU time and
    // fresh pages of one.
    struct Figure {
        double ms, medianMs, worstMs, userMs, systemMs;
        long faults;
    };
    auto measure = [&] {
        CompileShow(scene, show, caches, outputLock);  // settles the allocator; the program is read here the first time
        double user0 = 0, system0 = 0, user1 = 0, system1 = 0;
        const long faultsBefore = MinorFaults();
        CpuMs(user0, system0);
        std::vector<double> times;
        for (int i = 0; i < 5; ++i) times.push_back(BestMs(1, [&] { result = CompileShow(scene, show, caches, outputLock); }));
        CpuMs(user1, system1);
        std::sort(times.begin(), times.end());
        return Figure{times[0], times[2], times[4], (user1 - user0) / 5, (system1 - system0) / 5, (MinorFaults() - faultsBefore) / 5};
    };
    // The allocator's defaults first: keeping freed memory cannot be undone.
    const Figure defaults = measure();
    const bool policy = KeepFreedMemoryForReuse();
    const Figure kept = measure();
    std::size_t unsorted = 0;
    for (const CSpring& s : scene.springs)
        for (std::size_t i = 1; i < s.m_stepsB.size(); ++i) unsorted += s.m_stepsB[i].m_fTime < s.m_stepsB[i - 1].m_fTime;

    std::printf("compile: 2000 rotation blocks, 100 groups of 1..450 members (mean %.1f), 2500 springs,\n", meanGroup);
    std::printf("         program of %zu expanded steps x 3\n", caches.FindMotorProgram("p50.motor")->m_listSteps.size());
    std::printf("  track points             %9zu  (%.1f MB)%s\n", result.points,
                static_cast<double>(result.points * sizeof(TrackPoint)) / 1e6, result.capped ? "  CAPPED" : "");
    // The programs keep freed memory for reuse (app/MemoryPolicy.h), so the
    // first figure is the one an operator sees.
    std::printf("  CompileShow as the programs run it, freed memory kept%s:\n", policy ? "" : " (policy refused)");
    std::printf("                           %9.2f ms  best, %.2f median, %.2f worst (target < 100 ms; %.1f M points/s)\n",
                kept.ms, kept.medianMs, kept.worstMs, static_cast<double>(result.points) / kept.ms / 1e3);
    std::printf("    CPU, page faults       %9.2f ms user + %.2f ms system, all threads; %ld page faults (mean of 5)\n",
                kept.userMs, kept.systemMs, kept.faults);
    std::printf("  CompileShow with the allocator's defaults:\n");
    std::printf("                           %9.2f ms  best, %.2f median, %.2f worst (%.2fx the programs' best)\n",
                defaults.ms, defaults.medianMs, defaults.worstMs, defaults.ms / kept.ms);
    std::printf("    CPU, page faults       %9.2f ms user + %.2f ms system, all threads; %ld page faults (mean of 5)\n",
                defaults.userMs, defaults.systemMs, defaults.faults);
    std::printf("  track hash               %016llx\n", static_cast<unsigned long long>(TrackHash(scene)));
    if (unsorted != 0) std::printf("  ERROR: %zu points out of order\n", unsorted);
    // The floor: the same bytes, track by track, on one thread, written by a
    // plain loop into freshly reserved vectors (as the compiler must, since
    // the previous tracks stay readable until the swap), streamed past the
    // caches a block at a time as the compiler does, and rewritten in place.
    std::vector<std::size_t> sizes;
    for (const CSpring& s : scene.springs) {
        sizes.push_back(s.m_stepsA.size());
        sizes.push_back(s.m_stepsB.size());
    }
    std::vector<TrackPoints> plain;
    auto writeFresh = [&] {
        std::vector<TrackPoints> next(sizes.size());
        for (std::size_t t = 0; t < sizes.size(); ++t) {
            next[t].reserve(sizes[t]);
            for (std::size_t i = 0; i < sizes[t]; ++i) next[t].push_back({static_cast<float>(i), 0.0f, 0, 0.0f});
        }
        plain.swap(next);
    };
    writeFresh();
    const double freshMs = BestMs(5, writeFresh);
    const double streamedMs = BestMs(5, [&] {
        std::vector<TrackPoints> next(sizes.size());
        std::vector<TrackPoint> block(256);
        for (std::size_t t = 0; t < sizes.size(); ++t) {
            next[t].resize(sizes[t]);
            for (std::size_t i = 0; i < sizes[t]; i += block.size()) {
                const std::size_t n = std::min(block.size(), sizes[t] - i);
                for (std::size_t j = 0; j < n; ++j) block[j] = {static_cast<float>(i + j), 0.0f, 0, 0.0f};
                StreamPoints(next[t].data() + i, block.data(), n);
            }
        }
        FinishStreaming();
        plain.swap(next);
    });
    const double warmMs = BestMs(5, [&] {
        for (TrackPoints& track : plain)
            for (std::size_t i = 0; i < track.size(); ++i) track[i] = {static_cast<float>(i), 1.0f, 0, 0.0f};
    });
    std::printf("  floor: plain write, fresh %9.2f ms  (compile takes %.2f x this)\n", freshMs, kept.ms / freshMs);
    std::printf("  floor: streamed write    %9.2f ms  (compile takes %.2f x this)\n", streamedMs, kept.ms / streamedMs);
    std::printf("  floor: rewrite in place  %9.2f ms  (compile takes %.2f x this)\n", warmMs, kept.ms / warmMs);
    plain = {};
    std::printf("  at this rate 100 ms compiles %.1f M points\n", static_cast<double>(result.points) / kept.ms / 1e4);

    // Warm lookups: 100 cached motor programs, names taken in turn.
    std::vector<std::string> names;
    for (int i = 0; i < 100; ++i) names.push_back(ProgramName(i));
    for (const auto& n : names) caches.FindMotorProgram(n);
    const int lookups = 1'000'000;
    std::size_t found = 0;
    const double lookupMs = BestMs(5, [&] {
        for (int i = 0; i < lookups; ++i) found += caches.FindMotorProgram(names[static_cast<std::size_t>(i) % 100]) != nullptr;
    });
    std::printf("lookup: warm FindMotorProgram among 101 cached records\n");
    std::printf("  per lookup               %9.1f ns  (%zu found)\n", lookupMs * 1e6 / lookups, found / 5);

    // A block naming a file that is not there: the failure is remembered, so
    // the tick pays a hash lookup, not a probe of the disk.
    const double missingMs = BestMs(5, [&] {
        for (int i = 0; i < lookups; ++i) found += caches.FindMotorProgram("absent.motor") != nullptr;
    });
    std::printf("  missing file, remembered %9.1f ns  (%zu files parsed in all)\n", missingMs * 1e6 / lookups,
                caches.filesParsed());

    std::error_code ec;
    fs::remove_all(dir, ec);
    return unsorted == 0 ? 0 : 1;
}
