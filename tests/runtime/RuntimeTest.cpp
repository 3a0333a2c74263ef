#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/Log.h"
#include "app/Prompter.h"
#include "app/ScratchDir.h"
#include "runtime/Runtime.h"

namespace velmora {
namespace {

using testing::ReadAll;
using testing::ScratchDir;

// Records the order in which bodies see their stop request.
struct StopJournal {
    std::mutex mutex;
    std::vector<std::string> order;
    void Add(const std::string& who) {
        std::lock_guard lock(mutex);
        order.push_back(who);
    }
};

// Runs `onStop` when its body sees the stop request.
class ProbeThread : public Thread {
public:
    explicit ProbeThread(std::function<void()> onStop) : onStop_(std::move(onStop)) {}
    ~ProbeThread() override { WaitForBodiesToEnd(); }

protected:
    void Run() override {
        while (SuspendSelf()) {
        }
        onStop_();
    }

private:
    std::function<void()> onStop_;
};

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousLog_ = GetLogPath();
        logPath_ = dir_.Write("FountainLog.log", "");
        SetLogPath(logPath_);
    }
    void TearDown() override { SetLogPath(previousLog_); }

    ScratchDir dir_;
    std::filesystem::path logPath_;
    std::filesystem::path previousLog_;
};

TEST_F(RuntimeTest, StartupReadsConfigLoadsSceneAndSizesTheImage) {
    dir_.Write("config.ini", "[Main]\r\nnightStart=19:30\r\nnightEnd=22:00\r\n");
    dir_.Write("Spring.ini",
               "[main]\ncount=1\nsp0_ID=9001\nChannel0_tagNum=12\nChannel1_tagNum=0\nChannel2_tagNum=-4\n");
    Runtime runtime{Workspace(dir_.path())};
    ASSERT_TRUE(runtime.Startup());
    EXPECT_EQ(runtime.night.g_nNightStart, 1170);
    EXPECT_EQ(runtime.night.g_nNightEnd, 1320);
    EXPECT_EQ(runtime.g_strSpringIni.filename(), "Spring.ini");  // found despite the case
    ASSERT_EQ(runtime.scene.springs.size(), 1u);
    EXPECT_NE(runtime.scene.FindSpring(9001), nullptr);
    EXPECT_EQ(runtime.output.g_ChannelImage[0].size(), 12u);
    EXPECT_EQ(runtime.output.g_ChannelImage[1].size(), 0u);
    EXPECT_EQ(runtime.output.g_ChannelImage[2].size(), 0u);
    EXPECT_EQ(runtime.output.g_ChannelImage[3].size(), 30u);  // default tagNum
    runtime.Shutdown();
}

TEST_F(RuntimeTest, MissingFilesGiveTheDefaultInstallation) {
    Runtime runtime{Workspace(dir_.path())};
    ASSERT_TRUE(runtime.Startup());
    EXPECT_EQ(runtime.night.g_nNightStart, 0);
    EXPECT_EQ(runtime.night.g_nNightEnd, 6000);
    EXPECT_TRUE(runtime.scene.springs.empty());
    EXPECT_EQ(runtime.scene.g_Channels[99].IP, "0.0.0.0");
    EXPECT_EQ(runtime.show.layers.size(), 200u);
}

TEST_F(RuntimeTest, UnreadableSceneIsReportedAndLeavesDefaults) {
    dir_.MakeDir("spring.ini");  // a directory where the file should be
    Runtime runtime{Workspace(dir_.path())};
    std::string error;
    EXPECT_FALSE(runtime.Startup(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(runtime.scene.springs.empty());
    EXPECT_EQ(runtime.output.g_ChannelImage[0].size(), 30u);
}

TEST_F(RuntimeTest, ShutdownStopsEngineBeforeSendersAndLogsInOrder) {
    StopJournal journal;
    Runtime runtime{Workspace(dir_.path())};
    ASSERT_TRUE(runtime.Startup());
    // Every channel is still 0.0.0.0: the senders fail to connect and sit in
    // their retry pause, which a stop must cut short.
    runtime.StartSenders();
    // The engine notes, as it sees its stop, how many senders still run.
    ProbeThread engine([&] {
        int running = 0;
        for (const auto& sender : runtime.g_ModbusThreads) running += sender.IsRunning() ? 1 : 0;
        journal.Add("engine with " + std::to_string(running) + " senders running");
    });
    ASSERT_TRUE(engine.Start());
    runtime.SetEngineThread(engine);
    const auto before = std::chrono::steady_clock::now();
    runtime.Shutdown();
    runtime.Shutdown();  // a second call changes nothing
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(2000));

    ASSERT_EQ(journal.order.size(), 1u);
    EXPECT_EQ(journal.order.front(), "engine with 100 senders running");
    for (const auto& sender : runtime.g_ModbusThreads) EXPECT_FALSE(sender.IsRunning());

    const std::string log = ReadAll(logPath_);
    const auto started = log.find("程序启动");
    const auto quit = log.find("ModbusTCPThread Save Quit");
    const auto exited = log.find("程序退出");
    ASSERT_NE(started, std::string::npos);
    ASSERT_NE(quit, std::string::npos);
    ASSERT_NE(exited, std::string::npos);
    EXPECT_LT(started, quit);
    EXPECT_LT(quit, exited);
    EXPECT_EQ(log.find("程序退出", exited + 1), std::string::npos);
}

TEST_F(RuntimeTest, ShowSaveAndReloadGoThroughTheOutputLock) {
    dir_.Write("spring.ini", "[main]\nGroupCount=1\nGP0_ID=9100\nGP0_name=环形\n");
    Runtime runtime{Workspace(dir_.path())};
    ASSERT_TRUE(runtime.Startup());
    const auto showPath = dir_.path() / "a.mp3.tlf";
    runtime.show.layers[0].GroupID = 9100;
    TimeBlock block;
    block.start = 20.0f;
    block.end = 50.0f;
    runtime.show.blocks.push_back(block);
    runtime.show.m_bModified = true;

    RecordingPrompter no(false);
    EXPECT_FALSE(runtime.SaveShowFile(showPath, no));
    EXPECT_FALSE(std::filesystem::exists(showPath));
    RecordingPrompter yes(true);
    ASSERT_TRUE(runtime.SaveShowFile(showPath, yes));
    ASSERT_EQ(yes.questions.size(), 1u);
    EXPECT_EQ(yes.questions[0], "是否保存被修改的文件？");

    ASSERT_TRUE(runtime.LoadShowFile(showPath));
    ASSERT_EQ(runtime.show.blocks.size(), 1u);
    EXPECT_EQ(runtime.show.layers[0].name, "环形");
    EXPECT_FLOAT_EQ(runtime.show.blocks[0].end, 50.0f);
}

}  // namespace
}  // namespace velmora
