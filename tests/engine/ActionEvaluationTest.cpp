// Member order and time, and what every action leaves behind: the lit state,
// the block light, the level put back when only the light is driven.
#include <cmath>
#include <limits>
#include <random>

#include "ActionFixture.h"
#include "engine/MemberTiming.h"

namespace velmora {
namespace {

using testing::ActionTest;

// A triangle with no period is the peak throughout: a plain "on" action.
TimeBlock Steady(std::int32_t peak) {
    TimeBlock block = ActionTest::Block(kActionTriangle);
    block.nWavMax = peak;
    block.nPeriod = 0;
    return block;
}

TEST_F(ActionTest, MembersStartOneIntervalApartInTakeOrder) {
    CSpringGroup& group = GroupOf(5);
    TimeBlock block = Steady(128);
    block.nInterval = 100;

    RunGroup(block, group, 399);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Pump(i), 10000) << i;
    // Not started: nothing at all is written, not even the level it kept.
    SpringAt(4).m_nOutLevel = 77;
    RunGroup(block, group, 399);
    EXPECT_EQ(Pump(4), 0);
    EXPECT_EQ(SpringAt(4).m_bLit, 0);
    EXPECT_EQ(SpringAt(4).m_nOutLevel, 77);

    RunGroup(block, group, 400);
    EXPECT_EQ(Pump(4), 10000);
    EXPECT_EQ(SpringAt(4).m_bLit, 1);

    // Reversed, the last member leads and the first one is 400 ms behind.
    block.nTakeOrder = kTakeReverse;
    RunGroup(block, group, 0.5);
    EXPECT_EQ(Pump(4), 10000);
    EXPECT_EQ(Pump(3), 0);
    EXPECT_EQ(Pump(0), 0);

    // Blossom: the middle member first, then each pair around it together.
    block.nTakeOrder = kTakeBlossom;
    RunGroup(block, group, 150);
    EXPECT_EQ(Pump(2), 10000);
    EXPECT_EQ(Pump(1), 10000);
    EXPECT_EQ(Pump(3), 10000);
    EXPECT_EQ(Pump(0), 0);
    EXPECT_EQ(Pump(4), 0);
}

TEST_F(ActionTest, PeaksStepByDeltaInGroupAndStayWithin0To128) {
    CSpringGroup& group = GroupOf(6);
    TimeBlock block = Steady(100);
    block.nDeltaInGroup = -30;
    RunGroup(block, group, 10);
    const std::int32_t peaks[] = {100, 70, 40, 10, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(SpringAt(i).m_nOutLevel, peaks[i]) << i;
        EXPECT_EQ(Pump(i), PumpFor(peaks[i])) << i;
        EXPECT_EQ(SpringAt(i).m_bLit, peaks[i] > 0 ? 1 : 0) << i;
    }
    // Along the take order, not the member list.
    block.nTakeOrder = kTakeReverse;
    RunGroup(block, group, 10);
    EXPECT_EQ(SpringAt(5).m_nOutLevel, 100);
    EXPECT_EQ(SpringAt(2).m_nOutLevel, 10);

    block.nWavMax = 100;
    block.nDeltaInGroup = 30;
    EXPECT_EQ(WavePeak(block, 1), 128);
    block.nDeltaInGroup = 2147483647;
    EXPECT_EQ(WavePeak(block, 4000000000LL), 128);
    block.nDeltaInGroup = -2147483647 - 1;
    EXPECT_EQ(WavePeak(block, 4000000000LL), 0);
}

TEST_F(ActionTest, MemberTimeAddsStartDriftOnceForEveryMember) {
    CSpringGroup& group = GroupOf(3);
    TimeBlock block = ActionTest::Block(kActionRectangle);
    block.nWavMax = 128;
    block.nPeriod = 100;
    block.nPeriod1 = 100;
    block.nWavMin = 1;
    block.nInterval = 50;
    block.nStartDrift = 150;
    // At 20 ms the members are at 170, 120 and 70 ms of their waves.
    RunGroup(block, group, 20);
    EXPECT_EQ(Pump(0), 0);
    EXPECT_EQ(Pump(1), 0);
    EXPECT_EQ(Pump(2), 10000);
    // A negative drift delays every member by the same amount.
    block.nStartDrift = -60;
    RunGroup(block, group, 59);
    EXPECT_EQ(Pump(0), 0);
    EXPECT_EQ(SpringAt(0).m_bLit, 0);
    RunGroup(block, group, 60);
    EXPECT_EQ(Pump(0), 10000);

    EXPECT_EQ(MemberTime(50, block, 1000.9, 2), 400);
    EXPECT_EQ(MemberTime(50, block, std::nan(""), 0), -1);
}

TEST_F(ActionTest, LightFileWithoutWaterDrivesOnlyTheLight) {
    AddSprings(1);
    WriteColours("three.color", {0x0000FF, 0x00FF00, 0xFF0000});  // file order is 0xRRGGBB
    TimeBlock block = Steady(128);
    block.szLight = "three.color";
    block.IntervalLight = 100;
    block.bLightTogether = 0;

    SpringAt(0).m_nOutLevel = 40;
    RunSpring(block, 0, 250);
    // Colour 2 (by time: 250 / 100), the level back to what it was, the
    // nozzle not switched on by this block.
    EXPECT_EQ(Light(0), 0x0000FF);
    EXPECT_EQ(SpringAt(0).m_crColor, 0x0000FFu);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 40);
    EXPECT_EQ(SpringAt(0).m_bLit, 0);
    EXPECT_EQ(Pump(0), 0);

