// A show large enough that the compiler shares its tracks out among threads,
// checked against the plainest way to the same tracks: every block compiled
// alone, each spring's points put together in block order, stably sorted by
// time, and the absolute angles accumulated again.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <tuple>
#include <vector>

#include "EngineFiles.h"
#include "app/Prompter.h"
#include "engine/AssetCaches.h"
#include "engine/ShowCompiler.h"

namespace velmora {
namespace {

using testing::ScratchDir;
using testing::WriteMotor;

constexpr int kSprings = 300;
constexpr int kGroups = 30;
constexpr int kMembers = 40;
constexpr int kBlocksPerGroup = 6;

bool SamePoints(const TrackPoints& a, const TrackPoints& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(TrackPoint)) == 0);
}

// Every block compiled alone, the springs' points put together in block
// order, stably sorted by time and their angles accumulated again.
std::vector<SpringTracks> BlockByBlock(const Scene& scene, const Show& show, AssetCaches& caches) {
    std::vector<SpringTracks> expected(scene.springs.size());
    std::vector<SpringTracks> part;
    for (const TimeBlock& block : show.blocks) {
        Show single = show;
        single.blocks.assign(1, block);
        BuildTracks(scene, single, caches, part);
        for (std::size_t i = 0; i < part.size(); ++i) {
            expected[i].m_stepsA.insert(expected[i].m_stepsA.end(), part[i].m_stepsA.begin(), part[i].m_stepsA.end());
            expected[i].m_stepsB.insert(expected[i].m_stepsB.end(), part[i].m_stepsB.begin(), part[i].m_stepsB.end());
        }
    }
    for (SpringTracks& tracks : expected) {
        for (auto* track : {&tracks.m_stepsA, &tracks.m_stepsB}) {
            std::stable_sort(track->begin(), track->end(),
                             [](const TrackPoint& a, const TrackPoint& b) { return a.m_fTime < b.m_fTime; });
            AccumulateTrackAngles(*track);
        }
    }
    return expected;
}

TEST(ShowCompilerLarge, ThreadedMergeMatchesBlockByBlockStableSort) {
    ScratchDir dir;
    // Three programs with different angles, so that the order of points of
    // equal time shows in the result.
    WriteMotor(dir, "a.motor", {{kMotorMove, 1000, 400, 0, 0}, {kMotorRest, 150, 0, 0, 0}});
    WriteMotor(dir, "b.motor", {{kMotorMove, 800, -240, 0, 0}, {kMotorReset, 0, 0, 0, 0}, {kMotorRest, 90, 0, 0, 0}});
    WriteMotor(dir, "c.motor", {{kMotorMove, 1200, 700, 0, 0}, {kMotorMove, -600, 333, 0, 0}});
    RecordingPrompter prompter;
    AssetCaches caches(Workspace(dir.path()), &prompter);

    Scene scene;
    scene.settings.g_nPulsePerRoundZ = 4000;
    scene.settings.g_nPulsePerRoundY = 360;
    for (int i = 0; i < kSprings; ++i) {
        CSpring spring;
        spring.ID = 1 + i;
        scene.springs.push_back(spring);
    }
    // Overlapping groups: every spring belongs to about four of them.
    for (int g = 0; g < kGroups; ++g) {
        CSpringGroup group;
        group.ID = 1000 + g;
        group.childCount = kMembers;
        for (int j = 0; j < kMembers; ++j) group.children[static_cast<std::size_t>(j)] = 1 + (g * 37 + j * 7) % kSprings;
        scene.groups.push_back(group);
    }
    scene.Reindex();

    Show show;
    show.Reset();
    const char* programs[] = {"a.motor", "b.motor", "c.motor"};
    for (int g = 0; g < kGroups; ++g) show.layers[static_cast<std::size_t>(g)] = {"", 1000 + g, kLayerGroup, 0};
    for (int b = 0; b < kBlocksPerGroup; ++b) {
        for (int g = 0; g < kGroups; ++g) {
            TimeBlock& block = show.blocks.emplace_back();
            block.cannel = g;
            // Groups share start times, so runs of different blocks begin together.
            block.start = static_cast<float>(b * 40 + (g % 3) * 10);
            block.end = block.start + 30;
            block.nSpecicalType = (g + b) % 2 == 0 ? kActionRotateZ : kActionRotateY;
            block.nTakeOrder = (g + b) % 7;
            block.nInterval = g % 4 == 0 ? 0 : 25;
            block.szMotor = programs[(g + b) % 3];
            block.forMotor1 = 12;
            // Some members start before the show does: their tracks hold
            // times below zero, which sort by another key.
            block.delayMotor1 = g % 5 == 0 ? -900 : 0;
        }
    }

    std::vector<SpringTracks> whole;
    const CompileResult result = BuildTracks(scene, show, caches, whole);
    ASSERT_FALSE(result.capped);
    ASSERT_GT(result.points, 200'000u);  // enough for the threaded path

    // The reference: one block at a time, far below the threaded size.
    const std::vector<SpringTracks> expected = BlockByBlock(scene, show, caches);
    std::size_t points = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        points += expected[i].m_stepsA.size() + expected[i].m_stepsB.size();
        ASSERT_TRUE(SamePoints(whole[i].m_stepsA, expected[i].m_stepsA)) << "spring index " << i << " Y track";
        ASSERT_TRUE(SamePoints(whole[i].m_stepsB, expected[i].m_stepsB)) << "spring index " << i << " Z track";
    }
    EXPECT_EQ(points, result.points);

    // And again: the sharing out among threads does not change the result.
    std::vector<SpringTracks> again;
    BuildTracks(scene, show, caches, again);
    for (std::size_t i = 0; i < again.size(); ++i) {
        ASSERT_TRUE(SamePoints(again[i].m_stepsA, whole[i].m_stepsA));
        ASSERT_TRUE(SamePoints(again[i].m_stepsB, whole[i].m_stepsB));
    }
}

