#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "EngineFiles.h"
#include "app/Log.h"
#include "app/Profile.h"
#include "app/Prompter.h"
#include "engine/AssetCaches.h"
#include "engine/FrameAnimationFile.h"
#include "app/TextEncoding.h"
#include "scene/Scene.h"
#include "show/ShowFile.h"

namespace velmora {
namespace {

using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteMotor;

const MotorBlock_struct kMove{kMotorMove, 1000, 4000, 0, 0};

class AssetCachesTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousLog_ = GetLogPath();
        log_ = dir_.Write("FountainLog.log", "");
        SetLogPath(log_);
    }
    void TearDown() override { SetLogPath(previousLog_); }

    ScratchDir dir_;
    RecordingPrompter prompter_;
    AssetCaches caches_{Workspace(dir_.path()), &prompter_};
    std::filesystem::path log_;
    std::filesystem::path previousLog_;
};

TEST_F(AssetCachesTest, EachNameIsParsedOnce) {
    WriteMotor(dir_, "a.motor", {kMove}, 250);
    dir_.Write("Color/c.color", "[Main]\nNum=1\ncolor1=255\n");
    const auto first = caches_.FindMotorProgram("a.motor");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->m_nInterval, 250);
    EXPECT_EQ(first->m_szName, "a.motor");
    EXPECT_EQ(caches_.FindMotorProgram("a.motor"), first);
    EXPECT_EQ(caches_.FindColourSequence("c.color"), caches_.FindColourSequence("c.color"));
    EXPECT_EQ(caches_.filesParsed(), 2u);
    // Names are keys as stored: another spelling is another entry (same file).
    EXPECT_NE(caches_.FindMotorProgram("A.MOTOR"), first);
    EXPECT_EQ(caches_.filesParsed(), 3u);
}

// A legacy show counts its 64-byte text limit in GB18030 bytes: a 46-byte
// name is whole, although its UTF-8 form (66 bytes) is not.
TEST_F(AssetCachesTest, ALegacyShowsLongChineseMotorNameComesBackWholeAndFindsItsFile) {
    std::string name;
    for (int i = 0; i < 10; ++i) name += "喷泉";
    name += ".motor";
    WriteMotor(dir_, name, {kMove});
    std::string show = "[TimeLine]\r\nTimeBlockCount=2\r\nTB0_szMotor=" + name + "\r\nTB1_szMotor=" + name + name +
                       "\r\n";
    std::string legacy;
    ASSERT_TRUE(EncodeGb18030(show, legacy));
    ASSERT_EQ(Gb18030CutPoint(name, 64), name.size());
    Show loaded;
    ASSERT_TRUE(LoadShow(dir_.Write("legacy.tlf", legacy), loaded, nullptr));
    ASSERT_EQ(loaded.blocks.size(), 2u);
    EXPECT_EQ(loaded.blocks[0].szMotor, name);
    EXPECT_TRUE(caches_.FindMotorProgram(loaded.blocks[0].szMotor));
    // 92 GB18030 bytes are cut to the 63 that fit, between two characters.
    std::string cut;
    ASSERT_TRUE(EncodeGb18030(loaded.blocks[1].szMotor, cut));
    EXPECT_EQ(cut.size(), 62u);  // 46 + 喷泉喷泉喷泉喷泉 (16)
    EXPECT_EQ(loaded.blocks[1].szMotor, name + "喷泉喷泉喷泉喷泉");

    // A UTF-8 file keeps UTF-8 byte limits: 63 bytes end before the character that would split.
    Show utf8;
    ASSERT_TRUE(LoadShow(dir_.Write("utf8.tlf", show), utf8, nullptr));
    EXPECT_EQ(utf8.blocks[0].szMotor, name.substr(0, 60) + ".mo");
}

