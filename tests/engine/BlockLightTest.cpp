#include <gtest/gtest.h>

#include <cmath>

#include "EngineWorldFixture.h"
#include "engine/ActionEvaluation.h"
#include "engine/LevelOutput.h"

namespace velmora {
namespace {

using testing::kRegChannel;

class BlockLightTest : public testing::EngineWorldFixture {
protected:
    BlockLightTest() {
        AddSpring(9001, 1);
        AddSpring(9002, 2);
        AddGroup(9100, {9001, 9002, 4242});  // 4242 does not exist
    }
    TimeBlock LightBlock(const char* file, std::int32_t intervalLight, std::int32_t lightType) {
        TimeBlock b = Block(0, 1000.0f, 5000.0f);
        b.szLight = file;
        b.IntervalLight = intervalLight;
        b.nLightType = lightType;
        return b;
    }
};

TEST_F(BlockLightTest, SystemColourStepsThroughTheBuiltInSevenByEngineTime) {
    TickContext ctx = Context();
    ctx.startMs = 1000;
    struct Case {
        std::uint32_t clock;
        COLORREF colour;
    };
    for (const Case c : {Case{1000, 0x0000FF}, Case{2999, 0x0000FF}, Case{3000, 0x0080FF},
                         Case{1000 + 6 * 2000, 0xFF00FF}, Case{1000 + 7 * 2000, 0x0000FF}}) {
        ctx.clockMs = c.clock;
        EXPECT_EQ(SystemColour(ctx), c.colour) << c.clock;
        EXPECT_EQ(ctx.g_nEngineElapsed, static_cast<std::int32_t>(c.clock - 1000));
    }
    // A zero step holds the first colour instead of dividing by zero.
    ctx.systemInterval = 0;
    ctx.clockMs = 99999;
    EXPECT_EQ(SystemColour(ctx), 0x0000FFu);
}

TEST_F(BlockLightTest, SystemColourComesFromTheSceneColourFileWhenItHasColours) {
    WriteColours("sys.color", {0x010203, 0x040506, 0x070809});
    scene_.settings.g_strLight = "sys.color";
    TickContext ctx = Context();
    ctx.clockMs = 2000 * 4;  // step 4 -> 4 mod 3 = colour 1
    EXPECT_EQ(SystemColour(ctx), 0x040506u);

    // A missing (empty) file falls back to the built-in sequence: step 4 is blue.
    scene_.settings.g_strLight = "missing.color";
    EXPECT_EQ(SystemColour(ctx), 0xFF0000u);
}

TEST_F(BlockLightTest, SystemLightPaintsEveryMemberOfTheGroup) {
    TimeBlock b = Block(0, 0.0f, 1000.0f);
    b.bSystime = 1;
    TickContext ctx = Context(500.0);
    ctx.clockMs = 2000;
    ApplyBlockLight(ctx, Group(9100), 64, b, -1, 500.0);
    EXPECT_EQ(Spring(9001).m_crColor, 0x0080FFu);
    EXPECT_EQ(Spring(9002).m_crColor, 0x0080FFu);
    EXPECT_EQ(Light(1), 0x0080FFu);
    EXPECT_EQ(Light(2), 0x0080FFu);
}

TEST_F(BlockLightTest, BlockColourByTimeFromTheBlockStart) {
    WriteColours("three.color", {0x0000FF, 0x00FF00, 0xFF0000});
    const TimeBlock b = LightBlock("three.color", 100, 0);
    TickContext ctx = Context(1250.0);
    ApplyBlockLight(ctx, Spring(9001), 0, b, -1, 1250.0);  // t = 250 -> colour 2
    EXPECT_EQ(Light(1), 0xFF0000u);
    ApplyBlockLight(ctx, Spring(9001), 0, b, 420, 1250.0);  // t given: colour 4 mod 3 = 1
    EXPECT_EQ(Light(1), 0x00FF00u);

    // No interval: always the first colour.
    ApplyBlockLight(ctx, Spring(9001), 0, LightBlock("three.color", 0, 0), -1, 1250.0);
    EXPECT_EQ(Light(1), 0x0000FFu);
}

TEST_F(BlockLightTest, BlockColourByLevel) {
    WriteColours("four.color", {0x000001, 0x000002, 0x000003, 0x000004});
    const TimeBlock b = LightBlock("four.color", 0, 1);
    TickContext ctx = Context(1500.0);
    for (const auto& [level, colour] : {std::pair{0, 1u}, std::pair{31, 1u}, std::pair{32, 2u},
                                        std::pair{64, 3u}, std::pair{127, 4u}, std::pair{128, 1u}}) {
        ApplyBlockLight(ctx, Spring(9001), level, b, -1, 1500.0);
        EXPECT_EQ(Spring(9001).m_crColor, colour) << level;
    }
}

TEST_F(BlockLightTest, MissingOrEmptySequenceGivesNoColour) {
    TickContext ctx = Context(1500.0);
    Spring(9001).m_crColor = 0x777777;
    ApplyBlockLight(ctx, Spring(9001), 64, LightBlock("none.color", 100, 0), -1, 1500.0);
    ApplyBlockLight(ctx, Spring(9001), 64, LightBlock("", 100, 0), -1, 1500.0);
    EXPECT_EQ(Spring(9001).m_crColor, 0x777777u);
    EXPECT_EQ(Light(1), 0u);
}

TEST_F(BlockLightTest, LightWindowAcrossMidnightAndWithinADay) {
    TimeBlock b = Block(0, 0.0f, 1000.0f);
    b.bSystime = 1;
    struct Case {
        std::int32_t start, end, minute;
        bool shown;
    };
    for (const Case c : {Case{360, 1080, 359, false}, Case{360, 1080, 361, true}, Case{360, 1080, 1080, false},
                         Case{1080, 360, 1200, true}, Case{1080, 360, 30, true}, Case{1080, 360, 720, false},
                         Case{1080, 360, 1080, false}}) {
        night_ = NightWindow{c.start, c.end};
        TickContext ctx = Context(500.0);
        ctx.nowMinute = c.minute;
        ApplyBlockLight(ctx, Spring(9001), 0, b, -1, 500.0);
        EXPECT_EQ(Light(1), c.shown ? 0x0000FFu : 0u) << c.start << "-" << c.end << " at " << c.minute;
        // The spring still shows its colour on the canvas.
        EXPECT_EQ(Spring(9001).m_crColor, 0x0000FFu);
    }
}

TEST_F(BlockLightTest, SetLevelScalesCapsAndSwitches) {
    TickContext ctx = Context();
    SetLevel(ctx, Spring(9001), 100);  // 200 -> 128
    EXPECT_EQ(Spring(9001).m_nOutLevel, 128);
    EXPECT_EQ(Reg(kRegChannel, 1), 10000);

    ctx.handMode = true;
    SetLevel(ctx, Spring(9002), 100);  // not scaled in hand mode
    EXPECT_EQ(Spring(9002).m_nOutLevel, 100);
    EXPECT_EQ(Reg(kRegChannel, 2), 7812);

    image_.Reallocate(scene_.g_Channels);
    SetLevel(ctx, Spring(9001), 0);
    EXPECT_EQ(Spring(9001).m_bLit, 0);
    EXPECT_EQ(Reg(kRegChannel, 1), 0);

    ctx.handMode = false;
    ctx.musicMultiplier = std::nanf("");
    SetLevel(ctx, Spring(9001), 50);
    EXPECT_EQ(Spring(9001).m_nOutLevel, 0);
    EXPECT_EQ(Spring(9001).m_bLit, 1);

    // A group's members in order; a missing member is skipped.
    ctx.musicMultiplier = 1.0f;
    SetLevel(ctx, Group(9100), 64);
    EXPECT_EQ(Reg(kRegChannel, 1), 5000);
    EXPECT_EQ(Reg(kRegChannel, 2), 5000);
}

}  // namespace
}  // namespace velmora
