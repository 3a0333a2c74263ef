#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/Prompter.h"
#include "app/ScopedLogPath.h"
#include "engine/EngineFiles.h"
#include "runtime/Runtime.h"

namespace velmora {
namespace {

using testing::ScratchDir;

// A loaded show is compiled at once, and the program list is read at start-up.
TEST(RuntimeCompile, LoadingAShowCompilesItsMotorActions) {
    ScratchDir dir;
    const testing::ScopedLogPath log(dir.path() / "FountainLog.log");
    dir.Write("spring.ini",
              "[main]\npulsePerRound=4000\ncount=2\nsp0_ID=9001\nsp1_ID=9002\nGroupCount=1\nGP0_ID=9003\n"
              "GP0_childCount=2\nGP0_child0=9002\nGP0_child1=9001\n"
              "[ProgramList]\nProgramCount=1\npro0_path=Program\\p.prog\n");
    dir.Write("Program/p.prog", "");
    dir.Write("Program/p.prog.tlf", "[TimeLine]\nLayerCount=2\nTimeBlockCount=1\nTB0_end=20\n");
    testing::WriteMotor(dir, "turn.motor", {{kMotorMove, 1000, 4000, 0, 0}});
    dir.Write("Music/a.mp3.tlf",
              "[TimeLine]\nLayerCount=1\nly0_GroupID=9003\nly0_type=0\nTimeBlockCount=1\nTB0_start=2\n"
              "TB0_end=100\nTB0_nSpecicalType=1\nTB0_nInterval=300\nTB0_szMotor=turn.motor\n");
    {
        Runtime runtime{Workspace(dir.path())};
        RecordingPrompter prompter;
        runtime.caches.SetPrompter(&prompter);
        ASSERT_TRUE(runtime.Startup());
        ASSERT_TRUE(runtime.caches.FindProgram("p.prog"));
        EXPECT_EQ(runtime.caches.FindProgram("p.prog")->m_listBlocks.size(), 1u);

        ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/a.mp3.tlf"));
        const CSpring* second = runtime.scene.FindSpring(9002);
        const CSpring* first = runtime.scene.FindSpring(9001);
        ASSERT_EQ(second->m_stepsB.size(), 2u);
        EXPECT_EQ(second->m_stepsB[0].m_fTime, 100.0f);  // first member of the group
        EXPECT_EQ(first->m_stepsB[0].m_fTime, 400.0f);
        EXPECT_EQ(first->m_stepsB[1].m_fAngle, 360.0f);

        // Another show replaces the tracks.
        ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/none.tlf"));
        EXPECT_TRUE(runtime.scene.FindSpring(9001)->m_stepsB.empty());
        EXPECT_TRUE(prompter.messages.empty());
        runtime.Shutdown();
    }
}

// The operator adds a missing program and asks for the motor actions to be
// compiled again: the file is found at once, not a second later.
TEST(RuntimeCompile, RecompilingLooksForAProgramThatWasMissing) {
    ScratchDir dir;
    dir.Write("spring.ini", "[main]\npulsePerRound=4000\ncount=1\nsp0_ID=7\n");
    dir.Write("Music/a.mp3.tlf",
              "[TimeLine]\nLayerCount=1\nly0_GroupID=7\nly0_type=1\nTimeBlockCount=1\nTB0_start=2\n"
              "TB0_end=100\nTB0_nSpecicalType=1\nTB0_szMotor=late.motor\n");
    Runtime runtime{Workspace(dir.path())};
    ASSERT_TRUE(runtime.Startup());
    ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/a.mp3.tlf"));
    EXPECT_TRUE(runtime.scene.FindSpring(7)->m_stepsB.empty());
    EXPECT_FALSE(runtime.caches.FindMotorProgram("late.motor"));  // remembered as missing

    testing::WriteMotor(dir, "late.motor", {{kMotorMove, 1000, 4000, 0, 0}});
    runtime.CompileShow();
    EXPECT_EQ(runtime.scene.FindSpring(7)->m_stepsB.size(), 2u);
    runtime.Shutdown();
}

// A 512 table the operator mends while the program runs is played after the
// next compile; before, a failed table stayed failed until a restart.
TEST(RuntimeCompile, AMendedMovingHeadTablePlaysAfterTheNextCompile) {
    ScratchDir dir;
    const testing::ScopedLogPath log(dir.path() / "no-log-here.log");
    dir.Write("spring.ini", "[main]\ncount=0\n");
    dir.Write("512Light/t.csv", "header\n");
    dir.Write("Music/a.mp3.tlf",
              "[TimeLine]\nLayerCount=1\nly0_type=2\nTimeBlockCount=1\nTB0_start=0\nTB0_end=100\n"
              "TB0_sz512Light=t.csv\n");
    Runtime runtime{Workspace(dir.path())};
    RecordingPrompter prompter;
    runtime.SetPrompter(prompter);
    ASSERT_TRUE(runtime.Startup());
    ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/a.mp3.tlf"));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"格式不满足要求"});  // told on this thread
    ASSERT_TRUE(runtime.g_pShowAssets);
    EXPECT_FALSE(runtime.g_pShowAssets->FindLight512Table("t.csv"));

    dir.Write("512Light/t.csv", "n,100\n1;1,0x0102030405060708090A0B0C0D0E0F10\n");
    runtime.CompileShow();
    const Light512ComplierCache* table = runtime.g_pShowAssets->FindLight512Table("t.csv");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->ColumnCount(), 1u);
    EXPECT_EQ(prompter.messages.size(), 1u);
    runtime.Shutdown();
}

// The system light's colour file is a scene setting: loading the scene or
// editing the setting prepares the file the engine then reads.
TEST(RuntimeCompile, TheSystemLightFileFollowsTheScene) {
    ScratchDir dir;
    dir.Write("spring.ini", "[main]\ncount=0\nstrLight=a.color\n");
    dir.Write("Color/a.color", "[Main]\nNum=1\ncolor1=255\n");
    dir.Write("Color/b.color", "[Main]\nNum=2\n");
    Runtime runtime{Workspace(dir.path())};
    ASSERT_TRUE(runtime.Startup());
    ASSERT_EQ(runtime.scene.settings.g_strLight, "a.color");
    const LightComplierCache* a = runtime.g_pShowAssets->FindColourSequence("a.color");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->m_listColours.size(), 1u);

