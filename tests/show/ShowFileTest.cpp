#include <gtest/gtest.h>

#include <atomic>
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
#include "show/BlockFields.h"
#include "show/ShowFile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class ShowFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("velmora_show_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path PathOf(const std::string& name) const { return dir_ / name; }
    fs::path Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
        return PathOf(name);
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static Show LoadText(const std::string& text, const Scene* scene = nullptr) {
        Profile profile;
        profile.LoadFromBytes(text);
        Show show;
        LoadShow(profile, show, scene);
        return show;
    }
    // Saves an unmodified show to show.tlf and reads the file back as a profile.
    Profile SaveAndRead(Show& show) {
        RecordingPrompter prompter;
        std::string error;
        EXPECT_TRUE(SaveShow(PathOf("show.tlf"), show, prompter, lock_, &error)) << error;
        Profile written;
        EXPECT_TRUE(written.Load(PathOf("show.tlf")));
        return written;
    }

    fs::path dir_;
    std::mutex lock_;
};

Show OneBlockShow(float start, float end) {
    Show show;
    show.Reset();
    show.blocks.emplace_back();
    show.blocks[0].start = start;
    show.blocks[0].end = end;
    return show;
}

std::vector<std::string> KeysOfSection(const std::string& text, const std::string& section) {
    std::vector<std::string> keys;
    std::istringstream in(text);
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() == '[') inside = line == "[" + section + "]";
        else if (inside && line.find('=') != std::string::npos) keys.push_back(line.substr(0, line.find('=')));
    }
    return keys;
}

TEST_F(ShowFileTest, PositionsAreWrittenAtScaleFifty) {
    Show show = OneBlockShow(1000.0f / 50.0f, 2500.0f / 50.0f);  // 1.00 s .. 2.50 s
    Profile written = SaveAndRead(show);
    EXPECT_EQ(written.GetString("TimeLine", "TB0_start", ""), "20.00");
    EXPECT_EQ(written.GetString("TimeLine", "TB0_end", ""), "50.00");

    Show atTwenty = OneBlockShow(50.0f, 125.0f);
    atTwenty.m_nScale = 20;
    written = SaveAndRead(atTwenty);
    EXPECT_EQ(atTwenty.m_nScale, 50);
    EXPECT_FLOAT_EQ(atTwenty.blocks[0].start, 20.0f);
    EXPECT_FLOAT_EQ(atTwenty.blocks[0].end, 50.0f);
    EXPECT_EQ(written.GetString("TimeLine", "TB0_start", ""), "20.00");
    EXPECT_EQ(written.GetString("TimeLine", "TB0_end", ""), "50.00");

    // The profile writer converts without touching the show.
    Show atHundred = OneBlockShow(10.0f, 12.5f);
    atHundred.m_nScale = 100;
    Profile profile;
    SaveShow(profile, atHundred);
    EXPECT_EQ(profile.GetString("TimeLine", "TB0_end", ""), "25.00");
    EXPECT_EQ(atHundred.blocks[0].end, 12.5f);
}

TEST_F(ShowFileTest, LayersAndTheirNames) {
    Scene scene;
    scene.groups.emplace_back();
    scene.groups[0].ID = 9001;
    scene.groups[0].name = "东侧跑泉";
    scene.springs.emplace_back();
    scene.springs[0].ID = 9002;
    scene.Reindex();
    const std::string text =
        "[TimeLine]\nLayerCount=6\nly0_name=stale\nly0_GroupID=9001\n"
        "ly1_GroupID=9099\n"                  // group deleted from the scene
        "ly2_GroupID=9002\nly2_type=1\n"
        "ly3_GroupID=9001\nly3_type=1\n"      // a group's ID on a spring layer
        "ly4_name=x\nly4_GroupID=9002\nly4_type=2\nly5_type=2\n";

    const Show show = LoadText(text, &scene);
    ASSERT_EQ(show.layers.size(), 6u);
    const std::vector<std::string> names = {"东侧跑泉", "", "9002", "", "PROGRAM", "PROGRAM"};
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(show.layers[i].name, names[i]) << i;
    EXPECT_EQ(show.layers[1].GroupID, 9099);
    EXPECT_EQ(show.layers[5].GroupID, -1);
    EXPECT_EQ(LoadText(text, nullptr).layers[0].name, "");
    EXPECT_EQ(LoadText(text, nullptr).layers[4].name, "PROGRAM");

    EXPECT_EQ(LoadText("[TimeLine]\nly0_GroupID=1\n").layers.size(), 200u);
    EXPECT_TRUE(LoadText("[TimeLine]\nLayerCount=-4\n").layers.empty());
    EXPECT_EQ(LoadText("[TimeLine]\nLayerCount=2147483647\n").layers.size(),
              static_cast<std::size_t>(Show::kMaxLayers));
}

