#include "comm/OutputWrites.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// A channel table and image with a few channels sized for the case at hand.
class OutputWritesTest : public ::testing::Test {
protected:
    void Size(int channel, std::int32_t tagNum, std::int32_t regType = 1) {
        channels_[static_cast<std::size_t>(channel - 1)].tagNum = tagNum;
        channels_[static_cast<std::size_t>(channel - 1)].regType = regType;
        image_.Reallocate(channels_);
    }
    std::int32_t Reg(int channel, int reg) const {
        return image_.g_ChannelImage[static_cast<std::size_t>(channel - 1)][static_cast<std::size_t>(reg - 1)];
    }
    bool ChannelIsZero(int channel) const {
        for (const auto v : image_.g_ChannelImage[static_cast<std::size_t>(channel - 1)]) {
            if (v != 0) return false;
        }
        return true;
    }
    OutputTarget Target() { return {channels_, image_}; }

    static CSpring Spring(int channel, const char* address, bool lit) {
        CSpring s;
        s.BLOCKID = channel;
        s.COMID = address;
        s.m_bLit = lit ? 1 : 0;
        return s;
    }

    ChannelTable channels_;
    OutputImage image_;
    NightWindow always_{0, 6000};
};

TEST_F(OutputWritesTest, RegisterMustLieWithinTagNum) {
    Size(1, 11);
    WriteSpringValue(Target(), Spring(1, "12;3", true), 0x55);
    EXPECT_TRUE(ChannelIsZero(1));

    Size(1, 12);
    WriteSpringValue(Target(), Spring(1, "12;3", true), 0x55);
    EXPECT_EQ(Reg(1, 12), 1 << 3);

    // Register 0, negative registers and channels outside 1..100 name nothing.
    for (const char* address : {"0", "-1", "0;2", "abc"}) {
        WriteSpringValue(Target(), Spring(1, address, true), 7);
        WriteGroupOutput(Target(), [&] {
            CSpringGroup g;
            g.BLOCKID = 1;
            g.COMID = address;
            return g;
        }(), 7);
    }
    for (int channel : {0, -1, 101}) WriteSpringValue(Target(), Spring(channel, "1", true), 7);
    EXPECT_EQ(Reg(1, 12), 1 << 3);
    for (int r = 1; r < 12; ++r) EXPECT_EQ(Reg(1, r), 0) << r;
}

TEST_F(OutputWritesTest, BitOutOfRangeIsRegisterForm) {
    Size(2, 12);
    WriteSpringValue(Target(), Spring(2, "12;16", false), 0xBEEF);
    EXPECT_EQ(Reg(2, 12), 0xBEEF);
    // Bit form only while lit, and bits accumulate rather than replace.
    WriteSpringValue(Target(), Spring(2, "3;0", false), 0xFFFF);
    EXPECT_EQ(Reg(2, 3), 0);
    WriteSpringValue(Target(), Spring(2, "3;0", true), 0xFFFF);
    WriteSpringValue(Target(), Spring(2, "3;15", true), 0);
    EXPECT_EQ(Reg(2, 3), 0x8001);
}

TEST_F(OutputWritesTest, SecondPairOfAnOffNozzle) {
    Size(1, 10);
    CSpring off = Spring(1, "1", false);
    off.BLOCKID1 = 1;
    off.COMID1 = "2";
    WriteSpringOutputs(Target(), off, 100);
    EXPECT_EQ(Reg(1, 1), 0);  // the main output follows the nozzle
    EXPECT_EQ(Reg(1, 2), 1);  // the valve's register form is always 1

    CSpring offBits = Spring(1, "3;4", false);
    offBits.BLOCKID1 = 1;
    offBits.COMID1 = "4;5";
    WriteSpringOutputs(Target(), offBits, 100);
    EXPECT_EQ(Reg(1, 3), 0);
    EXPECT_EQ(Reg(1, 4), 0);

    offBits.m_bLit = 1;
    WriteSpringOutputs(Target(), offBits, 100);
    EXPECT_EQ(Reg(1, 3), 1 << 4);
    EXPECT_EQ(Reg(1, 4), 1 << 5);
}

