// Real-time motor stepping: the step each member has reached, the record it
// is sent with the step after it, and when the command number advances.
#include "ActionFixture.h"
#include "engine/MotorStepping.h"

namespace velmora {
namespace {

using testing::ActionTest;
using testing::WriteMotor;

using Record = std::vector<std::int32_t>;

const MotorBlock_struct kRest{kMotorRest, 500, 0, 0, 0};
const MotorBlock_struct kBack{kMotorMove, -1000, -2000, 0, 0};
const MotorBlock_struct kForth{kMotorMove, 1000, 4000, 0, 0};

class MotorSteppingTest : public ActionTest {
protected:
    MotorSteppingTest() {
        WriteMotor(dir_, "three.motor", {kRest, kBack, kForth}, 100);
        AddSprings(3);
    }
    TimeBlock Rotation(std::int32_t type = kActionRotateZ) {
        TimeBlock block = Block(type);
        block.szMotor = "three.motor";
        block.forMotor1 = 2;  // six steps of 100 ms
        return block;
    }
    Record Z(int index) const { return MotorRecord(testing::kZMotorChannel, index); }
    Record Y(int index) const { return MotorRecord(testing::kYMotorChannel, index); }
};

TEST_F(MotorSteppingTest, EachStepIsSentWithTheNextOne) {
    const TimeBlock block = Rotation();
    RunSpring(block, 0, 50);
    EXPECT_EQ(Z(0), (Record{124, 0x300, 0, 500, 0}));  // rest
    RunSpring(block, 0, 150);
    EXPECT_EQ(Z(0), (Record{125, 0x100, 2000, 1000, 0}));  // next speed has the other sign
    RunSpring(block, 0, 250);
    EXPECT_EQ(Z(0), (Record{126, 0x100, 4000, 1000, 0}));  // next is the rest of the second run
    RunSpring(block, 0, 350);
    EXPECT_EQ(Z(0), (Record{127, 0x300, 0, 500, 0}));
    // The last step runs on into the closing record (move, 100, 1000).
    RunSpring(block, 0, 599);
    EXPECT_EQ(Z(0), (Record{128, 0x200, 4000, 1000, 100}));
    // After the last step nothing is sent.
    RunSpring(block, 0, 600);
    EXPECT_EQ(Z(0), (Record{0, 0, 0, 0, 0}));
    EXPECT_EQ(SpringAt(0).m_nSeqZ, 128u);
    EXPECT_EQ(Y(0), (Record{0, 0, 0, 0, 0}));
}

TEST_F(MotorSteppingTest, CommandNumberAdvancesOnANewStepOrANewBlock) {
    const TimeBlock block = Rotation();
    RunSpring(block, 0, 10);
    RunSpring(block, 0, 20);
    RunSpring(block, 0, 99);
    EXPECT_EQ(Z(0)[0], 124);  // the same step is re-sent under the same number

    const TimeBlock other = Rotation();  // a new block: a new serial
    ASSERT_NE(other.m_nSerial, block.m_nSerial);
    RunSpring(other, 0, 99);
    EXPECT_EQ(Z(0)[0], 125);
    RunSpring(other, 0, 99);
    EXPECT_EQ(Z(0)[0], 125);

    // After 255 comes 123, never 0.
    SpringAt(0).m_nSeqZ = 255;
    RunSpring(other, 0, 101);
    EXPECT_EQ(Z(0)[0], 123);
    EXPECT_EQ(SpringAt(0).m_nSeqZ, 123u);
}

TEST_F(MotorSteppingTest, FactorScalesSpeedAndItsSignTurnsTheDisplacement) {
    TimeBlock block = Rotation();
    block.paramMotor1 = -0.5f;
    RunSpring(block, 0, 150);
    // (-500, +2000): opposite signs, direction 1; next (500, -4000) has the other speed sign.
    EXPECT_EQ(Z(0), (Record{124, 0x101, 2000, 500, 0}));
    RunSpring(block, 0, 550);
    EXPECT_EQ(Z(0), (Record{125, 0x201, 4000, 500, 100}));

    const MotorBlock_struct odd{kMotorMove, 333, -2147483647 - 1, 0, 0};
    const MotorBlock_struct scaled = ScaleMotorStep(odd, -1.5f);
    EXPECT_EQ(scaled.p0, 499);
    EXPECT_EQ(scaled.p1, 2147483647);
}

TEST_F(MotorSteppingTest, YAxisUsesItsOwnOutputAndCounter) {
    const TimeBlock block = Rotation(kActionRotateY);
    RunSpring(block, 0, 50);
    EXPECT_EQ(Y(0), (Record{124, 0x300, 0, 500, 0}));
    EXPECT_EQ(Z(0), (Record{0, 0, 0, 0, 0}));
    EXPECT_EQ(SpringAt(0).m_nSeqY, 124u);
    EXPECT_EQ(SpringAt(0).m_nSeqZ, 123u);
}

TEST_F(MotorSteppingTest, DelayIntervalAndSectionsSetEachMembersStart) {
    WriteMotor(dir_, "other.motor", {{kMotorMove, 300, 600, 0, 0}}, 100);
    CSpringGroup& group = AddGroup({0, 1, 2});
    TimeBlock block = Rotation();
    block.nInterval = 1000;
    RunGroup(block, group, 50);
    EXPECT_EQ(Z(0)[3], 500);
    EXPECT_EQ(Z(1), (Record{0, 0, 0, 0, 0}));

    // Sections of one: members alternate between the first and second
    // program, each starting its run again (k = 0).
    block.singleSection = 1;
    block.szMotor1 = "other.motor";
    RunGroup(block, group, 50);
    EXPECT_EQ(Z(0)[3], 500);
    EXPECT_EQ(Z(1)[3], 300);
    EXPECT_EQ(Z(2)[3], 500);

    block.delayMotor1 = 100;  // the first program's members wait 100 ms
    RunGroup(block, group, 50);
    EXPECT_EQ(Z(0), (Record{0, 0, 0, 0, 0}));
    EXPECT_EQ(Z(1)[3], 300);
}

TEST_F(MotorSteppingTest, MotorBlocksLeaveLevelLitAndLightAlone) {
    TimeBlock block = Rotation();
    WriteColours("one.color", {0xFFFFFF});
    block.szLight = "one.color";
    block.bLightTogether = 0;
    SpringAt(0).m_nOutLevel = 77;
    RunSpring(block, 0, 50);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 77);
    EXPECT_EQ(SpringAt(0).m_bLit, 0);
    EXPECT_EQ(Pump(0), 0);
    EXPECT_EQ(Light(0), 0);
    EXPECT_EQ(Z(0)[0], 124);
}

TEST_F(MotorSteppingTest, NothingIsSentWithoutAProgramOrRepeats) {
    TimeBlock block = Rotation();
    block.forMotor1 = 0;
    RunSpring(block, 0, 50);
    EXPECT_EQ(Z(0), (Record{0, 0, 0, 0, 0}));
    block.forMotor1 = 1;
    block.szMotor = "missing.motor";
    RunSpring(block, 0, 50);
    EXPECT_EQ(Z(0), (Record{0, 0, 0, 0, 0}));
    EXPECT_EQ(SpringAt(0).m_nSeqZ, 123u);

    // A file whose Interval is 0 steps at the default 500 ms.
    WriteMotor(dir_, "stopped.motor", {kRest, kForth}, 0);
    block.szMotor = "stopped.motor";
    RunSpring(block, 0, 499);
    EXPECT_EQ(Z(0)[1], 0x300);
    RunSpring(block, 0, 500);
    EXPECT_EQ(Z(0)[1], 0x200);
}

}  // namespace
}  // namespace velmora
