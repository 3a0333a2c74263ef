// The timeline's rules as the document's operations carry them out.

#include <gtest/gtest.h>

#include <vector>

#include "ShowDocumentFixture.h"

namespace velmora::testing {
namespace {

using Edge = ShowDocument::Edge;

TEST_F(ShowDocumentTest, NewBlocksStayAboveRow200AndAreAtLeastFivePixelsLong) {
    EXPECT_FALSE(doc_.CreateBlock(200, 10.0f, 50.0f));
    EXPECT_FALSE(doc_.CreateBlock(-1, 10.0f, 50.0f));
    ASSERT_TRUE(doc_.CreateBlock(199, 10.0f, 11.0f));
    ASSERT_EQ(show_.blocks.size(), 1u);
    EXPECT_EQ(show_.blocks[0].cannel, 199);
    EXPECT_FLOAT_EQ(show_.blocks[0].end, 15.0f);
    EXPECT_EQ(show_.blocks[0].nLightdelay, 100) << "a drawn block has the constructor's values";
    EXPECT_EQ(doc_.UndoText(), "新建时间块");
    ASSERT_TRUE(doc_.CommitRecordedBlock(2, 40.0f, 90.0f));
    EXPECT_FLOAT_EQ(show_.blocks[1].end, 90.0f);
}

TEST_F(ShowDocumentTest, ADragMovesTheUnlockedSelectedBlocksAsOneUndoStep) {
    Block(0, 10.0f, 30.0f);
    Block(1, 40.0f, 60.0f).m_bLocked = 1;
    Block(2, 70.5f, 90.0f);
    doc_.PressBlock(0);
    doc_.SetSelection(std::vector<std::size_t>{0, 1, 2});
    doc_.BeginDrag(15, 10);
    for (int x = 16; x <= 25; ++x) ASSERT_TRUE(doc_.DragTo(x, 10 + 23));
    doc_.EndDrag();
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 20.0f);
    EXPECT_FLOAT_EQ(show_.blocks[0].end, 40.0f);
    EXPECT_EQ(show_.blocks[0].cannel, 1);
    EXPECT_FLOAT_EQ(show_.blocks[1].start, 40.0f) << "locked blocks stay";
    EXPECT_EQ(show_.blocks[1].cannel, 1);
    EXPECT_FLOAT_EQ(show_.blocks[2].start, 80.0f) << "a drag puts the start on a whole pixel";
    EXPECT_FLOAT_EQ(show_.blocks[2].end, 99.5f) << "and keeps the length";
    EXPECT_EQ(show_.blocks[2].cannel, 3);
    EXPECT_EQ(doc_.undoStack().size(), 1u);
    ASSERT_TRUE(doc_.Undo());
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 10.0f);
    EXPECT_FLOAT_EQ(show_.blocks[2].start, 70.5f);

    // A second drag is a step of its own.
    doc_.BeginDrag(15, 10);
    ASSERT_TRUE(doc_.DragTo(16, 10));
    doc_.EndDrag();
    doc_.BeginDrag(16, 10);
    ASSERT_TRUE(doc_.DragTo(18, 10));
    doc_.EndDrag();
    EXPECT_EQ(doc_.undoStack().size(), 2u);
}

TEST_F(ShowDocumentTest, ADragAboveTheFirstRowKeepsTheSelectionOnTheRows) {
    Block(0, 10.0f, 30.0f);
    Block(2, 10.0f, 30.0f);
    doc_.SetSelection(std::vector<std::size_t>{0, 1});
    doc_.BeginDrag(15, 10);
    ASSERT_TRUE(doc_.DragTo(16, 10 - 3 * 23));
    EXPECT_EQ(show_.blocks[0].cannel, 0);
    EXPECT_EQ(show_.blocks[1].cannel, 2) << "the selection keeps its shape";
    ASSERT_TRUE(doc_.DragTo(15, 10 + 250 * 23));
    EXPECT_EQ(show_.blocks[0].cannel, 197);
    EXPECT_EQ(show_.blocks[1].cannel, 199);
}

