#include "editors/MotorProgramEditor.h"

#include <gtest/gtest.h>

#include "app/Profile.h"
#include "app/ScratchDir.h"
#include "engine/MotorProgramFile.h"

namespace velmora {
namespace {

struct Step {
    std::int32_t Act, p0, p1, p2;
    bool operator==(const Step&) const = default;
};

std::vector<Step> Steps(const std::vector<MotorBlock_struct>& list) {
    std::vector<Step> out;
    for (const auto& s : list) out.push_back({s.Act, s.p0, s.p1, s.p2});
    return out;
}

Profile Parse(std::string_view text) {
    Profile p;
    EXPECT_TRUE(p.LoadFromBytes(text));
    return p;
}

TEST(MotorProgramEditorTest, ALoopAppendedBeforeAMoveMustBeMovedAroundIt) {
    MotorProgramEditor e;
    e.AppendLoop();
    e.AppendMove();
    EXPECT_EQ(Steps(e.program()), (std::vector<Step>{{100, 5, 0, 0}, {101, 100, 1000, 0}, {1, 100, 1000, 0}}));
    EXPECT_EQ(e.current(), -1);  // appending leaves the selection alone
    e.Select(2);
    ASSERT_TRUE(e.MoveForward());
    EXPECT_EQ(e.current(), 1);
    EXPECT_EQ(Steps(e.program())[1], (Step{1, 100, 1000, 0}));
    EXPECT_EQ(e.program()[1].m_bSelected, 1);
    EXPECT_EQ(e.program()[2].m_bSelected, 0);
}

TEST(MotorProgramEditorTest, CheckExpandsLoopsByPlainAdditionInnermostFirst) {
    MotorProgramEditor e;
    e.Load(Parse("[Main]\nNum=3\n[MOB0]\nAct=100\np0=3\np1=10\np2=100\n[MOB1]\nAct=1\np0=100\np1=1000\n"
                 "[MOB2]\nAct=101\n"),
           "a.motor");
    const auto result = e.Check();
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(e.showCompiled());
    EXPECT_EQ(Steps(e.compiled()), (std::vector<Step>{{1, 100, 1000, 0}, {1, 110, 1100, 0}, {1, 120, 1200, 0}}));
    EXPECT_EQ(&e.shown(), &e.compiled());
    e.Check();  // a second press shows the editing view again
    EXPECT_FALSE(e.showCompiled());
    EXPECT_EQ(&e.shown(), &e.program());

    // Plain signed addition: a negative speed grows towards zero, unlike the
    // show's magnitude rule.
    MotorProgramEditor nested;
    nested.Load(Parse("[Main]\nNum=6\n[MOB0]\nAct=100\np0=2\np1=1\n[MOB1]\nAct=1\np0=-5\np1=7\n"
                      "[MOB2]\nAct=100\np0=2\np2=10\n[MOB3]\nAct=1\np0=1\np1=1\n[MOB4]\nAct=101\n[MOB5]\nAct=101\n"),
                "n.motor");
    ASSERT_TRUE(nested.Check().ok);
    // Inner loop first: [m(-5,7), n(1,1), n(1,11)]; then the outer adds 1 to the speeds.
    EXPECT_EQ(Steps(nested.compiled()), (std::vector<Step>{{1, -5, 7, 0},
                                                           {1, 1, 1, 0},
                                                           {1, 1, 11, 0},
                                                           {1, -4, 7, 0},
                                                           {1, 2, 1, 0},
                                                           {1, 2, 11, 0}}));
}

TEST(MotorProgramEditorTest, CheckReportsALoopEndWithoutStartAndAHugeExpansion) {
    MotorProgramEditor e;
    e.Load(Parse("[Main]\nNum=4\n[MOB0]\nAct=100\np0=2\n[MOB1]\nAct=1\np0=1\np1=1\n[MOB2]\nAct=101\n[MOB3]\nAct=101\n"),
           "bad.motor");
    const auto bad = e.Check();
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.message, "Complier ERROR!");
    // Expanded as far as it went; the stray end is left in place.
    EXPECT_EQ(Steps(e.compiled()), (std::vector<Step>{{1, 1, 1, 0}, {1, 1, 1, 0}, {101, 0, 0, 0}}));

    MotorProgramEditor open;  // a start that nothing closes stays a step
    open.AppendLoop();
    open.Select(1);
    open.DeleteCurrent();
    EXPECT_TRUE(open.Check().ok);
    EXPECT_EQ(Steps(open.compiled()), (std::vector<Step>{{100, 5, 0, 0}}));

