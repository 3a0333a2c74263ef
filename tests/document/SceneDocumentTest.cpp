#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "SceneDocumentFixture.h"
#include "engine/EngineFiles.h"
#include "runtime/Runtime.h"
#include "show/ShowFile.h"

namespace velmora {
namespace {

using SceneDocumentTest = testing::SceneDocumentFixture;
using testing::ScratchDir;

TEST_F(SceneDocumentTest, SavingMarksTheCleanStateAndLoadingForgetsTheHistory) {
    const auto path = dir.path() / "spring.ini";
    dir.Write("spring.ini", "[main]\ncount=1\nsp0_ID=9001\nSpringIndex=9002\nChannel2_tagNum=12\n");
    ASSERT_TRUE(doc.Load(path));
    EXPECT_EQ(output.g_ChannelImage[2].size(), 12u);
    EXPECT_FALSE(doc.IsModified());

    ASSERT_TRUE(doc.AddSpringAt(5, 5));
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Save(path));
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Redo());
    EXPECT_FALSE(doc.IsModified());

    // Selection is view state: it neither modifies nor is kept by a load.
    doc.SelectSpring(9001, true);
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.Load(path));
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.SelectedSpringIDs().empty());
    EXPECT_EQ(scene.springs.size(), 2u);
    EXPECT_EQ(scene.m_nNextID, 9003);

    // A file that cannot be read: the defaults, and the reason.
    std::string error;
    dir.MakeDir("notafile.ini");
    EXPECT_FALSE(doc.Load(dir.path() / "notafile.ini", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(scene.springs.empty());
    EXPECT_EQ(output.g_ChannelImage[2].size(), 30u);
}

TEST_F(SceneDocumentTest, ListenersHearEachChangeOnce) {
    std::vector<std::uint32_t> heard;
    doc.AddListener([&](const Change& change) { heard.push_back(change.what); });
    const auto revision = doc.Revision();
    ASSERT_TRUE(doc.AddSpringAt(0, 0));
    ASSERT_TRUE(doc.AddSpringAt(0, 0));
    ASSERT_TRUE(doc.MakeGroup());
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_TRUE(heard[2] & Change::kGroups);
    EXPECT_EQ(doc.Revision(), revision + 3);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(heard.size(), 4u);
    // Nothing to do: no step, no notification.
    EXPECT_FALSE(doc.MoveMember(9003, 0, -1));
    EXPECT_FALSE(doc.MoveSelected(0, 0));
    EXPECT_EQ(heard.size(), 4u);
}

TEST_F(SceneDocumentTest, ClicksAndBandsSelectAsTheCanvasDoes) {
    AddSprings(4);  // 9001..9004 at (0,0), (10,10), (20,20), (30,30), 10 pixels wide
    EXPECT_TRUE(doc.PressAt(9002, 12, 12, false));
    EXPECT_EQ(doc.SelectedSpringIDs(), std::vector<std::int32_t>{9002});
    EXPECT_TRUE(doc.PressAt(9004, 32, 32, true));  // Shift adds
    doc.EndDrag();
    // A click on a selected spring keeps the others, so they can be dragged together.
    EXPECT_TRUE(doc.PressAt(9004, 32, 32, false));
    EXPECT_EQ(doc.SelectedSpringIDs(), (std::vector<std::int32_t>{9002, 9004}));
    doc.EndDrag();
    EXPECT_TRUE(doc.PressAt(9002, 12, 12, true));  // Shift toggles off
    EXPECT_EQ(doc.SelectedSpringIDs(), std::vector<std::int32_t>{9004});
    doc.EndDrag();
    EXPECT_FALSE(doc.PressAt(std::nullopt, 100, 100, false));  // empty place: band
    EXPECT_TRUE(doc.SelectedSpringIDs().empty());
    EXPECT_FALSE(doc.dragging());

    doc.SelectSpring(9004, true);
    doc.SelectInBand(15, 15, 5, 5, true);  // meets 9001 and 9002; Shift keeps 9004
    EXPECT_EQ(doc.SelectedSpringIDs(), (std::vector<std::int32_t>{9001, 9002, 9004}));
    doc.SelectInBand(25, 25, 26, 26, false);
    EXPECT_EQ(doc.SelectedSpringIDs(), std::vector<std::int32_t>{9003});
    EXPECT_EQ(doc.FirstSelectedSpring(), 9003);

    // The selection follows IDs: deleting a spring before it shifts nothing.
    doc.SelectSpring(9001, true);
    doc.SelectSpring(9003, false);
    ASSERT_TRUE(doc.DeleteSelectedSprings());
    doc.SelectSpring(9004, true);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.SelectedSpringIDs(), (std::vector<std::int32_t>{9001, 9004}));
}