TEST_F(ShowDocumentTest, ArrowKeysTruncateAndMergeWhileTheSelectionStaysTheSame) {
    Block(0, 10.7f, 20.2f);
    Block(0, 50.0f, 60.0f).m_bLocked = 1;
    Block(1, 80.0f, 90.0f);
    doc_.SetSelection(std::vector<std::size_t>{0, 1});
    ASSERT_TRUE(doc_.Nudge(+1));
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 11.0f);
    EXPECT_FLOAT_EQ(show_.blocks[0].end, 20.0f) << "length 9.5 truncated to 9";
    EXPECT_FLOAT_EQ(show_.blocks[1].start, 50.0f);
    ASSERT_TRUE(doc_.Nudge(+1));
    ASSERT_TRUE(doc_.Nudge(-1));
    ASSERT_TRUE(doc_.Nudge(-1));
    EXPECT_EQ(doc_.undoStack().size(), 1u);
    EXPECT_EQ(doc_.UndoText(), "移动");

    doc_.SetSelection(std::vector<std::size_t>{2});
    ASSERT_TRUE(doc_.Nudge(-1));
    EXPECT_EQ(doc_.undoStack().size(), 2u) << "another selection: another step";
    ASSERT_TRUE(doc_.Undo());
    ASSERT_TRUE(doc_.Undo());
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 10.7f);
    EXPECT_FLOAT_EQ(show_.blocks[0].end, 20.2f);

    doc_.SetSelection(std::vector<std::size_t>{1});
    EXPECT_FALSE(doc_.Nudge(+1)) << "only a locked block selected";
}

TEST_F(ShowDocumentTest, ResizingStopsAtFivePixelsAndLockedBlocksRefuse) {
    Block(0, 100.0f, 200.0f);
    Block(0, 300.0f, 400.0f).m_bLocked = 1;
    const std::uint64_t gesture = doc_.NewGesture();
    ASSERT_TRUE(doc_.Resize(0, Edge::kRight, 150.0f, gesture));
    ASSERT_TRUE(doc_.Resize(0, Edge::kRight, 90.0f, gesture));
    EXPECT_FLOAT_EQ(show_.blocks[0].end, 105.0f);
    EXPECT_EQ(doc_.undoStack().size(), 1u) << "one gesture, one step";
    EXPECT_FALSE(doc_.Resize(0, Edge::kLeft, 104.0f)) << "already at the minimum: nothing to do";
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 100.0f);
    ASSERT_TRUE(doc_.Resize(0, Edge::kLeft, 20.0f));
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 20.0f);
    EXPECT_FALSE(doc_.Resize(1, Edge::kLeft, 250.0f));
    EXPECT_FALSE(doc_.Resize(1, Edge::kRight, 450.0f));
    EXPECT_FLOAT_EQ(show_.blocks[1].start, 300.0f);
    EXPECT_FLOAT_EQ(show_.blocks[1].end, 400.0f);
}

TEST_F(ShowDocumentTest, DeleteAsksThenRemovesTheUnlockedSelectedBlocks) {
    Block(0, 0.0f, 10.0f);
    Block(0, 20.0f, 30.0f).m_bLocked = 1;
    Block(0, 40.0f, 50.0f);
    Block(0, 60.0f, 70.0f);
    const std::int32_t kept = show_.blocks[3].m_nSerial;

    RecordingPrompter no(false);
    EXPECT_FALSE(doc_.DeleteSelected(no));
    EXPECT_TRUE(no.questions.empty()) << "nothing selected: nothing asked";

    doc_.SetSelection(std::vector<std::size_t>{0, 1, 2});
    EXPECT_FALSE(doc_.DeleteSelected(no));
    EXPECT_EQ(no.questions, std::vector<std::string>{"确定删除？（此操作不可恢复！）"});
    EXPECT_EQ(show_.blocks.size(), 4u);

    ASSERT_TRUE(doc_.DeleteSelected(prompter_));
    ASSERT_EQ(show_.blocks.size(), 2u);
    EXPECT_EQ(show_.blocks[0].m_bLocked, 1);
    EXPECT_EQ(show_.blocks[1].m_nSerial, kept);
    EXPECT_EQ(doc_.SelectedCount(), 0u);
    EXPECT_EQ(doc_.UndoText(), "删除");
    ASSERT_TRUE(doc_.Undo());
    ASSERT_EQ(show_.blocks.size(), 4u);
    EXPECT_FLOAT_EQ(show_.blocks[2].start, 40.0f);
}

