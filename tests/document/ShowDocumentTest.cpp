// The show document as a whole: undo puts the show back bit for bit, the
// saved state, zoom steps, notifications and which motor tracks a change
// rebuilds.

#include <gtest/gtest.h>

#include <vector>

#include "ShowDocumentFixture.h"
#include "engine/ShowCompiler.h"
#include "show/ShowFile.h"

namespace velmora::testing {
namespace {

TEST_F(ShowDocumentTest, EveryEditUndoesToTheExactStateAndRedoesToTheExactResult) {
    Block(0, 10.3f, 40.7f, kActionRotateZ);
    Block(1, 50.0f, 90.0f).m_bLocked = 1;
    Block(3, 33.33f, 66.67f, kActionRotateY);
    const ShowState original = StateOf(show_);
    std::vector<ShowState> after;

    auto step = [&](bool done) {
        ASSERT_TRUE(done);
        after.push_back(StateOf(show_));
    };
    step(doc_.SetScale(7));  // positions no longer exact multiples of anything
    step(doc_.CreateBlock(4, 12.0f, 13.0f));
    doc_.SetSelection(std::vector<std::size_t>{0, 1, 2});
    doc_.BeginDrag(20, 5);
    step(doc_.DragTo(57, 5 + 2 * 23));
    doc_.EndDrag();
    step(doc_.Resize(2, ShowDocument::Edge::kLeft, 1.0f));
    doc_.CopySelection();
    step(doc_.Paste(500.0f));
    step(doc_.SetLocked(true, true));
    step(doc_.SetLocked(false, false));  // the pasted blocks, which are the selection
    step(doc_.DeleteSelected(prompter_));
    step(doc_.BindRow(5, 101));
    step(doc_.ExpandGroup(0, 102));
    step(doc_.MakeProgramRow(9));
    step(doc_.ToggleArmed(9));
    step(doc_.SetScale(50));

    for (std::size_t i = after.size(); i-- > 0;) {
        EXPECT_EQ(StateOf(show_), after[i]) << "before undoing step " << i;
        ASSERT_TRUE(doc_.Undo());
    }
    EXPECT_EQ(StateOf(show_), original);
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_FALSE(show_.m_bModified);
    for (const ShowState& state : after) {
        ASSERT_TRUE(doc_.Redo());
        EXPECT_EQ(StateOf(show_), state);
    }
    EXPECT_TRUE(show_.m_bModified);
}

TEST_F(ShowDocumentTest, ZoomUndoRestoresThePositionsTakenAtThatScale) {
    Block(0, 33.33f, 66.67f);
    Block(0, 100.1f, 200.9f);
    const ShowState original = StateOf(show_);
    ASSERT_TRUE(doc_.SetScale(25));
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 66.66f);
    ASSERT_TRUE(doc_.SetScale(7));
    doc_.SetSelection(std::vector<std::size_t>{1});
    ASSERT_TRUE(doc_.Nudge(+1));
    ASSERT_TRUE(doc_.SetScale(50));
    while (doc_.CanUndo()) doc_.Undo();
    EXPECT_EQ(StateOf(show_), original) << "the inverse factor would round; the recorded positions do not";
    EXPECT_TRUE(doc_.SetScale(50)) << "the scale it has: accepted, nothing to do";
    EXPECT_FALSE(doc_.CanUndo());
    EXPECT_FALSE(doc_.SetScale(0));
    EXPECT_FALSE(doc_.IsModified()) << "a zoom alone is not a change of the file";
}

TEST_F(ShowDocumentTest, SaveAsksWhenModifiedAndMarksTheCleanIndex) {
    const auto path = dir_.path() / "a.tlf";
    ASSERT_TRUE(doc_.CreateBlock(0, 20.0f, 50.0f));
    EXPECT_TRUE(doc_.IsModified());
    EXPECT_TRUE(show_.m_bModified);

    RecordingPrompter no(false);
    EXPECT_FALSE(doc_.Save(path, no));
    EXPECT_EQ(no.questions, std::vector<std::string>{"是否保存被修改的文件？"});
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(doc_.IsModified());

    RecordingPrompter yes(true);
    ASSERT_TRUE(doc_.Save(path, yes));
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_FALSE(show_.m_bModified);

    ASSERT_TRUE(doc_.Undo());
    EXPECT_TRUE(doc_.IsModified()) << "undone past the saved state";
    ASSERT_TRUE(doc_.Redo());
    EXPECT_FALSE(doc_.IsModified()) << "back at the saved state";

    RecordingPrompter quiet(false);
    EXPECT_TRUE(doc_.Save(path, quiet)) << "an unmodified show is written without asking";
    EXPECT_TRUE(quiet.questions.empty());
}

TEST_F(ShowDocumentTest, SaveAtAnotherScaleWritesFileUnitsAndKeepsOlderStepsRight) {
    const auto path = dir_.path() / "zoomed.tlf";
    Block(0, 20.0f, 50.0f);
    ASSERT_TRUE(doc_.SetScale(20));  // 20..50 at scale 50 is 50..125 here
    doc_.SetSelection(std::vector<std::size_t>{0});
    doc_.BeginDrag(60, 5);
    ASSERT_TRUE(doc_.DragTo(70, 5));  // +10 pixels at scale 20: 4 units of the file
    doc_.EndDrag();
    RecordingPrompter yes(true);
    ASSERT_TRUE(doc_.Save(path, yes));
    EXPECT_EQ(show_.m_nScale, 50);
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 24.0f);