TEST_F(OutputWritesTest, LevelScalesToTenThousand) {
    Size(1, 4);
    const struct {
        std::int32_t level;
        std::int32_t expected;
    } cases[] = {{-64, 5000}, {128, 10000}, {1, 78}, {0, 0}, {-128, 10000}};
    for (const auto& c : cases) {
        WriteSpringOutputs(Target(), Spring(1, "2", true), c.level);
        EXPECT_EQ(Reg(1, 2), c.expected) << c.level;
    }
    // A wild level (the engine caps it, a caller might not) still lands in
    // 16 bits rather than overflowing.
    WriteSpringOutputs(Target(), Spring(1, "2", true), INT32_MIN);
    EXPECT_GE(Reg(1, 2), 0);
    EXPECT_LE(Reg(1, 2), 0xFFFF);
}

TEST_F(OutputWritesTest, GroupOutputIgnoresLitState) {
    Size(3, 5);
    CSpringGroup group;
    group.BLOCKID = 3;
    group.COMID = "5;9";
    WriteGroupOutput(Target(), group, 0);
    EXPECT_EQ(Reg(3, 5), 1 << 9);
    group.COMID = "1";
    WriteGroupOutput(Target(), group, 1234);
    EXPECT_EQ(Reg(3, 1), 1234);
}

TEST_F(OutputWritesTest, MotorRecordNeedsFiveRegisters) {
    CSpring s;
    s.BLOCKID3 = 4;
    s.COMID3 = "20";
    s.m_nSeqZ = 200;
    const MotorBlock_struct move{1, 300, -4000, 0, 0};
    const MotorBlock_struct nextMove{1, 200, 10, 0, 0};

    Size(4, 23, 2);
    WriteMotorRecord(Target(), move, &nextMove, s, 0);
    EXPECT_TRUE(ChannelIsZero(4));

    Size(4, 24, 2);
    WriteMotorRecord(Target(), move, &nextMove, s, 0);
    EXPECT_EQ(Reg(4, 20), 200);
    EXPECT_EQ(Reg(4, 21), (2 << 8) | 1);  // continued move, speed and displacement opposite
    EXPECT_EQ(Reg(4, 22), 4000);
    EXPECT_EQ(Reg(4, 23), 300);
    EXPECT_EQ(Reg(4, 24), 200);

    // A bit in the address, or the Y selector pointing at an empty pair, writes nothing.
    Size(4, 24, 2);
    s.COMID3 = "20;1";
    WriteMotorRecord(Target(), move, &nextMove, s, 0);
    WriteMotorRecord(Target(), move, &nextMove, s, 1);
    EXPECT_TRUE(ChannelIsZero(4));
}

TEST_F(OutputWritesTest, MotorSelectorPicksPairAndCounter) {
    Size(5, 10, 2);
    CSpring s;
    s.BLOCKID2 = 5;
    s.COMID2 = "1";
    s.BLOCKID3 = 5;
    s.COMID3 = "6";
    s.m_nSeqY = 130;
    s.m_nSeqZ = 250;
    const MotorBlock_struct rest{0, 500, 0, 0, 0};
    WriteMotorRecord(Target(), rest, nullptr, s, 1);
    WriteMotorRecord(Target(), rest, nullptr, s, 0);
    EXPECT_EQ(Reg(5, 1), 130);
    EXPECT_EQ(Reg(5, 2), 3 << 8);
    EXPECT_EQ(Reg(5, 4), 500);
    EXPECT_EQ(Reg(5, 6), 250);
    EXPECT_EQ(Reg(5, 7), 3 << 8);
}

