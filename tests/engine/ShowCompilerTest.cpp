#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "EngineFiles.h"
#include "app/Prompter.h"
#include "engine/AssetCaches.h"
#include "engine/ShowCompiler.h"

namespace velmora {
namespace {

using testing::ScratchDir;
using testing::WriteMotor;

MotorBlock_struct Move(int speed, int pulses) { return {kMotorMove, speed, pulses, 0, 0}; }
MotorBlock_struct Rest(int ms) { return {kMotorRest, ms, 0, 0, 0}; }
MotorBlock_struct Reset() { return {kMotorReset, 0, 0, 0, 0}; }

class ShowCompilerTest : public ::testing::Test {
protected:
    void SetUp() override {
        scene_.settings.g_nPulsePerRoundZ = 4000;
        scene_.settings.g_nPulsePerRoundY = 240;
        for (int id = 1; id <= 8; ++id) {
            CSpring spring;
            spring.ID = id;
            scene_.springs.push_back(spring);
        }
        AddGroup(100, {1, 2, 3, 4});
        AddGroup(101, {5});
        AddGroup(102, {1, 2, 3, 4, 5, 6, 7, 8});
        scene_.Reindex();
        show_.Reset();
        show_.layers[0] = {"", 100, kLayerGroup, 0};
        show_.layers[1] = {"", 101, kLayerGroup, 0};
        show_.layers[2] = {"", 102, kLayerGroup, 0};
        show_.layers[3] = {"", 7, kLayerSpring, 0};
        show_.layers[4] = {"", -1, kLayerProgram, 0};
        show_.layers[5] = {"", 999, kLayerGroup, 0};
    }

    void AddGroup(int id, std::vector<int> members) {
        CSpringGroup group;
        group.ID = id;
        group.childCount = static_cast<int>(members.size());
        for (std::size_t i = 0; i < members.size(); ++i) group.children[i] = members[i];
        scene_.groups.push_back(group);
    }

    TimeBlock& AddBlock(int layer, float start, const std::string& motor, int type = kActionRotateZ) {
        TimeBlock& block = show_.blocks.emplace_back();
        block.cannel = layer;
        block.start = start;
        block.end = start + 100;
        block.nSpecicalType = type;
        block.szMotor = motor;
        return block;
    }

    CompileResult Compile(const CompileLimits& limits = {}) {
        return CompileShow(scene_, show_, caches_, lock_, limits);
    }

    const TrackPoints& Z(int id) { return scene_.FindSpring(id)->m_stepsB; }
    const TrackPoints& Y(int id) { return scene_.FindSpring(id)->m_stepsA; }

    static std::vector<float> Times(const TrackPoints& track) {
        std::vector<float> out;
        for (const auto& p : track) out.push_back(p.m_fTime);
        return out;
    }
    static std::vector<float> Angles(const TrackPoints& track) {
        std::vector<float> out;
        for (const auto& p : track) out.push_back(p.m_fAngle);
        return out;
    }

