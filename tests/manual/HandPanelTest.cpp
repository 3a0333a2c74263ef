// The hand panel's logic: the mode switch and what it drops, the toggle
// against the engine's published state, the cell grid, and whether a
// request can reach its controllers.
#include <gtest/gtest.h>

#include <atomic>

#include "manual/HandPanel.h"

namespace velmora {
namespace {

class HandPanelTest : public ::testing::Test {
protected:
    HandPanelTest() {
        AddSpring(9001, 1);
        AddSpring(9002, 1);
        AddSpring(9003, 2);
        AddGroup(9100, {9001, 9002});  // a normal group
        AddGroup(9101, {9003}).bSpecialBTN = 1;
        AddGroup(9102, {9003}).bMannual = 1;
    }

    CSpring& AddSpring(std::int32_t id, std::int32_t channel) {
        CSpring s;
        s.ID = id;
        s.BLOCKID = channel;
        s.COMID = "1";
        s.BLOCKID_L = channel;
        s.COMID_L = "2";
        scene_.springs.push_back(s);
        scene_.Reindex();
        return *scene_.FindSpring(id);
    }
    CSpringGroup& AddGroup(std::int32_t id, std::initializer_list<std::int32_t> members) {
        CSpringGroup g;
        g.ID = id;
        g.name = "G" + std::to_string(id);
        for (const std::int32_t m : members) g.children[static_cast<std::size_t>(g.childCount++)] = m;
        scene_.groups.push_back(g);
        scene_.Reindex();
        return *scene_.FindGroup(id);
    }
    CSpringGroup& Group(std::int32_t id) { return *scene_.FindGroup(id); }
    CSpring& Spring(std::int32_t id) { return *scene_.FindSpring(id); }

    // What the engine would publish after driving `onIds` by hand.
    EngineSnapshot Published(std::initializer_list<std::int32_t> onIds) const {
        EngineSnapshot s;
        s.tick = 1;
        for (const CSpringGroup& g : scene_.groups) {
            GroupSnapshot gs;
            gs.ID = g.ID;
            for (const std::int32_t id : onIds)
                if (id == g.ID) gs.m_nAppliedState = 1;
            s.groups.push_back(gs);
        }
        return s;
    }