    block.bLightTogether = 1;
    RunSpring(block, 0, 50);
    EXPECT_EQ(Light(0), 0xFF0000);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 128);
    EXPECT_EQ(SpringAt(0).m_bLit, 1);
    EXPECT_EQ(Pump(0), 10000);
}

TEST_F(ActionTest, BlockLightByValueAndByTimeAndSystemLight) {
    CSpringGroup& group = GroupOf(2);
    WriteColours("four.color", {0x000001, 0x000002, 0x000003, 0x000004});
    TimeBlock block = Steady(100);
    block.nDeltaInGroup = -70;  // levels 100 and 30
    block.szLight = "four.color";
    block.nLightType = 1;       // by value: 128 / 4 = 32 levels a colour
    RunGroup(block, group, 10);
    EXPECT_EQ(Light(0), 0x040000);  // 100 / 32 = 3
    EXPECT_EQ(Light(1), 0x010000);  // 30 / 32 = 0

    // By time, each member by its own time: interval 100, members 100 ms apart.
    block.nLightType = 0;
    block.IntervalLight = 100;
    block.nInterval = 100;
    RunGroup(block, group, 350);
    EXPECT_EQ(Light(0), 0x040000);  // 350 -> colour 3
    EXPECT_EQ(Light(1), 0x030000);  // 250 -> colour 2

    // The system light ignores the block's file and follows the engine clock.
    block.bSystime = 1;
    clockMs_ = 2 * 2000 + 5;
    RunGroup(block, group, 350);
    EXPECT_EQ(Light(0), static_cast<std::int32_t>(kSystemColours[2]));
    EXPECT_EQ(Light(1), static_cast<std::int32_t>(kSystemColours[2]));

    // A member at level 0 gets no light.
    block.bSystime = 0;
    block.nDeltaInGroup = -100;
    RunGroup(block, group, 350);
    EXPECT_EQ(Light(1), 0);
    EXPECT_EQ(SpringAt(1).m_crColor, 0u);
}

// The time the block light of a triangle wave runs on is the member time
// brought into the wave's cycle, as the level is: the colours repeat with
// the wave. Back and forth runs the wave once, so its time runs on.
TEST_F(ActionTest, TriangleLightFollowsTheTimeWithinTheWaveCycle) {
    AddSprings(1);
    WriteColours("four.color", {0x000001, 0x000002, 0x000003, 0x000004});
    TimeBlock block = Block(kActionTriangle);
    block.nWavMax = 128;
    block.nPeriod = 100;  // cycle 200 ms
    block.szLight = "four.color";
    block.IntervalLight = 100;

    RunSpring(block, 0, 350);  // 350 -> 150 in the cycle, falling
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 64);
    EXPECT_EQ(Light(0), 0x020000);  // colour 150 / 100 = 1, not 350 / 100 = 3

    block.nTakeOrder = kTakeBackForth;
    RunSpring(block, 0, 50);
    EXPECT_EQ(Light(0), 0x010000);
    RunSpring(block, 0, 350);
    EXPECT_LE(SpringAt(0).m_nOutLevel, 0);  // the single wave is over: no light
    EXPECT_EQ(Light(0), 0);

    // Without a period the cycle is the block's length (10 s): a drift that
    // carries the member time past it starts the colours again.
    block = Steady(128);
    block.szLight = "four.color";
    block.IntervalLight = 300;
    block.nStartDrift = 10000;
    RunSpring(block, 0, 350);  // 10350 -> 350: colour 1, not 34 mod 4 = 2
    EXPECT_EQ(Light(0), 0x020000);
    EXPECT_EQ(Pump(0), 10000);
}

TEST_F(ActionTest, LaserSendsTheRawCommandAndNoLight) {
    CSpringGroup& group = GroupOf(2);
    WriteColours("one.color", {0x123456});
    TimeBlock block = ActionTest::Block(kActionLaser);
    block.nWavMin = 12;
    block.nWavMax = 34;
    block.szLight = "one.color";
    block.bLightTogether = 0;
    block.nInterval = 100;
    RunGroup(block, group, 50);
    EXPECT_EQ(Pump(0), 1234);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 1234);
    EXPECT_EQ(SpringAt(0).m_bLit, 1);
    EXPECT_EQ(Light(0), 0);
    EXPECT_EQ(Pump(1), 0);  // not started
    EXPECT_EQ(SpringAt(1).m_bLit, 0);
}

