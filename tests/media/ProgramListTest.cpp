#include <gtest/gtest.h>

#include "FakeStarter.h"
#include "app/Profile.h"
#include "app/Prompter.h"
#include "app/ScratchDir.h"
#include "media/ProgFile.h"
#include "media/ProgramList.h"

namespace velmora {
namespace {

using testing::FakeStarter;
using testing::ReadAll;
using testing::ScratchDir;
using Paths = std::vector<std::string>;

class ProgramListTest : public ::testing::Test {
protected:
    ScratchDir dir_;
    FakeStarter starter_;
    RecordingPrompter prompter_;
    CProgramList list_{dir_.path() / "Program", &starter_};
};

TEST_F(ProgramListTest, NewProgramCreatesBothFilesAndWritesLowerCasePower) {
    ASSERT_TRUE(list_.NewProgram("Evening", ProgParams{500, 120, 80}, prompter_));
    const auto prog = dir_.path() / "Program" / "Evening.prog";
    EXPECT_TRUE(std::filesystem::exists(prog));
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "Program" / "Evening.prog.tlf"));
    const std::string text = ReadAll(prog);
    EXPECT_NE(text.find("unitMS=500"), std::string::npos);
    EXPECT_NE(text.find("num=120"), std::string::npos);
    EXPECT_NE(text.find("power=80"), std::string::npos);
    const ProgParams back = ReadProgFile(prog);  // "power" reads back as Power
    EXPECT_EQ(back.unitMS, 500);
    EXPECT_EQ(back.num, 120);
    EXPECT_EQ(back.power, 80);
    ASSERT_EQ(list_.m_list.size(), 1u);
    EXPECT_EQ(list_.m_list[0].name, "Evening.prog");
    EXPECT_EQ(list_.m_list[0].path, prog.string());
}

TEST_F(ProgramListTest, NewProgramReplacesFilesLeftByAnEarlierProgramOfThatName) {
    const auto prog = dir_.Write("Program/Evening.prog", "[Main]\r\nunitMS=200\r\nnum=9\r\npower=7\r\nextra=1\r\n");
    const auto show = dir_.Write("Program/Evening.prog.tlf", "[TimeLine]\r\nTimeBlockCount=1\r\n");
    ASSERT_TRUE(list_.NewProgram("Evening", ProgParams{500, 120, 80}, prompter_));
    const std::string text = ReadAll(prog);
    EXPECT_EQ(text.find("extra"), std::string::npos) << text;
    EXPECT_NE(text.find("unitMS=500"), std::string::npos) << text;
    EXPECT_EQ(ReadAll(show), "");
}

TEST_F(ProgramListTest, DuplicateNameIgnoringCaseIsRefusedAndCreatesNothing) {
    ASSERT_TRUE(list_.NewProgram("Evening", ProgParams{}, prompter_));
    EXPECT_FALSE(list_.NewProgram("EVENING", ProgParams{}, prompter_));
    EXPECT_EQ(prompter_.messages, (Paths{"不能添加重名的程控文件"}));
    EXPECT_EQ(list_.m_list.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "Program" / "EVENING.prog"));
}

TEST_F(ProgramListTest, BadNamesAndLimitsAreRefused) {
    EXPECT_FALSE(list_.NewProgram("", ProgParams{}, prompter_));
    EXPECT_FALSE(list_.NewProgram("../up", ProgParams{}, prompter_));
    EXPECT_FALSE(list_.NewProgram(std::string(41, 'x'), ProgParams{}, prompter_));
    EXPECT_FALSE(list_.NewProgram("a", ProgParams{49, 60, 64}, prompter_));
    EXPECT_FALSE(list_.NewProgram("a", ProgParams{1000, 301, 64}, prompter_));
    EXPECT_FALSE(list_.NewProgram("a", ProgParams{1000, 60, 101}, prompter_));
    EXPECT_TRUE(list_.m_list.empty());
    EXPECT_TRUE(list_.NewProgram(std::string(40, 'x'), ProgParams{50, 300, 0}, prompter_));
}

TEST_F(ProgramListTest, EditingChangesPowerAndNumButNotUnitMS) {
    ASSERT_TRUE(list_.NewProgram("P", ProgParams{1000, 60, 64}, prompter_));
    EXPECT_FALSE(list_.PropertiesOfSelection());
    list_.Press(3, false);
    EXPECT_TRUE(list_.PropertiesEnabled());
    auto params = list_.PropertiesOfSelection();
    ASSERT_TRUE(params);
    params->unitMS = 250;
    params->num = 90;
    params->power = 10;
    ASSERT_TRUE(list_.ApplyProperties(*params, prompter_));
    EXPECT_EQ(prompter_.messages, (Paths{"参数将在下一次播放此程控文件时生效"}));
    const ProgParams file = ReadProgFile(list_.m_list[0].path);
    EXPECT_EQ(file.unitMS, 1000);
    EXPECT_EQ(file.num, 90);
    EXPECT_EQ(file.power, 10);
    EXPECT_EQ(list_.m_list[0].unitMS, 1000);
    EXPECT_EQ(list_.m_list[0].num, 90);
}