    Show reread;
    ASSERT_TRUE(LoadShow(path, reread, &scene_));
    EXPECT_FLOAT_EQ(reread.blocks[0].start, 24.0f);
    EXPECT_FLOAT_EQ(reread.blocks[0].end, 54.0f);

    // Undo first leaves scale 50 again, then the drag goes back in the
    // units it was made in: the block is where it was before the drag.
    ASSERT_TRUE(doc_.Undo());
    EXPECT_EQ(show_.m_nScale, 20);
    ASSERT_TRUE(doc_.Undo());
    EXPECT_FLOAT_EQ(show_.blocks[0].start, 50.0f);
    EXPECT_FLOAT_EQ(show_.blocks[0].end, 125.0f);
}

TEST_F(ShowDocumentTest, ListenersHearOnceForEveryChangeAndNotAtAllForNothing) {
    Block(0, 0.0f, 10.0f);
    Block(0, 20.0f, 30.0f);
    Block(0, 40.0f, 50.0f);
    std::vector<Change> heard;
    doc_.AddListener([&](const Change& c) { heard.push_back(c); });

    doc_.SetSelection(std::vector<std::size_t>{0, 1, 2});
    EXPECT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard.back().what, Change::kSelection);
    doc_.CopySelection();
    EXPECT_EQ(heard.size(), 1u) << "copying changes nothing";
    ASSERT_TRUE(doc_.Paste(100.0f));
    ASSERT_EQ(heard.size(), 2u) << "three blocks pasted, one notification";
    EXPECT_TRUE(heard.back().what & Change::kBlockList);
    const std::uint64_t revision = doc_.Revision();
    doc_.Undo();
    doc_.Redo();
    EXPECT_EQ(heard.size(), 4u);
    EXPECT_EQ(doc_.Revision(), revision + 2);

    EXPECT_FALSE(doc_.CreateBlock(200, 0.0f, 10.0f));
    EXPECT_FALSE(doc_.SetLocked(false, false)) << "nothing locked: nothing to unlock";
    EXPECT_EQ(heard.size(), 4u);

    ASSERT_TRUE(doc_.Load(dir_.path() / "missing.tlf"));
    EXPECT_EQ(heard.size(), 5u);
    EXPECT_FALSE(doc_.CanUndo()) << "a load starts the history afresh";
    EXPECT_EQ(doc_.SelectedCount(), 0u);
}

