#include <gtest/gtest.h>

#include "SceneDocumentFixture.h"

namespace velmora {
namespace {

using SceneCommands = testing::SceneDocumentFixture;

TEST_F(SceneCommands, AddingTakesTheCounterAndUndoGivesItBack) {
    ASSERT_TRUE(doc.AddSpringAt(10, 10));       // "新建": selected
    ASSERT_TRUE(doc.AddSpringOnClick(40, 50));  // Ctrl+click: unselected
    EXPECT_EQ(SpringIDs(), (std::vector<std::int32_t>{9001, 9002}));
    EXPECT_EQ(scene.m_nNextID, 9003);
    EXPECT_EQ(scene.springs[1].x, 40);
    EXPECT_EQ(scene.springs[1].y, 50);
    EXPECT_EQ(doc.SelectedSpringIDs(), std::vector<std::int32_t>{9001});

    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(SpringIDs(), std::vector<std::int32_t>{9001});
    EXPECT_EQ(scene.m_nNextID, 9002);
    EXPECT_EQ(scene.FindSpring(9002), nullptr);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(SpringIDs(), (std::vector<std::int32_t>{9001, 9002}));
    EXPECT_EQ(scene.FindSpring(9002), &scene.springs[1]);
    EXPECT_EQ(doc.UndoText(), "新建");

    // Watch mode: "新建" and "删除" do nothing; a Ctrl+click still adds.
    doc.SetMode(SceneDocument::kWatch);
    EXPECT_FALSE(doc.AddSpringAt(0, 0));
    EXPECT_FALSE(doc.DeleteSelectedSprings());
    EXPECT_TRUE(doc.AddSpringOnClick(70, 80));
    EXPECT_EQ(SpringIDs(), (std::vector<std::int32_t>{9001, 9002, 9003}));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(SceneCommands, UndoingADeleteBringsTheRecordsBackWithoutTheirHandRequests) {
    AddSprings(2);
    doc.SelectSpring(9001, true);
    ASSERT_TRUE(doc.MakeGroup());
    scene.springs[0].m_nMotorCmd = 2;  // a jog left running when the spring went
    scene.springs[0].m_nManualLevel = 100;
    scene.groups[0].m_nManualState = 1;
    doc.ClearSelection();
    doc.SelectSpring(9001, true);
    ASSERT_TRUE(doc.DeleteSelectedSprings());
    doc.SelectGroup(scene.groups[0].ID, true);
    ASSERT_TRUE(doc.DeleteSelectedGroups());
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    const CSpring* spring = scene.FindSpring(9001);
    ASSERT_NE(spring, nullptr);
    EXPECT_EQ(spring->m_nMotorCmd, 0);
    EXPECT_EQ(spring->m_nManualLevel, 0);
    ASSERT_EQ(scene.groups.size(), 1u);
    EXPECT_EQ(scene.groups[0].m_nManualState, -1);
}

TEST_F(SceneCommands, DeleteRemovesTheSelectedSpringsAndUndoPutsThemBackInOrder) {
    AddSprings(5);
    EXPECT_FALSE(doc.DeleteSelectedSprings());
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"还没有选择任何元素"});
    EXPECT_EQ(scene.springs.size(), 5u);

    doc.SelectSpring(9001, true);
    ASSERT_TRUE(doc.MakeGroup());  // group 9006 of spring 9001
    doc.SelectSpring(9002, true);
    doc.SelectSpring(9004, true);
    doc.SelectSpring(9001, false);
    ASSERT_TRUE(doc.DeleteSelectedSprings());
    EXPECT_EQ(SpringIDs(), (std::vector<std::int32_t>{9001, 9003, 9005}));
    EXPECT_TRUE(doc.SelectedSpringIDs().empty());
    EXPECT_EQ(scene.FindSpring(9005), &scene.springs[2]);

    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(SpringIDs(), (std::vector<std::int32_t>{9001, 9002, 9003, 9004, 9005}));
    EXPECT_EQ(doc.SelectedSpringIDs(), (std::vector<std::int32_t>{9002, 9004}));
    EXPECT_EQ(scene.springs[3].x, 30);