TEST_F(ProgramListTest, StepWrapsAndPassesTheProgramSettings) {
    ASSERT_TRUE(list_.NewProgram("A", ProgParams{1000, 60, 64}, prompter_));
    list_.Step(+1);
    list_.Step(-1);  // one entry: next and previous both restart it
    list_.OnEndOfEntry(1);
    ASSERT_EQ(starter_.calls.size(), 3u);
    for (const auto& call : starter_.calls) {
        EXPECT_EQ(call.programMode, 1);
        EXPECT_EQ(call.settings.cellMs, 1000.0);
        EXPECT_EQ(call.settings.lengthMs, 60000.0);
        EXPECT_EQ(call.settings.level, 64.0);
    }
    ASSERT_TRUE(list_.NewProgram("B", ProgParams{}, prompter_));
    starter_.calls.clear();
    list_.Step(+1);
    list_.Step(+1);
    list_.Step(-1);
    EXPECT_EQ(list_.m_nCurrent, 1);
    ASSERT_EQ(starter_.calls.size(), 3u);
    EXPECT_NE(starter_.calls[0].path.find("B.prog"), std::string::npos);
    EXPECT_NE(starter_.calls[1].path.find("A.prog"), std::string::npos);
}

TEST_F(ProgramListTest, DoubleClickThatFailsMovesOnAndStepDoesNot) {
    ASSERT_TRUE(list_.NewProgram("A", ProgParams{}, prompter_));
    ASSERT_TRUE(list_.NewProgram("B", ProgParams{}, prompter_));
    starter_.missing = {list_.m_list[0].path};
    list_.DoubleClick(0);
    EXPECT_EQ(list_.m_nCurrent, 1);
    EXPECT_EQ(starter_.calls.size(), 2u);
    starter_.calls.clear();
    list_.Step(+1);  // to A, which fails: nothing further
    EXPECT_EQ(starter_.calls.size(), 1u);
    EXPECT_EQ(list_.m_nCurrent, 0);
}

TEST_F(ProgramListTest, DeleteKeepsFilesAndCurrentIndex) {
    ASSERT_TRUE(list_.NewProgram("A", ProgParams{}, prompter_));
    ASSERT_TRUE(list_.NewProgram("B", ProgParams{}, prompter_));
    list_.DoubleClick(1);
    list_.Press(2, false);
    ASSERT_TRUE(list_.DeleteSelected(prompter_));
    EXPECT_EQ(prompter_.questions, (Paths{"确定删除？（此操作不可恢复！）"}));
    ASSERT_EQ(list_.m_list.size(), 1u);
    EXPECT_EQ(list_.m_nCurrent, 1);
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "Program" / "A.prog"));
}

TEST_F(ProgramListTest, LoadReadsEachProgFileAndSaveWritesProgramcount) {
    dir_.Write("Program/Night.prog", "[Main]\r\nunitMS=200\r\nnum=100\r\nPower=30\r\n");
    const auto ini = dir_.Write("spring.ini",
                                "[ProgramList]\nProgramCount=3\npro0_path=C:\\Fountain\\Program\\Night.prog\n"
                                "pro1_path=/nowhere/Gone.prog\npro2_path=\n");
    Profile profile;
    ASSERT_TRUE(profile.Load(ini));
    list_.LoadProgramList(profile);
    ASSERT_EQ(list_.m_list.size(), 3u);
    EXPECT_EQ(list_.m_list[0].name, "Night.prog");
    EXPECT_EQ(list_.m_list[0].unitMS, 200);  // found in the Program folder
    EXPECT_EQ(list_.m_list[0].num, 100);
    EXPECT_EQ(list_.m_list[0].power, 30);
    EXPECT_EQ(list_.m_list[1].unitMS, 1000);  // missing file: defaults
    EXPECT_EQ(list_.m_list[1].power, 64);
    list_.m_list.erase(list_.m_list.begin());
    list_.SaveProgramList(profile);
    ASSERT_TRUE(profile.Save());
    Profile again;
    ASSERT_TRUE(again.Load(ini));
    EXPECT_EQ(again.GetInt("ProgramList", "ProgramCount", -1), 2);
    EXPECT_EQ(again.GetString("ProgramList", "pro0_path", ""), "/nowhere/Gone.prog");
    EXPECT_EQ(again.GetString("ProgramList", "pro2_path", "x"), "");  // beyond the count, left
}

TEST_F(ProgramListTest, AbsentOrZeroCountLoadsEmpty) {
    Profile none;
    none.LoadFromBytes("[ProgramList]\npro0_path=a.prog\n");
    list_.LoadProgramList(none);
    EXPECT_TRUE(list_.m_list.empty());
    Profile zero;
    zero.LoadFromBytes("[ProgramList]\nProgramcount=0\npro0_path=a.prog\n");
    list_.LoadProgramList(zero);
    EXPECT_TRUE(list_.m_list.empty());
}

}  // namespace
}  // namespace velmora
