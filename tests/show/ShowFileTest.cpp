#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "app/Profile.h"
#include "app/Prompter.h"
#include "scene/Scene.h"
#include "show/ShowFile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr const char* kQuestion = "是否保存被修改的文件？";

class ShowFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               (std::string("velmora_show_") + info->name() + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path PathOf(const std::string& name) const { return dir_ / name; }

    fs::path Write(const std::string& name, const std::string& bytes) const {
        const fs::path path = PathOf(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Loads a show from file text as the loader sees it.
    static Show LoadText(const std::string& text, const Scene* scene = nullptr) {
        Profile profile;
        profile.LoadFromBytes(text);
        Show show;
        LoadShow(profile, show, scene);
        return show;
    }

    // Saves without the question and returns the written profile.
    Profile SaveAndRead(Show& show, const std::string& name = "show.tlf") {
        RecordingPrompter prompter(true);
        std::mutex lock;
        std::string error;
        EXPECT_TRUE(SaveShow(PathOf(name), show, prompter, lock, &error)) << error;
        Profile written;
        EXPECT_TRUE(written.Load(PathOf(name)));
        return written;
    }

    fs::path dir_;
};

// Key names of the section `section` in file order (empty and comment lines skipped).
std::vector<std::string> KeysOfSection(const std::string& text, const std::string& section) {
    std::vector<std::string> keys;
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
            continue;
        }
        const auto eq = line.find('=');
        if (inside && eq != std::string::npos) keys.push_back(line.substr(0, eq));
    }
    return keys;
}

Scene SceneWithGroupAndSpring() {
    Scene scene;
    CSpringGroup group;
    group.ID = 9001;
    group.name = "东侧跑泉";
    scene.groups.push_back(group);
    CSpring spring;
    spring.ID = 9002;
    scene.springs.push_back(spring);
    scene.Reindex();
    return scene;
}

TEST_F(ShowFileTest, BlockTimesAreWrittenInFileUnits) {
    Show show;
    show.Reset();
    TimeBlock block;
    block.start = 1000.0f / 50.0f;  // 1.00 s
    block.end = 2500.0f / 50.0f;    // 2.50 s
    show.blocks.push_back(block);

    const Profile written = SaveAndRead(show);
    EXPECT_EQ(written.GetString("TimeLine", "TB0_start", ""), "20.00");
    EXPECT_EQ(written.GetString("TimeLine", "TB0_end", ""), "50.00");
}

TEST_F(ShowFileTest, SavingAtAnotherScaleRescalesTheShowFirst) {
    Show show;
    show.Reset();
    show.m_nScale = 20;
    TimeBlock block;
    block.start = 50.0f;
    block.end = 125.0f;
    show.blocks.push_back(block);

    const Profile written = SaveAndRead(show);
    EXPECT_EQ(show.m_nScale, 50);
    EXPECT_FLOAT_EQ(show.blocks[0].start, 20.0f);
    EXPECT_FLOAT_EQ(show.blocks[0].end, 50.0f);
    EXPECT_EQ(written.GetString("TimeLine", "TB0_start", ""), "20.00");
    EXPECT_EQ(written.GetString("TimeLine", "TB0_end", ""), "50.00");
}

TEST_F(ShowFileTest, ProfileWriterConvertsAShowHeldAtAnotherScale) {
    Show show;
    show.Reset();
    show.m_nScale = 100;
    TimeBlock block;
    block.start = 10.0f;
    block.end = 12.5f;
    show.blocks.push_back(block);

    Profile profile;
    SaveShow(profile, show);
    EXPECT_EQ(profile.GetString("TimeLine", "TB0_start", ""), "20.00");
    EXPECT_EQ(profile.GetString("TimeLine", "TB0_end", ""), "25.00");
    EXPECT_EQ(show.blocks[0].start, 10.0f);  // the show itself is untouched
}

TEST_F(ShowFileTest, LayerDefaultsAndCounts) {
    const Show noCount = LoadText("[TimeLine]\nly0_GroupID=9001\n");
    ASSERT_EQ(noCount.layers.size(), 200u);
    EXPECT_EQ(noCount.layers[0].GroupID, 9001);
    EXPECT_EQ(noCount.layers[1].GroupID, -1);
    EXPECT_EQ(noCount.layers[199].type, 0);

    EXPECT_EQ(LoadText("[TimeLine]\nLayerCount=3\n").layers.size(), 3u);
    EXPECT_TRUE(LoadText("[TimeLine]\nLayerCount=-4\nTimeBlockCount=-1\n").layers.empty());
    EXPECT_EQ(LoadText("[TimeLine]\nLayerCount=2147483647\n").layers.size(),
              static_cast<std::size_t>(Show::kMaxLayers));
}

