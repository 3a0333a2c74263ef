#include "editors/ColourSequenceEditor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/Profile.h"
#include "app/ScratchDir.h"
#include "engine/ColourSequenceFile.h"

namespace velmora {
namespace {

Profile Parse(std::string_view text) {
    Profile p;
    EXPECT_TRUE(p.LoadFromBytes(text));
    return p;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<COLORREF> Colours(const ColourSequenceEditor& e) {
    std::vector<COLORREF> out;
    for (const auto& b : e.colours()) out.push_back(b.colour);
    return out;
}

TEST(ColourSequenceEditorTest, TheTwoReadingsDifferOnlyInTheirTypeDefault) {
    const Profile noType = Parse("[Main]\nNum=2\ncolor1=255\nCOLOR2=16711680\ncolor3=65280\n");
    ColourSequenceEditor atOpening;
    atOpening.LoadAtOpening(noType, "a.color");
    EXPECT_EQ(atOpening.type(), 0);
    // Red and blue change places between the file and memory; Num limits the read.
    EXPECT_EQ(Colours(atOpening), (std::vector<COLORREF>{0xFF0000, 0x0000FF}));
    ColourSequenceEditor byOpen;
    byOpen.LoadByOpen(noType, "b.color");
    EXPECT_EQ(byOpen.type(), 500);
    EXPECT_EQ(Colours(byOpen), Colours(atOpening));
    EXPECT_EQ(byOpen.fileName(), "b.color");

    ColourSequenceEditor typed;
    typed.LoadByOpen(Parse("[main]\nnum=1\nTYPE=7\nColor1=1\n"), "c.color");
    EXPECT_EQ(typed.type(), 7);
    EXPECT_EQ(Colours(typed), (std::vector<COLORREF>{0x010000}));
}

TEST(ColourSequenceEditorTest, DamagedCountsGiveAnEmptyOrCutSequence) {
    ColourSequenceEditor e;
    e.LoadAtOpening(Parse("[Main]\nNum=-4\ncolor1=1\n"), "x");
    EXPECT_TRUE(e.colours().empty());
    std::string note;
    e.LoadAtOpening(Parse("[Main]\nNum=2000000000\n"), "x", &note);
    EXPECT_EQ(e.colours().size(), static_cast<std::size_t>(kMaxColours));
    EXPECT_FALSE(note.empty());
}

TEST(ColourSequenceEditorTest, SavedFileReadsBackInTheCompilerWithTheSameColours) {
    testing::ScratchDir dir;
    ColourSequenceEditor e;
    e.LoadAtOpening(Profile{}, "new");
    e.Append();
    ASSERT_TRUE(e.SetColour(0, 0xFF0000));  // blue as a COLORREF
    e.Append();
    std::string error;
    ASSERT_TRUE(e.Save(dir.path(), "seq", &error)) << error;
    EXPECT_EQ(e.fileName(), "seq.color");
    EXPECT_FALSE(e.IsModified());
    EXPECT_EQ(ReadAll(dir.path() / "seq.color"), "[Main]\nNum=2\ntype=0\ncolor1=255\ncolor2=16711680\n");

    LightComplierCache read;
    ASSERT_TRUE(LoadColourFile(dir.path() / "seq.color", read));
    EXPECT_EQ(read.m_listColours, Colours(e));
    // A name that already ends in .color is not given a second one.
    ASSERT_TRUE(e.Save(dir.path(), "seq.color", &error));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "seq.color.color"));
}

TEST(ColourSequenceEditorTest, SavingOverALongerFileKeepsItsOtherKeys) {
    testing::ScratchDir dir;
    dir.Write("long.color", "[Main]\r\nNum=3\r\nType=9\r\ncolor1=1\r\ncolor2=2\r\ncolor3=3\r\nNote=kept\r\n");
    Profile p;
    ASSERT_TRUE(p.Load(dir.path() / "long.color"));
    ColourSequenceEditor e;
    e.LoadAtOpening(p, "long.color");
    e.Select(2);
    ASSERT_TRUE(e.DeleteCurrent());
    std::string error;
    ASSERT_TRUE(e.Save(dir.path(), "long", &error)) << error;
    EXPECT_EQ(ReadAll(dir.path() / "long.color"),
              "[Main]\r\nNum=2\r\nType=9\r\ncolor1=1\r\ncolor2=2\r\ncolor3=3\r\nNote=kept\r\n");
    LightComplierCache read;
    LoadColourFile(dir.path() / "long.color", read);
    EXPECT_EQ(read.m_listColours.size(), 2u);
}

TEST(ColourSequenceEditorTest, AFileThatCannotBeReadIsNotWrittenOver) {
    testing::ScratchDir dir;
    std::filesystem::create_directories(dir.path() / "busy.color");  // a folder where the file would be
    ColourSequenceEditor e;
    e.Append();
    std::string error;
    EXPECT_FALSE(e.Save(dir.path(), "busy", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(e.IsModified());
    EXPECT_EQ(e.fileName(), "");
}

TEST(ColourSequenceEditorTest, MovesAndDeletesFollowTheSelectionAndStopAtTheEnds) {
    ColourSequenceEditor e;
    e.LoadAtOpening(Parse("[Main]\nNum=3\ncolor1=1\ncolor2=2\ncolor3=3\n"), "m");
    EXPECT_FALSE(e.MoveForward());  // nothing selected
    EXPECT_FALSE(e.DeleteCurrent());
    e.Select(0);
    EXPECT_FALSE(e.MoveForward());  // first
    ASSERT_TRUE(e.MoveBack());
    EXPECT_EQ(e.current(), 1);
    EXPECT_EQ(Colours(e), (std::vector<COLORREF>{0x020000, 0x010000, 0x030000}));
    EXPECT_EQ(e.colours()[1].selected, 1);  // the mark travels with the swatch
    e.Select(2);
    EXPECT_FALSE(e.MoveBack());  // last
    ASSERT_TRUE(e.DeleteCurrent());
    // The index stays; past the end it names nothing rather than a swatch that is not there.
    EXPECT_EQ(e.current(), -1);
    e.Select(0);
    ASSERT_TRUE(e.DeleteCurrent());
    EXPECT_EQ(e.current(), 0);
    EXPECT_EQ(e.colours()[0].selected, 1);
    EXPECT_EQ(Colours(e), (std::vector<COLORREF>{0x010000}));
    e.Select(7);
    EXPECT_EQ(e.current(), -1);
}

TEST(ColourSequenceEditorTest, EveryEditUndoesAndRedoesAndTheModifiedFlagFollowsTheSave) {
    testing::ScratchDir dir;
    ColourSequenceEditor e;
    e.LoadAtOpening(Profile{}, "u");
    EXPECT_FALSE(e.CanUndo());
    e.Append();
    e.Append();
    ASSERT_TRUE(e.SetColour(1, 0x00FF00));
    EXPECT_FALSE(e.SetColour(1, 0x00FF00));  // no change, no step
    std::string error;
    ASSERT_TRUE(e.Save(dir.path(), "u", &error));
    const auto saved = Colours(e);
    ASSERT_TRUE(e.Undo());
    EXPECT_TRUE(e.IsModified());
    EXPECT_EQ(Colours(e), (std::vector<COLORREF>{0xFF, 0xFF}));
    ASSERT_TRUE(e.Redo());
    EXPECT_FALSE(e.IsModified());
    EXPECT_EQ(Colours(e), saved);
    ASSERT_TRUE(e.Undo());
    ASSERT_TRUE(e.Undo());
    e.Append();  // a new edit after undo: the saved state is out of reach
    EXPECT_FALSE(e.CanRedo());
    EXPECT_TRUE(e.IsModified());
    while (e.Undo()) {
    }
    EXPECT_TRUE(e.colours().empty());
    EXPECT_TRUE(e.IsModified());
}

// The 灯光 dialog's interval lives in the type value: held to its range,
// undone with the swatches, and written back as "type".
TEST(ColourSequenceEditorTest, TheIntervalIsTheTypeValueHeldToItsRangeAndUndone) {
    testing::ScratchDir dir;
    ColourSequenceEditor e;
    e.LoadAtOpening(Parse("[Main]\nNum=1\ncolor1=255\n"), "t.color");
    ASSERT_EQ(e.type(), 0);
    EXPECT_TRUE(e.SetType(5));  // below the range: the least interval
    EXPECT_EQ(e.type(), 100);
    EXPECT_FALSE(e.SetType(100));
    EXPECT_TRUE(e.SetType(2000000));
    EXPECT_EQ(e.type(), 999999);
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.type(), 100);
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.type(), 0);
    EXPECT_FALSE(e.IsModified());
    ASSERT_TRUE(e.Redo());
    std::string error;
    ASSERT_TRUE(e.Save(dir.path(), "t", &error)) << error;
    EXPECT_EQ(Parse(ReadAll(dir.path() / "t.color")).GetInt("Main", "type", 0), 100);
}

TEST(EditHistoryTest, TheSavedStateFallingOutOfTheHistoryStaysModified) {
    EditHistory<int> h;
    int state = 0;
    h.MarkClean();
    for (std::size_t i = 0; i < EditHistory<int>::kMaxSteps + 1; ++i) {
        h.Record(state);
        ++state;
    }
    while (h.Undo(state)) {
    }
    EXPECT_EQ(state, 1);  // the oldest step was let go
    EXPECT_TRUE(h.IsModified());
}

}  // namespace
}  // namespace velmora
