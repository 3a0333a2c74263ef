#include "scene/SceneFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/Log.h"
#include "app/Profile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class SceneFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("velmora_scene_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path File(const char* name) const { return dir_ / name; }

    static void Write(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static Scene FromText(const std::string& text, const SceneLimits& limits = {}) {
        Profile profile;
        profile.LoadFromBytes(text);
        Scene scene;
        LoadScene(profile, scene, limits);
        return scene;
    }

    fs::path dir_;
};

// Key names of the [main] section, in the order they appear in the text.
std::vector<std::string> KeysOf(const std::string& text) {
    std::vector<std::string> keys;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
    }
    return keys;
}

std::string ValueOf(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "<absent>";
}

// The stored fields of each record, for comparison in one step.
auto Stored(const SceneSettings& s) {
    return std::tie(s.BGBMP, s.g_nPrepareTime, s.g_fGravity, s.g_nParticleCount, s.g_nPulsePerRoundZ,
                    s.g_nPulsePerRoundY, s.g_nSystemInterval, s.g_strLight);
}
auto Stored(const CSpring& p) {
    return std::tie(p.x, p.y, p.ID, p.COMID, p.ADDR, p.COMID1, p.BLOCKID, p.BLOCKID1, p.ORGANGLEY, p.BLOCKID2,
                    p.BLOCKID3, p.COMID2, p.COMID3, p.BLOCKID_L, p.COMID_L);
}
auto Stored(const CSpringGroup& g) {
    return std::tie(g.color, g.name, g.BLOCKID, g.COMID, g.nPreTime, g.bMannual, g.ID, g.bSpecialBTN,
                    g.childCount, g.initX, g.initY, g.children);
}
auto Stored(const ChannelInfo& c) {
    return std::tie(c.IP, c.port, c.regType, c.tagNum, c.deviceID, c.nStartNum, c.nPrevChannel, c.nPrevTail);
}

void ExpectDefaultScene(const Scene& scene) {
    EXPECT_TRUE(scene.springs.empty());
    EXPECT_TRUE(scene.groups.empty());
    const SceneSettings& s = scene.settings;
    EXPECT_EQ(Stored(s), std::make_tuple("", 0, 5.0f, 20, 8000, 5000, 2000, ""));
    EXPECT_EQ(scene.m_nNextID, 9001);
    for (const ChannelInfo& ch : scene.g_Channels) {
        EXPECT_EQ(Stored(ch), std::make_tuple("0.0.0.0", 102, 1, 30, 1, 1, -1, -1));
    }
}

void ExpectSameStoredFields(const Scene& a, const Scene& b) {
    EXPECT_EQ(Stored(a.settings), Stored(b.settings));
    EXPECT_EQ(a.m_nNextID, b.m_nNextID);
    ASSERT_EQ(a.springs.size(), b.springs.size());
    for (std::size_t i = 0; i < a.springs.size(); ++i) EXPECT_EQ(Stored(a.springs[i]), Stored(b.springs[i])) << i;
    ASSERT_EQ(a.groups.size(), b.groups.size());
    for (std::size_t g = 0; g < a.groups.size(); ++g) EXPECT_EQ(Stored(a.groups[g]), Stored(b.groups[g])) << g;
    for (std::size_t c = 0; c < a.g_Channels.size(); ++c) {
        EXPECT_EQ(Stored(a.g_Channels[c]), Stored(b.g_Channels[c])) << c;
    }
}