TEST_F(ShowFileTest, LayerNamesAreRebuiltFromTheScene) {
    const Scene scene = SceneWithGroupAndSpring();
    const std::string text =
        "[TimeLine]\nLayerCount=7\n"
        "ly0_name=stale\nly0_GroupID=9001\nly0_type=0\n"
        "ly1_name=deleted group\nly1_GroupID=9099\nly1_type=0\n"
        "ly2_GroupID=9002\nly2_type=1\n"
        "ly3_GroupID=9001\nly3_type=1\n"  // a group's ID on a spring layer
        "ly4_name=whatever\nly4_GroupID=9002\nly4_type=2\n"
        "ly5_name=x\nly5_GroupID=-1\nly5_type=2\n"
        "ly6_name=unbound\nly6_GroupID=-1\nly6_type=0\n";

    const Show show = LoadText(text, &scene);
    ASSERT_EQ(show.layers.size(), 7u);
    EXPECT_EQ(show.layers[0].name, "东侧跑泉");
    EXPECT_EQ(show.layers[1].name, "");
    EXPECT_EQ(show.layers[1].GroupID, 9099);
    EXPECT_EQ(show.layers[2].name, "9002");
    EXPECT_EQ(show.layers[3].name, "");
    EXPECT_EQ(show.layers[4].name, "PROGRAM");
    EXPECT_EQ(show.layers[5].name, "PROGRAM");
    EXPECT_EQ(show.layers[6].name, "");

    const Show noScene = LoadText(text, nullptr);
    EXPECT_EQ(noScene.layers[0].name, "");
    EXPECT_EQ(noScene.layers[2].name, "");
    EXPECT_EQ(noScene.layers[4].name, "PROGRAM");
    EXPECT_EQ(noScene.layers[0].GroupID, 9001);
}

TEST_F(ShowFileTest, AbsentBlockKeysTakeTheFileDefaults) {
    const Show show = LoadText("[TimeLine]\nTimeBlockCount=1\n");
    ASSERT_EQ(show.blocks.size(), 1u);
    const TimeBlock& loaded = show.blocks[0];
    EXPECT_EQ(loaded.fFrameParam, 1.0f);
    EXPECT_EQ(loaded.nSpecicalType, -1);
    EXPECT_EQ(loaded.Program, "---");
    EXPECT_EQ(loaded.IntervalRunHorse, 150);
    EXPECT_EQ(loaded.MaxValidZMotor, 360);
    EXPECT_EQ(loaded.paramMotor2, 1.0f);
    EXPECT_EQ(loaded.forMotor3, 1);
    // These differ from what the editor gives a new block.
    const TimeBlock fresh;
    EXPECT_EQ(loaded.bLightTogether, 0);
    EXPECT_EQ(loaded.nLightdelay, 0);
    EXPECT_EQ(loaded.nSpeed, 0.0f);
    EXPECT_EQ(loaded.nBound, 0.0f);
    EXPECT_NE(loaded.bLightTogether, fresh.bLightTogether);
    EXPECT_NE(loaded.nLightdelay, fresh.nLightdelay);
    EXPECT_NE(loaded.nSpeed, fresh.nSpeed);
    // Music multiplier and scale of a file without them.
    EXPECT_EQ(show.g_fMusicMultiplier, 2.0f);
    EXPECT_EQ(show.m_nScale, 50);
}

TEST_F(ShowFileTest, LoadingReplacesEverythingAndDrawsSerials) {
    Show show;
    show.layers.resize(3);
    show.blocks.resize(5);
    show.m_nScale = 20;
    show.m_bModified = true;
    const std::int32_t before = TimeBlock{}.m_nSerial;

    Profile profile;
    profile.LoadFromBytes("[TimeLine]\nLayerCount=1\nTimeBlockCount=2\nTB0_cannel=500\n"
                          "TB0_start=40\nTB0_end=10\n");
    LoadShow(profile, show, nullptr);
    ASSERT_EQ(show.layers.size(), 1u);
    ASSERT_EQ(show.blocks.size(), 2u);
    EXPECT_EQ(show.m_nScale, 50);
    EXPECT_FALSE(show.m_bModified);
    EXPECT_GT(show.blocks[0].m_nSerial, before);
    EXPECT_NE(show.blocks[0].m_nSerial, show.blocks[1].m_nSerial);
    // Nothing is validated: rows beyond the layers and reversed times stay.
    EXPECT_EQ(show.blocks[0].cannel, 500);
    EXPECT_EQ(show.blocks[0].start, 40.0f);
    EXPECT_EQ(show.blocks[0].end, 10.0f);
}

