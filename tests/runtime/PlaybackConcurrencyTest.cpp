// Playback with every worker running (pacer, engine, 100 senders, six of them
// talking to a loopback controller) while the owner thread does what an
// operator does: entries end and are handed over, the scale changes, the
// position is sought and paused, hand mode flips, assets are refreshed, the
// show is recompiled and the scene reloaded. Meant to be run under
// ThreadSanitizer as well; in every build it checks that the hand-overs keep
// coming, that the controller keeps receiving, and that shutdown stays within
// its bounds.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>

#include "app/Log.h"
#include "app/ScratchDir.h"
#include "app/SourceDir.h"
#include "comm/LoopbackDevice.h"
#include "engine/ArbitrageThread.h"
#include "engine/MusicWav.h"
#include "media/ProgramList.h"
#include "runtime/Runtime.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::ReadAll;
using testing::ScratchDir;

std::filesystem::path DemoDir() {
    return testing::SourceDir() / "demo";
}

class PlaybackConcurrencyTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousLog_ = GetLogPath();
        SetLogPath(dir_.path() / "no-log-here.log");  // logging off
    }
    void TearDown() override { SetLogPath(previousLog_); }

    // The demo installation with its loopback channels sent to `port`, and a
    // program entry short enough to end many times in one test.
    void MakeWorkspace(std::uint16_t port) {
        std::filesystem::copy(DemoDir(), dir_.path(), std::filesystem::copy_options::recursive);
        const std::filesystem::path ini = dir_.path() / "spring.ini";
        std::string text = ReadAll(ini);
        text = std::regex_replace(text, std::regex(R"((Channel\d+_port)=\d+)"), "$1=" + std::to_string(port));
        dir_.Write("spring.ini", text);
        dir_.Write("Program/night.prog", "[Main]\nunitMS=60\nnum=5\npower=64\n");
    }

    ScratchDir dir_;
    std::filesystem::path previousLog_;
};

TEST_F(PlaybackConcurrencyTest, OperatorActionsWhilePlayingKeepHandOversAndShutdownBounded) {
    testing::LoopbackDevice device([](const testing::Bytes& request, int) {
        // Light data (function 0xF0) gets no answer, as from a controller.
        if (request.size() > 7 && request[7] == 0xF0) return testing::LoopbackDevice::Answer{};
        return testing::LoopbackDevice::Answer{testing::EchoReply(request)};
    });
    MakeWorkspace(device.port());

    Runtime runtime{Workspace(dir_.path())};
    ASSERT_TRUE(runtime.Startup());
    // No preparation time: every 300 ms program ends on the engine thread
    // and is started again from the owner's queue.
    runtime.scene.settings.g_nPrepareTime = 0;
    for (auto& sender : runtime.g_ModbusThreads) {
        CModbusTCPThread::Timing timing;
        timing.connectTimeout = 500ms;
        sender.SetTiming(timing);
    }
    CMusicWav& wav = *runtime.g_pMusicWav;
    CProgramList& programs = *runtime.g_pProgramList;
    ASSERT_FALSE(programs.m_list.empty());

    ASSERT_TRUE(runtime.StartPlayback());
    programs.DoubleClick(0);
    ASSERT_EQ(wav.m_bProgramMode, 1);
    const std::uint32_t entriesAtStart = wav.m_nEntriesStarted;

    const auto end = std::chrono::steady_clock::now() + 2500ms;
    for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
        wav.Tick();
        switch (round % 40) {
            case 5: wav.SetScale(25); break;
            case 10: wav.SetScale(50); break;
            case 15: wav.SeekTo(120.0); break;
            case 18: wav.PlayPause(); break;
            case 19: wav.PlayPause(); break;
            case 22: runtime.g_bHandMode.store(1); break;
            case 26: runtime.g_bHandMode.store(0); break;
            case 28: runtime.caches.ClearLight512Cache(); break;
            case 30: runtime.caches.RemoveMotorProgram("sweep.motor"); break;
            case 32: runtime.CompileShow(); break;
            case 36: {
                ASSERT_TRUE(runtime.LoadSceneFile());
                std::lock_guard lock(runtime.g_csOutput);
                runtime.scene.settings.g_nPrepareTime = 0;
                break;
            }
            default: break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(CMusicWav::kUpdatePeriodMs));
    }

    // The engine ended entries and the owner started them again, over and over.
    EXPECT_GE(wav.m_nEntriesStarted - entriesAtStart, 3u);
    EXPECT_GT(runtime.engine().ticks(), 20u);
    EXPECT_GT(device.Requests().size(), 20u);

    const auto before = std::chrono::steady_clock::now();
    runtime.Shutdown();
    // Engine 3 s, senders 5 s at most; bodies that honour stop end far sooner.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 3000ms);
    EXPECT_FALSE(runtime.engine().IsRunning());
    EXPECT_FALSE(runtime.engine().HasAbandonedBody());
    for (const auto& sender : runtime.g_ModbusThreads) {
        EXPECT_FALSE(sender.IsRunning());
        EXPECT_FALSE(sender.HasAbandonedBody());
    }
}

}  // namespace
}  // namespace velmora