    SystemSheet sheet = SystemSheetOf(runtime.scene.settings);
    sheet.light = "b.color";
    ASSERT_TRUE(runtime.sceneDocument().EditSystemSettings(sheet));
    const LightComplierCache* b = runtime.g_pShowAssets->FindColourSequence("b.color");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->m_listColours.size(), 2u);
    runtime.Shutdown();
}

// An editor saves over files the open show already plays, one named by the
// block in another case: the motor tracks and the colour sequence the engine
// reads are the saved versions at once, without a restart.
TEST(RuntimeCompile, AnEditorsSaveReachesTheOpenShowAtOnce) {
    ScratchDir dir;
    dir.Write("spring.ini", "[main]\npulsePerRound=4000\ncount=1\nsp0_ID=7\nstrLight=Glow.color\n");
    testing::WriteMotor(dir, "turn.motor", {{kMotorMove, 1000, 4000, 0, 0}});
    dir.Write("Color/glow.color", "[Main]\nNum=1\ncolor1=255\n");
    dir.Write("Music/a.mp3.tlf",
              "[TimeLine]\nLayerCount=1\nly0_GroupID=7\nly0_type=1\nTimeBlockCount=1\nTB0_start=2\n"
              "TB0_end=100\nTB0_nSpecicalType=1\nTB0_szMotor=TURN.motor\n");
    Runtime runtime{Workspace(dir.path())};
    ASSERT_TRUE(runtime.Startup());
    ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/a.mp3.tlf"));
    ASSERT_EQ(runtime.scene.FindSpring(7)->m_stepsB.size(), 2u);
    EXPECT_EQ(runtime.scene.FindSpring(7)->m_stepsB[1].m_fAngle, 360.0f);
    ASSERT_EQ(runtime.g_pShowAssets->FindColourSequence("Glow.color")->m_listColours.size(), 1u);

    testing::WriteMotor(dir, "turn.motor", {{kMotorMove, 1000, 2000, 0, 0}, {kMotorMove, 1000, 2000, 0, 0}});
    dir.Write("Color/glow.color", "[Main]\nNum=3\n");
    // Saving alone changes nothing the engine reads: the caches keep the old records.
    runtime.RefreshShowAssets();
    EXPECT_EQ(runtime.g_pShowAssets->FindColourSequence("Glow.color")->m_listColours.size(), 1u);

    runtime.AssetFileSaved(AssetKind::Motor, dir.path() / "motor/turn.motor");
    const TrackPoints& track = runtime.scene.FindSpring(7)->m_stepsB;
    ASSERT_EQ(track.size(), 3u);
    EXPECT_EQ(track[1].m_fAngle, 180.0f);
    EXPECT_EQ(track[2].m_fAngle, 360.0f);

    runtime.AssetFileSaved(AssetKind::Colour, dir.path() / "Color/glow.color");
    EXPECT_EQ(runtime.g_pShowAssets->FindColourSequence("Glow.color")->m_listColours.size(), 3u);

    // A file the show does not use costs nothing and drops nothing.
    EXPECT_EQ(runtime.caches.ForgetFrameFile(dir.path() / "Frame/none.frm"), 0u);
    runtime.Shutdown();
}

// A message raised on a worker reaches the operator on the owner thread,
// when the owner's loop delivers the queue.
TEST(RuntimeCompile, WorkerMessagesReachTheOperatorOnTheOwnersDelivery) {
    ScratchDir dir;
    dir.Write("512Light/t.csv", "header\n");
    Runtime runtime{Workspace(dir.path())};
    RecordingPrompter prompter;
    runtime.SetPrompter(prompter);
    std::thread worker([&] { runtime.caches.FindLight512Table("t.csv"); });
    worker.join();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(runtime.DeliverOperatorMessages(), 1u);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"格式不满足要求"});
}

}  // namespace
}  // namespace velmora
