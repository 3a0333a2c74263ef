#include "engine/EvaluateShow.h"

#include <gtest/gtest.h>

#include <chrono>

#include "EngineWorldFixture.h"

namespace velmora {
namespace {

using testing::EngineWorldFixture;
using testing::kLightChannel;
using testing::kRegChannel;

class EvaluateShowTest : public EngineWorldFixture {
protected:
    EvaluateShowTest() {
        AddSpring(9001, 1);
        AddSpring(9002, 2);
        AddSpring(9003, 3);
        AddGroup(9100, {9001, 9002}, 10);
    }
};

TEST_F(EvaluateShowTest, BlockIsActiveStrictlyBetweenItsStartAndEnd) {
    AddBlock(AddLayer(kLayerSpring, 9003), 500.0f, 1000.0f);
    struct Case {
        double position;
        bool lit;
    };
    for (const Case c : {Case{499.0, false}, Case{500.0, false}, Case{500.5, true}, Case{999.9, true},
                         Case{1000.0, false}}) {
        TickAtLevel(c.position, 32);
        EXPECT_EQ(Spring(9003).m_bLit, c.lit ? 1 : 0) << "at " << c.position;
        // 32 x multiplier 2 = 64, half of full scale.
        EXPECT_EQ(Reg(kRegChannel, 3), c.lit ? 5000 : 0) << "at " << c.position;
    }
}

TEST_F(EvaluateShowTest, LevelAboveFullAfterTheMultiplierIsWrittenAsFull) {
    AddBlock(AddLayer(kLayerGroup, 9100), 0.0f, 1000.0f);
    TickAtLevel(100.0, 100);  // 100 x 2 = 200
    EXPECT_EQ(Spring(9001).m_nOutLevel, 128);
    EXPECT_EQ(Reg(kRegChannel, 1), 10000);
    EXPECT_EQ(Reg(kRegChannel, 2), 10000);
    EXPECT_EQ(Group(9100).m_nAppliedState, 1);
    // The spring outside the group stays dark.
    EXPECT_EQ(Reg(kRegChannel, 3), 0);
}

TEST_F(EvaluateShowTest, GroupSwitchOpensItsLeadOutTimeBeforeTheBlock) {
    Group(9100).nPreTime = 300;
    AddBlock(AddLayer(kLayerGroup, 9100), 1000.0f, 2000.0f);
    struct Case {
        double position;
        std::int32_t groupSwitch;
        std::int32_t lit;
    };
    for (const Case c : {Case{650.0, 0, 0}, Case{700.0, 0, 0}, Case{701.0, 40, 0}, Case{1000.0, 40, 0},
                         Case{1500.0, 40, 1}, Case{2000.0, 0, 0}}) {
        TickAtLevel(c.position, 40);
        EXPECT_EQ(Reg(kRegChannel, 10), c.groupSwitch) << "at " << c.position;
        EXPECT_EQ(Spring(9001).m_bLit, c.lit) << "at " << c.position;
    }
    // A group taken out of the show neither leads out nor plays.
    Group(9100).bMannual = 1;
    TickAtLevel(1500.0, 40);
    EXPECT_EQ(Reg(kRegChannel, 10), 0);
    EXPECT_EQ(Spring(9001).m_bLit, 0);
}

TEST_F(EvaluateShowTest, LightOnlyBlockLightsWithoutDrivingTheWater) {
    WriteColours("two.color", {0x0000FF, 0x00FF00});
    TimeBlock& b = AddBlock(AddLayer(kLayerGroup, 9100), 0.0f, 1000.0f);
    b.szLight = "two.color";
    b.bLightTogether = 0;
    b.IntervalLight = 100;
    TickAtLevel(150.0, 64);
    EXPECT_EQ(Spring(9001).m_bLit, 0);
    EXPECT_EQ(Reg(kRegChannel, 1), 0);
    EXPECT_EQ(Group(9100).m_nAppliedState, 0);
    EXPECT_EQ(Light(1), 0x00FF00u);  // t = 150 -> colour 1
    EXPECT_EQ(Spring(9002).m_crColor, 0x00FF00u);

    b.bLightTogether = 1;
    TickAtLevel(50.0, 64);
    EXPECT_EQ(Spring(9001).m_bLit, 1);
    EXPECT_EQ(Light(2), 0x0000FFu);
}

// A block without an action colours by the level its pumps get: the music
// level times the multiplier, capped at full; not by the music level itself.
TEST_F(EvaluateShowTest, PlainBlockLightsByTheScaledAndCappedLevel) {
    WriteColours("four.color", {0x000001, 0x000002, 0x000003, 0x000004});
    for (const auto& [type, id] : {std::pair{kLayerGroup, 9100}, std::pair{kLayerSpring, 9003}}) {
        TimeBlock& b = AddBlock(AddLayer(type, id), 0.0f, 1000.0f);
        b.szLight = "four.color";
        b.nLightType = 1;  // 32 levels a colour
    }

    TickAtLevel(500.0, 40);  // 80: colour 2 (40 would give 1)
    EXPECT_EQ(Light(1), 0x000003u);
    EXPECT_EQ(Light(2), 0x000003u);
    EXPECT_EQ(Light(3), 0x000003u);
    EXPECT_EQ(Spring(9001).m_nOutLevel, 80);

    TickAtLevel(500.0, 100);  // 200 capped at 128: colour 4 mod 4 = 0 (100 would give 3)
    EXPECT_EQ(Light(1), 0x000001u);
    EXPECT_EQ(Light(3), 0x000001u);
    EXPECT_EQ(Reg(kRegChannel, 3), 10000);
}

TEST_F(EvaluateShowTest, MissingTargetsAndBadLayerIndicesAreSkipped) {
    AddBlock(AddLayer(kLayerGroup, 4242), 0.0f, 1000.0f);   // no such group
    AddBlock(AddLayer(kLayerSpring, 4343), 0.0f, 1000.0f);  // no such spring
    AddBlock(99, 0.0f, 1000.0f);                            // no such layer
    AddBlock(-1, 0.0f, 1000.0f);
    AddBlock(AddLayer(kLayerSpring, 9002), 0.0f, 1000.0f);  // still evaluated
    TickAtLevel(500.0, 64);
    EXPECT_EQ(Spring(9001).m_bLit, 0);
    EXPECT_EQ(Spring(9002).m_bLit, 1);
    EXPECT_EQ(Reg(kRegChannel, 2), 10000);
}

TEST_F(EvaluateShowTest, ProgramBlocksPlayTheirShowFromTheBlockStart) {
    Show program;
    program.layers.clear();
    program.blocks.clear();
    Layer layer;
    layer.type = kLayerSpring;
    layer.GroupID = 9003;
    program.layers.push_back(layer);
    program.blocks.push_back(Block(0, 0.0f, 500.0f));
    AddProgram("p.prog", program);

    TimeBlock& b = AddBlock(AddLayer(kLayerProgram, -1), 2000.0f, 4000.0f);
    b.Program = "p.prog";
    for (const auto& [position, lit] : {std::pair{1900.0, 0}, std::pair{2100.0, 1}, std::pair{2499.0, 1},
                                        std::pair{2600.0, 0}}) {
        TickAtLevel(position, 64);
        EXPECT_EQ(Spring(9003).m_bLit, lit) << "at " << position;
    }
    b.Program = "---";
    TickAtLevel(2100.0, 64);
    EXPECT_EQ(Spring(9003).m_bLit, 0);
}

TEST_F(EvaluateShowTest, NestedProgramKeepsItsTimingRelativeToItsOwnBlock) {
    Show inner;
    inner.layers.clear();
    inner.blocks.clear();
    Layer springLayer;
    springLayer.type = kLayerSpring;
    springLayer.GroupID = 9003;
    inner.layers.push_back(springLayer);
    inner.blocks.push_back(Block(0, 0.0f, 200.0f));
    AddProgram("inner.prog", inner);

    Show outer;
    outer.layers.clear();
    outer.blocks.clear();
    Layer programLayer;
    programLayer.type = kLayerProgram;
    outer.layers.push_back(programLayer);
    TimeBlock call = Block(0, 1000.0f, 3000.0f);
    call.Program = "inner.prog";
    outer.blocks.push_back(call);
    AddProgram("outer.prog", outer);

    AddBlock(AddLayer(kLayerProgram, -1), 5000.0f, 9000.0f).Program = "outer.prog";
    // The inner spring block runs 5000 + 1000 .. +200 on the show clock.
    for (const auto& [position, lit] : {std::pair{5900.0, 0}, std::pair{6100.0, 1}, std::pair{6300.0, 0}}) {
        TickAtLevel(position, 64);
        EXPECT_EQ(Spring(9003).m_bLit, lit) << "at " << position;
    }
}

TEST_F(EvaluateShowTest, ProgramThatContainsItselfEndsAtTheDepthBound) {
    // a.prog lights spring 9003 and calls b.prog, which calls a.prog again.
    Layer springLayer;
    springLayer.type = kLayerSpring;
    springLayer.GroupID = 9003;
    Layer programLayer;
    programLayer.type = kLayerProgram;

    Show a;
    a.layers = {springLayer, programLayer};
    a.blocks = {Block(0, 0.0f, 100000.0f), Block(1, 0.0f, 100000.0f)};
    a.blocks[1].Program = "b.prog";
    Show b;
    b.layers = {programLayer};
    b.blocks = {Block(0, 0.0f, 100000.0f)};
    b.blocks[0].Program = "a.prog";
    AddProgram("a.prog", a);
    AddProgram("b.prog", b);

    // The self-reference is also direct: a block of the open show calls a.prog
    // from a.prog's own layer list.
    AddBlock(AddLayer(kLayerProgram, -1), 0.0f, 100000.0f).Program = "a.prog";
    TickAtLevel(500.0, 64);
    EXPECT_EQ(Spring(9003).m_bLit, 1);
    EXPECT_EQ(Reg(kRegChannel, 3), 10000);
}

TEST_F(EvaluateShowTest, ProgramCallingItselfManyTimesStaysWithinItsWalkBudget) {
    // Ten blocks of fan.prog call fan.prog: without a bound on walks the
    // depth bound alone would allow 10^8 of them in one tick.
    Layer springLayer;
    springLayer.type = kLayerSpring;
    springLayer.GroupID = 9003;
    Layer programLayer;
    programLayer.type = kLayerProgram;
    Show fan;
    fan.layers = {springLayer, programLayer};
    fan.blocks = {Block(0, 0.0f, 100000.0f)};
    for (int i = 0; i < 10; ++i) {
        fan.blocks.push_back(Block(1, 0.0f, 100000.0f));
        fan.blocks.back().Program = "fan.prog";
    }
    AddProgram("fan.prog", fan);
    AddBlock(AddLayer(kLayerProgram, -1), 0.0f, 100000.0f).Program = "fan.prog";

    const auto started = std::chrono::steady_clock::now();
    TickAtLevel(500.0, 64);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(Spring(9003).m_bLit, 1);
    EXPECT_LT(took, std::chrono::seconds(2));
}

TEST_F(EvaluateShowTest, MovingHeadTableRunsOnAnyLayerFromTheBlockStart) {
    dir_.Write("512Light/t.csv",
               "name,500,500\n"
               "7;2,0x0102030405060708090A0B0C0D0E0F10,0x1112131415161718191A1B1C1D1E1F20\n");
    TimeBlock& b = AddBlock(AddLayer(kLayerProgram, -1), 1000.0f, 3000.0f);
    b.sz512Light = "t.csv";
    const auto& buffer = image_.g_Light512Buf[6];
    TickAtLevel(1200.0, 0);  // column 0
    EXPECT_EQ(buffer[16], 0x01);
    EXPECT_EQ(buffer[31], 0x10);
    TickAtLevel(1600.0, 0);  // column 1
    EXPECT_EQ(buffer[16], 0x11);
    EXPECT_EQ(buffer[0], 0x00);
    TickAtLevel(3000.0, 0);  // the block has ended: the buffer is cleared
    EXPECT_EQ(buffer[16], 0x00);

    // On a group layer whose group is missing the table still plays.
    b.cannel = AddLayer(kLayerGroup, 4242);
    TickAtLevel(1200.0, 0);
    EXPECT_EQ(buffer[16], 0x01);
}

TEST_F(EvaluateShowTest, ManualGroupsFollowTheirMembersHandLevelsInWatchMode) {
    CSpringGroup& g = Group(9100);
    g.bMannual = 1;
    g.m_nManualState = 1;
    Spring(9001).m_nManualLevel = 100;
    Spring(9001).m_nManualColour = 0x00FF00;
    AddBlock(AddLayer(kLayerGroup, 9100), 0.0f, 1000.0f);  // ignored: the group is manual
    TickAtLevel(500.0, 10);
    EXPECT_EQ(g.m_nAppliedState, 1);
    // 100 / 2, then x 2 again by SetLevel: the hand level reaches the pump.
    EXPECT_EQ(Spring(9001).m_nOutLevel, 100);
    EXPECT_EQ(Reg(kRegChannel, 1), 7812);
    EXPECT_EQ(Light(1), 0x00FF00u);
    EXPECT_EQ(Spring(9002).m_bLit, 0);
    EXPECT_EQ(Reg(kRegChannel, 2), 0);

    // The division truncates before SetLevel multiplies again: an odd hand
    // level (or a multiplier that does not divide it) loses its fraction.
    Spring(9001).m_nManualLevel = 101;
    TickAtLevel(500.0, 10);
    EXPECT_EQ(Spring(9001).m_nOutLevel, 100);  // trunc(50.5) x 2
    EXPECT_EQ(Reg(kRegChannel, 1), 7812);
    show_.g_fMusicMultiplier = 3.0f;
    Spring(9001).m_nManualLevel = 100;
    TickAtLevel(500.0, 10);
    EXPECT_EQ(Spring(9001).m_nOutLevel, 99);  // trunc(33.3) x 3
    EXPECT_EQ(Reg(kRegChannel, 1), 7734);
}

}  // namespace
}  // namespace velmora