TEST(MotorCommandTest, ModeAndDirectionTable) {
    const MotorBlock_struct same{1, 300, 5, 0, 0};
    const MotorBlock_struct opposite{1, -200, 5, 0, 0};
    const MotorBlock_struct other{2, 300, 5, 0, 0};
    struct Case {
        MotorBlock_struct block;
        const MotorBlock_struct* next;
        std::int32_t motorCmd;
        std::int32_t mode;
        std::int32_t direction;
    } cases[] = {
        {{0, 9, -9, 0, 0}, nullptr, 1, 3, 0},
        {{1, 300, 5, 0, 0}, &same, 0, 2, 0},
        {{1, 300, 5, 0, 0}, &opposite, 0, 1, 0},
        {{1, 300, 5, 0, 0}, &other, 0, 1, 0},
        {{1, 300, 5, 0, 0}, nullptr, 0, 1, 0},
        {{1, 90, -50, 0, 0}, nullptr, 0, 1, 1},
        {{1, 0, 5, 0, 0}, &same, 0, 1, 0},  // zero speed has no sign to share
        {{3, -1, 1, 0, 0}, nullptr, 1, 3, 0},
        {{5, 0, 0, 0, 0}, nullptr, 1, 5, 1},
        {{6, 0, 0, 0, 0}, nullptr, 2, 6, 0},
        {{6, 0, 0, 0, 0}, nullptr, 1, 6, 1},
        {{0x1FF, 0, 0, 0, 0}, nullptr, 1, 0xFF, 0},
        {{101, -5, 5, 0, 0}, nullptr, 1, 101, 0},
    };
    for (const auto& c : cases) {
        const MotorCommand command = MotorCommandFor(c.block, c.next, c.motorCmd);
        EXPECT_EQ(command.mode, c.mode) << "Act " << c.block.Act;
        EXPECT_EQ(command.direction, c.direction) << "Act " << c.block.Act;
    }
    // Speeds whose product overflows 32 bits still compare by sign.
    const MotorBlock_struct big{1, 70000, 70000, 0, 0};
    EXPECT_EQ(MotorCommandFor(big, &big, 0).mode, 2);
    EXPECT_EQ(MotorCommandFor(big, &big, 0).direction, 0);
}

TEST(MotorCommandTest, SequenceWrapsFrom255To123) {
    std::uint32_t seq = kMotorSeqFirst;
    int steps = 0;
    std::uint32_t last = seq;
    do {
        last = seq;
        AdvanceMotorSeq(seq);
        ++steps;
    } while (seq != kMotorSeqFirst && steps < 1000);
    EXPECT_EQ(last, 255u);
    EXPECT_EQ(steps, 133);  // 123..255
}

TEST_F(OutputWritesTest, UniverseAddressingOnLightChannels) {
    CSpring s;
    s.BLOCKID_L = 6;
    s.COMID_L = "2;170";
    const COLORREF colour = MakeColour(0x11, 0x22, 0x33);

    Size(6, 256, 3);
    WriteLightColour(Target(), s, colour, always_, 600);
    EXPECT_TRUE(ChannelIsZero(6));

    Size(6, 512, 3);
    image_.g_ChannelImage[5][339] = static_cast<std::int32_t>(0x7F000000);
    WriteLightColour(Target(), s, colour, always_, 600);
    EXPECT_EQ(static_cast<std::uint32_t>(image_.g_ChannelImage[5][339]), 0x7F332211u);  // byte 3 kept

    // Register form: never in the last three registers.
    Size(6, 10, 3);
    s.COMID_L = "8";
    WriteLightColour(Target(), s, colour, always_, 600);
    EXPECT_TRUE(ChannelIsZero(6));
    s.COMID_L = "7";
    WriteLightColour(Target(), s, colour, always_, 600);
    EXPECT_EQ(Reg(6, 7), 0x332211);
}