TEST_F(ShowDocumentTest, AnEditRebuildsTheTracksOfTheSpringsItTouchesAndNoOthers) {
    Block(0, 10.0f, 100.0f, kActionRotateZ);   // springs 1..4
    Block(3, 20.0f, 100.0f, kActionRotateZ);   // spring 7
    Block(1, 30.0f, 100.0f, kActionFlatWave);  // no tracks
    doc_.UpdateMotorActions();
    ASSERT_EQ(Z(1).size(), 2u);
    EXPECT_FLOAT_EQ(Z(1)[0].m_fTime, 500.0f);
    const TrackPoint* spring7 = Z(7).data();

    doc_.SetSelection(std::vector<std::size_t>{0});
    doc_.BeginDrag(10, 5);
    ASSERT_TRUE(doc_.DragTo(30, 5));
    doc_.EndDrag();
    EXPECT_FLOAT_EQ(Z(1)[0].m_fTime, 1500.0f);
    EXPECT_EQ(Z(7).data(), spring7) << "spring 7's track was not rebuilt";

    // The partial rebuild gives what a whole compile gives.
    std::vector<SpringTracks> whole;
    BuildTracks(scene_, show_, caches_, whole);
    for (std::size_t i = 0; i < scene_.springs.size(); ++i) {
        ASSERT_EQ(scene_.springs[i].m_stepsB.size(), whole[i].m_stepsB.size()) << i;
        for (std::size_t p = 0; p < whole[i].m_stepsB.size(); ++p)
            EXPECT_EQ(Bits(scene_.springs[i].m_stepsB[p].m_fTime), Bits(whole[i].m_stepsB[p].m_fTime));
    }

    // Moving a rotation block to another row rebuilds both rows' springs.
    doc_.BeginDrag(30, 5);
    ASSERT_TRUE(doc_.DragTo(30, 5 + 23));  // row 1: springs 5 and 6
    doc_.EndDrag();
    EXPECT_TRUE(Z(1).empty());
    EXPECT_EQ(Z(5).size(), 2u);
    ASSERT_TRUE(doc_.Undo());
    EXPECT_EQ(Z(1).size(), 2u);
    EXPECT_TRUE(Z(5).empty());

    // A flat wave touches no track at all.
    const TrackPoint* spring1 = Z(1).data();
    doc_.SetSelection(std::vector<std::size_t>{2});
    ASSERT_TRUE(doc_.Nudge(+1));
    EXPECT_EQ(Z(1).data(), spring1);
    EXPECT_EQ(Z(7).data(), spring7);
}

TEST_F(ShowDocumentTest, RebindingARowUnderARotationBlockMovesItsTracks) {
    Block(1, 10.0f, 100.0f, kActionRotateZ);
    doc_.UpdateMotorActions();
    ASSERT_EQ(Z(5).size(), 2u);
    ASSERT_TRUE(doc_.BindRow(1, 100));
    EXPECT_EQ(show_.layers[1].name, "front");
    EXPECT_TRUE(Z(5).empty());
    EXPECT_EQ(Z(2).size(), 2u);
    ASSERT_TRUE(doc_.UnbindRow(1));
    EXPECT_TRUE(Z(2).empty());
    EXPECT_EQ(show_.layers[1].GroupID, -1);
    doc_.Undo();
    doc_.Undo();
    EXPECT_EQ(Z(5).size(), 2u);
    EXPECT_TRUE(Z(2).empty());
}