    Scene scene_;
    std::atomic<std::int32_t> flag_{0};
    HandPanel panel_{scene_, flag_};
};

TEST_F(HandPanelTest, WatchModeLocksNormalGroupsButNotSpecialOrManualOnes) {
    EXPECT_EQ(panel_.mode(), HandPanelMode::Watch);
    EXPECT_FALSE(panel_.Toggle(9100, nullptr));
    EXPECT_EQ(Group(9100).m_nManualState.Get(), -1);
    EXPECT_EQ(Spring(9001).m_nManualLevel.Get(), 0);

    EXPECT_TRUE(panel_.Toggle(9101, nullptr));
    EXPECT_EQ(Group(9101).m_nManualState.Get(), 1);
    EXPECT_TRUE(panel_.Toggle(9102, nullptr));
    EXPECT_EQ(Group(9102).m_nManualState.Get(), 1);

    const auto cells = panel_.Cells(nullptr, ChannelStates{});
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_FALSE(cells[0].live);
    EXPECT_TRUE(cells[1].live);
    EXPECT_TRUE(cells[1].special);
    EXPECT_TRUE(cells[2].live);
}

TEST_F(HandPanelTest, ModeSwitchSetsTheFlagAndWatchDropsAllButSpecialRequests) {
    panel_.SetMode(1);
    EXPECT_EQ(flag_.load(), 1);
    EXPECT_EQ(panel_.mode(), HandPanelMode::Hand);
    for (const std::int32_t id : {9100, 9101, 9102}) EXPECT_TRUE(panel_.Toggle(id, nullptr));
    Group(9100).m_nManualState = 0;  // an "off" request is dropped too

    panel_.SetMode(7);  // not a tool-bar button
    EXPECT_EQ(flag_.load(), 1);

    panel_.SetMode(0);
    EXPECT_EQ(flag_.load(), 0);
    EXPECT_EQ(panel_.mode(), HandPanelMode::Watch);
    EXPECT_EQ(Group(9100).m_nManualState.Get(), -1);
    EXPECT_EQ(Group(9101).m_nManualState.Get(), 1);
    EXPECT_EQ(Group(9102).m_nManualState.Get(), -1);
}

TEST_F(HandPanelTest, WatchClearsTheHandLevelsOfDroppedGroupsButNotOfStandingOnes) {
    AddGroup(9103, {9002, 9003});  // normal, shares 9002 with 9100 and 9003 with the special 9101
    panel_.SetMode(1);
    for (const std::int32_t id : {9100, 9101, 9103}) ASSERT_TRUE(panel_.Toggle(id, nullptr));
    panel_.SetMode(0);
    EXPECT_EQ(Spring(9001).m_nManualLevel.Get(), 0);
    EXPECT_EQ(Spring(9001).m_nManualColour.Get(), 0u);
    EXPECT_EQ(Spring(9002).m_nManualLevel.Get(), 0);
    // Still under the special button's standing request.
    EXPECT_EQ(Spring(9003).m_nManualLevel.Get(), kHandOnLevel);
    EXPECT_EQ(Spring(9003).m_nManualColour.Get(), kHandOnColour);
}

TEST_F(HandPanelTest, ToggleFollowsTheAppliedStateNotThePreviousRequest) {
    panel_.SetMode(1);
    // Twice before the engine ran: both ask for "on".
    ASSERT_TRUE(panel_.Toggle(9100, nullptr));
    ASSERT_TRUE(panel_.Toggle(9100, nullptr));
    EXPECT_EQ(Group(9100).m_nManualState.Get(), 1);
    EXPECT_EQ(Spring(9001).m_nManualLevel.Get(), kHandOnLevel);
    EXPECT_EQ(Spring(9002).m_nManualColour.Get(), kHandOnColour);

    // The engine drove it: the next click turns it off, members to 0/0.
    const EngineSnapshot on = Published({9100});
    ASSERT_TRUE(panel_.Toggle(9100, &on));
    EXPECT_EQ(Group(9100).m_nManualState.Get(), 0);
    EXPECT_EQ(Spring(9001).m_nManualLevel.Get(), 0);
    EXPECT_EQ(Spring(9002).m_nManualColour.Get(), 0u);
    // Only its own members changed.
    EXPECT_EQ(Spring(9003).m_nManualLevel.Get(), 0);

    const auto cells = panel_.Cells(&on, ChannelStates{});
    EXPECT_TRUE(cells[0].applied);
    EXPECT_FALSE(cells[1].applied);
}

TEST_F(HandPanelTest, StaleIdsAndMissingMembersDoNothingHarmful) {
    panel_.SetMode(1);
    EXPECT_FALSE(panel_.Toggle(4242, nullptr));
    // A member removed from the scene is skipped, the rest still follow.
    scene_.springs.erase(scene_.springs.begin());
    scene_.Reindex();
    EXPECT_TRUE(panel_.Toggle(9100, nullptr));
    EXPECT_EQ(Spring(9002).m_nManualLevel.Get(), kHandOnLevel);
    // A snapshot from before an edit (other order) is matched by ID.
    EngineSnapshot old = Published({9102});
    std::swap(old.groups[0], old.groups[2]);
    const auto cells = panel_.Cells(&old, ChannelStates{});
    EXPECT_TRUE(cells[2].applied);
    EXPECT_FALSE(cells[0].applied);
}

TEST_F(HandPanelTest, CellsWrapWhereTheNextOneWouldPassTheScrollBarEdge) {
    // 130 wide: two per row (the second partly under the bar); 119: one.
    const auto wide = HandCellPlaces(3, 130);
    ASSERT_EQ(wide.size(), 3u);
    EXPECT_EQ(wide[1].left, 60);
    EXPECT_EQ(wide[1].top, 0);
    EXPECT_EQ(wide[2].left, 0);
    EXPECT_EQ(wide[2].top, 60);
    const auto narrow = HandCellPlaces(2, 119);
    EXPECT_EQ(narrow[1].left, 0);
    EXPECT_EQ(narrow[1].top, 60);
    const auto row = HandCellPlaces(5, 300);  // 300 = 4 * 60 + 60: five fit
    EXPECT_EQ(row[4].left, 240);
    EXPECT_EQ(row[4].top, 0);
    EXPECT_TRUE(HandCellPlaces(4, 59).empty());
}

TEST_F(HandPanelTest, ContentHeightCoversEveryRowAndTheVisibleArea) {
    EXPECT_EQ(HandContentHeight(10, 140, 0), 10 / 2 * 60 + 60);
    EXPECT_EQ(HandContentHeight(10, 140, 900), 900);
    EXPECT_EQ(HandContentHeight(0, 140, 0), 60);
    // Narrower than a cell plus the bar: one per row, no division by zero.
    EXPECT_EQ(HandContentHeight(3, 70, 0), 3 * 60 + 60);
    for (int width = 60; width <= 700; width += 7) {
        for (const int count : {1, 7, 31}) {
            const auto places = HandCellPlaces(count, width);
            EXPECT_LE(places.back().top + kHandCellSize, HandContentHeight(count, width, 0))
                << width << " " << count;
        }
    }
}

TEST_F(HandPanelTest, RequestIsDeliveredOnlyWhenEveryChannelItDrivesIsConnected) {
    ChannelStates states{};
    states.fill(ChannelState::Connected);
    EXPECT_TRUE(HandRequestDelivered(scene_, Group(9100), states));

    states[1] = ChannelState::Failed;  // channel 2: spring 9003's pump and light
    EXPECT_TRUE(HandRequestDelivered(scene_, Group(9100), states));
    EXPECT_FALSE(HandRequestDelivered(scene_, Group(9101), states));

    // The group's own switch counts too; an output without address does not.
    states.fill(ChannelState::Connected);
    Group(9100).BLOCKID = 5;
    Group(9100).COMID = "3";
    states[4] = ChannelState::Connecting;
    EXPECT_FALSE(HandRequestDelivered(scene_, Group(9100), states));
    Group(9100).COMID.clear();
    EXPECT_TRUE(HandRequestDelivered(scene_, Group(9100), states));
    Spring(9001).BLOCKID1 = 5;  // the valve
    Spring(9001).COMID1 = "4";
    EXPECT_FALSE(HandRequestDelivered(scene_, Group(9100), states));

    // Only a standing request is marked.
    panel_.SetMode(1);
    auto cells = panel_.Cells(nullptr, states);
    EXPECT_TRUE(cells[0].delivered);
    ASSERT_TRUE(panel_.Toggle(9100, nullptr));
    cells = panel_.Cells(nullptr, states);
    EXPECT_TRUE(cells[0].requested);
    EXPECT_FALSE(cells[0].delivered);
}

}  // namespace
}  // namespace velmora
