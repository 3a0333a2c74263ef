// Action evaluation figures: one engine tick's worth of active blocks (300
// blocks over 100 groups of 10, on 1,000 springs, every action type, half of
// them with a light file) evaluated into the output image; the time per tick
// and the heap allocations made inside the ticks (there should be none).
// The machine is shared, so the time is the best of several runs.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "comm/ChannelImage.h"
#include "engine/ActionEvaluation.h"
#include "engine/AssetCaches.h"
#include "engine/FrameAnimationFile.h"
#include "engine/ShowAssets.h"
#include "show/Show.h"
#include "scene/Scene.h"
#include "show/TimeBlock.h"

#include "BestOf.h"

namespace {
std::atomic<std::uint64_t> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace velmora;
namespace fs = std::filesystem;

namespace {

constexpr int kSprings = 1000;
constexpr int kGroups = 100;
constexpr int kBlocks = 300;

void WriteAssets(const fs::path& root) {
    fs::create_directories(root / "motor");
    fs::create_directories(root / "Color");
    fs::create_directories(root / "Frame");
    std::ofstream(root / "motor" / "turn.motor") << "[Main]\nNum=3\nInterval=200\n"
                                                 << "[MOB0]\nAct=1\np0=4000\np1=1600\n"
                                                 << "[MOB1]\nAct=0\np0=120\n"
                                                 << "[MOB2]\nAct=1\np0=-4000\np1=-1600\n";
    std::ofstream(root / "Color" / "rainbow.color")
        << "[Main]\nNum=7\ncolor1=16711680\ncolor2=16744448\ncolor3=16776960\ncolor4=65280\n"
        << "color5=255\ncolor6=65535\ncolor7=16711935\n";
    FrameComplierCache frames;
    frames.m_fVersion = kFrameFileVersion;
    frames.m_nRows = 10;
    frames.m_nCols = 10;
    frames.m_nDefaultDuration = 400;
    frames.m_nPageCount = 20;
    frames.m_pPages.resize(20);
    for (int p = 0; p < 20; ++p)
        for (int c = 0; c < kFrameCells; ++c)
            frames.m_pPages[static_cast<std::size_t>(p)].m_nodes[static_cast<std::size_t>(c)].m_nLevel =
                (p * 7 + c) % 129;
    std::ofstream(root / "Frame" / "wave.frm", std::ios::binary) << SerializeFrameFile(frames);
}

void MakeScene(Scene& scene) {
    for (int c = 1; c <= 40; ++c) {
        ChannelInfo& channel = scene.g_Channels[static_cast<std::size_t>(c - 1)];
        channel.tagNum = 1000;
        channel.regType = c > 10 && c <= 20 ? 0 : 1;
    }
    for (int i = 0; i < kSprings; ++i) {
        CSpring spring;
        spring.ID = 1 + i;
        const std::string reg = std::to_string(1 + (i % 100) * 5);
        spring.BLOCKID = 1 + i / 100;
        spring.COMID = reg;
        spring.BLOCKID1 = 1 + i / 100;
        spring.COMID1 = std::to_string(600 + i % 100);
        spring.BLOCKID_L = 11 + i / 100;
        spring.COMID_L = reg;
        spring.BLOCKID3 = 21 + i / 100;
        spring.COMID3 = reg;
        spring.BLOCKID2 = 31 + i / 100;
        spring.COMID2 = reg;
        // A compiled Z track for the flat waves to read.
        for (int k = 0; k < 50; ++k)
            spring.m_stepsB.push_back({static_cast<float>(k * 400), 0.0f, 0, static_cast<float>((k * 37) % 360)});
        scene.springs.push_back(spring);
    }
    for (int g = 0; g < kGroups; ++g) {
        CSpringGroup group;
        group.ID = 5000 + g;
        group.childCount = 10;
        group.initX = g % 2 ? 5 : 0;
        group.initY = g % 2 ? 2 : 0;
        for (int j = 0; j < 10; ++j) group.children[static_cast<std::size_t>(j)] = 1 + g * 10 + j;
        scene.groups.push_back(group);
    }
    scene.Reindex();
}

std::vector<TimeBlock> MakeBlocks() {
    const std::int32_t types[] = {kActionTriangle, kActionRectangle, kActionRamp,  kActionFlatWave, kActionSwingZ,
                                  kActionFrame,    kActionRotateZ,   kActionLaser, kActionRotateY,  kActionNone};
    std::vector<TimeBlock> blocks(kBlocks);
    for (int b = 0; b < kBlocks; ++b) {
        TimeBlock& block = blocks[static_cast<std::size_t>(b)];
        block.start = 0.0f;
        block.end = 2000.0f;
        block.cannel = b % kGroups;
        block.nSpecicalType = types[b % 10];
        block.bRunHorse = block.nSpecicalType == kActionNone ? 1 : 0;
        block.nTakeOrder = b % 7;
        block.nInterval = 80;
        block.nWavMax = 120;
        block.nDeltaInGroup = -5;
        block.nPeriod = 600;
        block.nPeriod1 = 300;
        block.nWavMin = 4;
        block.szMotor = "turn.motor";
        block.szMotor1 = "turn.motor";
        block.singleSection = b % 3 == 0 ? 2 : 0;
        block.szFrame = "wave.frm";
        block.fFrameParam = 1.5f;
        block.MinValidZMotor = 300;
        block.MaxValidZMotor = 60;
        if (b % 2 == 0) {
            block.szLight = "rainbow.color";
            block.IntervalLight = 250;
            block.nLightType = b % 4 == 0 ? 0 : 1;
        }
        block.bSystime = b % 10 == 1 ? 1 : 0;
    }
    return blocks;
}

}  // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / ("velmora-bench-actions-" + std::to_string(::getpid()));
    WriteAssets(root);
    Scene scene;
    MakeScene(scene);
    const std::vector<TimeBlock> blocks = MakeBlocks();
    AssetCaches caches{Workspace(root)};
    Show show;
    show.blocks = blocks;
    const std::shared_ptr<const ShowAssets> assets = PrepareShowAssets(scene, show, caches);
    OutputImage image;
    image.Reallocate(scene.g_Channels);

