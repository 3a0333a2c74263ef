// Triangle, rectangle and ramp waves, the swings and the flat wave's gate.
#include <cmath>

#include "ActionFixture.h"
#include "engine/MemberTiming.h"
#include "engine/WaveActions.h"

namespace velmora {
namespace {

using testing::ActionTest;

TEST(WaveLevels, TriangleRisesHoldsFallsAndRepeats) {
    TimeBlock block;
    block.nPeriod = 1000;
    block.nPeriod1 = 500;
    block.nWavMin = 0;
    const std::pair<std::int64_t, std::int32_t> expected[] = {
        {0, 0},       {500, 64},   {999, 127},  {1000, 128}, {1250, 128}, {1500, 128},
        {1501, 127},  {2000, 64},  {2499, 0},   {2500, 0},   {2501, 0},   {3000, 64},
        {3500, 128},  {4500, 64},  {25500, 64}, {7500, 0}};
    for (const auto& [t, level] : expected) EXPECT_EQ(TriangleLevel(block, t, 128), level) << t;

    // From nWavMin, in integers.
    block.nWavMin = 28;
    EXPECT_EQ(TriangleLevel(block, 333, 128), 61);  // 100 * 333 / 1000 + 28
    // No period: the peak throughout.
    block.nPeriod = 0;
    EXPECT_EQ(TriangleLevel(block, 123456, 90), 90);
    // Back and forth runs the wave once: no second rise.
    block.nPeriod = 1000;
    block.nWavMin = 0;
    block.nTakeOrder = kTakeBackForth;
    EXPECT_EQ(TriangleLevel(block, 500, 128), 64);
    EXPECT_LE(TriangleLevel(block, 3000, 128), 0);
}

TEST(WaveLevels, CycleReductionKeepsAWholeCycleAtItsEnd) {
    EXPECT_EQ(ReduceIntoCycle(2500, 2500), 2500);
    EXPECT_EQ(ReduceIntoCycle(5000, 2500), 2500);
    EXPECT_EQ(ReduceIntoCycle(5001, 2500), 1);
    EXPECT_EQ(ReduceIntoCycle(2499, 2500), 2499);
    // In one step however many cycles have passed.
    EXPECT_EQ(ReduceIntoCycle(7000000000000000003LL, 7), 3);
    EXPECT_EQ(ReduceIntoCycle(7000000000000000000LL, 7), 7);
    // A cycle of no length cannot be reduced by.
    EXPECT_EQ(ReduceIntoCycle(123, 0), 123);
    EXPECT_EQ(ReduceIntoCycle(123, -5), 123);
}

TEST(WaveLevels, RectangleIsOnForNWavMinCrests) {
    TimeBlock block;
    block.nPeriod = 200;
    block.nPeriod1 = 300;
    block.nWavMin = 3;
    for (std::int64_t t : {0, 199, 500, 699, 1000, 1199}) EXPECT_EQ(RectangleLevel(block, 0, t, 90), 90) << t;
    for (std::int64_t t : {200, 499, 700, 999, 1200, 1499, 1500, 1700, 100000})
        EXPECT_EQ(RectangleLevel(block, 0, t, 90), 0) << t;

    // No count means one crest; no period means the block's length.
    block.nWavMin = 0;
    EXPECT_EQ(RectangleLevel(block, 0, 550, 90), 0);
    block.nPeriod = 0;
    EXPECT_EQ(RectangleLevel(block, 4000, 3999, 90), 90);
    EXPECT_EQ(RectangleLevel(block, 4000, 4000, 90), 0);
    // A cycle of zero length: no crest, no division.
    block.nPeriod = 200;
    block.nPeriod1 = -200;
    EXPECT_EQ(RectangleLevel(block, 0, 0, 90), 0);
    EXPECT_EQ(RectangleLevel(block, 0, 50, 90), 0);
    block.nPeriod1 = -300;
    EXPECT_EQ(RectangleLevel(block, 0, 50, 90), 0);
}

TEST(WaveLevels, RampClimbsFromForceWavOnEachCrest) {
    TimeBlock block;
    block.nPeriod = 200;
    block.nPeriod1 = 300;
    block.nWavMin = 2;
    block.ForceWav = 28;
    EXPECT_EQ(RampLevel(block, 0, 0, 128), 28);
    EXPECT_EQ(RampLevel(block, 0, 100, 128), 78);
    EXPECT_EQ(RampLevel(block, 0, 199, 128), 127);
    EXPECT_EQ(RampLevel(block, 0, 200, 128), 0);
    EXPECT_EQ(RampLevel(block, 0, 550, 128), 53);
    EXPECT_EQ(RampLevel(block, 0, 1000, 128), 0);
    block.nPeriod1 = -200;
    EXPECT_EQ(RampLevel(block, 0, 10, 128), 0);
    block.nPeriod = 0;
    block.nPeriod1 = 0;
    EXPECT_EQ(RampLevel(block, 0, 0, 128), 0);  // no period and a block of no length
}

TEST(WaveLevels, SwingGoesOutAndBackOncePerPeriod) {
    TimeBlock block;
    block.nBound = 45.0f;
    block.nBound1 = -15.0f;
    block.nSpeed = 20.0f;  // 60 degrees at 20 degrees/s: 3000 ms
    float angle = 0.0f;
    const std::pair<std::int64_t, float> expected[] = {{0, -15.0f},    {750, 15.0f},  {1500, 45.0f},
                                                       {2250, 15.0f},  {3000, -15.0f}, {3750, 15.0f},
                                                       {6000, -15.0f}, {6001, -14.96f}};
    for (const auto& [t, a] : expected) {
        ASSERT_TRUE(SwingAngle(block, 0, t, angle));
        EXPECT_NEAR(angle, a, 0.005f) << t;
    }
    // Without a speed the period is the block's length.
    block.nSpeed = 0.0f;
    ASSERT_TRUE(SwingAngle(block, 1000, 250, angle));
    EXPECT_FLOAT_EQ(angle, 15.0f);
    // A period of 0 or 1 ms has no half: no angle.
    EXPECT_FALSE(SwingAngle(block, 0, 0, angle));
    EXPECT_FALSE(SwingAngle(block, 1, 1, angle));
    block.nSpeed = 10.0f;
    block.nBound = block.nBound1;
    EXPECT_FALSE(SwingAngle(block, 1000, 10, angle));
}

TEST_F(ActionTest, SwingsSetTheirAxisAndLeaveTheLevel) {
    CSpringGroup& group = GroupOf(2);
    TimeBlock block = Block(kActionSwingY);
    block.nBound = 90.0f;
    block.nBound1 = 0.0f;
    block.nSpeed = 90.0f;  // period 1000
    block.nInterval = 250;
    block.nStartDrift = 5000;  // swings have no drift
    SpringAt(0).m_nOutLevel = 64;
    SpringAt(0).m_bLit = 0;
    RunGroup(block, group, 250);
    EXPECT_FLOAT_EQ(SpringAt(0).m_fSwingY, 45.0f);
    EXPECT_FLOAT_EQ(SpringAt(0).m_fSwingZ, 0.0f);
    EXPECT_FLOAT_EQ(SpringAt(1).m_fSwingY, 0.0f);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 64);
    EXPECT_EQ(Pump(0), 0);  // not lit by a swing

