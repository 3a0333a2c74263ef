// The group debug panel's requests: selection rules, the slider's maths,
// level steps, colour toggles, the group switch and the reset, and what a
// scene that changed under the panel does to them.
#include <gtest/gtest.h>

#include "engine/EngineSnapshot.h"
#include "manual/GroupDebug.h"
#include "scene/Scene.h"

namespace velmora {
namespace {

constexpr std::int32_t kGroupId = 9100;

// Five springs 9001..9005, all members of one group in that order.
class GroupDebugTest : public testing::Test {
protected:
    GroupDebugTest() {
        for (std::int32_t id = 9001; id <= 9005; ++id) {
            CSpring spring;
            spring.ID = id;
            scene.springs.push_back(spring);
        }
        CSpringGroup group;
        group.ID = kGroupId;
        group.name = "环形";
        group.childCount = 5;
        for (int i = 0; i < 5; ++i) group.children[static_cast<std::size_t>(i)] = 9001 + i;
        scene.groups.push_back(group);
        scene.Reindex();
    }
    CSpring& Spring(std::int32_t id) { return *scene.FindSpring(id); }
    std::vector<std::size_t> Selected(const GroupDebug& debug) const {
        std::vector<std::size_t> out;
        for (std::size_t i = 0; i < debug.memberCount(); ++i)
            if (debug.IsSelected(i)) out.push_back(i);
        return out;
    }