    double position = 10000.0;
    auto tick = [&] {
        TickContext ctx{.out = OutputTarget{scene.g_Channels, image},
                        .scene = scene,
                        .assets = *assets,
                        .night = NightWindow{0, 6000},
                        .nowMinute = 720,
                        .position = position};
        for (auto& slots : image.g_ChannelImage) std::fill(slots.begin(), slots.end(), 0);
        for (CSpring& spring : scene.springs) {
            spring.m_bLit = 0;
            spring.m_fSwingZ = spring.m_fSwingY = 0.0f;
            spring.m_crColor = 0;
        }
        for (const TimeBlock& block : blocks) {
            const CSpringGroup& group = scene.groups[static_cast<std::size_t>(block.cannel)];
            if (block.bRunHorse == 1)
                RunRunningHorse(ctx, group, block, 100, position);
            else
                EvaluateAction(ctx, block, group, 100, position);
        }
        position += 21.0;
    };

    tick();  // first use reads the asset files
    constexpr int kTicks = 200;
    const std::uint64_t before = g_allocations.load();
    const double best = BestMs(5, [&] {
        for (int i = 0; i < kTicks; ++i) tick();
    });
    const std::uint64_t allocations = g_allocations.load() - before;

    std::printf("action evaluation: %d blocks over %d groups of 10 on %d springs\n", kBlocks, kGroups, kSprings);
    std::printf("  tick (best of 5 runs of %d ticks): %.3f ms\n", kTicks, best / kTicks);
    std::printf("  heap allocations inside %d ticks: %llu\n", 5 * kTicks, static_cast<unsigned long long>(allocations));
    fs::remove_all(root);
    return 0;
}