    // The group panel deletes a group; members naming deleted springs stay.
    doc.ClearSelection();
    doc.SelectSpring(9001, true);
    ASSERT_TRUE(doc.DeleteSelectedSprings());
    EXPECT_EQ(Members(scene.groups[0]), std::vector<std::int32_t>{9001});
    doc.SelectGroup(9006, true);
    ASSERT_TRUE(doc.DeleteSelectedGroups());
    EXPECT_TRUE(scene.groups.empty());
    ASSERT_TRUE(doc.Undo());
    ASSERT_EQ(scene.groups.size(), 1u);
    EXPECT_EQ(scene.FindGroup(9006), &scene.groups[0]);
}

TEST_F(SceneCommands, MakingAGroupCapsItAt450AndSaysSoOnce) {
    AddSprings(500);
    for (const CSpring& spring : scene.springs) doc.SelectSpring(spring.ID, true);
    const std::int32_t counter = scene.m_nNextID;  // 9501
    ASSERT_TRUE(doc.MakeGroup());
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"组内元素太多！"});
    ASSERT_EQ(scene.groups.size(), 1u);
    const CSpringGroup& group = scene.groups[0];
    EXPECT_EQ(group.ID, counter);
    EXPECT_EQ(group.name, "默认组9502");
    EXPECT_EQ(group.childCount, 450);
    EXPECT_EQ(group.children[0], 9001);
    EXPECT_EQ(group.children[449], 9450);
    EXPECT_EQ(group.initX, 0);
    EXPECT_EQ(scene.m_nNextID, counter + 1);

    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(scene.groups.empty());
    EXPECT_EQ(scene.m_nNextID, counter);
}

TEST_F(SceneCommands, AGroupOfNothingIsRefusedButTheCounterAdvances) {
    AddSprings(1);
    ASSERT_TRUE(doc.MakeGroup());
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"没有选择任何元素，组添加失败！"});
    EXPECT_TRUE(scene.groups.empty());
    ASSERT_TRUE(doc.AddSpringAt(0, 0));
    EXPECT_EQ(scene.springs.back().ID, 9003);  // two above the last one given
    EXPECT_TRUE(doc.IsModified());

    // A control button with a matrix layout; a layout needs both sizes.
    ASSERT_TRUE(doc.MakeGroup(4, 3, true));
    EXPECT_EQ(scene.groups[0].name, "特殊按钮9005");
    EXPECT_EQ(scene.groups[0].bSpecialBTN, 1);
    EXPECT_EQ(scene.groups[0].initX, 4);
    EXPECT_EQ(scene.groups[0].initY, 3);
    EXPECT_EQ(doc.UndoText(), "控制按钮");
    ASSERT_TRUE(doc.MakeGroup(4, 0));
    EXPECT_EQ(scene.groups[1].initX, 0);
    EXPECT_EQ(scene.groups[1].initY, 0);
}

TEST_F(SceneCommands, AddingToAGroupAppendsInListOrderUpTo450) {
    AddSprings(3);
    doc.SelectSpring(9003, true);
    doc.SelectSpring(9001, true);
    ASSERT_TRUE(doc.MakeGroup());  // 9004: 9001, 9003
    ASSERT_TRUE(doc.AddSelectionToGroup(0));  // the same IDs appended again
    EXPECT_EQ(Members(scene.groups[0]), (std::vector<std::int32_t>{9001, 9003, 9001, 9003}));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Members(scene.groups[0]), (std::vector<std::int32_t>{9001, 9003}));
    EXPECT_FALSE(doc.AddSelectionToGroup(7));  // no such position

    scene.groups[0].childCount = 449;  // as a file could give it
    ASSERT_TRUE(doc.AddSelectionToGroup(0));
    EXPECT_EQ(scene.groups[0].childCount, 450);
    EXPECT_EQ(scene.groups[0].children[449], 9001);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"组内元素太多！"});
    // Full: nothing is added, the operator is told again.
    EXPECT_FALSE(doc.AddSelectionToGroup(0));
    EXPECT_EQ(prompter.messages.size(), 2u);
}

