#include "engine/EngineTick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "EngineWorldFixture.h"
#include "app/WaitFor.h"
#include "runtime/Runtime.h"
#include "engine/ArbitrageThread.h"
#include "engine/PlaybackState.h"

namespace velmora {
namespace {

using testing::EngineWorldFixture;
using testing::kLightChannel;
using testing::kMotorChannel;
using testing::kRegChannel;

std::shared_ptr<const SpectrumList> Records(std::initializer_list<double> loudness) {
    auto list = std::make_shared<SpectrumList>();
    double time = 0.0;
    for (const double level : loudness) {
        spectum r;
        r.level = level;
        r.time = time;
        time += 200.0;
        list->push_back(r);
    }
    return list;
}

class EngineTickTest : public EngineWorldFixture {
protected:
    EngineTickTest() {
        AddSpring(9001, 1);
        AddSpring(9002, 2);
        AddGroup(9100, {9001, 9002}, 10);
    }
};

TEST_F(EngineTickTest, LevelFollowsTheMusicAndIsFullInHandMode) {
    playback_.SetRecords(Records({10.0, 20.0, 30.0, 40.0, 50.0}));
    playback_.m_dLength.store(1000.0);
    EXPECT_EQ(TickAt(400.0).level, 60);  // record 2 (time 400), loudness 30
    EngineTickInputs hand;
    hand.handMode = true;
    EXPECT_EQ(TickAt(400.0, hand).level, 128);
}

TEST_F(EngineTickTest, HandModeIgnoresTheShowWhileMusicPlays) {
    playback_.SetRecords(Records({40.0, 40.0, 40.0, 40.0, 40.0}));
    playback_.m_dLength.store(1000.0);
    AddBlock(AddLayer(kLayerGroup, 9100), 0.0f, 1000.0f);
    TickAt(500.0);
    EXPECT_EQ(Spring(9001).m_bLit, 1);

    Spring(9002).m_nManualLevel = 64;
    Spring(9002).m_nManualColour = 0x0000FF;
    EngineTickInputs hand;
    hand.handMode = true;
    TickAt(500.0, hand);
    EXPECT_EQ(Spring(9001).m_bLit, 0);
    EXPECT_EQ(Reg(kRegChannel, 1), 0);
    EXPECT_EQ(Group(9100).m_nAppliedState, 0);
    // The hand level is not scaled by the multiplier in hand mode.
    EXPECT_EQ(Spring(9002).m_bLit, 1);
    EXPECT_EQ(Spring(9002).m_nOutLevel, 64);
    EXPECT_EQ(Reg(kRegChannel, 2), 5000);
    EXPECT_EQ(Light(2), 0x0000FFu);
}

TEST_F(EngineTickTest, EveryTickStartsFromACleanImage) {
    image_.g_ChannelImage[0][40] = 77;
    image_.g_Light512Buf[50][3] = 9;
    CSpring& s = Spring(9001);
    s.m_bLit = 1;
    s.m_fSwingZ = 10.0f;
    s.m_fSwingY = 20.0f;
    s.m_crColor = 0x123456;
    s.m_nOutLevel = 99;
    TickAtLevel(0.0, 64);
    EXPECT_EQ(image_.g_ChannelImage[0][40], 0);
    EXPECT_EQ(image_.g_Light512Buf[50][3], 0);
    EXPECT_EQ(s.m_bLit, 0);
    EXPECT_EQ(s.m_fSwingZ, 0.0f);
    EXPECT_EQ(s.m_fSwingY, 0.0f);
    EXPECT_EQ(s.m_crColor, 0u);
    EXPECT_EQ(s.m_nOutLevel, 99);  // kept: the canvas shows the last level
}

TEST_F(EngineTickTest, HandSwitchedGroupsGetTheLevelAndTheSystemColour) {
    CSpringGroup& special = Group(9100);
    special.m_nManualState = 1;
    special.bSpecialBTN = 1;
    AddGroup(9101, {9001}, 11).m_nManualState = 1;  // an ordinary group: hand mode only
    EngineTickInputs watch;
    watch.fixedLevel = 50;
    watch.clockMs = 4500;  // third system colour with the default 2000 ms step
    const EngineTickResult r = TickAt(0.0, watch);
    EXPECT_EQ(Group(9100).m_nAppliedState, 1);
    EXPECT_EQ(Group(9101).m_nAppliedState, 0);
    EXPECT_EQ(Reg(kRegChannel, 10), 50);
    EXPECT_EQ(Reg(kRegChannel, 11), 0);
    EXPECT_EQ(Spring(9001).m_nOutLevel, 100);
    EXPECT_EQ(Light(1), 0x00FFFFu);
    EXPECT_EQ(r.g_nEngineElapsed, 4500);

    EngineTickInputs hand = watch;
    hand.handMode = true;
    TickAt(0.0, hand);
    EXPECT_EQ(Group(9101).m_nAppliedState, 1);
    EXPECT_EQ(Reg(kRegChannel, 11), 128);
    // Step 8 of hand mode then drives every spring from its own hand fields,
    // which override the group's level and colour (both 0 here).
    EXPECT_EQ(Spring(9001).m_bLit, 0);
}

TEST_F(EngineTickTest, EndOfEntryIsHandedOverOnceAndOutsideTheLock) {
    int calls = 0;
    bool lockWasFree = false;
    playback_.onEndOfEntry = [&](int direction) {
        ++calls;
        EXPECT_EQ(direction, 1);
        lockWasFree = lock_.try_lock();
        if (lockWasFree) lock_.unlock();
    };
    playback_.m_dLength.store(10000.0);
    EXPECT_FALSE(TickAt(9999.0).endOfEntry);
    EXPECT_TRUE(TickAt(10000.0).endOfEntry);
    EXPECT_FALSE(TickAt(10500.0).endOfEntry);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(lockWasFree);
    EXPECT_EQ(playback_.m_bEndNotified.load(), 1);

    // Without a length (nothing started) there is no end.
    playback_.m_bEndNotified.store(0);
    playback_.m_dLength.store(0.0);
    TickAt(20000.0);
    EXPECT_EQ(calls, 1);
}

TEST_F(EngineTickTest, PublishesThePlayheadInTimelineUnits) {
    show_.m_nScale = 25;
    const EngineTickResult r = TickAt(1000.0);
    EXPECT_EQ(r.position, 1000.0);
    EXPECT_DOUBLE_EQ(r.g_dPlayheadUnits, 40.0);
}

class ManualMotorTest : public EngineTickTest {
protected:
    ManualMotorTest() {
        CSpring& s = Spring(9001);
        s.BLOCKID3 = kMotorChannel;
        s.COMID3 = "1";
        s.BLOCKID2 = kMotorChannel;
        s.COMID2 = "11";
        s.m_nResendInterval = 200;
    }
    void TickAtClock(std::uint32_t clockMs) {
        EngineTickInputs in;
        in.clockMs = clockMs;
        TickAt(0.0, in);
    }
};

TEST_F(ManualMotorTest, CommandIsWrittenEveryTickAndRenumberedOncePerResendInterval) {
    CSpring& s = Spring(9001);
    s.m_nMotorCmd = 1;
    struct Step {
        std::uint32_t clock;
        std::uint32_t seq;
    };
    for (const Step step : {Step{100, 123}, Step{200, 123}, Step{201, 124}, Step{300, 124}, Step{401, 124},
                            Step{402, 125}}) {
        TickAtClock(step.clock);
        EXPECT_EQ(s.m_nSeqZ, step.seq) << "at " << step.clock;
        EXPECT_EQ(Reg(kMotorChannel, 1), static_cast<std::int32_t>(step.seq));
        EXPECT_EQ(Reg(kMotorChannel, 2), (6 << 8) | 1) << "turn, direction of command 1";
        EXPECT_EQ(Reg(kMotorChannel, 3), 0);
        EXPECT_EQ(Reg(kMotorChannel, 11), 0) << "the Y motor is not touched";
    }
    EXPECT_EQ(s.m_nSeqY, 123u);

    s.m_nMotorCmd = 2;
    TickAtClock(410);
    EXPECT_EQ(Reg(kMotorChannel, 2), 6 << 8);
    s.m_nMotorCmd = 3;
    s.m_nMotorAxis = 1;
    TickAtClock(700);
    EXPECT_EQ(s.m_nSeqY, 124u);
    EXPECT_EQ(Reg(kMotorChannel, 11), 124);
    EXPECT_EQ(Reg(kMotorChannel, 12), 4 << 8);
    EXPECT_EQ(Reg(kMotorChannel, 1), 0);

    s.m_nMotorCmd = 0;
    TickAtClock(1000);
    EXPECT_EQ(Reg(kMotorChannel, 11), 0);
    EXPECT_EQ(s.m_nSeqY, 124u);
}

TEST_F(ManualMotorTest, ResendSurvivesTheClockWrapping) {
    CSpring& s = Spring(9001);
    s.m_nMotorCmd = 1;
    s.m_nLastSend = static_cast<std::int32_t>(0xFFFFFF00u);
    TickAtClock(0xFFFFFF00u + 150u);
    EXPECT_EQ(s.m_nSeqZ, 123u);
    TickAtClock(0x00000010u);  // 272 ms later, across the wrap
    EXPECT_EQ(s.m_nSeqZ, 124u);
}

TEST(EngineThreadTest, RuntimeEngineTicksOnEveryResumeAndFollowsItsClock) {
    velmora::testing::ScratchDir dir;
    Runtime runtime{Workspace(dir.path())};
    PlaybackState playback;
    playback.m_dPlayPos.store(1500.0);
    playback.m_dLength.store(0.0);
    runtime.engine().SetMusic(&playback);
    ASSERT_TRUE(runtime.engine().Start());

    // The first pass runs on start.
    ASSERT_TRUE(testing::WaitFor([&] { return runtime.engine().ticks() >= 1; }));
    EXPECT_DOUBLE_EQ(runtime.engine().position(), 1500.0);
    EXPECT_DOUBLE_EQ(runtime.g_dPlayheadUnits.load(), 30.0);

    playback.m_dPlayPos.store(3000.0);
    ASSERT_TRUE(testing::WaitFor([&] {
        if (runtime.engine().ticks() >= 3) return true;
        runtime.engine().Resume();
        return false;
    }));
    EXPECT_DOUBLE_EQ(runtime.engine().position(), 3000.0);
    EXPECT_GE(playback.m_fTickPeriod.load(), 0.0f);
    runtime.engine().Stop();
    EXPECT_FALSE(runtime.engine().IsRunning());
}

}  // namespace
}  // namespace velmora