// A scene that sets every stored field to something other than its default.
Scene PopulatedScene() {
    Scene scene;
    scene.settings.BGBMP = "D:\\喷泉\\背景.bmp";
    scene.settings.g_nPrepareTime = -1500;
    scene.settings.g_fGravity = 7.25f;
    scene.settings.g_nParticleCount = 64;
    scene.settings.g_nPulsePerRoundZ = 12000;
    scene.settings.g_nPulsePerRoundY = 3600;
    scene.settings.g_nSystemInterval = 750;
    scene.settings.g_strLight = "彩虹.color";
    scene.m_nNextID = 9123;
    for (int i = 0; i < 3; ++i) {
        CSpring sp;
        sp.x = 100 * i - 40;
        sp.y = 20 + i;
        sp.ID = 9001 + i;
        sp.COMID = std::to_string(i + 1);
        sp.ADDR = "北岸 " + std::to_string(i);
        sp.COMID1 = "4;" + std::to_string(i);
        sp.BLOCKID = 2 + i;
        sp.BLOCKID1 = 100;
        sp.ORGANGLEY = -33.5f + static_cast<float>(i);
        sp.BLOCKID2 = 0;
        sp.BLOCKID3 = -1;
        sp.COMID2 = "11";
        sp.COMID3 = "16";
        sp.BLOCKID_L = 7;
        sp.COMID_L = "3;170";
        sp.m_nOutLevel = 99;  // run-time only: must not come back
        scene.springs.push_back(sp);
    }
    CSpringGroup a;
    a.color = MakeColour(0x12, 0x34, 0x56);
    a.name = "中心喷泉组";
    a.BLOCKID = 9;
    a.COMID = "8;15";
    a.nPreTime = 250;
    a.bMannual = 1;
    a.ID = 9010;
    a.bSpecialBTN = 1;
    a.childCount = 3;
    a.children[0] = 9002;
    a.children[1] = 9001;
    a.children[2] = 4711;  // names no spring; kept all the same
    a.initX = 3;
    a.initY = 1;
    CSpringGroup b;
    b.color = 0xFFFFFFFFu;
    b.name = "--";
    b.ID = 9011;
    scene.groups = {a, b};
    scene.g_Channels[0].IP = "192.168.1.201";
    scene.g_Channels[0].port = 502;
    scene.g_Channels[0].regType = 3;
    scene.g_Channels[0].tagNum = 256;
    scene.g_Channels[0].deviceID = 17;
    scene.g_Channels[0].nStartNum = 40001;
    scene.g_Channels[0].nPrevChannel = 2;
    scene.g_Channels[0].nPrevTail = 5;
    scene.g_Channels[99].IP = "10.0.0.99";
    scene.g_Channels[99].tagNum = 0;
    scene.Reindex();
    return scene;
}

TEST_F(SceneFileTest, MissingFileGivesTheDefaultScene) {
    Scene scene;
    std::string error;
    EXPECT_TRUE(LoadScene(File("none.ini"), scene, &error)) << error;
    EXPECT_TRUE(error.empty()) << error;
    ExpectDefaultScene(scene);
}

TEST_F(SceneFileTest, BinaryGarbageGivesTheDefaultScene) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
    garbage += std::string("\0\xff\xfe[main\r\n\x80=\x81\n", 14);
    ExpectDefaultScene(FromText(garbage));

    Write(File("spring.ini"), garbage);
    Scene scene;
    EXPECT_TRUE(LoadScene(File("spring.ini"), scene));
    ExpectDefaultScene(scene);
}

TEST_F(SceneFileTest, SpringsWithoutKeysTakeTheLoaderDefaults) {
    const Scene scene = FromText("[main]\ncount=2\nsp0_x=40\n");
    ASSERT_EQ(scene.springs.size(), 2u);
    EXPECT_EQ(scene.springs[0].x, 40);
    const CSpring& sp = scene.springs[1];
    EXPECT_EQ(sp.x, 0);
    EXPECT_EQ(sp.y, 0);
    EXPECT_EQ(sp.ID, -1);
    // Channel 1 for every output, but with empty addresses none is connected.
    for (const std::int32_t channel : {sp.BLOCKID, sp.BLOCKID1, sp.BLOCKID2, sp.BLOCKID3, sp.BLOCKID_L}) {
        EXPECT_EQ(channel, 1);
    }
    for (const std::string* text : {&sp.COMID, &sp.COMID1, &sp.COMID2, &sp.COMID3, &sp.COMID_L, &sp.ADDR}) {
        EXPECT_TRUE(text->empty());
    }
    EXPECT_EQ(sp.ORGANGLEY, 0.0f);
    // Run-time members keep the constructor's values.
    EXPECT_EQ(sp.m_nManualOn, -1);
    EXPECT_EQ(sp.m_nSize, 10);
    EXPECT_EQ(sp.m_nSeqY, 123u);
}

TEST_F(SceneFileTest, GroupsWithoutKeysTakeTheLoaderDefaults) {
    const Scene scene = FromText("[main]\nGroupCount=1\nGP0_childCount=3\nGP0_child1=9005\n");
    ASSERT_EQ(scene.groups.size(), 1u);
    const CSpringGroup& gp = scene.groups[0];
    EXPECT_EQ(gp.color, 65280u);
    EXPECT_EQ(gp.name, "--");
    EXPECT_EQ(gp.ID, 9001);
    EXPECT_EQ(gp.BLOCKID, -1);
    EXPECT_TRUE(gp.COMID.empty());
    EXPECT_EQ(gp.childCount, 3);
    EXPECT_EQ(gp.children[0], -1);
    EXPECT_EQ(gp.children[1], 9005);
    EXPECT_EQ(gp.children[2], -1);
    EXPECT_EQ(gp.children[3], 0);  // unused entries stay as constructed
    EXPECT_EQ(gp.m_nManualState, -1);
}