TEST_F(SceneCommands, MembersAreRemovedAndMovedWithinTheirGroup) {
    AddSprings(3);
    for (const std::int32_t id : {9001, 9002, 9003}) doc.SelectSpring(id, true);
    ASSERT_TRUE(doc.MakeGroup());
    const std::int32_t group = 9004;

    EXPECT_FALSE(doc.MoveMember(group, 0, -1));  // the first cannot move up
    EXPECT_FALSE(doc.MoveMember(group, 2, +1));  // the last cannot move down
    EXPECT_FALSE(doc.RemoveMember(group, 3));    // stale member
    EXPECT_FALSE(doc.RemoveMember(4242, 0));     // stale group
    ASSERT_TRUE(doc.MoveMember(group, 0, +1));
    EXPECT_EQ(Members(scene.groups[0]), (std::vector<std::int32_t>{9002, 9001, 9003}));
    ASSERT_TRUE(doc.RemoveMember(group, 1));
    EXPECT_EQ(Members(scene.groups[0]), (std::vector<std::int32_t>{9002, 9003}));
    EXPECT_EQ(scene.springs.size(), 3u);  // the spring itself stays
    ASSERT_TRUE(doc.RemoveMember(group, 0));
    ASSERT_TRUE(doc.RemoveMember(group, 0));
    EXPECT_EQ(scene.groups[0].childCount, 0);  // an empty group row stays

    for (int i = 0; i < 4; ++i) ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Members(scene.groups[0]), (std::vector<std::int32_t>{9001, 9002, 9003}));
}

TEST_F(SceneCommands, TheSwapsOfOneMemberDragAreOneUndoStep) {
    AddSprings(4);
    for (const std::int32_t id : {9001, 9002, 9003, 9004}) doc.SelectSpring(id, true);
    ASSERT_TRUE(doc.MakeGroup());
    const std::int32_t group = 9005;
    const std::size_t before = doc.undoStack().size();

    // 9004 dragged from the bottom to the top: three swaps, one step.
    const std::uint64_t drag = doc.NewMemberDrag();
    ASSERT_TRUE(doc.MoveMember(group, 3, -1, drag));
    ASSERT_TRUE(doc.MoveMember(group, 2, -1, drag));
    ASSERT_TRUE(doc.MoveMember(group, 1, -1, drag));
    EXPECT_FALSE(doc.MoveMember(group, 0, -1, drag));  // already first
    EXPECT_EQ(Members(scene.groups[0]), (std::vector<std::int32_t>{9004, 9001, 9002, 9003}));
    EXPECT_EQ(doc.undoStack().size(), before + 1);

    // A second drag is a step of its own; swaps without a gesture never merge.
    ASSERT_TRUE(doc.MoveMember(group, 3, -1, doc.NewMemberDrag()));
    ASSERT_TRUE(doc.MoveMember(group, 0, +1));
    ASSERT_TRUE(doc.MoveMember(group, 0, +1));
    EXPECT_EQ(doc.undoStack().size(), before + 4);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Members(scene.groups[0]), (std::vector<std::int32_t>{9004, 9001, 9002, 9003}));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Members(scene.groups[0]), (std::vector<std::int32_t>{9001, 9002, 9003, 9004}));
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Members(scene.groups[0]), (std::vector<std::int32_t>{9004, 9001, 9002, 9003}));
}

