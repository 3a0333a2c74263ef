#include "editors/FrameAnimationEditor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "app/ScratchDir.h"

namespace velmora {
namespace {

std::vector<std::int32_t> Row(const FrameAnimationEditor& e, int row, int from, int to) {
    std::vector<std::int32_t> out;
    for (int c = from; c <= to; ++c) out.push_back(e.Cell(row, c).m_nLevel);
    return out;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Selects the rectangle from (r1, c1) to (r2, c2) as the mouse does.
void Rectangle(FrameAnimationEditor& e, int r1, int c1, int r2, int c2) {
    e.ClickCell(r1, c1, false, false);
    e.ClickCell(r2, c2, true, false);
}

TEST(FrameAnimationEditorTest, ToolsOnAOneByFourRectangle) {
    FrameAnimationEditor e;
    const std::vector<std::pair<FrameTool, std::vector<std::int32_t>>> cases{
        {FrameTool::SlopeUp, {32, 64, 96, 128}},
        {FrameTool::SlopeDown, {128, 96, 64, 32}},
        {FrameTool::Peak, {64, 128, 128, 64}},
        {FrameTool::Valley, {64, 0, 0, 64}},
    };
    for (const auto& [tool, expected] : cases) {
        Rectangle(e, 1, 0, 1, 3);
        ASSERT_TRUE(e.ApplyTool(tool) || Row(e, 1, 0, 3) == expected);
        EXPECT_EQ(Row(e, 1, 0, 3), expected);
    }
    // Rectangles are visited row by row; the minimum lifts every level.
    FrameSettings s = e.settings();
    s.m_nSlopeMin = 28;
    s.m_nSlopeMax = 128;
    ASSERT_TRUE(e.SetSettings(s));
    Rectangle(e, 2, 0, 3, 1);
    ASSERT_TRUE(e.ApplyTool(FrameTool::SlopeUp));
    EXPECT_EQ(Row(e, 2, 0, 1), (std::vector<std::int32_t>{53, 78}));
    EXPECT_EQ(Row(e, 3, 0, 1), (std::vector<std::int32_t>{103, 128}));
    // An odd count would lift a peak's middle above the maximum: levels stay in 0..128.
    s.m_nSlopeMin = 0;
    ASSERT_TRUE(e.SetSettings(s));
    Rectangle(e, 4, 0, 4, 4);
    ASSERT_TRUE(e.ApplyTool(FrameTool::Peak));
    EXPECT_EQ(Row(e, 4, 0, 4), (std::vector<std::int32_t>{51, 102, 128, 102, 51}));
}

TEST(FrameAnimationEditorTest, ToolsNeedAWholeRectangle) {
    FrameAnimationEditor e;
    EXPECT_FALSE(e.ApplyTool(FrameTool::SlopeUp));
    e.ClickCell(2, 2, false, false);
    EXPECT_FALSE(e.ApplyTool(FrameTool::SlopeUp));  // one corner
    e.ClickCell(1, 1, true, false);                 // second corner above and left
    EXPECT_FALSE(e.ApplyTool(FrameTool::SlopeUp));
    EXPECT_FALSE(CellSelected(e.Cell(1, 1)));
    EXPECT_FALSE(e.CanUndo());
    e.ClickCell(7, 7, false, false);  // outside the 5 x 5 grid in use: no cell there
    EXPECT_EQ(e.corner1().row, 2);
}

TEST(FrameAnimationEditorTest, SelectionFollowsShiftAndCtrl) {
    FrameAnimationEditor e;
    e.ClickCell(0, 0, false, false);
    e.ClickCell(1, 1, true, false);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) EXPECT_TRUE(CellSelected(e.Cell(r, c)));
    e.ClickCell(3, 3, false, true);  // Ctrl adds and toggles
    EXPECT_TRUE(CellSelected(e.Cell(0, 0)));
    EXPECT_TRUE(CellSelected(e.Cell(3, 3)));
    e.ClickCell(3, 3, false, true);
    EXPECT_FALSE(CellSelected(e.Cell(3, 3)));
    e.ClickCell(4, 4, false, false);  // a plain click starts over
    EXPECT_FALSE(CellSelected(e.Cell(0, 0)));
    EXPECT_TRUE(CellSelected(e.Cell(4, 4)));
}

TEST(FrameAnimationEditorTest, IncreaseAndDecreaseStopAtTheLevelBoundsNotTheSlopeLimits) {
    FrameAnimationEditor e;
    FrameSettings s = e.settings();
    s.m_nSlopeMax = 50;
    e.SetSettings(s);
    ASSERT_TRUE(e.WriteValue(0, 0, 126));
    e.ClickCell(0, 0, false, false);
    ASSERT_TRUE(e.Increase());
    EXPECT_EQ(e.Cell(0, 0).m_nLevel, 128);
    EXPECT_FALSE(e.Increase());  // already at the top: no step
    ASSERT_TRUE(e.WriteValue(0, 0, 3));
    ASSERT_TRUE(e.Decrease());
    EXPECT_EQ(e.Cell(0, 0).m_nLevel, 0);
    EXPECT_TRUE(e.WriteValue(1, 1, 900));  // the typed value is limited
    EXPECT_EQ(e.Cell(1, 1).m_nLevel, 128);
    EXPECT_EQ(e.Cell(0, 0).m_nLevel, 128);  // and given to every selected cell
    ASSERT_TRUE(e.ToggleFull(1, 1));
    EXPECT_EQ(e.Cell(1, 1).m_nLevel, 0);
}

TEST(FrameAnimationEditorTest, LevelDragMaths) {
    // Pressed 13 px into the bar of row 0: the level follows the pointer over 26 px.
    EXPECT_EQ(LevelFromDrag(13, 0, 33), 128);
    EXPECT_EQ(LevelFromDrag(13, 0, 46), 64);
    EXPECT_EQ(LevelFromDrag(13, 0, 59), 0);
    EXPECT_EQ(LevelFromDrag(13, 0, 500), 0);
    EXPECT_EQ(LevelFromDrag(13, 2, 106), 64);  // rows are 30 px apart
}

TEST(FrameAnimationEditorTest, CopyAndPasteAtEachAnchor) {
    FrameAnimationEditor e;
    e.WriteValue(0, 0, 10);
    e.WriteValue(0, 1, 20);
    e.WriteValue(1, 0, 30);
    Rectangle(e, 0, 0, 1, 1);
    e.CopyCells();
    ASSERT_TRUE(e.HasCellClipboard());

    e.ClickCell(3, 3, false, false);
    ASSERT_TRUE(e.PasteCells(PasteAnchor::TopLeft));
    EXPECT_EQ(Row(e, 3, 3, 4), (std::vector<std::int32_t>{10, 20}));
    EXPECT_EQ(Row(e, 4, 3, 4), (std::vector<std::int32_t>{30, 0}));
    // The whole cell goes, its selection mark included.
    EXPECT_TRUE(CellSelected(e.Cell(4, 4)));

    e.ClickCell(4, 4, false, false);
    ASSERT_TRUE(e.PasteCells(PasteAnchor::BottomRight));
    EXPECT_EQ(Row(e, 3, 3, 4), (std::vector<std::int32_t>{10, 20}));
    EXPECT_EQ(Row(e, 4, 3, 4), (std::vector<std::int32_t>{30, 0}));

    e.ClickCell(0, 4, false, false);  // the right half falls outside the grid
    ASSERT_TRUE(e.PasteCells(PasteAnchor::TopLeft));
    EXPECT_EQ(e.Cell(0, 4).m_nLevel, 10);
    EXPECT_EQ(e.Cell(1, 4).m_nLevel, 30);
    e.ClickCell(0, 0, false, false);
    ASSERT_TRUE(e.PasteCells(PasteAnchor::TopRight));  // column 1 lands on 0, column 0 off the grid
    EXPECT_EQ(e.Cell(0, 0).m_nLevel, 20);
}

TEST(FrameAnimationEditorTest, RingSelectionAndRotation) {
    FrameAnimationEditor e;
    e.ClickCell(2, 2, false, false);
    ASSERT_TRUE(e.SelectRing());
    EXPECT_EQ(e.ring(), (std::vector<std::pair<int, int>>{{2, 2}}));  // the centre of 5 x 5

    e.ClickCell(0, 2, false, false);
    ASSERT_TRUE(e.SelectRing());
    ASSERT_EQ(e.ring().size(), 16u);
    EXPECT_EQ(e.ring().front(), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(e.ring()[4], (std::pair<int, int>{4, 0}));   // down the left edge
    EXPECT_EQ(e.ring()[8], (std::pair<int, int>{4, 4}));   // along the bottom
    EXPECT_EQ(e.ring()[12], (std::pair<int, int>{0, 4}));  // up the right edge
    EXPECT_EQ(e.ring().back(), (std::pair<int, int>{0, 1}));
    EXPECT_FALSE(CellSelected(e.Cell(2, 2)));
    EXPECT_TRUE(CellSelected(e.Cell(4, 2)));

    e.StrokeLevel(0, 0, 100);  // the head
    ASSERT_TRUE(e.Rotate(true));
    EXPECT_EQ(e.Cell(0, 1).m_nLevel, 100);  // the head's content goes to the tail
    ASSERT_TRUE(e.Rotate(false));
    ASSERT_TRUE(e.Rotate(false));
    EXPECT_EQ(e.Cell(1, 0).m_nLevel, 100);

    // A ring one row high lists each cell once.
    FrameSettings s = e.settings();
    s.m_nCols = 7;
    e.SetSettings(s);
    e.ClickCell(2, 3, false, false);
    ASSERT_TRUE(e.SelectRing());
    EXPECT_EQ(e.ring(), (std::vector<std::pair<int, int>>{{2, 2}, {2, 3}, {2, 4}}));

    e.ClickCell(0, 0, false, false);
    e.ClickCell(1, 1, true, false);
    EXPECT_FALSE(e.SelectRing());  // needs exactly one corner
}

TEST(FrameAnimationEditorTest, PageStripLoopMarksAndPagePaste) {
    FrameAnimationEditor e;
    for (int p = 0; p < 3; ++p) {
        e.SetPage(p);
        e.WriteValue(0, 0, 10 * (p + 1));
        e.SetDuration(100 * (p + 1));
    }
    e.ClickPage(0, false);
    e.ClickPage(2, true);
    ASSERT_TRUE(e.MarkLoop());
    EXPECT_EQ(e.Page(0).m_bLoopStart, 1);
    EXPECT_EQ(e.Page(2).m_bLoopEnd, 1);
    e.ClickPage(1, false);
    ASSERT_TRUE(e.MarkLoop());  // one page: both marks on it, the old ones gone
    EXPECT_EQ(e.Page(0).m_bLoopStart, 0);
    EXPECT_EQ(e.Page(1).m_bLoopStart, 1);
    EXPECT_EQ(e.Page(1).m_bLoopEnd, 1);

    e.ClickPage(0, false);
    e.ClickPage(2, true);
    e.CopyPages();
    ASSERT_EQ(e.PageClipboardSize(), 3u);
    e.ClickPage(8, false);
    ASSERT_TRUE(e.PastePages(true));  // reversed, and cut at the tenth page
    EXPECT_EQ(e.Page(8).m_nodes[0].m_nLevel, 30);
    EXPECT_EQ(e.Page(9).m_nodes[0].m_nLevel, 20);
    EXPECT_EQ(e.Page(9).m_nDuration, 200);
    EXPECT_EQ(e.Page(10).m_nodes[0].m_nLevel, 0);
}

TEST(FrameAnimationEditorTest, SavedFileLayoutAndRoundTrip) {
    testing::ScratchDir dir;
    FrameAnimationEditor e;
    FrameSettings s = e.settings();
    s.m_nPageCount = 3;
    s.m_nSlopeMax = 100;
    e.SetSettings(s);
    e.WriteValue(4, 4, 77);
    e.ClickCell(1, 2, false, false);
    std::string error;
    ASSERT_TRUE(e.Save(dir.path(), "anim", &error)) << error;
    EXPECT_EQ(e.fileName(), "anim.frm");
    EXPECT_FALSE(e.IsModified());
    const std::string bytes = ReadAll(dir.path() / "anim.frm");
    ASSERT_EQ(bytes.size(), 20u + 40020u * 3 + 212u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x9a\x99\x99\x3f", 4));

    FrameAnimationEditor back;
    ASSERT_TRUE(back.Open(dir.path() / "anim.frm", &error)) << error;
    EXPECT_EQ(back.settings(), e.settings());
    EXPECT_EQ(back.Cell(4, 4).m_nLevel, 77);
    EXPECT_TRUE(CellSelected(back.Cell(1, 2)));  // the editor's part of each cell is kept
    EXPECT_EQ(back.Serialize(), bytes);          // unchanged: the same bytes
}

TEST(FrameAnimationEditorTest, OlderVersionsOpenAndUnknownOrDamagedFilesLeaveTheAnimation) {
    FrameComplierCache old;
    old.m_nCols = 4;
    old.m_nRows = 3;
    old.m_nDefaultDuration = 250;
    old.m_pPages.resize(2);
    old.m_pPages[1].m_nodes[0].m_nLevel = 9;
    old.m_nPageCount = 2;
    FrameAnimationEditor e;
    std::string error;
    ASSERT_TRUE(e.Parse(SerializeFrameFile(old, 1.0f), "old.frm", &error)) << error;
    EXPECT_EQ(e.settings().m_nSlopeMax, 128);  // what a 1.0 file leaves at its defaults
    EXPECT_EQ(e.settings().m_nStep, 5);
    EXPECT_EQ(e.Page(1).m_nodes[0].m_nLevel, 9);
    ASSERT_TRUE(e.Parse(SerializeFrameFile(old, 1.1f), "old.frm", &error));

    e.WriteValue(0, 0, 1);
    EXPECT_FALSE(e.Parse(SerializeFrameFile(old, 7.5f), "x.frm", &error));
    EXPECT_NE(error.find("版本"), std::string::npos);
    std::string cut = SerializeFrameFile(old, 1.2f);
    cut.resize(cut.size() / 2);
    EXPECT_FALSE(e.Parse(cut, "x.frm", &error));
    EXPECT_EQ(e.Cell(0, 0).m_nLevel, 1);  // nothing of the refused files came in
    EXPECT_EQ(e.fileName(), "old.frm");
    EXPECT_TRUE(e.IsModified());
}

TEST(FrameAnimationEditorTest, AStrokeIsOneStepAndUndoRestoresPagesAndSettings) {
    FrameAnimationEditor e;
    e.BeginStroke();
    EXPECT_TRUE(e.StrokeLevel(0, 0, 40));
    EXPECT_TRUE(e.StrokeLevel(0, 0, 60));
    EXPECT_TRUE(e.StrokeLevel(0, 1, 60));
    e.EndStroke();
    FrameSettings s = e.settings();
    s.m_nPageCount = 2;
    e.SetPage(5);
    ASSERT_TRUE(e.SetSettings(s));
    EXPECT_EQ(e.page(), 0);  // no longer below the page count

    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.settings().m_nPageCount, 10);
    EXPECT_EQ(e.page(), 5);  // back where the change was made
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.page(), 0);
    EXPECT_EQ(Row(e, 0, 0, 1), (std::vector<std::int32_t>{0, 0}));
    EXPECT_FALSE(e.Undo());
    EXPECT_FALSE(e.IsModified());
    ASSERT_TRUE(e.Redo());
    EXPECT_EQ(Row(e, 0, 0, 1), (std::vector<std::int32_t>{60, 60}));

    e.BeginStroke();  // a drag that changes nothing leaves no step
    e.StrokeLevel(0, 0, 60);
    e.EndStroke();
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Cell(0, 0).m_nLevel, 0);
}

TEST(FrameAnimationEditorTest, InsertAndDeletePagesMoveTheLaterPagesWithUndo) {
    FrameAnimationEditor e;
    FrameSettings s = e.settings();
    s.m_nPageCount = 3;
    ASSERT_TRUE(e.SetSettings(s));
    for (int p = 0; p < 3; ++p) {
        e.SetPage(p);
        e.WriteValue(0, 0, 10 * (p + 1));
    }
    e.ClickPage(1, false);
    ASSERT_TRUE(e.InsertPage());
    ASSERT_EQ(e.settings().m_nPageCount, 4);
    const std::vector<std::int32_t> afterInsert{10, 0, 20, 30};
    for (int p = 0; p < 4; ++p) EXPECT_EQ(e.Page(p).m_nodes[0].m_nLevel, afterInsert[static_cast<std::size_t>(p)]);
    EXPECT_EQ(e.Page(2).m_reserved0, 1);  // the selection stays with its page

    // Deleting the selected range closes the gap and blanks the freed slots.
    e.ClickPage(1, false);
    e.ClickPage(2, true);
    ASSERT_TRUE(e.DeletePages());
    ASSERT_EQ(e.settings().m_nPageCount, 2);
    EXPECT_EQ(e.Page(1).m_nodes[0].m_nLevel, 30);
    EXPECT_EQ(e.Page(2).m_nodes[0].m_nLevel, 0);
    EXPECT_FALSE(e.DeletePages());  // nothing selected any more

    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.settings().m_nPageCount, 4);
    EXPECT_EQ(e.Page(3).m_nodes[0].m_nLevel, 30);
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.settings().m_nPageCount, 3);
    EXPECT_EQ(e.Page(1).m_nodes[0].m_nLevel, 20);

    // One page always stays; a hundred is the most.
    e.ClickPage(0, false);
    e.ClickPage(2, true);
    EXPECT_FALSE(e.DeletePages());
    s = e.settings();
    s.m_nPageCount = kMaxFramePages;
    ASSERT_TRUE(e.SetSettings(s));
    EXPECT_FALSE(e.InsertPage());
}

TEST(FrameAnimationEditorTest, InsertWithoutAStripSelectionGoesBeforeTheCurrentPageAndCoversAHiddenOne) {
    FrameAnimationEditor e;
    FrameSettings s = e.settings();
    s.m_nPageCount = 2;
    e.SetPage(2);
    e.WriteValue(0, 0, 99);  // page 3, about to be hidden
    ASSERT_TRUE(e.SetSettings(s));
    e.SetPage(1);
    e.WriteValue(0, 0, 7);
    ASSERT_TRUE(e.InsertPage());
    EXPECT_EQ(e.Page(1).m_nodes[0].m_nLevel, 0);
    EXPECT_EQ(e.Page(2).m_nodes[0].m_nLevel, 7);
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Page(2).m_nodes[0].m_nLevel, 99);  // the hidden page comes back as it was
}

}  // namespace
}  // namespace velmora