TEST_F(ShowDocumentTest, TheSelectionFollowsItsBlocksWhenOthersComeAndGo) {
    Block(0, 0.0f, 10.0f);
    Block(0, 20.0f, 30.0f);
    Block(0, 40.0f, 50.0f);
    doc_.SetSelection(std::vector<std::size_t>{0});
    ASSERT_TRUE(doc_.Execute(std::make_unique<DeleteBlocksCommand>(doc_, std::vector<std::size_t>{0}, "删除")));
    doc_.SetSelection(std::vector<std::size_t>{1});  // the block at 40
    ASSERT_TRUE(doc_.Undo());
    EXPECT_EQ(doc_.SelectedIndices(), std::vector<std::size_t>{2});
    doc_.SelectBand(15.0, 0.0, 35.0, 5.0, true);
    EXPECT_EQ(doc_.SelectedIndices(), (std::vector<std::size_t>{1, 2}));
    doc_.SelectBand(15.0, 0.0, 35.0, 5.0, false);
    EXPECT_EQ(doc_.SelectedIndices(), std::vector<std::size_t>{1});
}

TEST_F(ShowDocumentTest, PasteKeepsGapsAndRowsAndSelectsTheNewUnlockedBlocks) {
    // 10 s, 12 s and 15 s at 50 ms a pixel.
    Block(0, 200.0f, 220.0f).m_bLocked = 1;
    Block(4, 240.0f, 250.0f);
    Block(2, 300.0f, 330.0f);
    doc_.SetSelection(std::vector<std::size_t>{0, 1, 2});
    doc_.CopySelection();
    EXPECT_FALSE(doc_.CanUndo()) << "copying is not an undo step";
    doc_.ClearSelection();
    ASSERT_TRUE(doc_.Paste(1000.0f));
    EXPECT_EQ(doc_.UndoText(), "粘贴");
    ASSERT_EQ(show_.blocks.size(), 6u);
    EXPECT_FLOAT_EQ(show_.blocks[3].start, 1000.0f);
    EXPECT_FLOAT_EQ(show_.blocks[3].end, 1020.0f);
    EXPECT_FLOAT_EQ(show_.blocks[4].start, 1040.0f);
    EXPECT_FLOAT_EQ(show_.blocks[5].start, 1100.0f);
    EXPECT_EQ(show_.blocks[4].cannel, 4);
    EXPECT_EQ(show_.blocks[3].m_bLocked, 0);
    EXPECT_NE(show_.blocks[3].m_nSerial, show_.blocks[0].m_nSerial);
    EXPECT_EQ(doc_.SelectedIndices(), (std::vector<std::size_t>{3, 4, 5}));
    ASSERT_TRUE(doc_.Undo());
    EXPECT_EQ(show_.blocks.size(), 3u);
    EXPECT_EQ(doc_.SelectedCount(), 0u) << "the selection before the paste is back";

    doc_.CopySelection();  // nothing selected: the clipboard is emptied
    EXPECT_FALSE(doc_.Paste(0.0f));
}