TEST_F(SceneCommands, TheSpringSheetKeepsWhatItCannotStore) {
    AddSprings(1);
    CSpring& spring = scene.springs[0];
    spring.BLOCKID2 = 0;
    spring.COMID = "12;3";
    spring.BLOCKID = 4;
    SpringSheet sheet = SpringSheetOf(spring);
    EXPECT_EQ(sheet.BLOCKID2, "---");
    EXPECT_EQ(sheet.COMID2, "---");
    EXPECT_EQ(sheet.COMID, "12;3");
    EXPECT_FALSE(doc.EditSpring(9001, sheet));  // unchanged: no step
    EXPECT_EQ(spring.BLOCKID2, 0);

    sheet.ORGANGLEY = "45.7";
    sheet.COMID = "12345678";  // 8 characters: not stored
    sheet.COMID1 = "7;2";
    sheet.BLOCKID_L = "9x";
    ASSERT_TRUE(doc.EditSpring(9001, sheet));
    EXPECT_EQ(spring.ORGANGLEY, 45.0f);
    EXPECT_EQ(spring.COMID, "12;3");
    EXPECT_EQ(spring.COMID1, "7;2");
    EXPECT_EQ(spring.BLOCKID_L, 9);
    EXPECT_EQ(spring.BLOCKID2, 0);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(spring.ORGANGLEY, 0.0f);
    EXPECT_EQ(spring.COMID1, "");
    EXPECT_EQ(spring.BLOCKID_L, -1);
    EXPECT_FALSE(doc.EditSpring(4242, sheet));
}

TEST_F(SceneCommands, TheGroupSheetCutsTheNameAndShowsMembers) {
    AddSprings(5);
    doc.SelectSpring(9001, true);
    doc.SelectSpring(9005, true);
    ASSERT_TRUE(doc.MakeGroup());
    CSpringGroup& group = scene.groups[0];
    const auto rows = GroupMemberRows(group);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"0", "ID[9001]"}));
    EXPECT_EQ(rows[1], (std::pair<std::string, std::string>{"1", "ID[9005]"}));

    GroupSheet sheet = GroupSheetOf(group);
    EXPECT_EQ(sheet.BLOCKID, "---");
    EXPECT_EQ(sheet.COMID, "---");
    EXPECT_EQ(sheet.bMannual, "否");
    EXPECT_FALSE(doc.EditGroup(group.ID, sheet));  // "---" stored nowhere

    sheet.name = "一二三四五六七八九十甲乙丙丁戊己庚";  // 17 characters
    sheet.nPreTime = "250ms";
    sheet.bMannual = "是";
    sheet.COMID = "3;1";
    ASSERT_TRUE(doc.EditGroup(group.ID, sheet));
    EXPECT_EQ(group.name, "一二三四五六七八九十甲乙丙丁戊");
    EXPECT_EQ(group.nPreTime, 250);
    EXPECT_EQ(group.bMannual, 1);
    EXPECT_EQ(group.COMID, "3;1");
    EXPECT_EQ(group.BLOCKID, -1);
    sheet.bMannual = "yes";
    ASSERT_TRUE(doc.EditGroup(group.ID, sheet));
    EXPECT_EQ(group.bMannual, 0);
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(group.name, "默认组9007");
    EXPECT_EQ(group.COMID, "");
}

TEST_F(SceneCommands, TheSystemSheetTakesOnlyValuesInsideItsRanges) {
    SystemSheet sheet = SystemSheetOf(scene.settings);
    EXPECT_EQ(sheet.gravity, "5.000000");
    for (const char* refused : {"9", "51", "1e2", "", "-"}) {
        sheet.particles = refused;
        EXPECT_FALSE(doc.EditSystemSettings(sheet)) << refused;
    }
    sheet.particles = "50";
    sheet.pulsesZ = "0";  // below 1: refused
    sheet.colourInterval = "1500";
    sheet.gravity = "-9.5";
    sheet.light = "Color/night.color";
    ASSERT_TRUE(doc.EditSystemSettings(sheet));
    EXPECT_EQ(scene.settings.g_nParticleCount, 50);
    EXPECT_EQ(scene.settings.g_nPulsePerRoundZ, 8000);
    EXPECT_EQ(scene.settings.g_nSystemInterval, 1500);
    EXPECT_EQ(scene.settings.g_fGravity, -9.5f);
    EXPECT_EQ(scene.settings.g_strLight, "Color/night.color");
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(scene.settings.g_nParticleCount, 20);
    EXPECT_EQ(scene.settings.g_strLight, "");
}

