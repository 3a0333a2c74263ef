// Switching to hand mode while a show plays, and back, at any tick: every
// tick's output image is exactly what the show asks for at that tick (with
// the panels' watch-mode requests) or exactly what the hand panel asks for,
// never a mixture or a leftover of the other mode.
//
// Three installations run the same ticks: the one under test, whose mode
// the hand panel switches, and two references that never switch, one always
// playing the show and one always in hand mode. Before each tick the
// references take the hand requests of the one under test.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>

#include "engine/AssetCaches.h"
#include "engine/EngineTick.h"
#include "engine/ShowAssets.h"
#include "manual/HandPanel.h"
#include "scene/Scene.h"
#include "show/Show.h"

namespace velmora {
namespace {

constexpr int kRegs = 1;    // pumps, valves, group switches
constexpr int kLights = 2;  // light slots
constexpr int kMotors = 3;

Scene MakeScene() {
    Scene scene;
    auto& regs = scene.g_Channels[kRegs - 1];
    regs.tagNum = 64;
    auto& lights = scene.g_Channels[kLights - 1];
    lights.regType = 3;
    lights.tagNum = 64;
    auto& motors = scene.g_Channels[kMotors - 1];
    motors.regType = 2;
    motors.tagNum = 64;
    for (int i = 0; i < 8; ++i) {
        CSpring s;
        s.ID = 9001 + i;
        s.BLOCKID = kRegs;
        s.COMID = std::to_string(1 + i);
        s.BLOCKID1 = kRegs;
        s.COMID1 = "20." + std::to_string(i);  // valves as bits of one register
        s.BLOCKID_L = kLights;
        s.COMID_L = std::to_string(1 + i);
        scene.springs.push_back(s);
    }
    // The motor of spring 9008 runs a hand command in both modes.
    CSpring& motor = scene.springs.back();
    motor.BLOCKID3 = kMotors;
    motor.COMID3 = "1";
    motor.m_nMotorCmd = 1;
    motor.m_nResendInterval = 50;

    auto group = [&](std::int32_t id, std::initializer_list<std::int32_t> members, int switchReg) {
        CSpringGroup g;
        g.ID = id;
        g.name = "G" + std::to_string(id);
        for (const std::int32_t m : members) g.children[static_cast<std::size_t>(g.childCount++)] = m;
        g.BLOCKID = kRegs;
        g.COMID = std::to_string(switchReg);
        g.nPreTime = 300;
        scene.groups.push_back(g);
        return scene.groups.size() - 1;
    };
    group(9100, {9001, 9002}, 30);
    group(9101, {9003, 9004}, 31);
    scene.groups[group(9102, {9005}, 32)].bSpecialBTN = 1;
    scene.groups[group(9103, {9006}, 33)].bMannual = 1;
    group(9104, {9007, 9008, 9001}, 34);
    scene.Reindex();
    return scene;
}

// Blocks of several actions over groups and a single spring, overlapping,
// with gaps where nothing plays.
Show MakeShow() {
    Show show;
    show.layers.clear();
    show.blocks.clear();
    show.g_fMusicMultiplier = 1.5f;
    auto layer = [&](std::int32_t type, std::int32_t id) {
        Layer l;
        l.type = type;
        l.GroupID = id;
        show.layers.push_back(l);
        return static_cast<std::int32_t>(show.layers.size()) - 1;
    };
    auto block = [&](std::int32_t layerIndex, float startMs, float endMs, std::int32_t action) -> TimeBlock& {
        TimeBlock b;
        b.cannel = layerIndex;
        b.start = startMs / 50.0f;
        b.end = endMs / 50.0f;
        b.nSpecicalType = action;
        b.nPeriod = 600;
        b.nPeriod1 = 300;
        b.nWavMin = 2;
        b.nWavMax = 120;
        b.nInterval = 80;
        show.blocks.push_back(b);
        return show.blocks.back();
    };
    const std::int32_t a = layer(kLayerGroup, 9100);
    const std::int32_t b = layer(kLayerGroup, 9101);
    const std::int32_t c = layer(kLayerGroup, 9102);
    const std::int32_t d = layer(kLayerGroup, 9103);
    const std::int32_t e = layer(kLayerGroup, 9104);
    const std::int32_t single = layer(kLayerSpring, 9007);
    block(a, 0, 2500, kActionNone);
    block(a, 3000, 7000, kActionTriangle);
    block(b, 1000, 6000, kActionRectangle);
    block(b, 6500, 9000, kActionRamp);
    block(c, 500, 8000, kActionNone);
    block(d, 0, 9000, kActionNone);  // taken out of the show by bMannual
    block(e, 2000, 5000, kActionSwingZ);
    block(e, 2000, 5000, kActionNone);
    block(e, 5500, 8500, kActionTriangle).nTakeOrder = kTakeBlossom;
    block(single, 1500, 4000, kActionRectangle);
    return show;
}

struct Installation {
    explicit Installation(const std::filesystem::path& workspace) : caches(Workspace(workspace)) {
        image.Reallocate(scene.g_Channels);
        assets = PrepareShowAssets(scene, show, caches);
        playback.m_dLength.store(0.0);
    }

    void Tick(double positionMs, std::uint32_t clockMs, bool handMode) {
        playback.m_dPlayPos.store(positionMs);
        EngineTickInputs inputs;
        inputs.handMode = handMode;
        inputs.clockMs = clockMs;
        inputs.nowMinute = 720;
        inputs.fixedLevel = 96;
        EngineTick(world, playback, inputs);
    }

