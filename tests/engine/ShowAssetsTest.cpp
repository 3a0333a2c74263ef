// What the tick reads is prepared beforehand: the tick reads no file, and a
// file that appears or is mended counts from the next preparation on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "EngineFiles.h"
#include "EngineWorldFixture.h"
#include "app/Prompter.h"
#include "engine/ShowAssets.h"

namespace velmora {
namespace {

using testing::kLightChannel;
using testing::kMotorChannel;

constexpr const char* kTable = "n,100\n5;1,0x0102030405060708090A0B0C0D0E0F10\n";

class ShowAssetsTest : public testing::EngineWorldFixture {
protected:
    ShowAssetsTest() {
        caches_.SetPrompter(&prompter_);
        AddSpring(9001, 1);
        CSpring& turning = AddSpring(9002, 2);
        turning.BLOCKID3 = kMotorChannel;
        turning.COMID3 = "11";
        AddSpring(9003, 3);
    }

    // Ticks at `position` with the assets as last prepared (no preparation).
    void TickPrepared(double position) {
        playback_.m_dPlayPos.store(position);
        EngineTickInputs inputs;
        inputs.fixedLevel = 64;
        inputs.nowMinute = 720;
        EngineTick(world_, playback_, inputs);
    }
    void Prepare() { assets_ = PrepareShowAssets(scene_, show_, caches_); }

    std::vector<std::int32_t> Slots(int channel) const {
        return image_.g_ChannelImage[static_cast<std::size_t>(channel - 1)];
    }