TEST_F(OutputWritesTest, LightBitsSpillIntoFollowingChannel) {
    Size(1, 8, 1);
    Size(7, 4, 1);
    channels_[0].nPrevChannel = 7;
    CSpring s;
    s.BLOCKID_L = 1;
    s.COMID_L = "8;15";
    WriteLightColour(Target(), s, MakeColour(255, 255, 255), always_, 600);
    EXPECT_EQ(Reg(1, 8), 1 << 15);
    EXPECT_EQ(Reg(7, 1), 0x3);

    // Without a following channel the spilled bits are dropped.
    Size(1, 8, 1);
    channels_[0].nPrevChannel = -1;
    WriteLightColour(Target(), s, MakeColour(255, 255, 255), always_, 600);
    EXPECT_EQ(Reg(1, 8), 1 << 15);
    EXPECT_TRUE(ChannelIsZero(7));

    // Inside the channel, bit 14 spills blue into the next register's bit 0.
    s.COMID_L = "2;14";
    WriteLightColour(Target(), s, MakeColour(255, 255, 255), always_, 600);
    EXPECT_EQ(Reg(1, 2), 0xC000);
    EXPECT_EQ(Reg(1, 3), 1);

    // A following channel that names nothing takes nothing.
    Size(1, 8, 1);
    channels_[0].nPrevChannel = 300;
    s.COMID_L = "8;15";
    WriteLightColour(Target(), s, MakeColour(255, 255, 255), always_, 600);
    EXPECT_EQ(Reg(1, 8), 1 << 15);
}

TEST_F(OutputWritesTest, OnlyFullComponentsSetBits) {
    Size(1, 4, 1);
    CSpring s;
    s.BLOCKID_L = 1;
    s.COMID_L = "2;3";
    WriteLightColour(Target(), s, MakeColour(254, 255, 0), always_, 600);
    EXPECT_EQ(Reg(1, 2), 1 << 4);
    // No bit in the address counts as bit 0; bits add to what is there.
    s.COMID_L = "2";
    WriteLightColour(Target(), s, MakeColour(0, 0, 255), always_, 600);
    EXPECT_EQ(Reg(1, 2), (1 << 4) | (1 << 2));
}

TEST_F(OutputWritesTest, OperatingWindowBlanksLights) {
    Size(6, 10, 3);
    CSpring s;
    s.BLOCKID_L = 6;
    s.COMID_L = "1";
    const NightWindow day{360, 1080};
    const COLORREF colour = MakeColour(1, 2, 3);
    for (const int minute : {5 * 60 + 59, 18 * 60, 360}) {
        image_.g_ChannelImage[5][0] = 0x00ABCDEF;
        WriteLightColour(Target(), s, colour, day, minute);
        EXPECT_EQ(Reg(6, 1), 0) << minute;
    }
    WriteLightColour(Target(), s, colour, day, 6 * 60 + 1);
    EXPECT_EQ(Reg(6, 1), static_cast<std::int32_t>(colour));
}

TEST(LightWindowTest, WindowAcrossMidnight) {
    const NightWindow night{1080, 360};  // 18:00 to 06:00
    EXPECT_TRUE(LightWindowOpen(night, 1081));
    EXPECT_TRUE(LightWindowOpen(night, 0));
    EXPECT_TRUE(LightWindowOpen(night, 359));
    EXPECT_FALSE(LightWindowOpen(night, 360));
    EXPECT_FALSE(LightWindowOpen(night, 720));
    EXPECT_FALSE(LightWindowOpen(night, 1080));
    EXPECT_TRUE(LightWindowOpen({500, 500}, 500));
    EXPECT_TRUE(LightWindowOpen({500, 500}, 10));
    // The default window is every minute of the day but midnight itself.
    EXPECT_FALSE(LightWindowOpen({0, 6000}, 0));
    EXPECT_TRUE(LightWindowOpen({0, 6000}, 1439));
}

TEST_F(OutputWritesTest, WritesNeverPassTheAllocation) {
    // A table edited without a matching reallocation: tagNum claims more
    // than the image holds. Writes must stay inside the array (ASan checks).
    Size(9, 4, 1);
    channels_[8].tagNum = 800;
    CSpring s = Spring(9, "700", true);
    s.BLOCKID_L = 9;
    s.COMID_L = "4;15";
    WriteSpringValue(Target(), s, 1);
    WriteLightColour(Target(), s, MakeColour(255, 255, 255), always_, 600);
    EXPECT_EQ(Reg(9, 4), 1 << 15);
}

}  // namespace
}  // namespace velmora