    // Takes the hand requests of `from` (same scene layout).
    void MirrorRequests(const Scene& from) {
        for (std::size_t i = 0; i < scene.groups.size(); ++i)
            scene.groups[i].m_nManualState = from.groups[i].m_nManualState.Get();
        for (std::size_t i = 0; i < scene.springs.size(); ++i) {
            scene.springs[i].m_nManualLevel = from.springs[i].m_nManualLevel.Get();
            scene.springs[i].m_nManualColour = from.springs[i].m_nManualColour.Get();
        }
    }

    // What a panel would read from the snapshot (this thread is the engine's).
    EngineSnapshot Published() const {
        EngineSnapshot s;
        for (const CSpringGroup& g : scene.groups) s.groups.push_back({g.ID, g.m_nAppliedState});
        return s;
    }

    Scene scene = MakeScene();
    Show show = MakeShow();
    AssetCaches caches;
    std::shared_ptr<const ShowAssets> assets;
    OutputImage image;
    std::mutex lock;
    NightWindow night{0, 6000};
    PlaybackState playback;
    EngineWorld world{scene, show, assets, image, lock, night};
};

bool SameImage(const OutputImage& a, const OutputImage& b) {
    return a.g_ChannelImage == b.g_ChannelImage && a.g_Light512Buf == b.g_Light512Buf;
}

bool AnyOutput(const OutputImage& image) {
    for (const auto& slots : image.g_ChannelImage)
        for (const std::int32_t v : slots)
            if (v != 0) return true;
    return false;
}

class HandModeSafetyTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(HandModeSafetyTest, EveryTickIsThePureShowOrThePureHandImage) {
    const std::filesystem::path workspace = ::testing::TempDir();
    Installation mixed(workspace);
    Installation showOnly(workspace);
    Installation handOnly(workspace);
    std::atomic<std::int32_t> handFlag{0};
    HandPanel panel(mixed.scene, handFlag);

    std::mt19937 random(GetParam());
    const std::int32_t groupIds[] = {9100, 9101, 9102, 9103, 9104};
    int switches = 0;
    int showTicks = 0;
    int handTicks = 0;
    int lit = 0;
    std::uint32_t clockMs = 1000;
    // 10 s of music at the engine's 21 ms pace.
    for (double position = 0.0; position < 10000.0; position += 21.0, clockMs += 21) {
        // The operator: now and then a mode switch, more often a toggle.
        const std::uint32_t roll = random() % 100;
        if (roll < 6) {
            panel.SetMode(panel.handMode() ? 0 : 1);
            ++switches;
        } else if (roll < 30) {
            const EngineSnapshot published = mixed.Published();
            panel.Toggle(groupIds[random() % 5], &published);
        }
        showOnly.MirrorRequests(mixed.scene);
        handOnly.MirrorRequests(mixed.scene);

        const bool hand = handFlag.load() == 1;
        mixed.Tick(position, clockMs, hand);
        showOnly.Tick(position, clockMs, false);
        handOnly.Tick(position, clockMs, true);
        if (AnyOutput(mixed.image)) ++lit;

        if (hand) {
            ++handTicks;
            ASSERT_TRUE(SameImage(mixed.image, handOnly.image)) << "hand tick at " << position << " ms";
        } else {
            ++showTicks;
            ASSERT_TRUE(SameImage(mixed.image, showOnly.image)) << "show tick at " << position << " ms";
        }
        for (std::size_t i = 0; i < mixed.scene.groups.size(); ++i)
            ASSERT_EQ(mixed.scene.groups[i].m_nAppliedState,
                      (hand ? handOnly : showOnly).scene.groups[i].m_nAppliedState)
                << "group " << i << " at " << position << " ms";
    }
    // The run really went both ways, many times, with something to see.
    EXPECT_GT(switches, 10);
    EXPECT_GT(showTicks, 50);
    EXPECT_GT(handTicks, 50);
    EXPECT_GT(lit, 100);
}

// A group switched on by hand, then dropped by the switch to watch mode,
// must not come back on by itself when hand mode returns: its button reads
// off, so its outputs must be off.
TEST(HandModeReturn, DroppedGroupsStayOffWhenHandModeComesBack) {
    Installation world(::testing::TempDir());
    std::atomic<std::int32_t> handFlag{0};
    HandPanel panel(world.scene, handFlag);
    auto pump = [&](std::int32_t springId) {
        const CSpring& s = *world.scene.FindSpring(springId);
        return world.image.g_ChannelImage[kRegs - 1][static_cast<std::size_t>(std::stoi(s.COMID) - 1)];
    };
    double position = 9500.0;  // after the show's blocks: only hand requests drive
    auto tick = [&] { world.Tick(position += 21.0, 5000, handFlag.load() == 1); };

    panel.SetMode(1);
    EngineSnapshot none;
    ASSERT_TRUE(panel.Toggle(9104, &none));  // members 9007, 9008, 9001
    ASSERT_TRUE(panel.Toggle(9102, &none));  // the special button, member 9005
    tick();
    ASSERT_NE(pump(9001), 0);
    ASSERT_NE(pump(9005), 0);

    panel.SetMode(0);
    tick();
    EXPECT_EQ(pump(9001), 0);
    EXPECT_NE(pump(9005), 0);  // the special button keeps its request

    panel.SetMode(1);
    tick();
    EXPECT_EQ(world.scene.FindGroup(9104)->m_nAppliedState, 0);
    for (const std::int32_t member : {9007, 9008, 9001}) EXPECT_EQ(pump(member), 0) << member;
    EXPECT_NE(pump(9005), 0);
    EXPECT_EQ(world.scene.FindGroup(9102)->m_nAppliedState, 1);
}

INSTANTIATE_TEST_SUITE_P(Seeds, HandModeSafetyTest, ::testing::Values(1u, 7u, 42u, 2024u));

}  // namespace
}  // namespace velmora