    RecordingPrompter prompter_;
};

// A show using every kind of asset: a colour block, a rotation, a 512
// table, and a program whose own show lights a spring with a colour file of
// its own and runs itself again.
TEST_F(ShowAssetsTest, TheTickPlaysPreparedAssetsAfterTheirFilesAreGone) {
    WriteColours("red.color", {0x0000FF});
    WriteColours("inner.color", {0x00FF00});
    testing::WriteMotor(dir_, "turn.motor", {{kMotorMove, 1000, 4000, 0, 0}, {kMotorMove, 500, 100, 0, 0}});
    dir_.Write("512Light/t.csv", kTable);

    AddBlock(AddLayer(kLayerSpring, 9001), 1000.0f, 5000.0f).szLight = "red.color";
    TimeBlock& rotation = AddBlock(AddLayer(kLayerSpring, 9002), 1000.0f, 5000.0f);
    rotation.nSpecicalType = kActionRotateZ;
    rotation.szMotor = "turn.motor";
    TimeBlock& program = AddBlock(AddLayer(kLayerProgram, -1), 1000.0f, 5000.0f);
    program.Program = "p.prog";
    program.sz512Light = "t.csv";

    Show inner;
    inner.layers.assign(2, Layer{});
    inner.layers[0].type = kLayerSpring;
    inner.layers[0].GroupID = 9003;
    inner.layers[1].type = kLayerProgram;
    inner.blocks.push_back(Block(0, 0.0f, 4000.0f));
    inner.blocks.back().szLight = "inner.color";
    inner.blocks.push_back(Block(1, 0.0f, 4000.0f));
    inner.blocks.back().Program = "p.prog";  // itself: prepared once
    AddProgram("p.prog", inner);

    Prepare();
    EXPECT_EQ(assets_->size(), 5u);  // two colours, a motor program, a table, a program
    const std::size_t parsed = caches_.filesParsed();
    TickPrepared(1500.0);
    const std::vector<std::int32_t> lights = Slots(kLightChannel);
    const std::vector<std::int32_t> motors = Slots(kMotorChannel);
    const auto table = image_.g_Light512Buf[4];
    EXPECT_EQ(Light(1), 0x0000FFu);
    EXPECT_EQ(Light(3), 0x00FF00u);
    EXPECT_NE(motors[10], 0);
    EXPECT_EQ(table[0], 0x01);

    std::filesystem::remove_all(dir_.path() / "Color");
    std::filesystem::remove_all(dir_.path() / "motor");
    std::filesystem::remove_all(dir_.path() / "512Light");
    std::filesystem::remove_all(dir_.path() / "Program");
    for (int i = 0; i < 3; ++i) {
        TickPrepared(1500.0);
        EXPECT_EQ(Slots(kLightChannel), lights);
        EXPECT_EQ(Slots(kMotorChannel), motors);
        EXPECT_EQ(image_.g_Light512Buf[4], table);
    }
    EXPECT_EQ(caches_.filesParsed(), parsed);
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(ShowAssetsTest, AFileThatAppearsCountsFromTheNextPreparation) {
    AddBlock(AddLayer(kLayerSpring, 9001), 1000.0f, 5000.0f).szLight = "late.color";
    TimeBlock& rotation = AddBlock(AddLayer(kLayerSpring, 9002), 1000.0f, 5000.0f);
    rotation.nSpecicalType = kActionRotateZ;
    rotation.szMotor = "late.motor";

    Prepare();
    TickPrepared(1500.0);
    EXPECT_EQ(Light(1), 0u);
    EXPECT_EQ(Slots(kMotorChannel)[10], 0);

    WriteColours("late.color", {0x0000FF});
    // Two steps: at 500 ms into the block the second is running.
    testing::WriteMotor(dir_, "late.motor", {{kMotorMove, 1000, 4000, 0, 0}, {kMotorMove, 500, 100, 0, 0}});
    TickPrepared(1500.0);  // not looked for inside a tick
    EXPECT_EQ(Light(1), 0u);
    EXPECT_EQ(Slots(kMotorChannel)[10], 0);

    Prepare();  // what a compile or the next start does
    TickPrepared(1500.0);
    EXPECT_EQ(Light(1), 0x0000FFu);
    EXPECT_NE(Slots(kMotorChannel)[10], 0);
}

TEST_F(ShowAssetsTest, ABrokenTableIsToldOncePerPreparationAndReadAgainOnceMended) {
    AddBlock(AddLayer(kLayerProgram, -1), 1000.0f, 5000.0f).sz512Light = "t.csv";
    // Named twice: still read (and told about) once per preparation.
    AddBlock(AddLayer(kLayerProgram, -1), 1000.0f, 5000.0f).sz512Light = "t.csv";
    dir_.Write("512Light/t.csv", "header\n");

    Prepare();
    EXPECT_EQ(prompter_.messages, std::vector<std::string>{"格式不满足要求"});
    TickPrepared(1500.0);
    EXPECT_EQ(image_.g_Light512Buf[4][0], 0x00);

    dir_.Write("512Light/t.csv", kTable);
    Prepare();
    EXPECT_EQ(prompter_.messages.size(), 1u);  // mended: nothing more to tell
    TickPrepared(1500.0);
    EXPECT_EQ(image_.g_Light512Buf[4][0], 0x01);
}

TEST_F(ShowAssetsTest, SystemLightFileIsPreparedWithTheShow) {
    WriteColours("sys.color", {0x010203});
    scene_.settings.g_strLight = "sys.color";
    TimeBlock& b = AddBlock(AddLayer(kLayerSpring, 9001), 1000.0f, 5000.0f);
    b.bSystime = 1;
    Prepare();
    std::filesystem::remove_all(dir_.path() / "Color");
    TickPrepared(1500.0);
    EXPECT_EQ(Light(1), 0x010203u);
}

TEST_F(ShowAssetsTest, WithNothingPreparedTheTickPlaysWithoutAssets) {
    WriteColours("red.color", {0x0000FF});
    AddBlock(AddLayer(kLayerSpring, 9001), 1000.0f, 5000.0f).szLight = "red.color";
    assets_.reset();
    TickPrepared(1500.0);
    EXPECT_EQ(Spring(9001).m_bLit, 1);  // the water still plays
    EXPECT_EQ(Light(1), 0u);
    EXPECT_EQ(caches_.filesParsed(), 0u);
}

}  // namespace
}  // namespace velmora