    ScratchDir dir_;
    RecordingPrompter prompter_;
    AssetCaches caches_{Workspace(dir_.path()), &prompter_};
    Scene scene_;
    Show show_;
    std::mutex lock_;
};

TEST_F(ShowCompilerTest, MembersStartOneIntervalApart) {
    WriteMotor(dir_, "one.motor", {Move(1000, 4000)});
    AddBlock(0, 10.0f, "one.motor").nInterval = 200;
    Compile();
    for (int id = 1; id <= 4; ++id) {
        ASSERT_EQ(Z(id).size(), 2u);
        EXPECT_EQ(Z(id)[0].m_fTime, 500.0f + 200.0f * static_cast<float>(id - 1));
        EXPECT_EQ(Z(id)[0].m_fStepAngle, 0.0f);
        EXPECT_TRUE(Y(id).empty());
    }
}

TEST_F(ShowCompilerTest, StartTimeIsTruncatedInFloatArithmetic) {
    // 10.70 units at 50 ms is 534.99999 in double precision but 535 in float.
    WriteMotor(dir_, "one.motor", {Move(1000, 4000)});
    AddBlock(3, 10.70f, "one.motor");
    Compile();
    ASSERT_FALSE(Z(7).empty());
    EXPECT_EQ(Z(7)[0].m_fTime, 535.0f);
}

TEST_F(ShowCompilerTest, MoveDurationAndSignedAngle) {
    WriteMotor(dir_, "fwd.motor", {Move(1000, 4000)});
    WriteMotor(dir_, "back.motor", {Move(1000, -4000)});
    WriteMotor(dir_, "both.motor", {Move(-1000, -4000)});
    AddBlock(3, 0.0f, "fwd.motor");
    Compile();
    ASSERT_EQ(Z(7).size(), 2u);
    EXPECT_EQ(Z(7)[1].m_fTime, 4000.0f);
    EXPECT_EQ(Z(7)[1].m_fStepAngle, 360.0f);
    EXPECT_EQ(Z(7)[1].m_fAngle, 360.0f);

    show_.blocks[0].szMotor = "back.motor";
    Compile();
    EXPECT_EQ(Z(7)[1].m_fTime, 4000.0f);
    EXPECT_EQ(Z(7)[1].m_fAngle, -360.0f);

    show_.blocks[0].szMotor = "both.motor";
    Compile();
    EXPECT_EQ(Z(7)[1].m_fAngle, 360.0f);
}

TEST_F(ShowCompilerTest, ResetLastsHalfASecondAndZeroesTheAngle) {
    WriteMotor(dir_, "r.motor", {Move(1000, 1000), Reset(), Move(1000, 2000), Rest(250)});
    AddBlock(3, 0.0f, "r.motor");
    Compile();
    EXPECT_EQ(Times(Z(7)), (std::vector<float>{0, 1000, 1500, 3500, 3750}));
    EXPECT_EQ(Angles(Z(7)), (std::vector<float>{0, 90, 0, 180, 180}));
    EXPECT_EQ(Z(7)[2].m_bReset, 1);
}

TEST_F(ShowCompilerTest, BlocksOnOneSpringMergeInTimeOrder) {
    WriteMotor(dir_, "a.motor", {Move(1000, 1000)});   // 90 degrees in 1 s
    WriteMotor(dir_, "b.motor", {Move(1000, -2000)});  // -180 degrees in 2 s
    AddBlock(3, 100.0f, "a.motor");  // 5000 ms
    AddBlock(3, 20.0f, "b.motor");   // 1000 ms
    Compile();
    EXPECT_EQ(Times(Z(7)), (std::vector<float>{1000, 3000, 5000, 6000}));
    EXPECT_EQ(Angles(Z(7)), (std::vector<float>{0, -180, -180, -90}));
}

TEST_F(ShowCompilerTest, InterleavedRunsAreMergedKeepingEqualTimesInOrder) {
    WriteMotor(dir_, "up.motor", {Move(1000, 1000), Move(1000, 1000), Move(1000, 1000)});        // +90 every 1000 ms
    WriteMotor(dir_, "down.motor", {Move(1000, -1000), Move(1000, -1000), Move(1000, -1000)});  // -90 every 1000 ms
    WriteMotor(dir_, "fast.motor", {Move(2000, 1000), Move(2000, 1000), Move(2000, 1000), Move(2000, 1000),
                                    Move(2000, 1000)});                                           // +90 every 500 ms
    AddBlock(3, 0.0f, "up.motor");
    AddBlock(3, 0.0f, "down.motor");  // same times as the first block: its points come after
    AddBlock(3, 5.0f, "fast.motor");  // from 250 ms
    AddBlock(3, 30.0f, "up.motor");   // from 1500 ms
    Compile();
    const auto& track = Z(7);
    ASSERT_EQ(track.size(), 4u + 4u + 6u + 4u);
    for (std::size_t i = 1; i < track.size(); ++i) ASSERT_LE(track[i - 1].m_fTime, track[i].m_fTime) << i;
    for (std::size_t i = 1; i < track.size(); ++i) {
        // Where the first two blocks meet at the same time, the up step is first.
        if (track[i].m_fTime == track[i - 1].m_fTime && track[i].m_fStepAngle == -90.0f) {
            EXPECT_EQ(track[i - 1].m_fStepAngle, 90.0f) << "at " << track[i].m_fTime;
        }
    }
    float sum = 0;
    for (const auto& p : track) sum += p.m_fStepAngle;
    EXPECT_EQ(sum, 90.0f * 3 - 90.0f * 3 + 90.0f * 5 + 90.0f * 3);
    EXPECT_EQ(track.back().m_fAngle, sum);
}

TEST_F(ShowCompilerTest, AbsoluteAngleIsTruncatedAfterEveryStep) {
    // Y axis: 240 pulses per revolution, 1 pulse = 1.5 degrees; 0.4 = 0.6 degrees.
    scene_.settings.g_nPulsePerRoundY = 600;
    WriteMotor(dir_, "small.motor", {Move(1000, 1), Move(1000, 1)});
    AddBlock(3, 0.0f, "small.motor", kActionRotateY);
    Compile();
    EXPECT_TRUE(Z(7).empty());
    EXPECT_EQ(Angles(Y(7)), (std::vector<float>{0, 0, 0}));
    EXPECT_FLOAT_EQ(Y(7)[1].m_fStepAngle, 0.6f);

    scene_.settings.g_nPulsePerRoundY = 240;
    WriteMotor(dir_, "half.motor", {Move(1000, 1), Move(1000, 1), Move(1000, 1)});
    show_.blocks[0].szMotor = "half.motor";
    Compile();
    EXPECT_EQ(Angles(Y(7)), (std::vector<float>{0, 1, 2, 3}));
}

TEST_F(ShowCompilerTest, TakeOrdersDecideWhoMovesAndWhen) {
    WriteMotor(dir_, "one.motor", {Move(1000, 4000)});
    TimeBlock& solo = AddBlock(1, 0.0f, "one.motor");
    solo.nTakeOrder = kTakeEven;
    Compile();
    EXPECT_TRUE(Z(5).empty());

    show_.blocks.clear();
    TimeBlock& blossom = AddBlock(2, 0.0f, "one.motor");
    blossom.nTakeOrder = kTakeBlossom;
    blossom.nInterval = 100;
    Compile();
    // Pairs (4,5), (3,6), (2,7), (1,8) share steps 0..3.
    for (int id = 1; id <= 8; ++id) {
        const int step = id <= 4 ? 4 - id : id - 5;
        ASSERT_FALSE(Z(id).empty());
        EXPECT_EQ(Z(id)[0].m_fTime, 100.0f * static_cast<float>(step)) << "spring " << id;
    }

    show_.blocks[0].nTakeOrder = kTakeBackForth;
    Compile();
    // Spring 8 is step 7 and step 8: two runs, at 700 and 800 ms.
    EXPECT_EQ(Times(Z(8)), (std::vector<float>{700, 800, 4700, 4800}));
}

TEST_F(ShowCompilerTest, SectionsPickProgramFactorRepeatAndDelay) {
    WriteMotor(dir_, "p0.motor", {Rest(10)});
    WriteMotor(dir_, "p1.motor", {Rest(10), Rest(10)});
    WriteMotor(dir_, "p2.motor", {Rest(10), Rest(10), Rest(10)});
    TimeBlock& b = AddBlock(2, 0.0f, "p0.motor");
    b.szMotor1 = "p1.motor";
    b.szMotor2 = "p2.motor";
    b.nInterval = 100;
    b.singleSection = 1;
    b.singleSection1 = 2;
    b.delayMotor1 = 1;
    b.delayMotor2 = 2;
    b.delayMotor3 = 3;
    b.paramMotor3 = 2.0f;  // rests of the third program last twice as long
    b.forMotor2 = 2;
    Compile();
    // Pattern of 4: first program, third twice, second.
    const std::vector<std::pair<float, std::size_t>> expected{
        {1, 2}, {3, 4}, {103, 4}, {2, 5}, {1, 2}, {3, 4}, {103, 4}, {2, 5}};
    for (int id = 1; id <= 8; ++id) {
        ASSERT_EQ(Z(id).size(), expected[id - 1].second) << "spring " << id;
        EXPECT_EQ(Z(id)[0].m_fTime, expected[id - 1].first) << "spring " << id;
    }
    EXPECT_EQ(Z(2)[1].m_fTime, 23.0f);

    b.singleSection = 2;
    b.singleSection1 = 0;
    Compile();
    // Runs of two: k = 0, 1 on the first program, then 0, 1 on the second.
    EXPECT_EQ(Z(1)[0].m_fTime, 1.0f);
    EXPECT_EQ(Z(2)[0].m_fTime, 101.0f);
    EXPECT_EQ(Z(3)[0].m_fTime, 2.0f);
    EXPECT_EQ(Z(4)[0].m_fTime, 102.0f);
    EXPECT_EQ(Z(4).size(), 5u);

    b.singleSection = 1;
    b.singleSection1 = -2;  // a pattern of length 0 must not divide by zero
    Compile();
    EXPECT_EQ(Z(8)[0].m_fTime, 701.0f);
}

TEST_F(ShowCompilerTest, StepsThatCannotRunAndTargetsThatDoNotExist) {
    // Speed 0.5 truncates to 0: the move is left out, later steps keep their time.
    WriteMotor(dir_, "slow.motor", {Move(1, 4000), Move(1000, 1000), Rest(300)});
    TimeBlock& b = AddBlock(3, 0.0f, "slow.motor");
    b.paramMotor1 = 0.5f;
    b.forMotor1 = 2;
    Compile();
    EXPECT_EQ(Times(Z(7)), (std::vector<float>{0, 2000, 2150, 4150, 4300}));

    b.forMotor1 = 0;
    Compile();
    EXPECT_EQ(Times(Z(7)), (std::vector<float>{0}));

    show_.blocks.clear();
    AddBlock(3, 0.0f, "missing.motor");
    AddBlock(4, 0.0f, "slow.motor");   // program layer
    AddBlock(5, 0.0f, "slow.motor");   // group 999 does not exist
    AddBlock(250, 0.0f, "slow.motor"); // beyond the layers
    AddBlock(-1, 0.0f, "slow.motor");
    AddBlock(0, 0.0f, "slow.motor", kActionFlatWave);
    const CompileResult result = Compile();
    EXPECT_EQ(result.points, 0u);
    for (const CSpring& s : scene_.springs) EXPECT_TRUE(s.m_stepsA.empty() && s.m_stepsB.empty());
}

TEST_F(ShowCompilerTest, PointBoundStopsARunawayRepeatCount) {
    WriteMotor(dir_, "one.motor", {Move(1000, 40)});
    AddBlock(2, 0.0f, "one.motor").forMotor1 = 2000000000;
    const CompileResult result = Compile({10000});
    EXPECT_TRUE(result.capped);
    EXPECT_EQ(result.points, 10000u);
    std::size_t total = 0;
    for (const CSpring& s : scene_.springs) total += s.m_stepsB.size();
    EXPECT_EQ(total, 10000u);
    // Angles still accumulate: 3.6 degrees a step, truncated each time.
    EXPECT_EQ(Z(1)[4].m_fAngle, 12.0f);
}

TEST_F(ShowCompilerTest, BlockBoundCutsTheRunawayBlockAloneAndTheRestCompiles) {
    WriteMotor(dir_, "one.motor", {Move(1000, 40)});
    AddBlock(2, 0.0f, "one.motor").forMotor1 = 2000000000;
    AddBlock(3, 0.0f, "one.motor").forMotor1 = 3;
    AddBlock(2, 0.0f, "one.motor").forMotor1 = 2000000000;
    const CompileResult result = Compile({1'000'000, 1000});
    EXPECT_FALSE(result.capped);
    EXPECT_EQ(result.blocksCapped, 2u);
    EXPECT_EQ(result.points, 2 * 1000u + 4);
    EXPECT_EQ(Times(Z(7)), (std::vector<float>{0, 40, 80, 120}));
    // The show's bound still ends everything once reached.
    const CompileResult show = Compile({1500, 1000});
    EXPECT_TRUE(show.capped);
    EXPECT_EQ(show.points, 1500u);
}

TEST_F(ShowCompilerTest, UnmatchedLoopIsToldAndItsStepsCompiledAsTheyAre) {
    WriteMotor(dir_, "bad.motor", {Move(1000, 1000), {kMotorLoopEnd, 0, 0, 0, 0}, Move(1000, 1000)});
    AddBlock(3, 0.0f, "bad.motor");
    Compile();
    EXPECT_EQ(prompter_.messages, (std::vector<std::string>{"Complier ERROR!"}));
    EXPECT_EQ(Times(Z(7)), (std::vector<float>{0, 1000, 2000}));  // the loop end (speed 0) is left out
}

// Members are found by spring ID through a table when IDs are small and by
// the scene's own lookup otherwise; either way a repeated ID means the first
// spring that carries it.
TEST_F(ShowCompilerTest, MembersAreFoundByIdWhateverTheNumbers) {
    WriteMotor(dir_, "one.motor", {Move(1000, 4000)});
    for (const std::int32_t other : {9, 2'000'000'000}) {
        SCOPED_TRACE(other);
        SetUp();
        scene_.springs.resize(8);
        CSpring repeated;
        repeated.ID = 3;
        scene_.springs.push_back(repeated);
        CSpring far;
        far.ID = other;
        scene_.springs.push_back(far);
        scene_.groups.clear();
        AddGroup(100, {3, other, 12345});
        scene_.Reindex();
        show_.blocks.clear();
        AddBlock(0, 0.0f, "one.motor");
        Compile();
        EXPECT_EQ(scene_.springs[2].m_stepsB.size(), 2u);
        EXPECT_TRUE(scene_.springs[8].m_stepsB.empty());
        EXPECT_EQ(scene_.springs[9].m_stepsB.size(), 2u);
    }
}

}  // namespace
}  // namespace velmora