TEST_F(ShowFileTest, AbsentKeysTakeTheFileDefaultsNotTheEditorOnes) {
    Show show;
    show.m_nScale = 20;
    show.m_bModified = true;
    show = LoadText("[TimeLine]\nTimeBlockCount=2\nTB1_cannel=500\nTB1_start=40\nTB1_end=10\n");
    ASSERT_EQ(show.blocks.size(), 2u);
    const TimeBlock& loaded = show.blocks[0];
    EXPECT_EQ(loaded.fFrameParam, 1.0f);
    EXPECT_EQ(loaded.nSpecicalType, -1);
    EXPECT_EQ(loaded.Program, "---");
    EXPECT_EQ(loaded.MaxValidZMotor, 360);
    EXPECT_EQ(loaded.paramMotor2, 1.0f);
    const TimeBlock fresh;  // a new block in the editor lights with the water after 100 ms
    EXPECT_EQ(loaded.bLightTogether, 0);
    EXPECT_EQ(loaded.nLightdelay, 0);
    EXPECT_EQ(loaded.nSpeed, 0.0f);
    EXPECT_NE(loaded.bLightTogether, fresh.bLightTogether);
    EXPECT_NE(loaded.nLightdelay, fresh.nLightdelay);
    EXPECT_NE(loaded.m_nSerial, show.blocks[1].m_nSerial);
    // Nothing is validated: a row beyond the layers and reversed times stay.
    EXPECT_EQ(show.blocks[1].cannel, 500);
    EXPECT_GT(show.blocks[1].start, show.blocks[1].end);
    EXPECT_EQ(show.g_fMusicMultiplier, 2.0f);
    EXPECT_EQ(show.m_nScale, 50);
    EXPECT_FALSE(show.m_bModified);
}

TEST_F(ShowFileTest, SaveQuestionAndFailedSaves) {
    Show show = OneBlockShow(1.0f, 2.0f);
    show.m_bModified = true;
    RecordingPrompter no(false);
    const fs::path existing = Write("b.tlf", "[TimeLine]\r\nTimeBlockCount=0\r\n");
    std::string error;
    EXPECT_FALSE(SaveShow(existing, show, no, lock_, &error));
    EXPECT_EQ(no.questions, std::vector<std::string>{"是否保存被修改的文件？"});
    EXPECT_EQ(Read(existing), "[TimeLine]\r\nTimeBlockCount=0\r\n");
    EXPECT_TRUE(show.m_bModified);
    EXPECT_FALSE(error.empty());

    RecordingPrompter yes(true);
    error.clear();
    EXPECT_FALSE(SaveShow(PathOf("no_such_dir") / "d.tlf", show, yes, lock_, &error));
    EXPECT_TRUE(show.m_bModified) << "nothing reached the disk";
    EXPECT_FALSE(error.empty());
    fs::create_directory(PathOf("dir.tlf"));
    EXPECT_FALSE(SaveShow(PathOf("dir.tlf"), show, yes, lock_));
    EXPECT_TRUE(fs::is_directory(PathOf("dir.tlf")));

    yes.questions.clear();
    EXPECT_TRUE(SaveShow(existing, show, yes, lock_));
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_FALSE(show.m_bModified);
    EXPECT_TRUE(SaveShow(existing, show, no, lock_)) << "an unmodified show is written without asking";
    EXPECT_EQ(no.questions.size(), 1u);
}