    block.nSpecicalType = kActionSwingZ;
    RunGroup(block, group, 500);
    EXPECT_FLOAT_EQ(SpringAt(0).m_fSwingZ, 90.0f);
    EXPECT_FLOAT_EQ(SpringAt(1).m_fSwingZ, 45.0f);

    // A zero period leaves the angle alone.
    block.nBound = 0.0f;
    RunGroup(block, group, 500);
    EXPECT_FLOAT_EQ(SpringAt(0).m_fSwingZ, 0.0f);
}

TEST(WaveLevels, FlatWaveGateAcrossZero) {
    TimeBlock block;
    block.MinValidZMotor = 300;
    block.MaxValidZMotor = 60;
    for (float a : {300.0f, 330.5f, 359.9f, 0.0f, 30.0f, 60.9f, -30.0f, 720.0f, 1020.0f})
        EXPECT_TRUE(FlatWaveGate(block, a)) << a;
    for (float a : {61.0f, 180.0f, 299.0f, -61.0f, 421.0f}) EXPECT_FALSE(FlatWaveGate(block, a)) << a;

    block.MinValidZMotor = 90;
    block.MaxValidZMotor = 180;
    EXPECT_TRUE(FlatWaveGate(block, 90.0f));
    EXPECT_TRUE(FlatWaveGate(block, 180.0f));
    EXPECT_FALSE(FlatWaveGate(block, 181.0f));
    EXPECT_FALSE(FlatWaveGate(block, 0.0f));
    // Any angle is defined: a huge one saturates (2^31 - 1 is 127 mod 360), NaN is 0.
    EXPECT_TRUE(FlatWaveGate(block, 1e30f));
    EXPECT_FALSE(FlatWaveGate(block, std::nanf("")));
}

TEST(WaveLevels, TrackAngleInterpolatesBetweenThePointsAroundP) {
    const TrackPoints track = {
        {1000.0f, 0.0f, 0, 0.0f}, {2000.0f, 90.0f, 0, 90.0f}, {2000.0f, 0.0f, 1, 0.0f}, {3000.0f, 45.0f, 0, 45.0f}};
    EXPECT_FLOAT_EQ(TrackAngleAt(track, 500.0f), 0.0f);
    EXPECT_FLOAT_EQ(TrackAngleAt(track, 1500.0f), 45.0f);
    EXPECT_FLOAT_EQ(TrackAngleAt(track, 1999.0f), 89.91f);
    EXPECT_FLOAT_EQ(TrackAngleAt(track, 2500.0f), 22.5f);  // from the last point at 2000
    EXPECT_FLOAT_EQ(TrackAngleAt(track, 3000.0f), 0.0f);   // no point after
    EXPECT_FLOAT_EQ(TrackAngleAt({}, 10.0f), 0.0f);
}

TEST_F(ActionTest, FlatWaveFiresOnlyWhileTheNozzlePointsIntoTheWindow) {
    CSpringGroup& group = GroupOf(2);
    // Member 0 turns from 0 to 100 degrees over the first second of the show.
    SpringAt(0).m_stepsB = {{0.0f, 0.0f, 0, 0.0f}, {1000.0f, 100.0f, 0, 100.0f}};
    TimeBlock block = Block(kActionFlatWave);
    block.start = 0.0f;
    block.MinValidZMotor = 300;
    block.MaxValidZMotor = 60;
    block.nWavMax = 128;

    SpringAt(0).m_nOutLevel = 33;
    NewTick();
    TickContext at500 = Context(500.0);  // 50 degrees
    EvaluateAction(at500, block, group, 100, 500.0);
    EXPECT_EQ(Pump(0), 10000);
    EXPECT_EQ(Pump(1), 10000);  // no track: angle 0

    SpringAt(0).m_nOutLevel = 33;
    NewTick();
    TickContext at700 = Context(700.0);  // 70 degrees: outside
    EvaluateAction(at700, block, group, 100, 700.0);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 33);
    EXPECT_EQ(SpringAt(0).m_bLit, 0);
    EXPECT_EQ(Pump(0), 0);
    EXPECT_EQ(Pump(1), 10000);
}

}  // namespace
}  // namespace velmora
