#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/Log.h"
#include "app/ScratchDir.h"
#include "engine/ArbitrageThread.h"
#include "engine/MusicWav.h"
#include "engine/Pacer.h"
#include "media/MusicList.h"
#include "media/ProgramList.h"
#include "runtime/Runtime.h"

namespace velmora {
namespace {

using testing::ReadAll;
using testing::ScratchDir;

class RuntimePlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousLog_ = GetLogPath();
        SetLogPath(dir_.path() / "no-log-here.log");  // logging off
    }
    void TearDown() override { SetLogPath(previousLog_); }
    ScratchDir dir_;
    std::filesystem::path previousLog_;
};

TEST_F(RuntimePlaybackTest, ListsLoadAtStartupAndSaveAtShutdownKeepingTheScene) {
    dir_.Write("Program/Night.prog", "[Main]\nunitMS=500\nnum=80\npower=20\n");
    const auto ini = dir_.Write("spring.ini",
                                "[main]\r\nGroupCount=1\r\nGP0_ID=9100\r\nGP0_name=环形\r\n"
                                "[MusicList]\r\nMusicCount=2\r\nmu0_path=C:\\m\\a.mp3\r\nmu1_path=b.mp3\r\n"
                                "[ProgramList]\r\nProgramCount=1\r\npro0_path=C:\\f\\Program\\Night.prog\r\n");
    {
        Runtime runtime{Workspace(dir_.path())};
        ASSERT_TRUE(runtime.Startup());
        ASSERT_EQ(runtime.g_pMusicList->m_list.size(), 2u);
        EXPECT_EQ(runtime.g_pMusicList->m_list[0].name, "a.mp3");
        ASSERT_EQ(runtime.g_pProgramList->m_list.size(), 1u);
        EXPECT_EQ(runtime.g_pProgramList->m_list[0].unitMS, 500);
        EXPECT_EQ(runtime.scene.groups.size(), 1u);
        runtime.g_pMusicList->Add({"c.mp3"});
        runtime.Shutdown();
    }
    const std::string text = ReadAll(ini);
    EXPECT_NE(text.find("mu2_path=c.mp3\r\n"), std::string::npos);
    EXPECT_NE(text.find("GP0_name=环形\r\n"), std::string::npos);
    Runtime again{Workspace(dir_.path())};
    ASSERT_TRUE(again.Startup());
    EXPECT_EQ(again.g_pMusicList->m_list.size(), 3u);
    EXPECT_EQ(again.g_pProgramList->m_list.size(), 1u);
}

TEST_F(RuntimePlaybackTest, ShutdownLeavesASceneWithoutListsUntouched) {
    const std::string scene = "[main]\nGroupCount=0\n";
    const auto ini = dir_.Write("spring.ini", scene);
    {
        Runtime runtime{Workspace(dir_.path())};
        ASSERT_TRUE(runtime.Startup());
        runtime.Shutdown();
    }
    EXPECT_EQ(ReadAll(ini), scene);
}

TEST_F(RuntimePlaybackTest, PlaybackPacesTheEngineAndShutdownStopsEverything) {
    Runtime runtime{Workspace(dir_.path())};
    ASSERT_TRUE(runtime.Startup());
    ASSERT_TRUE(runtime.StartPlayback());
    ASSERT_NE(runtime.pacer(), nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::uint64_t ticks = runtime.engine().ticks();
    // About 200 / 21 engine passes; a loaded machine may lose a few.
    EXPECT_GE(ticks, 4u);
    EXPECT_LE(ticks, 11u);
    EXPECT_EQ(runtime.engine().music(), &runtime.g_pMusicWav->state());
    runtime.Shutdown();
    EXPECT_FALSE(runtime.pacer()->IsRunning());
    EXPECT_FALSE(runtime.engine().IsRunning());
    for (const auto& sender : runtime.g_ModbusThreads) EXPECT_FALSE(sender.IsRunning());
}

}  // namespace
}  // namespace velmora