TEST_F(ShowFileTest, ModifiedShowAsksBeforeSaving) {
    Show show;
    show.Reset();
    show.blocks.emplace_back();
    show.m_bModified = true;
    std::mutex lock;

    RecordingPrompter no(false);
    std::string error;
    EXPECT_FALSE(SaveShow(PathOf("a.tlf"), show, no, lock, &error));
    ASSERT_EQ(no.questions.size(), 1u);
    EXPECT_EQ(no.questions[0], kQuestion);
    EXPECT_FALSE(fs::exists(PathOf("a.tlf")));
    EXPECT_TRUE(show.m_bModified);
    EXPECT_FALSE(error.empty());

    // An existing file is left byte for byte when the question is declined.
    const fs::path existing = Write("b.tlf", "[TimeLine]\r\nTimeBlockCount=0\r\n");
    EXPECT_FALSE(SaveShow(existing, show, no, lock));
    EXPECT_EQ(Read(existing), "[TimeLine]\r\nTimeBlockCount=0\r\n");

    RecordingPrompter yes(true);
    EXPECT_TRUE(SaveShow(PathOf("a.tlf"), show, yes, lock));
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_FALSE(show.m_bModified);
    EXPECT_TRUE(fs::exists(PathOf("a.tlf")));
}

TEST_F(ShowFileTest, UnmodifiedShowIsSavedWithoutAsking) {
    Show show;
    show.Reset();
    RecordingPrompter prompter(false);
    std::mutex lock;
    EXPECT_TRUE(SaveShow(PathOf("c.tlf"), show, prompter, lock));
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_TRUE(fs::exists(PathOf("c.tlf")));
}

TEST_F(ShowFileTest, FailedWriteKeepsTheShowModified) {
    Show show;
    show.Reset();
    show.m_bModified = true;
    RecordingPrompter yes(true);
    std::mutex lock;
    std::string error;
    EXPECT_FALSE(SaveShow(PathOf("no_such_dir") / "d.tlf", show, yes, lock, &error));
    EXPECT_TRUE(show.m_bModified);
    EXPECT_FALSE(error.empty());

    // A path that exists but cannot be read as a file is not replaced.
    fs::create_directory(PathOf("dir.tlf"));
    error.clear();
    EXPECT_FALSE(SaveShow(PathOf("dir.tlf"), show, yes, lock, &error));
    EXPECT_TRUE(fs::is_directory(PathOf("dir.tlf")));
    EXPECT_TRUE(show.m_bModified);
    EXPECT_FALSE(error.empty());
}

