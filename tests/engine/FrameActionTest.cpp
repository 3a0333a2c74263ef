// The frame action: page timing with speed, rise and cut times and loop
// marks; which cell each member reads.
#include "ActionFixture.h"
#include "engine/FrameAction.h"

namespace velmora {
namespace {

using testing::ActionTest;

// Pages of `durations` ms; cell (row, column) of page p holds 40 x p + 10 x row + column + 1.
FrameComplierCache Animation(const std::vector<std::int32_t>& durations, std::int32_t rows = 2, std::int32_t cols = 5) {
    FrameComplierCache animation;
    animation.m_fVersion = kFrameFileVersion;
    animation.m_nRows = rows;
    animation.m_nCols = cols;
    animation.m_nDefaultDuration = 1000;
    animation.m_nPageCount = static_cast<std::int32_t>(durations.size());
    animation.m_pPages.resize(durations.size());
    for (std::size_t p = 0; p < durations.size(); ++p) {
        animation.m_pPages[p].m_nDuration = durations[p];
        for (int r = 0; r < kFrameGrid; ++r)
            for (int c = 0; c < kFrameGrid; ++c)
                animation.m_pPages[p].m_nodes[static_cast<std::size_t>(r * kFrameGrid + c)].m_nLevel =
                    static_cast<std::int32_t>(40 * p) + 10 * r + c + 1;
    }
    return animation;
}

std::size_t PageAt(const FrameSchedule& schedule, std::int64_t t) {
    FramePosition position;
    return FramePositionAt(schedule, t, position) ? position.page : 999;
}

TEST(FrameTiming, SpeedDividesPageTimesAndTheAnimationRepeats) {
    const FrameComplierCache animation = Animation({1000, 0, 1000});  // page 1 takes the default
    TimeBlock block;
    block.fFrameParam = -2.0f;  // the sign is not a direction
    FrameSchedule schedule;
    ASSERT_TRUE(PlanFrameSchedule(animation, block, schedule));
    EXPECT_EQ(schedule.total, 1500);
    EXPECT_EQ(PageAt(schedule, 0), 0u);
    EXPECT_EQ(PageAt(schedule, 499), 0u);
    EXPECT_EQ(PageAt(schedule, 500), 1u);
    EXPECT_EQ(PageAt(schedule, 999), 1u);
    EXPECT_EQ(PageAt(schedule, 1000), 2u);
    EXPECT_EQ(PageAt(schedule, 1499), 2u);
    EXPECT_EQ(PageAt(schedule, 1500), 0u);  // no loop marks: the whole animation repeats
    EXPECT_EQ(PageAt(schedule, 3700), 1u);

    // Truncated per page: 1000 / 3 is 333 ms a page.
    block.fFrameParam = 3.0f;
    ASSERT_TRUE(PlanFrameSchedule(animation, block, schedule));
    EXPECT_EQ(schedule.total, 999);

    // A speed of 0 or an animation of no length shows nothing.
    block.fFrameParam = 0.0f;
    EXPECT_FALSE(PlanFrameSchedule(animation, block, schedule));
    block.fFrameParam = 1.0f;
    EXPECT_FALSE(PlanFrameSchedule(Animation({}), block, schedule));
    FrameComplierCache still = Animation({0, 0});
    still.m_nDefaultDuration = 0;
    EXPECT_FALSE(PlanFrameSchedule(still, block, schedule));
}

TEST(FrameTiming, LoopMarksRepeatTheMiddleAfterTheFirstPass) {
    FrameComplierCache animation = Animation({100, 200, 300, 400});
    animation.m_pPages[1].m_bLoopStart = 1;
    animation.m_pPages[2].m_bLoopEnd = 1;
    TimeBlock block;
    FrameSchedule schedule;
    ASSERT_TRUE(PlanFrameSchedule(animation, block, schedule));
    // S = 100, E = 600, T = 1000: first pass plays all four pages.
    EXPECT_EQ(PageAt(schedule, 50), 0u);
    EXPECT_EQ(PageAt(schedule, 700), 3u);
    EXPECT_EQ(PageAt(schedule, 999), 3u);
    EXPECT_EQ(PageAt(schedule, 1000), 999u);  // at T exactly: past the last page
    // Then pages 1 and 2 over and over: a = (t - T) mod 500 + 100.
    EXPECT_EQ(PageAt(schedule, 1001), 1u);
    EXPECT_EQ(PageAt(schedule, 1199), 1u);
    EXPECT_EQ(PageAt(schedule, 1200), 2u);
    EXPECT_EQ(PageAt(schedule, 1499), 2u);
    EXPECT_EQ(PageAt(schedule, 1500), 1u);
    EXPECT_EQ(PageAt(schedule, 1000 + 500 * 1000 + 250), 2u);

    // A loop end without a loop start loops from the beginning.
    animation.m_pPages[1].m_bLoopStart = 0;
    ASSERT_TRUE(PlanFrameSchedule(animation, block, schedule));
    EXPECT_EQ(PageAt(schedule, 1050), 0u);
    EXPECT_EQ(PageAt(schedule, 1650), 0u);
    // A loop of no length shows nothing after the first pass.
    animation.m_pPages[0].m_bLoopStart = 1;
    animation.m_pPages[0].m_bLoopEnd = 1;
    animation.m_pPages[2].m_bLoopEnd = 0;
    animation.m_pPages[0].m_nDuration = 0;
    animation.m_nDefaultDuration = 0;
    ASSERT_TRUE(PlanFrameSchedule(animation, block, schedule));
    EXPECT_EQ(PageAt(schedule, 1200), 999u);
}

TEST(FrameTiming, RiseAndCutRampTheCell) {
    const FrameComplierCache animation = Animation({1000});
    TimeBlock block;
    block.nRiseUpTime = 100;
    block.nCutDownTime = 200;
    FrameSchedule schedule;
    ASSERT_TRUE(PlanFrameSchedule(animation, block, schedule));
    EXPECT_EQ(schedule.total, 1300);
    const FrameCell cell{1, 2};  // value 13
    FramePosition at;
    ASSERT_TRUE(FramePositionAt(schedule, 50, at));
    EXPECT_EQ(FrameLevel(animation, block, at, cell), 6);   // 13 x 50 / 100
    ASSERT_TRUE(FramePositionAt(schedule, 100, at));
    EXPECT_EQ(FrameLevel(animation, block, at, cell), 13);
    ASSERT_TRUE(FramePositionAt(schedule, 1150, at));
    EXPECT_EQ(FrameLevel(animation, block, at, cell), 9);   // 13 x 150 / 200
    ASSERT_TRUE(FramePositionAt(schedule, 1299, at));
    EXPECT_EQ(FrameLevel(animation, block, at, cell), 0);
}

TEST(FrameCells, GridGroupsReadRowByRowOthersAlongRowZero) {
    const FrameComplierCache animation = Animation({1000}, 2, 3);
    CSpringGroup grid;
    grid.initX = 2;
    grid.initY = 2;
    FrameCell cell;
    const std::pair<std::int32_t, std::int32_t> gridCells[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 0}};
    for (std::int64_t s = 0; s < 5; ++s) {
        ASSERT_TRUE(FrameCellFor(animation, &grid, 5, s, cell));
        EXPECT_EQ(cell.row, gridCells[s].first) << s;
        EXPECT_EQ(cell.column, gridCells[s].second) << s;
    }
    CSpringGroup line;
    line.initX = 2;  // initY 0: not a grid
    for (std::int64_t s = 0; s < 5; ++s) {
        ASSERT_TRUE(FrameCellFor(animation, &line, 4, s, cell));
        EXPECT_EQ(cell.row, 0);
        EXPECT_EQ(cell.column, (s % 4) % 3) << s;
    }
    ASSERT_TRUE(FrameCellFor(animation, nullptr, 1, 7, cell));
    EXPECT_EQ(cell.row, 0);
    EXPECT_EQ(cell.column, 0);