TEST_F(SceneFileTest, GravityKeepsItsFraction) {
    EXPECT_EQ(FromText("[main]\ngraParam=7.5\n").settings.g_fGravity, 7.5f);
    EXPECT_EQ(FromText("[main]\ngraParam=9.810000\n").settings.g_fGravity, 9.81f);
    EXPECT_EQ(FromText("[main]\ngraParam=-2\n").settings.g_fGravity, -2.0f);
    EXPECT_EQ(FromText("[main]\ngraParam=abc\n").settings.g_fGravity, 0.0f);
    // Empty, unrepresentable or not finite: the default.
    EXPECT_EQ(FromText("[main]\ngraParam=\n").settings.g_fGravity, 5.0f);
    EXPECT_EQ(FromText("[main]\ngraParam=1e99\n").settings.g_fGravity, 5.0f);
    EXPECT_EQ(FromText("[main]\ngraParam=inf\n").settings.g_fGravity, 5.0f);
    EXPECT_EQ(FromText("[main]\ngraParam=nan\n").settings.g_fGravity, 5.0f);
}

TEST_F(SceneFileTest, JetAngleIsReadAsText) {
    const Scene scene = FromText(
        "[main]\ncount=5\nsp0_ORGANGLEY=12.5\nsp1_ORGANGLEY=abc\nsp2_ORGANGLEY=-3.25xyz\n"
        "sp3_ORGANGLEY=+1e1\nsp4_ORGANGLEY=--4\n");
    ASSERT_EQ(scene.springs.size(), 5u);
    EXPECT_EQ(scene.springs[0].ORGANGLEY, 12.5f);
    EXPECT_EQ(scene.springs[1].ORGANGLEY, 0.0f);
    EXPECT_EQ(scene.springs[2].ORGANGLEY, -3.25f);
    EXPECT_EQ(scene.springs[3].ORGANGLEY, 10.0f);
    EXPECT_EQ(scene.springs[4].ORGANGLEY, 0.0f);
}

TEST_F(SceneFileTest, TextsAreCutToTheirBuffers) {
    const std::string longText(300, 'n');
    const Scene scene = FromText("[main]\ncount=1\nsp0_COMID=123456789\nsp0_COMID_L=12;170xx\nsp0_ADDR=" +
                                 longText + "\nGroupCount=1\nGP0_name=" + longText + "\nGP0_COMID=abcdefghij\n" +
                                 "Channel0_IP=192.168.100.200.extra.text\nBGBMP=" + longText + "\n");
    EXPECT_EQ(scene.springs[0].COMID, "1234567");
    EXPECT_EQ(scene.springs[0].COMID_L, "12;170x");
    EXPECT_EQ(scene.springs[0].ADDR, std::string(63, 'n'));
    EXPECT_EQ(scene.groups[0].name, std::string(249, 'n'));
    EXPECT_EQ(scene.groups[0].COMID, "abcdefg");
    EXPECT_EQ(scene.Channel(1)->IP, "192.168.100.200.extra.t");
    EXPECT_EQ(scene.settings.BGBMP, std::string(255, 'n'));
}

TEST_F(SceneFileTest, ChannelKeysCountFromZero) {
    const Scene scene = FromText(
        "[main]\nChannel0_IP=10.1.1.1\nChannel0_port=503\nChannel99_tagNum=64\nChannel99_regType=5\n"
        "Channel100_IP=10.9.9.9\n");
    EXPECT_EQ(scene.Channel(1)->IP, "10.1.1.1");
    EXPECT_EQ(scene.Channel(1)->port, 503);
    EXPECT_EQ(scene.Channel(2)->IP, "0.0.0.0");
    EXPECT_EQ(scene.Channel(100)->tagNum, 64);
    EXPECT_EQ(scene.Channel(100)->regType, 5);
    EXPECT_EQ(scene.Channel(100)->IP, "0.0.0.0");
}

TEST_F(SceneFileTest, LoadingAppendsToTheLists) {
    Scene scene;
    CSpring existing;
    existing.ID = 1;
    scene.springs.push_back(existing);
    Profile profile;
    profile.LoadFromBytes("[main]\ncount=1\nsp0_ID=9001\nGroupCount=1\nGP0_ID=9002\n");
    LoadScene(profile, scene);
    ASSERT_EQ(scene.springs.size(), 2u);
    EXPECT_EQ(scene.springs[0].ID, 1);
    EXPECT_EQ(scene.SpringIndexOf(9001), 1);
    EXPECT_EQ(scene.GroupIndexOf(9002), 0);
}