TEST_F(SceneCommands, PrepareTimeIsAnUndoableSettingThatMarksTheScene) {
    scene.settings.g_nPrepareTime = 300;
    EXPECT_FALSE(doc.SetPrepareTime(300));  // unchanged: no step
    EXPECT_FALSE(doc.SetPrepareTime(-100));
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.SetPrepareTime(400));
    ASSERT_TRUE(doc.SetPrepareTime(500));
    EXPECT_EQ(scene.settings.g_nPrepareTime, 500);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.UndoText(), "准备时间");
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(scene.settings.g_nPrepareTime, 400);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(scene.settings.g_nPrepareTime, 300);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(SceneCommands, ApplyingAChannelReallocatesItsImageAndReconnectsItsSender) {
    output.g_ChannelImage[4][0] = 77;
    ChannelSheet sheet = ChannelSheetOf(scene.g_Channels[4]);
    EXPECT_EQ(sheet.regType, "寄存器");
    EXPECT_FALSE(doc.ApplyChannel(5, sheet));  // nothing changed

    sheet.tagNum = "900";  // refused by the row: 30 stays
    sheet.nStartNum = "100";
    ASSERT_TRUE(doc.ApplyChannel(5, sheet));
    EXPECT_EQ(scene.g_Channels[4].tagNum, 30);
    EXPECT_EQ(scene.g_Channels[4].nStartNum, 100);
    EXPECT_TRUE(reconnected.empty());  // the next request picks up the start address
    EXPECT_EQ(output.g_ChannelImage[4][0], 77);

    sheet.IP = "192.168.100.200:50200-extra";  // 27 characters, cut to 23
    sheet.tagNum = "64";
    sheet.regType = "摇头灯";
    ASSERT_TRUE(doc.ApplyChannel(5, sheet));
    EXPECT_EQ(scene.g_Channels[4].IP, "192.168.100.200:50200-e");
    EXPECT_EQ(scene.g_Channels[4].regType, 5);
    EXPECT_EQ(scene.g_Channels[4].tagNum, 64);
    EXPECT_EQ(output.g_ChannelImage[4], std::vector<std::int32_t>(64, 0));
    EXPECT_EQ(reconnected, std::vector<int>{5});

    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(scene.g_Channels[4].IP, "0.0.0.0");
    EXPECT_EQ(scene.g_Channels[4].tagNum, 30);
    EXPECT_EQ(output.g_ChannelImage[4].size(), 30u);
    EXPECT_EQ(reconnected, (std::vector<int>{5, 5}));

    // A free text in the type combo is the motor type; 0 slots are ignored.
    sheet = ChannelSheetOf(scene.g_Channels[0]);
    sheet.regType = "servo";
    sheet.tagNum = "0";
    ASSERT_TRUE(doc.ApplyChannel(1, sheet));
    EXPECT_EQ(scene.g_Channels[0].regType, 2);
    EXPECT_EQ(scene.g_Channels[0].tagNum, 30);
    EXPECT_FALSE(doc.ApplyChannel(101, sheet));

    // A file's type 4 reads "灯光"; editing another row of that channel
    // keeps the 4, and only choosing a type changes it.
    scene.g_Channels[6].regType = 4;
    sheet = ChannelSheetOf(scene.g_Channels[6]);
    EXPECT_EQ(sheet.regType, "灯光");
    sheet.deviceID = "9";
    ASSERT_TRUE(doc.ApplyChannel(7, sheet));
    EXPECT_EQ(scene.g_Channels[6].regType, 4);
    sheet.regType = "寄存器";
    ASSERT_TRUE(doc.ApplyChannel(7, sheet));
    EXPECT_EQ(scene.g_Channels[6].regType, 1);
}

TEST_F(SceneCommands, AFileSlotCountAbove800IsStoredAs800) {
    scene.g_Channels[2].tagNum = 900;
    output.Reallocate(scene.g_Channels);
    const ChannelSheet sheet = ChannelSheetOf(scene.g_Channels[2]);
    ASSERT_TRUE(doc.ApplyChannel(3, sheet));
    EXPECT_EQ(scene.g_Channels[2].tagNum, 800);
    EXPECT_EQ(output.g_ChannelImage[2].size(), 800u);
    EXPECT_TRUE(reconnected.empty());
}

}  // namespace
}  // namespace velmora