    MotorProgramEditor huge;
    huge.Load(Parse("[Main]\nNum=5\n[MOB0]\nAct=100\np0=99999\n[MOB1]\nAct=100\np0=99999\n[MOB2]\nAct=1\n"
                    "[MOB3]\nAct=101\n[MOB4]\nAct=101\n"),
              "huge.motor");
    const auto tooLong = huge.Check();
    EXPECT_FALSE(tooLong.ok);
    EXPECT_NE(tooLong.message.find("100000"), std::string::npos);
    EXPECT_LE(huge.compiled().size(), kMaxMotorSteps);
}

TEST(MotorProgramEditorTest, SavesInTheEditorsOrderAndLeavesALongerProgramsSections) {
    testing::ScratchDir dir;
    dir.Write("p.motor", "[Main]\nNum=5\nInterval=500\n[MOB0]\nAct=1\n[MOB1]\nAct=1\n[MOB2]\nAct=1\n"
                         "[MOB3]\nAct=0\np0=77\n[MOB4]\nAct=0\n");
    Profile old;
    ASSERT_TRUE(old.Load(dir.path() / "p.motor"));
    MotorProgramEditor e;
    e.Load(old, "p.motor");
    e.Select(4);
    e.DeleteCurrent();
    e.Select(3);
    e.DeleteCurrent();
    e.AppendReset(8000);
    ASSERT_TRUE(e.SetInterval(50));  // clamped to 100
    EXPECT_EQ(e.interval(), 100);
    std::string error;
    ASSERT_TRUE(e.Save(dir.path(), "p", &error)) << error;
    EXPECT_EQ(e.fileName(), "p.motor");
    EXPECT_FALSE(e.IsModified());

    Profile saved;
    ASSERT_TRUE(saved.Load(dir.path() / "p.motor"));
    EXPECT_EQ(saved.GetInt("Main", "Num", -1), 4);
    EXPECT_EQ(saved.GetInt("Main", "Interval", -1), 100);
    EXPECT_EQ(saved.GetInt("MOB3", "Act", -1), 5);
    EXPECT_EQ(saved.GetInt("MOB3", "p1", -1), 8000);
    EXPECT_EQ(saved.GetInt("MOB4", "Act", -1), 0);  // left from the longer program

    // The show reads the same program back.
    const auto read = LoadMotorFile(dir.path() / "p.motor");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(Steps(read->record.m_listSteps), Steps(e.program()));
    EXPECT_EQ(read->record.m_nInterval, 100);

    // A fresh file is written in the editor's key order.
    MotorProgramEditor fresh;
    fresh.AppendRest();
    ASSERT_TRUE(fresh.Save(dir.path(), "f.motor", &error));
    Profile f;
    ASSERT_TRUE(f.Load(dir.path() / "f.motor"));
    EXPECT_EQ(f.Serialize(), "[Main]\nNum=1\nInterval=500\n[MOB0]\nAct=0\np0=1000\np1=0\np2=0\n");
}

TEST(MotorProgramEditorTest, EditsAreUndoableAndBoundedAndStaleIndexesDoNothing) {
    MotorProgramEditor e;
    e.AppendMove();
    e.AppendRest();
    EXPECT_FALSE(e.SetParameters(5, 1, 1, 1));
    ASSERT_TRUE(e.SetParameters(0, 200000, -200000, 3));
    EXPECT_EQ(Steps(e.program())[0], (Step{1, 99999, -99999, 3}));
    EXPECT_FALSE(e.SetParameters(0, 99999, -99999, 3));
    e.Select(0);
    EXPECT_FALSE(e.MoveForward());
    e.Select(1);
    EXPECT_FALSE(e.MoveBack());
    ASSERT_TRUE(e.DeleteCurrent());
    EXPECT_EQ(e.current(), -1);
    EXPECT_FALSE(e.DeleteCurrent());

    ASSERT_TRUE(e.Undo());  // the delete
    EXPECT_EQ(e.program().size(), 2u);
    ASSERT_TRUE(e.Undo());  // the parameters
    EXPECT_EQ(Steps(e.program())[0], (Step{1, 100, 1000, 0}));
    ASSERT_TRUE(e.Redo());
    EXPECT_EQ(Steps(e.program())[0], (Step{1, 99999, -99999, 3}));
    ASSERT_TRUE(e.Undo());
    ASSERT_TRUE(e.Undo());
    ASSERT_TRUE(e.Undo());
    EXPECT_TRUE(e.program().empty());
    EXPECT_FALSE(e.IsModified());
}

TEST(MotorProgramEditorTest, LabelsAndGlyphsFollowTheKind) {
    EXPECT_EQ(MotorStepLabels(kMotorLoopStart)[1], "速度偏移");
    EXPECT_EQ(MotorStepLabels(kMotorReset)[1], "脉冲/周");
    EXPECT_EQ(MotorStepLabels(42)[2], "参数2");
    EXPECT_STREQ(MotorStepGlyph(kMotorLoopEnd), "}");
    EXPECT_STREQ(MotorStepGlyph(7), "?");
}

TEST(MotorProgramEditorTest, StepNamesCarryTheValuesTheKindUses) {
    EXPECT_EQ(MotorStepName({kMotorMove, 100, -1000, 7, 0}), "移动 速度100 位移-1000");
    EXPECT_EQ(MotorStepName({kMotorRest, 1000, 3, 4, 0}), "休息 时间1000");
    EXPECT_EQ(MotorStepName({kMotorLoopStart, 5, 10, 20, 0}), "循环 循环5 速度偏移10 位移偏移20");
    EXPECT_EQ(MotorStepName({kMotorLoopEnd, 100, 1000, 0, 0}), "循环结束");
    EXPECT_EQ(MotorStepName({kMotorReset, 0, 8000, 0, 0}), "复位 脉冲/周8000");
    EXPECT_EQ(MotorStepName({42, 1, 2, 3, 0}), "动作42 参数01 参数12 参数23");
}

}  // namespace
}  // namespace velmora