TEST_F(ShowDocumentTest, LocksAreViewStateAndNeverMarkTheShowModified) {
    Block(0, 0.0f, 10.0f);
    Block(0, 20.0f, 30.0f);
    doc_.SetSelection(std::vector<std::size_t>{1});
    ASSERT_TRUE(doc_.SetLocked(false, true));
    EXPECT_EQ(doc_.UndoText(), "锁定");
    EXPECT_EQ(show_.blocks[0].m_bLocked, 0);
    EXPECT_EQ(show_.blocks[1].m_bLocked, 1);
    ASSERT_TRUE(doc_.SetLocked(true, true));
    EXPECT_EQ(doc_.UndoText(), "全部上锁");
    EXPECT_FALSE(doc_.SetLocked(true, true));
    ASSERT_TRUE(doc_.SetLocked(true, false));
    EXPECT_EQ(doc_.UndoText(), "全部解锁");
    EXPECT_FALSE(doc_.IsModified());
    doc_.Undo();
    EXPECT_EQ(show_.blocks[0].m_bLocked, 1);
    EXPECT_FALSE(doc_.IsModified());
}

TEST_F(ShowDocumentTest, ExpandingAGroupSkipsMissingMembersAndOverwritesTheRowsBelow) {
    show_.layers[6] = {"back", 101, kLayerGroup, 1};
    ASSERT_TRUE(doc_.ExpandGroup(5, 102));  // members 1, 99 (missing), 7, 8
    EXPECT_EQ(doc_.UndoText(), "展开组");
    EXPECT_EQ(show_.layers[5].name, "1");
    EXPECT_EQ(show_.layers[6].name, "7");
    EXPECT_EQ(show_.layers[6].type, kLayerSpring);
    EXPECT_EQ(show_.layers[6].m_bArmed, 1) << "the armed flag belongs to the row";
    EXPECT_EQ(show_.layers[7].GroupID, 8);
    EXPECT_EQ(show_.layers[8].GroupID, -1) << "the missing member used no row";
    ASSERT_TRUE(doc_.ExpandGroup(198, 100));
    EXPECT_EQ(show_.layers[199].GroupID, 2) << "stops at the last row";
    EXPECT_FALSE(doc_.ExpandGroup(5, 555));
    EXPECT_FALSE(doc_.BindRow(5, 555));
    EXPECT_FALSE(doc_.BindRow(200, 100));
    ASSERT_TRUE(doc_.MakeProgramRow(5));
    EXPECT_EQ(show_.layers[5].name, "PROGRAM");
    EXPECT_EQ(show_.layers[5].type, kLayerProgram);
    EXPECT_EQ(doc_.UndoText(), "子程序");
}

TEST_F(ShowDocumentTest, ArmingARowTogglesItAndTheArmedRow) {
    ASSERT_TRUE(doc_.ToggleArmed(4));
    EXPECT_EQ(doc_.armedRow(), 4);
    EXPECT_EQ(show_.layers[4].m_bArmed, 1);
    ASSERT_TRUE(doc_.ToggleArmed(4));
    EXPECT_EQ(doc_.armedRow(), -1);
    EXPECT_EQ(show_.layers[4].m_bArmed, 0);
    doc_.Undo();
    EXPECT_EQ(doc_.armedRow(), 4);
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_FALSE(doc_.ToggleArmed(200));
}

TEST_F(ShowDocumentTest, TheProgramGridAddsSnappedStepsAndRemovesWhatIsClicked) {
    ASSERT_TRUE(doc_.ToggleProgramGrid(2, 47.0f, 1000));  // 1000 ms cells: 20 pixels
    ASSERT_EQ(show_.blocks.size(), 1u);
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 40.0f);
    EXPECT_FLOAT_EQ(show_.blocks[0].end, 60.0f);
    EXPECT_EQ(show_.blocks[0].cannel, 2);
    EXPECT_EQ(doc_.UndoText(), "添加");
    ASSERT_TRUE(doc_.ToggleProgramGrid(3, 50.0f, 1000));  // another row: another block
    ASSERT_TRUE(doc_.ToggleProgramGrid(2, 59.0f, 1000));
    ASSERT_EQ(show_.blocks.size(), 1u);
    EXPECT_EQ(show_.blocks[0].cannel, 3);
    EXPECT_EQ(doc_.UndoText(), "删除");
    EXPECT_FALSE(doc_.ToggleProgramGrid(200, 0.0f, 1000));
    doc_.Undo();
    EXPECT_EQ(show_.blocks.size(), 2u);
}

}  // namespace
}  // namespace velmora::testing