TEST_F(SceneFileTest, PopulatedSceneSurvivesSaveAndLoad) {
    const Scene original = PopulatedScene();
    ASSERT_TRUE(SaveScene(File("spring.ini"), original));
    Scene loaded;
    ASSERT_TRUE(LoadScene(File("spring.ini"), loaded));
    ExpectSameStoredFields(original, loaded);
    EXPECT_EQ(loaded.springs[0].m_nOutLevel, 0);
    EXPECT_EQ(loaded.FindGroup(9010)->name, "中心喷泉组");
    EXPECT_EQ(loaded.FindSpring(9002), &loaded.springs[1]);

    // The text holds the forms other installations read.
    const std::string text = Read(File("spring.ini"));
    EXPECT_EQ(ValueOf(text, "graParam"), "7.250000");
    EXPECT_EQ(ValueOf(text, "sp0_ORGANGLEY"), "-33.500000");
    EXPECT_EQ(ValueOf(text, "GP0_color"), "5649426");  // 0x563412
    EXPECT_EQ(ValueOf(text, "GP1_color"), "-1");
    EXPECT_EQ(ValueOf(text, "GP0_name"), "中心喷泉组");
    EXPECT_EQ(ValueOf(text, "Channel0_IP"), "192.168.1.201");
}

TEST_F(SceneFileTest, KeysAreWrittenInFileOrderWithEveryChannel) {
    // Channels are written even when none is in use.
    Scene scene;
    scene.springs.resize(2);
    scene.groups.resize(1);
    scene.groups[0].childCount = 2;
    Profile profile;
    SaveScene(profile, scene);

    std::vector<std::string> expected = {"BGBMP",          "PrepareTime", "graParam", "numofwater",
                                         "pulsePerRound",  "pulsePerRound_Y", "SystemInterval",
                                         "strLight",       "SpringIndex", "count"};
    const char* springKeys[] = {"x",        "y",        "ID",        "COMID",    "ADDR",
                                "COMID1",   "BLOCKID",  "BLOCKID1",  "ORGANGLEY", "BLOCKID2",
                                "BLOCKID3", "COMID2",   "COMID3",    "BLOCKID_L", "COMID_L"};
    for (int i = 0; i < 2; ++i) {
        for (const char* k : springKeys) expected.push_back("sp" + std::to_string(i) + "_" + k);
    }
    expected.push_back("GroupCount");
    for (const char* k : {"color", "name", "BLOCKID", "COMID", "nPreTime", "bMannual", "ID", "bSpecialBTN",
                          "childCount", "initX", "initY", "child0", "child1"}) {
        expected.push_back(std::string("GP0_") + k);
    }
    for (int c = 0; c < 100; ++c) {
        for (const char* k : {"IP", "port", "regType", "tagNum", "deviceID", "nStartNum", "nPrevChannel",
                              "nPrevTail"}) {
            expected.push_back("Channel" + std::to_string(c) + "_" + k);
        }
    }
    const std::string text = profile.Serialize();
    EXPECT_EQ(KeysOf(text), expected);
    EXPECT_EQ(ValueOf(text, "Channel99_IP"), "0.0.0.0");
    EXPECT_NE(text.find("[main]"), std::string::npos);
    EXPECT_EQ(text.find("CopyRight"), std::string::npos);
}

TEST_F(SceneFileTest, SavingFewerSpringsLeavesOldKeysButLoadsTheNewCount) {
    std::string five = "[main]\ncount=5\n";
    for (int i = 0; i < 5; ++i) five += "sp" + std::to_string(i) + "_x=" + std::to_string(10 * i) + "\n";
    five += "[MusicList]\ncount=1\nmusic0=a.mp3\n";
    Write(File("spring.ini"), five);

    Scene scene;
    ASSERT_TRUE(LoadScene(File("spring.ini"), scene));
    ASSERT_EQ(scene.springs.size(), 5u);
    scene.springs.erase(scene.springs.begin() + 1);
    scene.springs.pop_back();
    ASSERT_TRUE(SaveScene(File("spring.ini"), scene));

    const std::string text = Read(File("spring.ini"));
    EXPECT_EQ(ValueOf(text, "sp3_x"), "30");
    EXPECT_EQ(ValueOf(text, "sp4_x"), "40");
    EXPECT_NE(text.find("music0=a.mp3"), std::string::npos);  // other sections stay

    Scene reloaded;
    ASSERT_TRUE(LoadScene(File("spring.ini"), reloaded));
    ASSERT_EQ(reloaded.springs.size(), 3u);
    EXPECT_EQ(reloaded.springs[0].x, 0);
    EXPECT_EQ(reloaded.springs[1].x, 20);
    EXPECT_EQ(reloaded.springs[2].x, 30);
}