TEST_F(ShowFileTest, SavingWaitsForTheOutputLock) {
    Show show = OneBlockShow(10.0f, 20.0f);
    show.m_nScale = 25;
    RecordingPrompter yes;
    std::atomic<bool> done{false};
    std::unique_lock<std::mutex> held(lock_);
    std::thread saver([&] {
        SaveShow(PathOf("e.tlf"), show, yes, lock_);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done.load());
    held.unlock();
    saver.join();
    EXPECT_EQ(show.m_nScale, 50);
}

TEST_F(ShowFileTest, EveryStoredFieldRoundTrips) {
    Show show;
    show.Reset();
    show.g_fMusicMultiplier = 3.5f;
    show.layers.resize(2);
    show.layers[1] = Layer{"PROGRAM", 77, 2, 1};
    TimeBlock block;
    block.m_bLocked = 1;
    int n = 0;
    for (const BlockField& f : StoredBlockFields()) {  // a distinct non-default value per field
        ++n;
        if (f.floatMember) block.*f.floatMember = static_cast<float>(n) + 0.25f;
        if (f.intMember && !f.repeated) block.*f.intMember = 1000 + n;
        if (f.textMember) block.*f.textMember = " 文本" + std::to_string(n) + (n % 2 ? "\"" : "");
    }
    show.blocks = {block, TimeBlock{}};
    const Profile written = SaveAndRead(show);
    EXPECT_EQ(written.GetString("main", "mutiMusic", ""), "3.500000");
    EXPECT_EQ(written.GetString("TimeLine", "TB0_start", ""), "1.25");
    EXPECT_EQ(written.GetString("TimeLine", "TB1_start", ""), "0.00");

    Show loaded;
    ASSERT_TRUE(LoadShow(PathOf("show.tlf"), loaded, nullptr));
    EXPECT_EQ(loaded.g_fMusicMultiplier, 3.5f);
    ASSERT_EQ(loaded.layers.size(), 2u);
    EXPECT_EQ(loaded.layers[1].GroupID, 77);
    EXPECT_EQ(loaded.layers[1].type, 2);
    EXPECT_EQ(loaded.layers[1].m_bArmed, 0);
    ASSERT_EQ(loaded.blocks.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const TimeBlock& a = show.blocks[i];
        const TimeBlock& b = loaded.blocks[i];
        for (const BlockField& f : StoredBlockFields()) {
            if (f.floatMember) {
                EXPECT_EQ(a.*f.floatMember, b.*f.floatMember) << f.name;
            } else if (f.intMember) {
                EXPECT_EQ(a.*f.intMember, b.*f.intMember) << f.name;
            } else {
                EXPECT_EQ(a.*f.textMember, b.*f.textMember) << f.name;
            }
        }
    }
    EXPECT_EQ(loaded.blocks[0].m_bLocked, 0);
    EXPECT_NE(loaded.blocks[0].m_nSerial, block.m_nSerial);
}

TEST_F(ShowFileTest, TimeLineKeysAreWrittenInFileOrder) {
    Show show = OneBlockShow(0.0f, 1.0f);
    show.layers.resize(2);
    show.blocks[0].nInterval = 55;
    SaveAndRead(show);
    const std::string text = Read(PathOf("show.tlf"));

    std::vector<std::string> expected = {"LayerCount", "ly0_name", "ly0_GroupID", "ly0_type",
                                         "ly1_name", "ly1_GroupID", "ly1_type", "TimeBlockCount"};
    for (const char* field :
         {"start", "end", "cannel", "bRunHorse", "dirRunHorse", "IntervalRunHorse", "ForceWav", "Program",
          "nSpecicalType", "nInterval", "nTakeOrder", "nStartDrift", "nDeltaInGroup", "nBound", "nSpeed",
          "bPingpong", "nWavMax", "nWavMin", "nBound1", "nPeriod", "nPeriod1", "szMotor", "szFrame",
          "fFrameParam", "nRiseUpTime", "nCutDownTime", "MaxValidZMotor", "MinValidZMotor", "singleSection",
          "szMotor1", "singleSection1", "szMotor2", "paramMotor1", "paramMotor2", "paramMotor3", "forMotor1",
          "forMotor2", "forMotor3", "delayMotor1", "delayMotor2", "delayMotor3", "szLight", "IntervalLight",
          "nLightType", "bLightTogether", "nLightdelay", "bSystime", "sz512Light"})
        expected.push_back(std::string("TB0_") + field);
    // The second write of nInterval (after nWavMax) lands on the line the
    // first one made: the INI service writes an existing key in place.
    EXPECT_EQ(KeysOfSection(text, "TimeLine"), expected);
    EXPECT_EQ(KeysOfSection(text, "main"), std::vector<std::string>{"mutiMusic"});
    EXPECT_NE(text.find("TB0_nInterval=55\n"), std::string::npos);
}

TEST_F(ShowFileTest, KeysBeyondTheNewCountsStay) {
    const fs::path path = Write("old.tlf", "; note\n[Other]\nkeep=1\n[TimeLine]\nLayerCount=3\nly2_GroupID=5\n"
                                           "TimeBlockCount=2\nTB0_start=1.00\nTB1_start=9.00\n");
    Show show = OneBlockShow(4.0f, 5.0f);
    show.layers.resize(1);
    RecordingPrompter yes;
    ASSERT_TRUE(SaveShow(path, show, yes, lock_));
    Profile written;
    ASSERT_TRUE(written.Load(path));
    EXPECT_EQ(written.GetInt("TimeLine", "TimeBlockCount", 0), 1);
    EXPECT_EQ(written.GetString("TimeLine", "TB0_start", ""), "4.00");
    EXPECT_EQ(written.GetString("TimeLine", "TB1_start", ""), "9.00");
    EXPECT_EQ(written.GetInt("TimeLine", "ly2_GroupID", 0), 5);
    EXPECT_EQ(written.GetInt("Other", "keep", 0), 1);
    Show loaded;
    ASSERT_TRUE(LoadShow(path, loaded, nullptr));
    EXPECT_EQ(loaded.layers.size(), 1u);
    EXPECT_EQ(loaded.blocks.size(), 1u);
}

TEST_F(ShowFileTest, MissingOrUnreadableFileGivesTheEmptyShow) {
    Show show = OneBlockShow(1.0f, 2.0f);
    show.g_fMusicMultiplier = 9.0f;
    std::string error;
    EXPECT_TRUE(LoadShow(PathOf("absent.tlf"), show, nullptr, &error));
    EXPECT_EQ(show.layers.size(), 200u);
    EXPECT_TRUE(show.blocks.empty());
    EXPECT_EQ(show.g_fMusicMultiplier, 2.0f);
    EXPECT_TRUE(error.empty());

    show.blocks.resize(2);
    fs::create_directory(PathOf("folder.tlf"));
    EXPECT_FALSE(LoadShow(PathOf("folder.tlf"), show, nullptr, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(show.blocks.empty());
}

TEST_F(ShowFileTest, DamagedValuesGiveDefaultsNotCrashes) {
    const Show show = LoadText(
        "[main]\nmutiMusic=abc\n[TimeLine]\nLayerCount=2x\nTimeBlockCount=2\nTB0_start=abc\n"
        "TB0_nRiseUpTime=99999999999999\nTB0_nCutDownTime=-99999999999999\nTB0_nSpecicalType=\n"
        "TB0_fFrameParam=\nTB0_szMotor=" + std::string(100, 'm') + "\nTB1_nRiseUpTime=25ms\n");
    EXPECT_EQ(show.g_fMusicMultiplier, 0.0f);
    EXPECT_EQ(show.layers.size(), 2u);
    ASSERT_EQ(show.blocks.size(), 2u);
    EXPECT_EQ(show.blocks[0].start, 0.0f);
    // Runaway digits wrap modulo 2^32, as every integer of the files does.
    EXPECT_EQ(show.blocks[0].nRiseUpTime, 276447231);
    EXPECT_EQ(show.blocks[0].nCutDownTime, -276447231);
    EXPECT_EQ(show.blocks[0].nSpecicalType, -1);  // an empty integer takes the default
    EXPECT_EQ(show.blocks[0].fFrameParam, 0.0f);  // an empty number text reads as 0
    EXPECT_EQ(show.blocks[0].szMotor, std::string(63, 'm'));
    EXPECT_EQ(show.blocks[1].nRiseUpTime, 25);

    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
    garbage += std::string("\n[TimeLine]\nTimeBlockCount=3\n[\n=\n\0\0\n", 36);
    EXPECT_EQ(LoadText(garbage).blocks.size(), 3u);
}

}  // namespace
}  // namespace velmora
