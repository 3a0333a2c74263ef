#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>

#include "app/Prompter.h"
#include "app/ScratchDir.h"
#include "show/ShowFile.h"

namespace velmora {
namespace {

using testing::ReadAll;
using testing::ScratchDir;

Show SmallShow() {
    Show show;
    show.Reset();
    show.layers[3].GroupID = 9001;
    show.layers[3].name = "组0";
    for (int i = 0; i < 8; ++i) {
        TimeBlock block;
        block.start = static_cast<float>(i) * 10.0f;
        block.end = block.start + 5.0f;
        block.cannel = i % 4;
        block.szMotor = "swing.motor";
        show.blocks.push_back(block);
    }
    return show;
}

// Each save must write what a full save (every key set) writes over the same
// previous file: the zoom, edits, a deleted block (every later block moves
// down one index, keys beyond the count stay) and the multiplier included.
TEST(ShowFileSessionTest, SavesAfterEditsWriteWhatAFullSaveWrites) {
    ScratchDir dir;
    const auto path = dir.Write("a.mp3.tlf", "[main]\nmutiMusic=2\n[Extra]\nkeep=1\n");
    const auto reference = dir.path() / "reference.tlf";
    RecordingPrompter yes(true);
    std::mutex lock;
    ShowFileSession session;
    Show show;
    ASSERT_TRUE(session.Load(path, show, nullptr));
    show = SmallShow();
    auto check = [&](const char* step) {
        std::filesystem::copy_file(path, reference, std::filesystem::copy_options::overwrite_existing);
        Show copy = show;
        ASSERT_TRUE(session.Save(path, show, yes, lock)) << step;
        ASSERT_TRUE(SaveShow(reference, copy, yes, lock)) << step;
        EXPECT_EQ(ReadAll(path), ReadAll(reference)) << step;
    };
    check("first save");
    show.blocks[5].szLight = "rainbow.color";
    show.blocks[2].start = 21.5f;
    check("two blocks edited");
    show.SetScale(100);  // positions held at another scale go out at scale 50
    show.blocks[0].end = 40.0f;
    check("zoomed");
    show.blocks.erase(show.blocks.begin() + 1);
    show.layers[3].name = "改";
    show.g_fMusicMultiplier = 1.5f;
    check("block deleted, layer and multiplier changed");

    Show reread;
    ASSERT_TRUE(LoadShow(path, reread, nullptr));
    ASSERT_EQ(reread.blocks.size(), 7u);
    EXPECT_EQ(reread.blocks[4].szLight, "rainbow.color");
    EXPECT_NE(ReadAll(path).find("[Extra]\nkeep=1\n"), std::string::npos);
}

}  // namespace
}  // namespace velmora