TEST_F(SceneFileTest, HugeCountsAreCappedAndLogged) {
    const fs::path log = File("FountainLog.log");
    Write(log, "");
    const fs::path previousLog = GetLogPath();
    SetLogPath(log);
    // The group bound is the real one; the spring bound is lowered only to
    // keep the test quick (a hundred thousand default springs take seconds
    // under the sanitizers), the path through the loader is the same.
    SceneLimits limits;
    limits.maxSprings = 1000;
    const Scene scene = FromText("[main]\ncount=2000000000\nGroupCount=2000000000\nsp999_x=5\n", limits);
    SetLogPath(previousLog);

    ASSERT_EQ(scene.springs.size(), 1000u);
    EXPECT_EQ(scene.springs.back().x, 5);
    EXPECT_EQ(scene.groups.size(), static_cast<std::size_t>(Scene::kMaxGroups));
    const std::string logged = Read(log);
    EXPECT_NE(logged.find("spring count 2000000000"), std::string::npos) << logged;
    EXPECT_NE(logged.find("group count 2000000000"), std::string::npos) << logged;

    const Scene negative = FromText("[main]\ncount=-3\nGroupCount=-2147483648\n");
    EXPECT_TRUE(negative.springs.empty());
    EXPECT_TRUE(negative.groups.empty());
}

TEST_F(SceneFileTest, MemberCountBeyondTheArrayKeepsTheFirst500) {
    std::string text = "[main]\nGroupCount=2\nGP0_childCount=600\nGP1_childCount=-4\n";
    for (int j = 0; j < 600; ++j) text += "GP0_child" + std::to_string(j) + "=" + std::to_string(20000 + j) + "\n";
    const Scene scene = FromText(text);
    ASSERT_EQ(scene.groups.size(), 2u);
    EXPECT_EQ(scene.groups[0].childCount, 500);
    EXPECT_EQ(scene.groups[0].children[0], 20000);
    EXPECT_EQ(scene.groups[0].children[499], 20499);
    EXPECT_EQ(scene.groups[1].childCount, 0);

    // A count damaged in memory is written within the array too.
    Scene damaged = scene;
    damaged.groups[0].childCount = 9999;
    Profile profile;
    SaveScene(profile, damaged);
    const std::string saved = profile.Serialize();
    EXPECT_EQ(ValueOf(saved, "GP0_childCount"), "500");
    EXPECT_EQ(ValueOf(saved, "GP0_child500"), "<absent>");
}

TEST_F(SceneFileTest, TextsComeBackAsTheyWere) {
    // The reader strips surrounding blanks and quotes, and a line break
    // would end the value early; none of that may change or inject data.
    Scene scene;
    scene.springs.resize(1);
    scene.springs[0].x = 7;
    scene.springs[0].ADDR = " padded ";
    scene.groups.resize(3);
    scene.groups[0].name = "\"引号\"";
    scene.groups[1].name = "'x'";
    scene.groups[2].name = "line\nsp0_x=99";
    scene.settings.BGBMP = "\tbg.bmp";

    Profile profile;
    SaveScene(profile, scene);
    Profile reread;
    reread.LoadFromBytes(profile.Serialize());
    Scene loaded;
    LoadScene(reread, loaded);
    ASSERT_EQ(loaded.springs.size(), 1u);
    EXPECT_EQ(loaded.springs[0].x, 7);
    EXPECT_EQ(loaded.springs[0].ADDR, " padded ");
    EXPECT_EQ(loaded.groups[0].name, "\"引号\"");
    EXPECT_EQ(loaded.groups[1].name, "'x'");
    EXPECT_EQ(loaded.groups[2].name, "line sp0_x=99");
    EXPECT_EQ(loaded.settings.BGBMP, "\tbg.bmp");
}

TEST_F(SceneFileTest, UnreadableFileIsNotOverwritten) {
    // A directory where the file should be: it exists but cannot be read.
    fs::create_directories(File("spring.ini"));
    Scene scene = PopulatedScene();
    std::string error;
    EXPECT_FALSE(SaveScene(File("spring.ini"), scene, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(File("spring.ini")));

    Scene loaded;
    EXPECT_FALSE(LoadScene(File("spring.ini"), loaded, &error));
    ExpectDefaultScene(loaded);
}

}  // namespace
}  // namespace velmora