    Scene scene;
};

using Indices = std::vector<std::size_t>;

TEST_F(GroupDebugTest, ClicksSelectTogglesAndExtendFromTheAnchor) {
    GroupDebug debug(scene, kGroupId);
    ASSERT_EQ(debug.memberCount(), 5u);

    debug.Click(1, false, false);
    EXPECT_EQ(Selected(debug), Indices({1}));
    debug.Click(3, true, false);  // Shift: anchor..clicked
    EXPECT_EQ(Selected(debug), Indices({1, 2, 3}));
    EXPECT_EQ(debug.anchor(), 1u);
    debug.Click(4, true, false);  // the anchor stays, the range is rebuilt
    EXPECT_EQ(Selected(debug), Indices({1, 2, 3, 4}));

    debug.Click(2, false, true);  // Ctrl toggles one and moves the anchor
    EXPECT_EQ(Selected(debug), Indices({1, 3, 4}));
    EXPECT_EQ(debug.anchor(), 2u);
    debug.Click(0, false, true);
    EXPECT_EQ(Selected(debug), Indices({0, 1, 3, 4}));
    EXPECT_EQ(debug.FirstSelectedId(), 9001);

    // Shift+Ctrl adds the range to what is there.
    debug.Click(1, false, false);
    debug.Click(3, true, true);
    EXPECT_EQ(Selected(debug), Indices({1, 2, 3}));

    // A plain click starts over.
    debug.Click(4, false, false);
    EXPECT_EQ(Selected(debug), Indices({4}));
    debug.Click(99, false, false);  // no such cell: nothing changes
    EXPECT_EQ(Selected(debug), Indices({4}));
}

TEST_F(GroupDebugTest, ShiftClickBeforeTheAnchorLeavesNothingSelected) {
    GroupDebug debug(scene, kGroupId);
    debug.Click(3, false, false);
    debug.Click(1, true, false);
    EXPECT_TRUE(Selected(debug).empty());
    EXPECT_EQ(debug.anchor(), 3u);
    // Without an anchor, Shift selects the one cell and makes it the anchor.
    GroupDebug fresh(scene, kGroupId);
    fresh.Click(2, true, false);
    EXPECT_EQ(Selected(fresh), Indices({2}));
    EXPECT_EQ(fresh.anchor(), 2u);
}

TEST_F(GroupDebugTest, NothingSelectedShowsNoLevelNoKnobAndChangesNothing) {
    GroupDebug debug(scene, kGroupId);
    Spring(9001).m_nManualLevel = 40;
    EXPECT_FALSE(debug.ShownLevel());
    EXPECT_FALSE(debug.KnobTop());
    EXPECT_FALSE(debug.BeginKnobDrag(150));
    debug.DragKnobTo(60);
    debug.StepLevel(+1);
    debug.SetLevel(GroupDebug::kOnLevel);
    debug.ToggleChannel(ColourChannel::Green);
    for (const CSpring& s : scene.springs) {
        EXPECT_EQ(s.m_nManualLevel, s.ID == 9001 ? 40 : 0);
        EXPECT_EQ(s.m_nManualOn, -1);
        EXPECT_EQ(s.m_nManualColour, 0u);
    }
    // The current colour still changes: it is the panel's own.
    EXPECT_EQ(debug.colour(), MakeColour(0, 255, 0));
}

TEST_F(GroupDebugTest, KnobDragMapsPixelsToLevelsForEverySelectedMember) {
    GroupDebug debug(scene, kGroupId);
    debug.Click(0, false, false);
    debug.Click(2, false, true);
    Spring(9001).m_nManualLevel = 50;
    EXPECT_EQ(debug.KnobTop(), 108);

    // Grabbed 10 px below the knob's top edge.
    ASSERT_TRUE(debug.BeginKnobDrag(118));
    debug.DragKnobTo(158 + 10);  // knob at the very bottom
    EXPECT_EQ(Spring(9001).m_nManualLevel, 0);
    EXPECT_EQ(Spring(9001).m_nManualOn, 0);
    EXPECT_EQ(Spring(9003).m_nManualLevel, 0);
    debug.DragKnobTo(157 + 10);  // one pixel higher
    EXPECT_EQ(Spring(9001).m_nManualLevel, 1);
    EXPECT_EQ(Spring(9001).m_nManualOn, 1);
    EXPECT_EQ(Spring(9003).m_nManualOn, 1);
    debug.DragKnobTo(400);  // far below: still 0
    EXPECT_EQ(Spring(9003).m_nManualLevel, 0);
    debug.DragKnobTo(-50);  // far above: 128
    EXPECT_EQ(Spring(9003).m_nManualLevel, 128);
    EXPECT_EQ(debug.KnobTop(), 30);
    EXPECT_EQ(Spring(9002).m_nManualLevel, 0);  // not selected
    EXPECT_EQ(Spring(9002).m_nManualOn, -1);

    debug.EndKnobDrag();
    debug.DragKnobTo(158);
    EXPECT_EQ(Spring(9003).m_nManualLevel, 128);
}

TEST_F(GroupDebugTest, StepsStayWithinTheLevelRangePerMember) {
    GroupDebug debug(scene, kGroupId);
    debug.SelectAll();
    Spring(9001).m_nManualLevel = 126;
    Spring(9002).m_nManualLevel = 1;
    for (int i = 0; i < 5; ++i) debug.StepLevel(+1);
    EXPECT_EQ(Spring(9001).m_nManualLevel, 128);
    EXPECT_EQ(Spring(9002).m_nManualLevel, 6);
    for (int i = 0; i < 10; ++i) debug.StepLevel(-1);
    EXPECT_EQ(Spring(9002).m_nManualLevel, 0);
    EXPECT_EQ(Spring(9002).m_nManualOn, 0);
    EXPECT_EQ(Spring(9001).m_nManualLevel, 118);
    EXPECT_EQ(debug.ShownLevel(), 118);

    debug.SetLevel(GroupDebug::kOnLevel);
    for (const CSpring& s : scene.springs) EXPECT_EQ(s.m_nManualLevel, 100);
    debug.SetLevel(0);
    for (const CSpring& s : scene.springs) EXPECT_EQ(s.m_nManualOn, 0);
}

TEST_F(GroupDebugTest, ColourTogglesFlipOneComponentAndReachTheSelection) {
    GroupDebug debug(scene, kGroupId);
    debug.Click(1, false, false);
    debug.SetColour(MakeColour(255, 0, 0));
    EXPECT_EQ(Spring(9002).m_nManualColour, 0x0000FFu);
    debug.ToggleChannel(ColourChannel::Red);  // pure red -> black
    EXPECT_EQ(debug.colour(), 0u);
    EXPECT_EQ(Spring(9002).m_nManualColour, 0u);

    debug.ToggleChannel(ColourChannel::Blue);
    debug.ToggleChannel(ColourChannel::Green);
    EXPECT_EQ(Spring(9002).m_nManualColour, 0xFFFF00u);  // 0x00BBGGRR
    EXPECT_TRUE(debug.ChannelOn(ColourChannel::Blue));
    EXPECT_FALSE(debug.ChannelOn(ColourChannel::Red));

    // A picked colour with a half component: that component reads as on,
    // and toggling it clears it, leaving the others.
    debug.SetColour(MakeColour(12, 128, 200));
    debug.ToggleChannel(ColourChannel::Green);
    EXPECT_EQ(debug.colour(), MakeColour(12, 0, 200));
    EXPECT_EQ(Spring(9001).m_nManualColour, 0u);  // never selected
}

TEST_F(GroupDebugTest, GroupSwitchAndResetCoverEveryMember) {
    GroupDebug debug(scene, kGroupId);
    EXPECT_FALSE(debug.GroupStateOn());  // -1: no request
    debug.SetGroupState(1);
    EXPECT_EQ(scene.groups[0].m_nManualState, 1);
    EXPECT_TRUE(debug.GroupStateOn());
    debug.SetGroupState(0);
    EXPECT_FALSE(debug.GroupStateOn());

    debug.SelectAll();
    debug.SetLevel(90);
    debug.SetColour(0x123456u);
    debug.Click(0, false, false);
    debug.Reset();
    for (const CSpring& s : scene.springs) {
        EXPECT_EQ(s.m_nManualLevel, 0) << s.ID;
        EXPECT_EQ(s.m_nManualColour, 0u) << s.ID;
        EXPECT_EQ(s.m_nManualOn, 0) << s.ID;
    }
    EXPECT_FALSE(debug.AnySelected());
    EXPECT_EQ(scene.groups[0].m_nManualState, 0);  // the reset leaves the group's switch
}

TEST_F(GroupDebugTest, MembersThatLeftTheSceneAreSkippedAndTheSelectionFollowsIDs) {
    // A member ID with no spring is not a cell.
    scene.groups[0].children[5] = 7777;
    scene.groups[0].childCount = 6;
    GroupDebug debug(scene, kGroupId);
    ASSERT_EQ(debug.memberCount(), 5u);

    debug.Click(1, false, false);
    debug.Click(3, true, false);  // 9002..9004, anchor 9002
    // 9003 leaves the scene: actions skip it before the panel syncs.
    scene.springs.erase(scene.springs.begin() + 2);
    scene.Reindex();
    debug.SetLevel(77);
    EXPECT_EQ(Spring(9002).m_nManualLevel, 77);
    EXPECT_EQ(Spring(9004).m_nManualLevel, 77);

    debug.Sync();
    EXPECT_EQ(debug.members(), std::vector<std::int32_t>({9001, 9002, 9004, 9005}));
    EXPECT_EQ(Selected(debug), Indices({1, 2}));
    EXPECT_EQ(debug.anchor(), 1u);

    // The first selected member leaves: the next one is shown.
    scene.springs.erase(scene.springs.begin() + 1);
    scene.Reindex();
    Spring(9004).m_nManualLevel = 12;
    EXPECT_EQ(debug.FirstSelectedId(), 9004);
    EXPECT_EQ(debug.ShownLevel(), 12);

    // The group itself goes: nothing to show, nothing to switch.
    scene.groups.clear();
    scene.Reindex();
    debug.SetGroupState(1);
    debug.Sync();
    EXPECT_EQ(debug.memberCount(), 0u);
    EXPECT_EQ(debug.Group(), nullptr);
    EXPECT_FALSE(debug.GroupStateOn());
    debug.Reset();
    debug.Click(0, false, false);
    EXPECT_FALSE(debug.AnySelected());
}

TEST_F(GroupDebugTest, ViewsReadTheEngineSnapshotByID) {
    GroupDebug debug(scene, kGroupId);
    debug.Click(1, false, false);
    Spring(9002).m_bLit = 1;
    Spring(9002).m_nOutLevel = 64;
    Spring(9002).m_crColor = 0x00FF00u;
    EngineSnapshotBuffer buffer;
    buffer.Capture(scene, 0.0, 0);
    buffer.Publish(1, 1.0f, 0.0f);
    EngineSnapshot snapshot;
    ASSERT_TRUE(buffer.Read(snapshot));

    std::vector<DebugMemberView> views = debug.Views(&snapshot);
    ASSERT_EQ(views.size(), 5u);
    EXPECT_TRUE(views[1].lit);
    EXPECT_TRUE(views[1].selected);
    EXPECT_EQ(views[1].outLevel, 64);
    EXPECT_EQ(views[1].colour, 0x00FF00u);
    EXPECT_FALSE(views[0].lit);
    EXPECT_TRUE(debug.FirstSelectedOutputOn(&snapshot));

    // A spring inserted before it: the snapshot's row no longer matches.
    CSpring newcomer;
    newcomer.ID = 9500;
    scene.springs.insert(scene.springs.begin(), newcomer);
    scene.Reindex();
    views = debug.Views(&snapshot);
    EXPECT_FALSE(views[1].lit);
    EXPECT_FALSE(debug.FirstSelectedOutputOn(&snapshot));
    EXPECT_FALSE(debug.Views(nullptr)[1].lit);
}

}  // namespace
}  // namespace velmora