TEST_F(ActionTest, MissingMembersAreSkippedAndOversizedCountsBounded) {
    AddSprings(2);
    CSpringGroup& group = AddGroup({0, 1});
    group.children[1] = 999;  // a member removed from the scene
    group.childCount = 100000;
    TimeBlock block = Steady(128);
    RunGroup(block, group, 10);
    EXPECT_EQ(Pump(0), 10000);
    EXPECT_EQ(Pump(1), 0);
}

// Show files can hold any number. Whatever the block says, evaluation stays
// defined (the sanitizer build checks that) and writes only the members'
// own outputs.
TEST_F(ActionTest, ExtremeBlockValuesWriteOnlyTheMembersOutputs) {
    testing::WriteMotor(dir_, "m.motor", {{kMotorMove, 1000, 4000, 0, 0}, {kMotorRest, 500, 0, 0, 0}}, 100);
    WriteColours("c.color", {0x0000FF, 0x00FF00});
    FrameComplierCache frames;
    frames.m_fVersion = kFrameFileVersion;
    frames.m_nRows = 3;
    frames.m_nCols = 3;
    frames.m_nDefaultDuration = 100;
    frames.m_nPageCount = 2;
    frames.m_pPages.resize(2);
    frames.m_pPages[1].m_bLoopStart = 1;
    frames.m_pPages[1].m_bLoopEnd = 1;
    WriteFrames("f.frm", frames);
    CSpringGroup& group = GroupOf(6);

    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::int32_t ints[] = {0, 1, -1, 2, 3, 100, 128, 1000, kMax, kMin, kMax - 1, kMin + 1};
    const float inf = std::numeric_limits<float>::infinity();
    const float floats[] = {0.0f, 1.0f, -1.0f, 0.5f, 1e-30f, 1e30f, inf, -inf, std::nanf("")};
    const double nows[] = {kStart + 0.5, kStart + 1234.0, 1e12, 1e300, -1e300, std::nan("")};
    std::mt19937 random(12345);
    auto anyInt = [&] { return ints[random() % std::size(ints)]; };
    auto anyFloat = [&] { return floats[random() % std::size(floats)]; };

    int roundsWithOutput = 0;
    for (int round = 0; round < 3000; ++round) {
        TimeBlock block;
        block.nSpecicalType = static_cast<std::int32_t>(random() % 13) - 1;
        block.start = anyFloat();
        block.end = anyFloat();
        block.nTakeOrder = static_cast<std::int32_t>(random() % 9) - 1;
        for (std::int32_t* field :
             {&block.nInterval, &block.nWavMax, &block.nWavMin, &block.nPeriod, &block.nPeriod1, &block.nStartDrift,
              &block.nDeltaInGroup, &block.ForceWav, &block.MaxValidZMotor, &block.MinValidZMotor,
              &block.singleSection, &block.singleSection1, &block.forMotor1, &block.forMotor2, &block.delayMotor1,
              &block.IntervalLight, &block.nLightType, &block.nRiseUpTime, &block.nCutDownTime,
              &block.IntervalRunHorse, &block.dirRunHorse, &block.bLightTogether})
            *field = anyInt();
        for (float* field : {&block.nSpeed, &block.nBound, &block.nBound1, &block.paramMotor1, &block.paramMotor2,
                             &block.fFrameParam})
            *field = anyFloat();
        block.szMotor = block.szMotor1 = block.szMotor2 = "m.motor";
        block.szFrame = "f.frm";
        if (random() % 2) block.szLight = "c.color";
        group.initX = anyInt();
        group.initY = anyInt();
        const double now = nows[random() % std::size(nows)];

        NewTick();
        TickContext ctx = Context(now);
        ctx.scale = random() % 4 ? 50 : anyInt();
        if (random() % 3 == 0) {
            RunRunningHorse(ctx, group, block, anyInt(), now);
        } else {
            EvaluateAction(ctx, block, group, anyInt(), now);
            EvaluateAction(ctx, block, SpringAt(0), anyInt(), now);
        }
        bool written = false;
        for (int channel = 1; channel <= 4; ++channel) {
            for (int reg = 1; reg <= 400; ++reg) {
                const bool output = (reg - 1) % 10 < 5 && (reg - 1) / 10 < 6;
                if (output) {
                    if (Register(channel, reg) != 0) written = true;
                    continue;
                }
                ASSERT_EQ(Register(channel, reg), 0) << "round " << round << " reg " << reg;
            }
        }
        if (written) ++roundsWithOutput;
    }
    // The values drive real outputs often enough for the check to mean something.
    EXPECT_GT(roundsWithOutput, 300);
}

}  // namespace
}  // namespace velmora