TEST_F(AssetCachesTest, MissingMotorAndFrameCacheNothingMissingColourCachesEmpty) {
    std::uint32_t now = 5000;
    caches_.SetClock([&now] { return now; });
    EXPECT_FALSE(caches_.FindMotorProgram("later.motor"));
    EXPECT_FALSE(caches_.FindFrameAnimation("later.frm"));
    WriteMotor(dir_, "later.motor", {kMove});
    FrameComplierCache frame;
    frame.m_pPages.resize(1);
    dir_.Write("Frame/later.frm", SerializeFrameFile(frame));
    now += AssetCaches::kRetryMissingMs;
    EXPECT_TRUE(caches_.FindMotorProgram("later.motor"));
    EXPECT_TRUE(caches_.FindFrameAnimation("later.frm"));

    const auto colours = caches_.FindColourSequence("later.color");
    ASSERT_TRUE(colours);
    EXPECT_TRUE(colours->m_listColours.empty());
    dir_.Write("Color/later.color", "[Main]\nNum=1\n");
    EXPECT_TRUE(caches_.FindColourSequence("later.color")->m_listColours.empty());  // not re-read at once
    now += AssetCaches::kRetryMissingMs;
    EXPECT_EQ(caches_.FindColourSequence("later.color")->m_listColours.size(), 1u);  // found once there
    EXPECT_FALSE(caches_.FindMotorProgram(""));
    EXPECT_TRUE(prompter_.messages.empty());
}

// The engine asks for a block's program for every member on every tick; a
// missing file is probed at most once a second, and found once it is there.
TEST_F(AssetCachesTest, MissingFileIsProbedAtMostOnceASecond) {
    std::uint32_t now = 0xFFFFFF00u;  // the 32-bit clock wraps during the test
    caches_.SetClock([&now] { return now; });
    for (int tick = 0; tick < 50; ++tick) {
        EXPECT_FALSE(caches_.FindMotorProgram("m.motor"));
        EXPECT_FALSE(caches_.FindFrameAnimation("f.frm"));
        now += 10;
    }
    EXPECT_EQ(caches_.filesParsed(), 2u);

    WriteMotor(dir_, "m.motor", {kMove});
    FrameComplierCache frame;
    frame.m_pPages.resize(2);
    dir_.Write("Frame/f.frm", SerializeFrameFile(frame));
    now = 0xFFFFFF00u + AssetCaches::kRetryMissingMs - 1;  // one millisecond short, across the wrap
    EXPECT_FALSE(caches_.FindMotorProgram("m.motor"));
    EXPECT_FALSE(caches_.FindFrameAnimation("f.frm"));
    EXPECT_EQ(caches_.filesParsed(), 2u);
    ++now;
    const auto program = caches_.FindMotorProgram("m.motor");
    ASSERT_TRUE(program);
    EXPECT_EQ(program->m_listSteps.size(), 1u);
    ASSERT_TRUE(caches_.FindFrameAnimation("f.frm"));
    EXPECT_EQ(caches_.FindFrameAnimation("f.frm")->m_pPages.size(), 2u);
    EXPECT_EQ(caches_.filesParsed(), 4u);

    // A file with no steps (Num=0) fails like a missing one, and is remembered.
    dir_.Write("motor/empty.motor", "[Main]\nNum=0\n");
    EXPECT_FALSE(caches_.FindMotorProgram("empty.motor"));
    EXPECT_FALSE(caches_.FindMotorProgram("empty.motor"));
    EXPECT_EQ(caches_.filesParsed(), 5u);
}

TEST_F(AssetCachesTest, RemovalAndRefreshForgetAFailureAtOnce) {
    std::uint32_t now = 100;
    caches_.SetClock([&now] { return now; });
    EXPECT_FALSE(caches_.FindMotorProgram("a.motor"));
    EXPECT_FALSE(caches_.FindFrameAnimation("a.frm"));
    EXPECT_FALSE(caches_.FindMotorProgram("b.motor"));
    WriteMotor(dir_, "a.motor", {kMove});
    WriteMotor(dir_, "b.motor", {kMove, kMove});
    FrameComplierCache frame;
    frame.m_pPages.resize(1);
    dir_.Write("Frame/a.frm", SerializeFrameFile(frame));

    // The operator edits a block: its program is dropped, failure included.
    caches_.RemoveMotorProgram("a.motor");
    caches_.RemoveFrameAnimation("a.frm");
    EXPECT_TRUE(caches_.FindMotorProgram("a.motor"));
    EXPECT_TRUE(caches_.FindFrameAnimation("a.frm"));
    EXPECT_FALSE(caches_.FindMotorProgram("b.motor"));  // still remembered
    caches_.ForgetFailedLookups();
    ASSERT_TRUE(caches_.FindMotorProgram("b.motor"));
    EXPECT_EQ(caches_.FindMotorProgram("b.motor")->m_listSteps.size(), 2u);
}