TEST_F(SceneDocumentTest, ADragIsOneUndoStepAndArrowMovesOfOneSelectionMerge) {
    AddSprings(3);
    ASSERT_TRUE(doc.PressAt(9002, 15, 14, false));
    doc.SelectSpring(9003, true);  // selected before the press: not dragged
    ASSERT_TRUE(doc.DragTo(40, 40));
    ASSERT_TRUE(doc.DragTo(60, 44));
    doc.EndDrag();
    EXPECT_EQ(scene.springs[1].x, 55);
    EXPECT_EQ(scene.springs[1].y, 40);
    EXPECT_EQ(scene.springs[2].x, 20);
    EXPECT_FALSE(doc.DragTo(70, 70));  // the drag ended

    ASSERT_TRUE(doc.MoveSelected(1, 0));
    ASSERT_TRUE(doc.MoveSelected(1, 0));
    ASSERT_TRUE(doc.MoveSelected(0, -2));
    EXPECT_EQ(scene.springs[1].x, 57);
    EXPECT_EQ(scene.springs[2].y, 18);
    doc.SelectSpring(9003, false);
    ASSERT_TRUE(doc.MoveSelected(5, 5));  // another selection: another step

    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(scene.springs[1].x, 57);
    ASSERT_TRUE(doc.Undo());  // all three arrow presses
    EXPECT_EQ(scene.springs[1].x, 55);
    EXPECT_EQ(scene.springs[2].y, 20);
    ASSERT_TRUE(doc.Undo());  // the whole drag
    EXPECT_EQ(scene.springs[1].x, 10);
    EXPECT_EQ(scene.springs[1].y, 10);
    EXPECT_EQ(doc.UndoText(), "新建");
}

// Which springs a group layer's rotation blocks turn follows the membership:
// an edit of it builds the tracks again, and so does its undo.
TEST(SceneDocumentTracks, MembershipEditsRebuildTheOpenShowsTracks) {
    ScratchDir dir;
    dir.Write("spring.ini",
              "[main]\npulsePerRound=4000\ncount=2\nsp0_ID=1\nsp1_ID=2\nSpringIndex=10\nGroupCount=1\n"
              "GP0_ID=5\nGP0_childCount=1\nGP0_child0=1\n");
    testing::WriteMotor(dir, "turn.motor", {{kMotorMove, 1000, 4000, 0, 0}});
    dir.Write("Music/a.mp3.tlf",
              "[TimeLine]\nLayerCount=1\nly0_GroupID=5\nly0_type=0\nTimeBlockCount=1\nTB0_start=2\n"
              "TB0_end=100\nTB0_nSpecicalType=1\nTB0_nInterval=300\nTB0_szMotor=turn.motor\n");
    Runtime runtime{Workspace(dir.path())};
    ASSERT_TRUE(runtime.Startup());
    ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/a.mp3.tlf"));
    SceneDocument& doc = runtime.sceneDocument();
    EXPECT_FALSE(runtime.scene.FindSpring(1)->m_stepsB.empty());
    EXPECT_TRUE(runtime.scene.FindSpring(2)->m_stepsB.empty());

    doc.SelectSpring(2, true);
    ASSERT_TRUE(doc.AddSelectionToGroup(0));
    EXPECT_FALSE(runtime.scene.FindSpring(2)->m_stepsB.empty());
    ASSERT_TRUE(doc.RemoveMember(5, 0));
    EXPECT_TRUE(runtime.scene.FindSpring(1)->m_stepsB.empty());
    ASSERT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_FALSE(runtime.scene.FindSpring(1)->m_stepsB.empty());
    EXPECT_TRUE(runtime.scene.FindSpring(2)->m_stepsB.empty());

    // The channel dialog reaches the runtime's own senders.
    runtime.g_ModbusThreads[6].m_bReconnect.store(0);
    ChannelSheet sheet = ChannelSheetOf(runtime.scene.g_Channels[6]);
    sheet.IP = "127.0.0.1";
    ASSERT_TRUE(doc.ApplyChannel(7, sheet));
    EXPECT_EQ(runtime.g_ModbusThreads[6].m_bReconnect.load(), 1);

    // Saving through the runtime is the document's save.
    ASSERT_TRUE(runtime.SaveSceneFile());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_NE(testing::ReadAll(dir.path() / "spring.ini").find("Channel6_IP=127.0.0.1"), std::string::npos);
    runtime.Shutdown();
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// What the engine and the senders see under the output lock while the
// operator edits: a channel's slot count always matches its image, and the
// spring list is whole.
TEST_F(SceneDocumentTest, ReadersUnderTheOutputLockNeverSeeAHalfDoneEdit) {
    AddSprings(50);
    std::atomic<bool> stop{false};
    std::atomic<int> mismatches{0};
    std::atomic<long> reads{0};
    std::thread reader([&] {
        while (!stop.load()) {
            std::lock_guard guard(lock);
            if (output.g_ChannelImage[4].size() != OutputImage::SlotsFor(scene.g_Channels[4].tagNum)) ++mismatches;
            long sum = 0;
            for (const CSpring& spring : scene.springs) sum += spring.ID;
            if (scene.FindSpring(9001) != nullptr && scene.FindSpring(9001)->ID != 9001) ++mismatches;
            reads += sum > 0 ? 1 : 0;
        }
    });
    ChannelSheet sheet = ChannelSheetOf(scene.g_Channels[4]);
    for (int i = 0; i < 200; ++i) {
        sheet.tagNum = std::to_string(1 + i % 800);
        doc.ApplyChannel(5, sheet);
        doc.ClearSelection();
        doc.SelectSpring(9001 + i % 50, true);
        ASSERT_TRUE(doc.DeleteSelectedSprings());
        ASSERT_TRUE(doc.Undo());
    }
    stop = true;
    reader.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(scene.springs.size(), 50u);
}

}  // namespace
}  // namespace velmora
