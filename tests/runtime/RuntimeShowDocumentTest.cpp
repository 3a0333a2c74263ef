#include <gtest/gtest.h>

#include "app/Prompter.h"
#include "app/ScopedLogPath.h"
#include "app/ScratchDir.h"
#include "runtime/Runtime.h"

namespace velmora {
namespace {

using testing::ScratchDir;

// The playback object's zoom, load and save reach the open show through its
// document: a zoom is an undo step, a load starts the history afresh, and the
// document's modified flag is the one the save question reads.
TEST(RuntimeShowDocument, ZoomLoadAndSaveGoThroughTheShowDocument) {
    ScratchDir dir;
    const testing::ScopedLogPath log(dir.path() / "FountainLog.log");
    dir.Write("Music/a.mp3.tlf", "[TimeLine]\nTimeBlockCount=1\nTB0_start=20\nTB0_end=50\n");
    Runtime runtime{Workspace(dir.path())};
    ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/a.mp3.tlf"));
    ShowDocument& doc = runtime.showDocument();

    ASSERT_TRUE(runtime.SetShowScale(20));
    EXPECT_FLOAT_EQ(runtime.show.blocks[0].start, 50.0f);
    EXPECT_EQ(doc.UndoText(), "缩放");
    EXPECT_FALSE(runtime.SetShowScale(0));

    ASSERT_TRUE(doc.CreateBlock(1, 10.0f, 40.0f));
    EXPECT_TRUE(runtime.show.m_bModified);
    RecordingPrompter no(false);
    EXPECT_FALSE(runtime.SaveShowFile(dir.path() / "Music/a.mp3.tlf", no));
    EXPECT_EQ(no.questions.size(), 1u);
    RecordingPrompter yes(true);
    ASSERT_TRUE(runtime.SaveShowFile(dir.path() / "Music/a.mp3.tlf", yes));
    EXPECT_FALSE(runtime.show.m_bModified);
    EXPECT_EQ(runtime.show.m_nScale, 50);

    ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/a.mp3.tlf"));
    EXPECT_FALSE(doc.CanUndo());
    ASSERT_EQ(runtime.show.blocks.size(), 2u);
    EXPECT_FLOAT_EQ(runtime.show.blocks[1].start, 4.0f) << "10 pixels at 20 ms are 4 units of the file";
}

}  // namespace
}  // namespace velmora