    // Sizes that would divide by zero or index outside the page.
    EXPECT_FALSE(FrameCellFor(Animation({1000}, 0, 3), &grid, 5, 1, cell));
    EXPECT_FALSE(FrameCellFor(Animation({1000}, 2, 0), &line, 5, 1, cell));
    grid.initX = -2;
    EXPECT_FALSE(FrameCellFor(animation, &grid, 5, 3, cell));
}

TEST_F(ActionTest, FrameActionDrivesEachMemberFromItsCell) {
    CSpringGroup& group = GroupOf(4);
    group.initX = 2;
    group.initY = 2;
    WriteFrames("three.frm", Animation({1000, 1000, 1000}, 2, 2));
    TimeBlock block = Block(kActionFrame);
    block.szFrame = "three.frm";
    block.fFrameParam = 2.0f;
    block.nInterval = 400;  // no member delay in a frame action
    block.nTakeOrder = kTakeReverse;

    RunGroup(block, group, 1200);
    // Page 2; member 3 is step 0 (cell 0,0 = 81), member 0 is step 3 (cell 1,1 = 92).
    EXPECT_EQ(SpringAt(3).m_nOutLevel, 81);
    EXPECT_EQ(SpringAt(2).m_nOutLevel, 82);
    EXPECT_EQ(SpringAt(1).m_nOutLevel, 91);
    EXPECT_EQ(SpringAt(0).m_nOutLevel, 92);
    EXPECT_EQ(Pump(3), PumpFor(81));
    EXPECT_EQ(Pump(0), PumpFor(92));
    EXPECT_EQ(SpringAt(0).m_bLit, 1);

    RunGroup(block, group, 10);
    EXPECT_EQ(SpringAt(3).m_nOutLevel, 1);

    // An animation that is not there: the members keep their levels and
    // only the final write happens.
    block.szFrame = "missing.frm";
    SpringAt(0).m_nOutLevel = 0;
    SpringAt(1).m_nOutLevel = 50;
    RunGroup(block, group, 1200);
    EXPECT_EQ(SpringAt(1).m_nOutLevel, 50);
    EXPECT_EQ(SpringAt(1).m_bLit, 0);
    EXPECT_EQ(Pump(1), 0);

    // A single spring reads cell (0, 0).
    block.szFrame = "three.frm";
    RunSpring(block, 2, 600);
    EXPECT_EQ(SpringAt(2).m_nOutLevel, 41);
}

}  // namespace
}  // namespace velmora