// An unreadable frame file is logged when it starts failing, not at every re-probe.
TEST_F(AssetCachesTest, UnreadableFrameIsLoggedOnceWhileItKeepsFailing) {
    std::uint32_t now = 0;
    caches_.SetClock([&now] { return now; });
    dir_.Write("Frame/bad.frm", "no frame here");
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(caches_.FindFrameAnimation("bad.frm"));
        now += AssetCaches::kRetryMissingMs;
    }
    EXPECT_EQ(caches_.filesParsed(), 5u);
    const std::string log = ReadAll(log_);
    std::size_t lines = 0;
    for (std::size_t at = log.find("bad.frm"); at != std::string::npos; at = log.find("bad.frm", at + 1)) ++lines;
    EXPECT_EQ(lines, 1u) << log;
}

TEST_F(AssetCachesTest, UnmatchedLoopIsToldAndTheRecordKept) {
    WriteMotor(dir_, "bad.motor", {kMove, {kMotorLoopEnd, 0, 0, 0, 0}, kMove});
    const auto program = caches_.FindMotorProgram("bad.motor");
    ASSERT_TRUE(program);
    EXPECT_EQ(program->m_listSteps.size(), 3u);
    EXPECT_EQ(prompter_.messages, (std::vector<std::string>{"Complier ERROR!"}));
    caches_.FindMotorProgram("bad.motor");
    EXPECT_EQ(prompter_.messages.size(), 1u);  // told once, when read
}

TEST_F(AssetCachesTest, RemovedRecordStaysValidForItsHolderAndIsReRead) {
    WriteMotor(dir_, "m.motor", {kMove});
    const auto held = caches_.FindMotorProgram("m.motor");
    WriteMotor(dir_, "m.motor", {kMove, kMove});
    EXPECT_EQ(caches_.FindMotorProgram("m.motor")->m_listSteps.size(), 1u);
    caches_.RemoveMotorProgram("m.motor");
    const auto fresh = caches_.FindMotorProgram("m.motor");
    EXPECT_EQ(fresh->m_listSteps.size(), 2u);
    EXPECT_EQ(held->m_listSteps.size(), 1u);  // the old record is still whole

    FrameComplierCache frame;
    frame.m_nDefaultDuration = 10;
    dir_.Write("Frame/f.frm", SerializeFrameFile(frame));
    EXPECT_EQ(caches_.FindFrameAnimation("f.frm")->m_nDefaultDuration, 10);
    frame.m_nDefaultDuration = 20;
    dir_.Write("Frame/f.frm", SerializeFrameFile(frame));
    caches_.RemoveFrameAnimation("f.frm");
    EXPECT_EQ(caches_.FindFrameAnimation("f.frm")->m_nDefaultDuration, 20);
}

TEST_F(AssetCachesTest, Light512MessagesLogLinesAndRefresh) {
    EXPECT_FALSE(caches_.FindLight512Table("none.csv"));
    dir_.Write("512Light/one.csv", "header\n");
    EXPECT_FALSE(caches_.FindLight512Table("one.csv"));
    EXPECT_EQ(prompter_.messages, (std::vector<std::string>{"打开文件失败！", "格式不满足要求"}));
    // Asked again at once (a show naming it in many blocks): no new message, no new read.
    const std::size_t parsed = caches_.filesParsed();
    EXPECT_FALSE(caches_.FindLight512Table("one.csv"));
    EXPECT_EQ(prompter_.messages.size(), 2u);
    EXPECT_EQ(caches_.filesParsed(), parsed);
    const std::string log = ReadAll(log_);
    EXPECT_NE(log.find(" 3\n"), std::string::npos);
    EXPECT_NE(log.find(" LoadLight512\n"), std::string::npos);
    EXPECT_NE(log.find(" 4\n"), std::string::npos);
    EXPECT_LT(log.find(" 3\n"), log.find(" LoadLight512\n"));
    EXPECT_LT(log.find(" LoadLight512\n"), log.find(" 4\n"));

    dir_.Write("512Light/t.csv", "n,100\n1;1\n");
    const auto held = caches_.FindLight512Table("t.csv");
    ASSERT_TRUE(held);
    dir_.Write("512Light/t.csv", "n,100,200\n1;1\n");
    EXPECT_EQ(caches_.FindLight512Table("t.csv")->ColumnCount(), 1u);
    caches_.ClearLight512Cache();
    EXPECT_EQ(caches_.FindLight512Table("t.csv")->ColumnCount(), 2u);
    dir_.Write("512Light/one.csv", "header,1\n");  // mended and refreshed: read again
    EXPECT_TRUE(caches_.FindLight512Table("one.csv"));
    EXPECT_EQ(held->ColumnCount(), 1u);
}