TEST_F(ShowFileTest, SavingWaitsForTheOutputLock) {
    Show show;
    show.Reset();
    show.m_nScale = 25;
    show.blocks.emplace_back();
    show.blocks[0].start = 10.0f;
    RecordingPrompter yes(true);
    std::mutex lock;
    std::atomic<bool> done{false};

    std::unique_lock<std::mutex> held(lock);
    std::thread saver([&] {
        SaveShow(PathOf("e.tlf"), show, yes, lock);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done.load());
    held.unlock();
    saver.join();
    EXPECT_TRUE(done.load());
    std::lock_guard<std::mutex> reread(lock);
    EXPECT_EQ(show.m_nScale, 50);
}

TEST_F(ShowFileTest, EveryFieldSurvivesARoundTrip) {
    Show show;
    show.Reset();
    show.g_fMusicMultiplier = 3.5f;
    show.layers.resize(3);
    show.layers[0] = Layer{"东侧跑泉", 9001, 0, 1};
    show.layers[1] = Layer{"9002", 9002, 1, 0};
    show.layers[2] = Layer{"PROGRAM", 77, 2, 0};

    TimeBlock b;
    b.start = 10.7f;
    b.end = 123.45f;
    b.cannel = 2;
    b.bRunHorse = 1;
    b.dirRunHorse = 1;
    b.IntervalRunHorse = 250;
    b.ForceWav = -60;
    b.Program = "节目一";
    b.nSpecicalType = kActionFrame;
    b.nTakeOrder = kTakeGather;
    b.nSpeed = 7.25f;
    b.nBound = 33.5f;
    b.bPingpong = 1;
    b.nInterval = 120;
    b.nWavMax = 101;
    b.nWavMin = 11;
    b.nBound1 = -2.5f;
    b.nPeriod = 3000;
    b.nPeriod1 = 1500;
    b.nStartDrift = 40;
    b.szMotor = "正转一圈";
    b.m_bLocked = 1;
    b.szFrame = "frame a.frm";
    b.MaxValidZMotor = 270;
    b.MinValidZMotor = 90;
    b.singleSection = 3;
    b.singleSection1 = 4;
    b.szMotor1 = "反转";
    b.szMotor2 = "摆动";
    b.paramMotor1 = 0.5f;
    b.paramMotor2 = -1.25f;
    b.paramMotor3 = 2.0f;
    b.forMotor1 = 2;
    b.forMotor2 = 3;
    b.forMotor3 = 4;
    b.delayMotor1 = 100;
    b.delayMotor2 = 200;
    b.delayMotor3 = 300;
    b.szLight = "彩虹.color";
    b.IntervalLight = 500;
    b.nLightType = 1;
    b.bLightTogether = 0;
    b.nLightdelay = 35;
    b.nDeltaInGroup = 5;
    b.bSystime = 1;
    b.fFrameParam = 1.5f;
    b.nRiseUpTime = 800;
    b.nCutDownTime = 900;
    b.sz512Light = "摇头灯.csv";
    show.blocks.push_back(b);

    SaveAndRead(show);
    const Scene scene = SceneWithGroupAndSpring();
    Show loaded;
    ASSERT_TRUE(LoadShow(PathOf("show.tlf"), loaded, &scene));

    EXPECT_EQ(loaded.g_fMusicMultiplier, 3.5f);
    ASSERT_EQ(loaded.layers.size(), 3u);
    EXPECT_EQ(loaded.layers[0].name, "东侧跑泉");
    EXPECT_EQ(loaded.layers[0].GroupID, 9001);
    EXPECT_EQ(loaded.layers[0].m_bArmed, 0);
    EXPECT_EQ(loaded.layers[1].name, "9002");
    EXPECT_EQ(loaded.layers[1].type, 1);
    EXPECT_EQ(loaded.layers[2].name, "PROGRAM");
    EXPECT_EQ(loaded.layers[2].GroupID, 77);
    EXPECT_EQ(loaded.layers[2].type, 2);

    ASSERT_EQ(loaded.blocks.size(), 1u);
    const TimeBlock& r = loaded.blocks[0];
    EXPECT_EQ(r.start, 10.7f);
    EXPECT_EQ(r.end, 123.45f);
    EXPECT_EQ(r.cannel, b.cannel);
    EXPECT_EQ(r.bRunHorse, b.bRunHorse);
    EXPECT_EQ(r.dirRunHorse, b.dirRunHorse);
    EXPECT_EQ(r.IntervalRunHorse, b.IntervalRunHorse);
    EXPECT_EQ(r.ForceWav, b.ForceWav);
    EXPECT_EQ(r.Program, b.Program);
    EXPECT_EQ(r.nSpecicalType, b.nSpecicalType);
    EXPECT_EQ(r.nTakeOrder, b.nTakeOrder);
    EXPECT_EQ(r.nSpeed, b.nSpeed);
    EXPECT_EQ(r.nBound, b.nBound);
    EXPECT_EQ(r.bPingpong, b.bPingpong);
    EXPECT_EQ(r.nInterval, b.nInterval);
    EXPECT_EQ(r.nWavMax, b.nWavMax);
    EXPECT_EQ(r.nWavMin, b.nWavMin);
    EXPECT_EQ(r.nBound1, b.nBound1);
    EXPECT_EQ(r.nPeriod, b.nPeriod);
    EXPECT_EQ(r.nPeriod1, b.nPeriod1);
    EXPECT_EQ(r.nStartDrift, b.nStartDrift);
    EXPECT_EQ(r.szMotor, b.szMotor);
    EXPECT_EQ(r.m_bLocked, 0);
    EXPECT_NE(r.m_nSerial, b.m_nSerial);
    EXPECT_EQ(r.szFrame, b.szFrame);
    EXPECT_EQ(r.MaxValidZMotor, b.MaxValidZMotor);
    EXPECT_EQ(r.MinValidZMotor, b.MinValidZMotor);
    EXPECT_EQ(r.singleSection, b.singleSection);
    EXPECT_EQ(r.singleSection1, b.singleSection1);
    EXPECT_EQ(r.szMotor1, b.szMotor1);
    EXPECT_EQ(r.szMotor2, b.szMotor2);
    EXPECT_EQ(r.paramMotor1, b.paramMotor1);
    EXPECT_EQ(r.paramMotor2, b.paramMotor2);
    EXPECT_EQ(r.paramMotor3, b.paramMotor3);
    EXPECT_EQ(r.forMotor1, b.forMotor1);
    EXPECT_EQ(r.forMotor2, b.forMotor2);
    EXPECT_EQ(r.forMotor3, b.forMotor3);
    EXPECT_EQ(r.delayMotor1, b.delayMotor1);
    EXPECT_EQ(r.delayMotor2, b.delayMotor2);
    EXPECT_EQ(r.delayMotor3, b.delayMotor3);
    EXPECT_EQ(r.szLight, b.szLight);
    EXPECT_EQ(r.IntervalLight, b.IntervalLight);
    EXPECT_EQ(r.nLightType, b.nLightType);
    EXPECT_EQ(r.bLightTogether, b.bLightTogether);
    EXPECT_EQ(r.nLightdelay, b.nLightdelay);
    EXPECT_EQ(r.nDeltaInGroup, b.nDeltaInGroup);
    EXPECT_EQ(r.bSystime, b.bSystime);
    EXPECT_EQ(r.fFrameParam, b.fFrameParam);
    EXPECT_EQ(r.nRiseUpTime, b.nRiseUpTime);
    EXPECT_EQ(r.nCutDownTime, b.nCutDownTime);
    EXPECT_EQ(r.sz512Light, b.sz512Light);
}

TEST_F(ShowFileTest, FloatsAreWrittenInTheirFormats) {
    Show show;
    show.Reset();
    show.g_fMusicMultiplier = 2.0f;
    TimeBlock block;
    block.start = 10.7f;
    block.end = 10.706f;  // rounds on writing; the file holds two decimals
    block.fFrameParam = 0.1f;
    show.blocks.push_back(block);

    const Profile written = SaveAndRead(show);
    EXPECT_EQ(written.GetString("main", "mutiMusic", ""), "2.000000");
    EXPECT_EQ(written.GetString("TimeLine", "TB0_start", ""), "10.70");
    EXPECT_EQ(written.GetString("TimeLine", "TB0_end", ""), "10.71");
    EXPECT_EQ(written.GetString("TimeLine", "TB0_fFrameParam", ""), "0.100000");
    EXPECT_EQ(written.GetString("TimeLine", "TB0_nRiseUpTime", ""), "0");

    Show loaded;
    ASSERT_TRUE(LoadShow(PathOf("show.tlf"), loaded, nullptr));
    ASSERT_EQ(loaded.blocks.size(), 1u);
    EXPECT_EQ(loaded.blocks[0].start, 10.7f);
    EXPECT_EQ(loaded.blocks[0].end, 10.71f);
    // A second save writes the same text again.
    Profile again;
    SaveShow(again, loaded);
    EXPECT_EQ(again.GetString("TimeLine", "TB0_start", ""), "10.70");
    EXPECT_EQ(again.GetString("TimeLine", "TB0_end", ""), "10.71");
}

TEST_F(ShowFileTest, TimeLineKeysAreWrittenInFileOrder) {
    Show show;
    show.Reset();
    show.layers.resize(2);
    show.blocks.emplace_back();
    show.blocks[0].nInterval = 55;
    SaveAndRead(show);
    const std::string text = Read(PathOf("show.tlf"));

    EXPECT_EQ(KeysOfSection(text, "main"), std::vector<std::string>{"mutiMusic"});
    std::vector<std::string> expected = {"LayerCount", "ly0_name", "ly0_GroupID", "ly0_type",
                                         "ly1_name", "ly1_GroupID", "ly1_type", "TimeBlockCount"};
    for (const char* field :
         {"start", "end", "cannel", "bRunHorse", "dirRunHorse", "IntervalRunHorse", "ForceWav", "Program",
          "nSpecicalType", "nInterval", "nTakeOrder", "nStartDrift", "nDeltaInGroup", "nBound", "nSpeed",
          "bPingpong", "nWavMax", "nWavMin", "nBound1", "nPeriod", "nPeriod1", "szMotor", "szFrame",
          "fFrameParam", "nRiseUpTime", "nCutDownTime", "MaxValidZMotor", "MinValidZMotor", "singleSection",
          "szMotor1", "singleSection1", "szMotor2", "paramMotor1", "paramMotor2", "paramMotor3", "forMotor1",
          "forMotor2", "forMotor3", "delayMotor1", "delayMotor2", "delayMotor3", "szLight", "IntervalLight",
          "nLightType", "bLightTogether", "nLightdelay", "bSystime", "sz512Light"}) {
        expected.push_back(std::string("TB0_") + field);
    }
    // The second write of TB0_nInterval (after nWavMax) lands on the key the
    // first one created, as the profile service writes a key in place.
    EXPECT_EQ(KeysOfSection(text, "TimeLine"), expected);
    EXPECT_NE(text.find("TB0_nInterval=55\n"), std::string::npos);
}

TEST_F(ShowFileTest, KeysBeyondTheNewCountsStay) {
    const fs::path path = Write("old.tlf",
                                "; hand note\n[Other]\nkeep=1\n[TimeLine]\nLayerCount=3\nly2_GroupID=5\n"
                                "TimeBlockCount=2\nTB0_start=1.00\nTB1_start=9.00\nTB1_szMotor=old\n");
    Show show;
    show.Reset();
    show.layers.resize(1);
    show.blocks.emplace_back();
    show.blocks[0].start = 4.0f;
    RecordingPrompter yes(true);
    std::mutex lock;
    ASSERT_TRUE(SaveShow(path, show, yes, lock));

    Profile written;
    ASSERT_TRUE(written.Load(path));
    EXPECT_EQ(written.GetInt("TimeLine", "LayerCount", 0), 1);
    EXPECT_EQ(written.GetInt("TimeLine", "TimeBlockCount", 0), 1);
    EXPECT_EQ(written.GetString("TimeLine", "TB0_start", ""), "4.00");
    EXPECT_EQ(written.GetString("TimeLine", "TB1_start", ""), "9.00");
    EXPECT_EQ(written.GetString("TimeLine", "TB1_szMotor", ""), "old");
    EXPECT_EQ(written.GetInt("TimeLine", "ly2_GroupID", 0), 5);
    EXPECT_EQ(written.GetInt("Other", "keep", 0), 1);
    EXPECT_NE(Read(path).find("; hand note"), std::string::npos);

    Show loaded;
    ASSERT_TRUE(LoadShow(path, loaded, nullptr));
    EXPECT_EQ(loaded.layers.size(), 1u);
    EXPECT_EQ(loaded.blocks.size(), 1u);
}

TEST_F(ShowFileTest, MissingOrUnreadableFileGivesTheEmptyShow) {
    Show show;
    show.layers.resize(2);
    show.blocks.resize(2);
    show.g_fMusicMultiplier = 9.0f;
    show.m_bModified = true;
    std::string error;
    EXPECT_TRUE(LoadShow(PathOf("absent.tlf"), show, nullptr, &error));
    EXPECT_EQ(show.layers.size(), 200u);
    EXPECT_TRUE(show.blocks.empty());
    EXPECT_EQ(show.g_fMusicMultiplier, 2.0f);
    EXPECT_EQ(show.m_nScale, 50);
    EXPECT_FALSE(show.m_bModified);
    EXPECT_TRUE(error.empty());

    show.blocks.resize(2);
    fs::create_directory(PathOf("folder.tlf"));
    EXPECT_FALSE(LoadShow(PathOf("folder.tlf"), show, nullptr, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(show.layers.size(), 200u);
    EXPECT_TRUE(show.blocks.empty());
}

TEST_F(ShowFileTest, TextsAreCutAndKeptWhole) {
    std::string longName;
    for (int i = 0; i < 30; ++i) longName += "喷";  // 90 bytes
    const Show show = LoadText("[TimeLine]\nTimeBlockCount=1\nTB0_szMotor=" + longName +
                               "\nTB0_Program=" + std::string(100, 'p') + "\n");
    ASSERT_EQ(show.blocks.size(), 1u);
    EXPECT_EQ(show.blocks[0].szMotor, longName.substr(0, 63));  // 21 whole characters
    EXPECT_EQ(show.blocks[0].Program, std::string(63, 'p'));
}

TEST_F(ShowFileTest, TextsWithBlanksOrQuotesRoundTrip) {
    Show show;
    show.Reset();
    show.blocks.emplace_back();
    show.blocks[0].szMotor = " lead";
    show.blocks[0].szFrame = "\"quoted\"";
    show.blocks[0].szLight = "tail\t";
    show.blocks[0].Program = "it's";
    SaveAndRead(show);

    Show loaded;
    ASSERT_TRUE(LoadShow(PathOf("show.tlf"), loaded, nullptr));
    ASSERT_EQ(loaded.blocks.size(), 1u);
    EXPECT_EQ(loaded.blocks[0].szMotor, " lead");
    EXPECT_EQ(loaded.blocks[0].szFrame, "\"quoted\"");
    EXPECT_EQ(loaded.blocks[0].szLight, "tail\t");
    EXPECT_EQ(loaded.blocks[0].Program, "it's");
}

TEST_F(ShowFileTest, LegacyEncodedFileLoadsAndKeepsItsEncoding) {
    // GB18030 bytes of "正转" and "节目一", CRLF line ends, as the Windows program wrote them.
    const std::string legacy =
        "[main]\r\nmutiMusic=4.000000\r\n[TimeLine]\r\nLayerCount=1\r\nTimeBlockCount=1\r\n"
        "TB0_szMotor=\xd5\xfd\xd7\xaa\r\nTB0_Program=\xbd\xda\xc4\xbf\xd2\xbb\r\n";
    const fs::path path = Write("legacy.tlf", legacy);
    Show show;
    ASSERT_TRUE(LoadShow(path, show, nullptr));
    ASSERT_EQ(show.blocks.size(), 1u);
    EXPECT_EQ(show.blocks[0].szMotor, "正转");
    EXPECT_EQ(show.blocks[0].Program, "节目一");
    EXPECT_EQ(show.g_fMusicMultiplier, 4.0f);

    RecordingPrompter yes(true);
    std::mutex lock;
    ASSERT_TRUE(SaveShow(path, show, yes, lock));
    const std::string written = Read(path);
    EXPECT_NE(written.find("TB0_szMotor=\xd5\xfd\xd7\xaa\r\n"), std::string::npos);
}

TEST_F(ShowFileTest, DamagedValuesGiveDefaultsNotCrashes) {
    const Show show = LoadText(
        "[main]\nmutiMusic=abc\n[TimeLine]\nLayerCount=2x\nTimeBlockCount=2\n"
        "TB0_start=abc\nTB0_end=1e999\nTB0_nRiseUpTime=99999999999999\nTB0_nCutDownTime=-99999999999999\n"
        "TB0_nSpecicalType=\nTB0_fFrameParam=\nTB0_cannel=12abc\nTB1_nRiseUpTime=25ms\n");
    EXPECT_EQ(show.g_fMusicMultiplier, 0.0f);
    EXPECT_EQ(show.layers.size(), 2u);
    ASSERT_EQ(show.blocks.size(), 2u);
    EXPECT_EQ(show.blocks[0].start, 0.0f);
    EXPECT_TRUE(std::isinf(show.blocks[0].end));
    EXPECT_EQ(show.blocks[0].nRiseUpTime, 2147483647);
    EXPECT_EQ(show.blocks[0].nCutDownTime, -2147483647 - 1);
    EXPECT_EQ(show.blocks[0].nSpecicalType, -1);  // an empty integer value takes the default
    EXPECT_EQ(show.blocks[0].fFrameParam, 0.0f);  // an empty text value is a text: 0
    EXPECT_EQ(show.blocks[0].cannel, 12);
    EXPECT_EQ(show.blocks[1].nRiseUpTime, 25);

    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
    garbage += std::string("\n[TimeLine]\nTimeBlockCount=3\n[\n=\n===\n\0\0\n", 40);
    const Show noise = LoadText(garbage);
    EXPECT_EQ(noise.blocks.size(), 3u);
    EXPECT_EQ(noise.layers.size(), 200u);
}

}  // namespace
}  // namespace velmora
