#include <gtest/gtest.h>

#include <deque>

#include "FakeStarter.h"
#include "app/Profile.h"
#include "app/Prompter.h"
#include "app/ScratchDir.h"
#include "media/MusicList.h"
#include "media/Transport.h"

namespace velmora {
namespace {

using testing::FakeStarter;
using Paths = std::vector<std::string>;

class MusicListTest : public ::testing::Test {
protected:
    // A list of a.mp3, b.mp3, c.mp3 whose random draws come from `draws`.
    void SetUp() override { list_.Add({"C:\\music\\a.mp3", "/srv/music/b.mp3", "c.mp3"}); }

    std::deque<int> draws_;
    FakeStarter starter_;
    CMusicList list_{&starter_, [this] {
                         const int v = draws_.front();
                         draws_.pop_front();
                         return v;
                     }};
};

TEST_F(MusicListTest, NamesAreTheFilePartOfThePath) {
    EXPECT_EQ(list_.m_list[0].name, "a.mp3");
    EXPECT_EQ(list_.m_list[1].name, "b.mp3");
    EXPECT_EQ(list_.m_list[2].name, "c.mp3");
    EXPECT_EQ(list_.m_nCurrent, -1);
    EXPECT_EQ(list_.m_bRandom, 0);
    EXPECT_EQ(list_.m_bRepeat, 1);
    EXPECT_EQ(list_.m_bList, 1);
}

TEST_F(MusicListTest, ListModeStepsAndWrapsOnlyWithRepeat) {
    list_.Step(+1);
    list_.Step(+1);
    list_.Step(+1);
    list_.Step(+1);  // past the last: wraps to the first
    EXPECT_EQ(starter_.Paths(), (Paths{"C:\\music\\a.mp3", "/srv/music/b.mp3", "c.mp3", "C:\\music\\a.mp3"}));
    EXPECT_EQ(list_.m_nCurrent, 0);
    list_.Step(-1);  // before the first: the last
    EXPECT_EQ(list_.m_nCurrent, 2);

    list_.ToggleRepeat();
    starter_.calls.clear();
    list_.Step(+1);  // at the last with Repeat off: nothing follows
    EXPECT_TRUE(starter_.calls.empty());
    EXPECT_EQ(list_.m_nCurrent, 2);
    list_.Step(0);
    EXPECT_TRUE(starter_.calls.empty());
}

TEST_F(MusicListTest, ListOffRepeatsTheSamePieceOrStops) {
    list_.DoubleClick(1);
    list_.ToggleList();
    starter_.calls.clear();
    list_.OnEndOfEntry(1);
    list_.Step(-1);
    EXPECT_EQ(starter_.Paths(), (Paths{"/srv/music/b.mp3", "/srv/music/b.mp3"}));
    list_.ToggleRepeat();
    starter_.calls.clear();
    list_.OnEndOfEntry(1);
    EXPECT_TRUE(starter_.calls.empty());
    EXPECT_EQ(list_.m_nCurrent, 1);
}

TEST_F(MusicListTest, RandomDrawsPreviousThenNextAndMayRepeatTheCurrent) {
    list_.ToggleRandom();
    list_.DoubleClick(2);
    draws_ = {7, 5};  // previous = 7 mod 3 = 1, next = 5 mod 3 = 2
    list_.Step(+1);
    EXPECT_EQ(list_.m_nCurrent, 2);
    draws_ = {7, 5};
    list_.Step(-1);
    EXPECT_EQ(list_.m_nCurrent, 1);
    EXPECT_TRUE(draws_.empty());
    EXPECT_EQ(starter_.Paths(), (Paths{"c.mp3", "c.mp3", "/srv/music/b.mp3"}));
}

TEST_F(MusicListTest, EmptyListStartsNothingEvenInRandomMode) {
    CMusicList empty(&starter_, [] { return 1; });
    empty.ToggleRandom();
    empty.Step(+1);
    empty.Step(-1);
    EXPECT_TRUE(starter_.calls.empty());
    EXPECT_EQ(empty.m_nCurrent, -1);
}

TEST_F(MusicListTest, DoubleClickFallsBackToTheNextPiece) {
    starter_.missing = {"/srv/music/b.mp3"};
    list_.DoubleClick(1);
    EXPECT_EQ(starter_.Paths(), (Paths{"/srv/music/b.mp3", "c.mp3"}));
    EXPECT_EQ(list_.m_nCurrent, 2);
}

TEST_F(MusicListTest, DraggingKeepsThePlayingDotOnItsPiece) {
    list_.DoubleClick(1);  // b playing
    // Drag b (row 1) up above row 1's top: it moves to row 0 and stays current.
    list_.Press(23 + 5, false);
    list_.Move(10);
    EXPECT_EQ(list_.m_list[0].name, "b.mp3");
    EXPECT_EQ(list_.m_nCurrent, 0);
    EXPECT_EQ(list_.m_nDragRow, 0);
    EXPECT_EQ(list_.m_list[0].selected, 1);
    list_.Release();
    // Drag the neighbour c (row 2) up past b: b moves down one.
    list_.Press(2 * 23 + 1, false);
    list_.Move(30);  // above row 2: c to row 1
    list_.Move(5);   // above row 1: c to row 0, b is pushed to row 1
    EXPECT_EQ(list_.m_list[0].name, "c.mp3");
    EXPECT_EQ(list_.m_list[1].name, "b.mp3");
    EXPECT_EQ(list_.m_nCurrent, 1);
    // Dragging down past the end does nothing.
    list_.Release();
    list_.Press(2 * 23, false);
    list_.Move(1000);
    EXPECT_EQ(list_.m_list[2].name, "a.mp3");
}

TEST_F(MusicListTest, DeleteAsksAndKeepsTheCurrentIndex) {
    RecordingPrompter no(false);
    RecordingPrompter yes(true);
    EXPECT_FALSE(list_.DeleteSelected(yes));  // nothing clicked: Delete is disabled
    EXPECT_TRUE(yes.questions.empty());
    list_.DoubleClick(2);
    list_.Press(1, false);
    list_.Press(23 + 1, true);  // Ctrl adds b to the selection
    EXPECT_TRUE(list_.DeleteEnabled());
    EXPECT_FALSE(list_.DeleteSelected(no));
    EXPECT_EQ(list_.m_list.size(), 3u);
    EXPECT_TRUE(list_.DeleteSelected(yes));
    EXPECT_EQ(yes.questions, (Paths{"确定删除？（此操作不可恢复！）"}));
    ASSERT_EQ(list_.m_list.size(), 1u);
    EXPECT_EQ(list_.m_nCurrent, 2);  // now names no entry
    EXPECT_FALSE(list_.DeleteEnabled());
    starter_.calls.clear();
    list_.Step(+1);  // 3 is past the end: wraps to the first
    EXPECT_EQ(starter_.Paths(), (Paths{"c.mp3"}));
}

TEST_F(MusicListTest, ClickOutsideRowsClearsTheSelection) {
    list_.Press(5, false);
    list_.Press(23 * 2 + 2, true);
    EXPECT_EQ(list_.m_list[0].selected + list_.m_list[2].selected, 2);
    list_.Press(23 * 2 + 2, true);  // Ctrl toggles off
    EXPECT_EQ(list_.m_list[2].selected, 0);
    list_.Press(23 * 10, false);
    EXPECT_EQ(list_.m_list[0].selected, 0);
    EXPECT_FALSE(list_.DeleteEnabled());
    EXPECT_EQ(list_.m_nDragRow, -1);
}

TEST(MusicListFileTest, LoadsMusicCountAndSavesMusiccountLeavingLongerKeys) {
    testing::ScratchDir dir;
    const auto ini = dir.Write("spring.ini",
                               "[MusicList]\r\nMusicCount=3\r\nmu0_path=D:\\m\\one.mp3\r\nmu1_path=\r\n"
                               "mu2_path=two.mp3\r\nmu3_path=stale.mp3\r\n");
    Profile profile;
    ASSERT_TRUE(profile.Load(ini));
    CMusicList list;
    list.LoadMusicList(profile);
    ASSERT_EQ(list.m_list.size(), 3u);
    EXPECT_EQ(list.m_list[0].name, "one.mp3");
    EXPECT_EQ(list.m_list[1].path, "");  // an empty path is still an entry
    list.m_list.pop_back();
    list.SaveMusicList(profile);
    ASSERT_TRUE(profile.Save());

    Profile again;
    ASSERT_TRUE(again.Load(ini));
    EXPECT_EQ(again.GetInt("MusicList", "MusicCount", -1), 2);
    EXPECT_EQ(again.GetString("MusicList", "mu3_path", ""), "stale.mp3");
    CMusicList reloaded;
    reloaded.LoadMusicList(again);
    ASSERT_EQ(reloaded.m_list.size(), 2u);
    EXPECT_EQ(reloaded.m_list[0].path, "D:\\m\\one.mp3");
    EXPECT_EQ(again.Serialize().find("\r\n") != std::string::npos, true);  // line ends kept
}

TEST(MusicListFileTest, ZeroOrHugeCountsLoadSafely) {
    Profile zero;
    zero.LoadFromBytes("[MusicList]\nMusiccount=0\nmu0_path=x.mp3\n");
    CMusicList list;
    list.LoadMusicList(zero);
    EXPECT_TRUE(list.m_list.empty());
    Profile huge;
    huge.LoadFromBytes("[MusicList]\nMusicCount=2000000000\n");
    list.LoadMusicList(huge);
    EXPECT_EQ(list.m_list.size(), static_cast<std::size_t>(CMusicList::kMaxEntries));
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

TEST(TransportTest, PreparationTimeStaysWithinItsButtonRange) {
    std::int32_t ms = 9700;
    for (int i = 0; i < 5; ++i) ms = PrepareTimeUp(ms);
    EXPECT_EQ(ms, 9900);
    ms = 250;
    for (int i = 0; i < 5; ++i) ms = PrepareTimeDown(ms);
    EXPECT_EQ(ms, 50);  // not a multiple of 100: stops above 0, never below
    ms = 300;
    for (int i = 0; i < 5; ++i) ms = PrepareTimeDown(ms);
    EXPECT_EQ(ms, 0);
}

TEST(TransportTest, ScaleStepsBetween50And10) {
    EXPECT_EQ(ScaleFiner(50), 25);
    EXPECT_EQ(ScaleFiner(25), 10);
    EXPECT_EQ(ScaleFiner(10), 10);
    EXPECT_EQ(ScaleCoarser(10), 25);
    EXPECT_EQ(ScaleCoarser(25), 50);
    EXPECT_EQ(ScaleCoarser(50), 50);
}

}  // namespace
}  // namespace velmora