TEST_F(AssetCachesTest, NamesStayInsideTheirFolderAndFoldersMatchAnyCase) {
    dir_.Write("Motor/Up.Motor", testing::MotorText({kMove}));
    EXPECT_TRUE(caches_.FindMotorProgram("up.motor"));  // "motor" folder and file found in any case
    EXPECT_TRUE(caches_.FindMotorProgram("C:\\show\\motor\\up.motor"));  // stored path: its file part
    dir_.Write("secret.motor", testing::MotorText({kMove}));
    EXPECT_FALSE(caches_.FindMotorProgram("../secret.motor"));
    EXPECT_FALSE(caches_.FindMotorProgram(".."));
    EXPECT_FALSE(caches_.FindMotorProgram("sub/.."));
    EXPECT_EQ(caches_.MotorPath("../../etc/passwd").parent_path(), dir_.path() / "Motor");
}

TEST_F(AssetCachesTest, ConcurrentLookupsParseOnceAndShareOneRecord) {
    WriteMotor(dir_, "shared.motor", {kMove, kMove, kMove});
    std::vector<std::thread> threads;
    std::vector<std::shared_ptr<const MotorComplierCache>> seen(8);
    std::atomic<bool> go{false};
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!go) std::this_thread::yield();
            for (int n = 0; n < 200; ++n) {
                seen[i] = caches_.FindMotorProgram("shared.motor");
                if (i % 2 == 1 && n % 50 == 0) caches_.RemoveMotorProgram("shared.motor");
                caches_.FindColourSequence("x.color");
            }
        });
    }
    go = true;
    for (auto& t : threads) t.join();
    for (const auto& record : seen) {
        ASSERT_TRUE(record);
        EXPECT_EQ(record->m_listSteps.size(), 3u);
    }
    // One colour parse; motor parses bounded by the removals made.
    EXPECT_LE(caches_.filesParsed(), 1u + 1u + 4u * 4u);
}

TEST_F(AssetCachesTest, ProgramsComeFromTheSceneListWithFolderFallback) {
    const std::string selfShow =
        "[TimeLine]\nLayerCount=1\nly0_type=2\nTimeBlockCount=1\nTB0_Program=loop.prog\nTB0_end=40\n";
    dir_.Write("Program/loop.prog", "");
    dir_.Write("Program/loop.prog.tlf", selfShow);
    dir_.Write("elsewhere/direct.prog", "");
    dir_.Write("elsewhere/direct.prog.tlf", "[TimeLine]\nLayerCount=3\n");
    dir_.Write("Program/noshow.prog", "");
    Profile scene;
    scene.LoadFromBytes(
        "[ProgramList]\nProgramCount=5\npro0_path=D:\\old\\site\\Program\\loop.prog\npro1_path=gone.prog\n"
        "pro2_path=elsewhere\\direct.prog\npro3_path=noshow.prog\n");
    caches_.FillProgramCache(scene, Scene{});

    const auto loop = caches_.FindProgram("loop.prog");
    ASSERT_TRUE(loop);
    ASSERT_EQ(loop->m_listBlocks.size(), 1u);
    EXPECT_EQ(loop->m_listBlocks[0].Program, "loop.prog");  // names itself: loaded once, no recursion
    EXPECT_EQ(loop->m_listLayers[0].name, "PROGRAM");
    ASSERT_TRUE(caches_.FindProgram("direct.prog"));
    EXPECT_EQ(caches_.FindProgram("direct.prog")->m_listLayers.size(), 3u);
    ASSERT_TRUE(caches_.FindProgram("noshow.prog"));
    EXPECT_EQ(caches_.FindProgram("noshow.prog")->m_listLayers.size(), 200u);  // a missing show is the empty show
    EXPECT_FALSE(caches_.FindProgram("gone.prog"));
    EXPECT_FALSE(caches_.FindProgram("---"));
}

}  // namespace
}  // namespace velmora
