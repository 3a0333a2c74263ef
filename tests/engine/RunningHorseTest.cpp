// The running light: one member at a time, moving every IntervalRunHorse ms.
#include "ActionFixture.h"

namespace velmora {
namespace {

using testing::ActionTest;

int DrivenMember(const ActionTest&, const std::vector<CSpring>& springs) {
    int driven = -1;
    for (std::size_t i = 0; i < springs.size(); ++i) {
        if (springs[i].m_bLit == 0) continue;
        if (driven >= 0) return -2;  // more than one
        driven = static_cast<int>(i);
    }
    return driven;
}

class RunningHorseTest : public ActionTest {
protected:
    void Run(const TimeBlock& block, const CSpringGroup& group, double at, std::int32_t level) {
        NewTick();
        TickContext ctx = Context(kStart + at);
        RunRunningHorse(ctx, group, block, level, kStart + at);
    }
    int Driven() const { return DrivenMember(*this, scene_.springs); }
};

TEST_F(RunningHorseTest, BackwardsOverFourMembers) {
    CSpringGroup& group = GroupOf(4);
    TimeBlock block = Block(kActionNone);
    block.bRunHorse = 1;
    block.IntervalRunHorse = 150;
    block.dirRunHorse = 1;
    const std::pair<double, int> expected[] = {{0.5, 3}, {149, 3}, {150, 2}, {299, 2}, {300, 1},
                                               {450, 0}, {599, 0}, {600, 3}, {2400, 3}, {1950, 2}};
    for (const auto& [at, member] : expected) {
        Run(block, group, at, 60);
        EXPECT_EQ(Driven(), member) << at;
        EXPECT_EQ(Pump(member), PumpFor(60)) << at;
    }
    block.dirRunHorse = 0;
    Run(block, group, 160, 60);
    EXPECT_EQ(Driven(), 1);
}

TEST_F(RunningHorseTest, LevelIsTheMusicLevelPlusHalfForceWavWithoutMultiplier) {
    CSpringGroup& group = GroupOf(2);
    TimeBlock block = Block(kActionNone);
    block.bRunHorse = 1;
    block.ForceWav = 41;  // + 20
    Run(block, group, 10, 50);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 70);
    EXPECT_EQ(Pump(0), PumpFor(70));
    Run(block, group, 10, 120);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 128);
    EXPECT_EQ(Pump(0), 10000);
    block.ForceWav = -300;
    Run(block, group, 10, 120);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 0);
    EXPECT_EQ(SpringAt(0).m_bLit, 1);
}

TEST_F(RunningHorseTest, NoIntervalOrNoMembersDrivesNothing) {
    CSpringGroup& group = GroupOf(3);
    TimeBlock block = Block(kActionNone);
    block.bRunHorse = 1;
    for (std::int32_t interval : {0, -150}) {
        block.IntervalRunHorse = interval;
        Run(block, group, 500, 60);
        EXPECT_EQ(Driven(), -1) << interval;
    }
    CSpringGroup empty;
    block.IntervalRunHorse = 150;
    Run(block, empty, 500, 60);
    EXPECT_EQ(Driven(), -1);
}

TEST_F(RunningHorseTest, FollowsTheTakeOrder) {
    CSpringGroup& group = GroupOf(4);
    TimeBlock block = Block(kActionNone);
    block.bRunHorse = 1;
    block.IntervalRunHorse = 100;
    block.nTakeOrder = kTakeReverse;
    Run(block, group, 10, 60);
    EXPECT_EQ(Driven(), 3);
    Run(block, group, 110, 60);
    EXPECT_EQ(Driven(), 2);
}

}  // namespace
}  // namespace velmora
