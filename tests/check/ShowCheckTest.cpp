#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <map>

#include "CheckFixture.h"
#include "app/SourceDir.h"

namespace velmora::testing {
namespace {

class ShowCheckTest : public CheckFixture {
protected:
    ShowCheckTest() {
        AddSpring(9001);
        AddSpring(9002);
        AddGroup(9100, {9001, 9002});
    }
};

TEST_F(ShowCheckTest, RowsBoundToMissingGroupsOrSpringsAreErrorsWhenTheyCarryBlocks) {
    const auto show = WriteShow("Music/a.mp3.tlf",
                                ShowOf({GroupLayer(9100), GroupLayer(9001), SpringLayer(9100), SpringLayer(9002),
                                        GroupLayer(4242), GroupLayer(-1)},
                                       {Block(1, 0, 10), Block(2, 0, 10), Block(5, 0, 10), Block(6, 0, 10),
                                        Block(-1, 0, 10)}));
    const CheckReport report = Run({show});

    const auto groups = With(report, "unknown-group");
    ASSERT_EQ(groups.size(), 2u) << Codes(report);
    EXPECT_EQ(groups[0].where, "layer 1");  // a spring's ID on a group row
    EXPECT_EQ(groups[0].severity, Severity::Error);
    EXPECT_EQ(groups[1].where, "layer 4");  // no blocks: harmless, but stale
    EXPECT_EQ(groups[1].severity, Severity::Warning);
    EXPECT_EQ(groups[0].file, "Music/a.mp3.tlf");
    const auto springs = With(report, "unknown-spring");
    ASSERT_EQ(springs.size(), 1u) << Codes(report);
    EXPECT_EQ(springs[0].where, "layer 2");
    // Rows bound to nothing, and rows past the stack, play nothing either.
    ASSERT_EQ(With(report, "unbound-layer").size(), 1u) << Codes(report);
    EXPECT_EQ(With(report, "unbound-layer")[0].where, "layer 5");
    const auto off = With(report, "block-off-layers");
    ASSERT_EQ(off.size(), 2u) << Codes(report);
    EXPECT_EQ(off[0].where, "block 3");
    EXPECT_EQ(off[1].where, "block 4");
}

TEST_F(ShowCheckTest, AssetsTheEngineWouldNotFindAreErrors) {
    dir_.Write("motor/ok.motor", "[Main]\nNum=1\n[MOB0]\nAct=1\np0=100\np1=200\n");
    dir_.Write("motor/empty.motor", "[Main]\nNum=0\n");
    dir_.Write("motor/loop.motor", "[Main]\nNum=2\n[MOB0]\nAct=1\n[MOB1]\nAct=101\n");
    dir_.Write("Color/ok.color", "[Main]\nNum=0\n");
    dir_.Write("512Light/bad.csv", "only-one-field\n");
    dir_.Write("Frame/cut.frm", "\x9a\x99\x99\x3f");  // version 1.2 and nothing else

    TimeBlock rotation = Block(0, 0, 10, kActionRotateZ);
    rotation.szMotor = "ok.motor";
    rotation.szMotor1 = "gone.motor";  // unused: no sections
    TimeBlock sectioned = Block(0, 20, 30, kActionRotateY);
    sectioned.szMotor = "empty.motor";
    sectioned.singleSection = 1;
    sectioned.szMotor1 = "loop.motor";
    sectioned.szMotor2 = "also-unused.motor";  // only with a middle section
    TimeBlock frame = Block(0, 40, 50, kActionFrame);
    frame.szFrame = "cut.frm";
    TimeBlock lights = Block(0, 60, 70, kActionFlatWave);
    lights.szLight = "ok.color";
    lights.sz512Light = "bad.csv";
    TimeBlock noColour = Block(0, 80, 90);
    noColour.szLight = "none.color";
    TimeBlock program = Block(1, 0, 10);
    program.Program = "nowhere.prog";
    TimeBlock none = Block(1, 20, 30);  // "---": no program
    TimeBlock showless = Block(1, 40, 50);
    showless.Program = "bare.prog";  // listed, but its .prog.tlf is gone
    AddProgram("bare", ShowOf({}, {}));
    std::filesystem::remove(dir_.path() / "Program/bare.prog.tlf");
    const auto show = WriteShow("Music/a.mp3.tlf",
                                ShowOf({GroupLayer(9100), ProgramLayer()},
                                       {rotation, sectioned, frame, lights, noColour, program, none, showless}));
    const CheckReport report = Run({show});

    EXPECT_EQ(Codes(report),
              "missing-motor@block 1; motor-loop-error@block 1; missing-frame@block 2; "
              "missing-light512@block 3; missing-colour@block 4; missing-program@block 5; missing-program@block 7; ");
    for (const CheckProblem& p : report.problems()) EXPECT_EQ(p.severity, Severity::Error) << p.code;
    EXPECT_NE(With(report, "missing-light512")[0].message.find("格式不满足要求"), std::string::npos);
}

TEST_F(ShowCheckTest, AFifoNamedAsAnAssetDoesNotBlockTheCheck) {
    std::filesystem::create_directories(dir_.path() / "Frame");
    ASSERT_EQ(::mkfifo((dir_.path() / "Frame/pipe.frm").c_str(), 0600), 0);
    TimeBlock frame = Block(0, 0, 10, kActionFrame);
    frame.szFrame = "pipe.frm";
    const auto show = WriteShow("Music/a.mp3.tlf", ShowOf({GroupLayer(9100)}, {frame}));
    SaveWorkspace();
    auto done = std::async(std::launch::async, [&] { return CheckWorkspace(Workspace(dir_.path()), {show}); });
    ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const CheckReport report = done.get();
    ASSERT_EQ(With(report, "missing-frame").size(), 1u) << Codes(report);
    EXPECT_NE(With(report, "missing-frame")[0].message.find("not a regular file"), std::string::npos);
}

TEST_F(ShowCheckTest, OverlappingBlocksOnOneRowWarnOnlyWhenTheyDriveTheSameOutputs) {
    TimeBlock wave1 = Block(0, 0, 100, kActionTriangle);
    TimeBlock wave2 = Block(0, 50, 150, kActionRectangle);  // two waves: the same pumps
    TimeBlock rotation = Block(0, 0, 200, kActionRotateZ);  // a rotation under them: normal
    TimeBlock swing = Block(0, 150, 160, kActionSwingZ);    // the Z axis again, under the rotation
    TimeBlock after = Block(0, 150, 170, kActionFlatWave);  // starts as wave2 ends: no overlap
    TimeBlock otherRow = Block(1, 0, 100, kActionTriangle);
    TimeBlock lightOnly = Block(0, 160, 170, kActionRamp);  // its own light without the water
    lightOnly.szLight = "a.color";
    lightOnly.bLightTogether = 0;
    TimeBlock music = Block(1, 20, 30);  // no action on a group row: the level follows the music
    const auto show = WriteShow(
        "Music/a.mp3.tlf",
        ShowOf({GroupLayer(9100), GroupLayer(9100)}, {wave1, wave2, rotation, swing, after, otherRow, lightOnly, music}));
    const CheckReport report = Run({show});

    std::vector<std::string> where;
    for (const auto& p : With(report, "block-overlap")) where.push_back(p.where);
    EXPECT_EQ(where, (std::vector<std::string>{"blocks 0 and 1", "blocks 2 and 3", "blocks 5 and 7"})) << Codes(report);
    EXPECT_NE(With(report, "block-overlap")[0].message.find("water"), std::string::npos);
    EXPECT_NE(With(report, "block-overlap")[1].message.find("Z motor"), std::string::npos);
    for (const auto& p : With(report, "block-overlap")) EXPECT_EQ(p.severity, Severity::Warning);
}

std::filesystem::path Mp3Fixture() { return SourceDir() / "tests" / "media" / "fixtures" / "cbr44_stereo.mp3"; }

TEST_F(ShowCheckTest, BlocksPastTheEndOfTheMusicOrProgramAreReported) {
    double lengthMs = 0;
    ASSERT_TRUE(Mp3LengthMs(Mp3Fixture(), lengthMs));
    ASSERT_GT(lengthMs, 1000.0);
    std::filesystem::create_directories(dir_.path() / "Music");
    std::filesystem::copy_file(Mp3Fixture(), dir_.path() / "Music/song.mp3");
    const float end = static_cast<float>(lengthMs / 50.0);  // in file units of 50 ms
    const Show show = ShowOf({GroupLayer(9100)}, {Block(0, 0, end - 0.5f), Block(0, end - 1, end + 1), Block(0, end + 5, end + 9)});
    const auto withMusic = WriteShow("Music/song.mp3.tlf", show);
    const auto withoutMusic = WriteShow("Music/gone.mp3.tlf", show);  // no music: not checked
    AddProgram("p", ShowOf({GroupLayer(9100)}, {Block(0, 0, 40), Block(0, 39, 41)}), 500, 4);  // 2 s
    const CheckReport report = Run({withMusic, withoutMusic, dir_.path() / "Program/p.prog.tlf"});

    std::vector<std::string> where;
    for (const auto& p : With(report, "block-beyond-end")) where.push_back(p.file + ":" + p.where);
    EXPECT_EQ(where, (std::vector<std::string>{"Music/song.mp3.tlf:block 1", "Music/song.mp3.tlf:block 2",
                                               "Program/p.prog.tlf:block 1"}))
        << Codes(report);
    EXPECT_NE(With(report, "block-beyond-end")[1].message.find("never plays"), std::string::npos);
    EXPECT_NE(With(report, "block-beyond-end")[2].message.find("program's end at 2.00 s"), std::string::npos);
}

TEST_F(ShowCheckTest, FilesThatCannotBeReadAreReportedNotFatal) {
    scene_.settings.g_strLight = "system.color";  // the system light's file is missing
    std::filesystem::create_directories(dir_.path() / "Music");
    std::filesystem::copy_file(SourceDir() / "tests/media/fixtures/not_mp3.mp3", dir_.path() / "Music/noise.mp3");
    const auto noise = WriteShow("Music/noise.mp3.tlf", ShowOf({GroupLayer(9100)}, {Block(0, 0, 1e6f)}));
    const auto folder = dir_.MakeDir("Music/folder.tlf");
    const CheckReport report = Run({noise, folder});

    EXPECT_EQ(Codes(report), "missing-colour@strLight; unreadable-music@music; unreadable-file@file; ");
    EXPECT_EQ(report.Count(Severity::Error), 1u);  // only the show that could not be read
    EXPECT_EQ(report.filesChecked, 2u);
}

TEST_F(ShowCheckTest, ProgramsThatStartThemselvesAreReportedOnce) {
    auto starts = [](std::vector<std::string> names) {
        std::vector<TimeBlock> blocks;
        for (const std::string& name : names) {
            TimeBlock b = Block(0, 0, 10);
            b.Program = name;
            blocks.push_back(b);
        }
        return ShowOf({ProgramLayer()}, blocks);
    };
    AddProgram("self", starts({"self.prog"}));
    AddProgram("a", starts({"b.prog"}));
    AddProgram("b", starts({"c.prog"}));
    AddProgram("c", starts({"a.prog"}));
    AddProgram("leaf", starts({}));
    AddProgram("caller", starts({"leaf.prog", "a.prog"}));  // calls into a cycle, is not on one
    const auto music = WriteShow("Music/m.mp3.tlf", starts({"caller.prog", "self.prog"}));
    const CheckReport report = Run();  // every .tlf of Music and Program

    EXPECT_EQ(report.filesChecked, 7u);
    std::vector<std::string> found;
    for (const auto& p : With(report, "program-recursion")) found.push_back(p.file + ": " + p.message);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{
                         "Program/a.prog.tlf: program \"a.prog\" starts itself: a.prog -> b.prog -> c.prog -> a.prog",
                         "Program/b.prog.tlf: program \"b.prog\" starts itself: b.prog -> c.prog -> a.prog -> b.prog",
                         "Program/c.prog.tlf: program \"c.prog\" starts itself: c.prog -> a.prog -> b.prog -> c.prog",
                         "Program/self.prog.tlf: program \"self.prog\" starts itself: self.prog -> self.prog"}))
        << Codes(report);
    EXPECT_TRUE(report.HasErrors());
    (void)music;
}

// Reads every file under `root` into path -> bytes.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        files[entry.path().lexically_relative(root).string()] = entry.is_regular_file() ? ReadAll(entry.path()) : "<dir>";
    return files;
}

TEST(CheckDemo, TheDemoHasNoErrorAndCheckingItWritesNothing) {
    const std::filesystem::path demo = SourceDir() / "demo";
    ASSERT_TRUE(std::filesystem::is_directory(demo)) << demo;
    ScratchDir copy;
    std::filesystem::copy(demo, copy.path(), std::filesystem::copy_options::recursive);
    const auto before = Snapshot(copy.path());
    const CheckReport report = CheckWorkspace(Workspace(copy.path()), {});
    EXPECT_EQ(Snapshot(copy.path()), before);
    EXPECT_GE(report.filesChecked, 2u);
    std::string errors;
    for (const CheckProblem& p : report.problems())
        if (p.severity == Severity::Error) errors += p.file + " " + p.where + " " + p.code + ": " + p.message + "\n";
    EXPECT_EQ(errors, "");
}

}  // namespace
}  // namespace velmora::testing