// One track of well over a million points: the builder's scratch grows for
// it and is given back afterwards, and the result is the same.
TEST(ShowCompilerLarge, TrackBeyondTheKeptScratchIsBuiltTheSame) {
    ScratchDir dir;
    WriteMotor(dir, "long.motor", {{kMotorMove, 1000, 40, 0, 0}, {kMotorRest, 30, 0, 0, 0}, {kMotorMove, 500, -25, 0, 0}});
    RecordingPrompter prompter;
    AssetCaches caches(Workspace(dir.path()), &prompter);
    Scene scene;
    scene.settings.g_nPulsePerRoundZ = 4000;
    for (int id = 1; id <= 2; ++id) {
        CSpring spring;
        spring.ID = id;
        scene.springs.push_back(spring);
    }
    scene.Reindex();
    Show show;
    show.Reset();
    show.layers[0] = {"", 1, kLayerSpring, 0};
    show.layers[1] = {"", 2, kLayerSpring, 0};
    // Two overlapping blocks on spring 1 (to be merged), a small one on spring 2.
    for (const auto& [layer, start, repeat] : {std::tuple{0, 0.0f, 180'000}, std::tuple{0, 7.0f, 180'000},
                                               std::tuple{1, 0.0f, 10}}) {
        TimeBlock& block = show.blocks.emplace_back();
        block.cannel = layer;
        block.start = start;
        block.end = start + 10;
        block.nSpecicalType = kActionRotateZ;
        block.szMotor = "long.motor";
        block.forMotor1 = repeat;
    }
    std::vector<SpringTracks> whole;
    BuildTracks(scene, show, caches, whole);
    ASSERT_GT(whole[0].m_stepsB.size(), std::size_t{1} << 20);
    const std::vector<SpringTracks> expected = BlockByBlock(scene, show, caches);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        EXPECT_TRUE(SamePoints(whole[i].m_stepsB, expected[i].m_stepsB)) << "spring index " << i;
        EXPECT_TRUE(whole[i].m_stepsA.empty());
    }
}

}  // namespace
}  // namespace velmora