TEST_F(ShowDocumentTest, NewPropertiesReadTheEditedMotorFileForEveryBlockThatRunsIt) {
    Block(0, 0.0f, 100.0f, kActionRotateZ);
    Block(3, 0.0f, 100.0f, kActionRotateZ);
    doc_.UpdateMotorActions();
    ASSERT_EQ(Z(7).size(), 2u);
    // The operator edits the program: two moves now.
    dir_.Write("motor/turn.motor",
               "[Main]\nNum=2\nInterval=500\n[MOB0]\nAct=1\np0=1000\np1=4000\np2=0\n"
               "[MOB1]\nAct=1\np0=1000\np1=4000\np2=0\n");
    TimeBlock edited = show_.blocks[0];
    edited.nInterval = 100;
    ASSERT_TRUE(doc_.SetBlockProperties(0, edited));
    EXPECT_EQ(doc_.UndoText(), "属性");
    EXPECT_EQ(show_.blocks[0].nInterval, 100);
    EXPECT_EQ(show_.blocks[0].m_nSerial, edited.m_nSerial);
    EXPECT_EQ(Z(2).size(), 3u);
    EXPECT_FLOAT_EQ(Z(2)[0].m_fTime, 100.0f);
    EXPECT_EQ(Z(7).size(), 3u) << "the other block running the program follows the new file";
    ASSERT_TRUE(doc_.Undo());
    EXPECT_EQ(show_.blocks[0].nInterval, 0);
    EXPECT_FLOAT_EQ(Z(2)[0].m_fTime, 0.0f);
}

// With an asset slot the engine's prepared files follow the show: a load
// swaps them in under the same hold of the lock as the show itself, a
// property edit naming another file prepares them again, a move does not.
TEST_F(ShowDocumentTest, PreparedAssetsGoInWithTheShowAndFollowEditsThatNameFiles) {
    std::shared_ptr<const ShowAssets> slot;
    doc_.SetAssetSlot(&slot);
    dir_.Write("motor/other.motor", "[Main]\nNum=1\nInterval=500\n[MOB0]\nAct=1\np0=1000\np1=2000\np2=0\n");
    dir_.Write("Music/a.tlf", "[TimeLine]\nTimeBlockCount=1\nTB0_cannel=3\nTB0_start=0\nTB0_end=100\n"
                              "TB0_nSpecicalType=1\nTB0_szMotor=turn.motor\n");
    bool seenWithShow = false;
    ASSERT_TRUE(doc_.Load(dir_.path() / "Music/a.tlf", nullptr, [&] {
        seenWithShow = slot && slot->FindMotorProgram("turn.motor") != nullptr;
    }));
    EXPECT_TRUE(seenWithShow);

    const ShowAssets* prepared = slot.get();
    doc_.SetSelection(std::vector<std::size_t>{0});
    ASSERT_TRUE(doc_.Nudge(1));
    EXPECT_EQ(slot.get(), prepared) << "a move names no new file";

    TimeBlock edited = show_.blocks[0];
    edited.szMotor = "other.motor";
    ASSERT_TRUE(doc_.SetBlockProperties(0, edited));
    ASSERT_NE(slot.get(), prepared);
    EXPECT_NE(slot->FindMotorProgram("other.motor"), nullptr);
}

TEST_F(ShowDocumentTest, TheMusicMultiplierRowTakesOnlyValuesItAcceptsAndUndoes) {
    ASSERT_FLOAT_EQ(show_.g_fMusicMultiplier, 2.0f);
    EXPECT_FALSE(doc_.SetMusicMultiplier("25"));   // beyond 1..20
    EXPECT_FALSE(doc_.SetMusicMultiplier("1e1"));  // not the row's characters
    EXPECT_FALSE(doc_.SetMusicMultiplier("2.000000"));  // nothing changes
    EXPECT_FALSE(doc_.IsModified());
    ASSERT_TRUE(doc_.SetMusicMultiplier("3.5"));
    EXPECT_FLOAT_EQ(show_.g_fMusicMultiplier, 3.5f);
    EXPECT_TRUE(show_.m_bModified);
    EXPECT_EQ(doc_.UndoText(), "音乐倍乘");
    ASSERT_TRUE(doc_.Undo());
    EXPECT_FLOAT_EQ(show_.g_fMusicMultiplier, 2.0f);
    EXPECT_FALSE(doc_.IsModified());
}

}  // namespace
}  // namespace velmora::testing
