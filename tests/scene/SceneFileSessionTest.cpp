#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/Profile.h"
#include "app/ScratchDir.h"
#include "scene/SceneFile.h"

namespace velmora {
namespace {

using testing::ReadAll;
using testing::ScratchDir;

Scene SmallScene() {
    Scene scene;
    for (int i = 0; i < 6; ++i) {
        CSpring s;
        s.ID = scene.TakeNextID();
        s.x = i * 10;
        s.COMID = std::to_string(i + 1);
        s.ADDR = "喷头" + std::to_string(i);
        scene.springs.push_back(s);
    }
    for (int g = 0; g < 2; ++g) {
        CSpringGroup group;
        group.ID = scene.TakeNextID();
        group.name = "组" + std::to_string(g);
        group.childCount = 3;
        for (int j = 0; j < 3; ++j) group.children[static_cast<std::size_t>(j)] = scene.springs[static_cast<std::size_t>(g * 3 + j)].ID;
        scene.groups.push_back(group);
    }
    scene.g_Channels[4].IP = "127.0.0.5";
    scene.Reindex();
    return scene;
}

TEST(SceneFileSessionTest, SavesAfterEditsWriteWhatAFullSaveWrites) {
    ScratchDir dir;
    const std::string start = "[main]\ncount=0\n[MusicList]\nm0=a.mp3\n";
    const auto path = dir.Write("spring.ini", start);
    const auto reference = dir.path() / "reference.ini";

    SceneFileSession session;
    Scene scene;
    ASSERT_TRUE(session.Load(path, scene));
    scene = SmallScene();
    // Each save must write what a full save (every key set) writes over the
    // same previous file: keys beyond a shrunk count stay in both.
    auto check = [&](const char* step) {
        std::filesystem::copy_file(path, reference, std::filesystem::copy_options::overwrite_existing);
        ASSERT_TRUE(session.Save(path, scene)) << step;
        ASSERT_TRUE(SaveScene(reference, scene)) << step;
        EXPECT_EQ(ReadAll(path), ReadAll(reference)) << step;
    };
    check("first save");
    scene.springs[2].x = 777;
    scene.springs[4].COMID_L = "9";
    check("two springs edited");
    scene.groups[1].name = "新名字";
    scene.groups[1].children[1] = scene.springs[0].ID;
    scene.g_Channels[4].tagNum = 800;
    check("group and channel edited");
    scene.springs.erase(scene.springs.begin() + 1);  // every later spring moves down one index
    check("spring deleted");
    CSpring added;
    added.ID = scene.TakeNextID();
    added.ADDR = "new";
    scene.springs.push_back(added);
    check("spring added");
    Scene reread;
    ASSERT_TRUE(LoadScene(path, reread));
    EXPECT_EQ(reread.springs[3].COMID_L, "9");
    EXPECT_EQ(reread.groups[1].name, "新名字");
    EXPECT_EQ(ReadAll(path).find("[MusicList]\nm0=a.mp3\n") != std::string::npos, true);
}

TEST(SceneFileSessionTest, AFileChangedByAnotherWriterIsReadAgainAndItsKeysKept) {
    ScratchDir dir;
    const auto path = dir.path() / "spring.ini";
    SceneFileSession session;
    Scene scene = SmallScene();
    ASSERT_TRUE(session.Save(path, scene));

    // The lists are saved into the same file by another writer.
    Profile other;
    ASSERT_TRUE(other.Load(path));
    other.SetString("MusicList", "m0", "b.mp3");
    other.SetInt("main", "sp3_x", 5555);  // and it changes a key the session wrote
    ASSERT_TRUE(other.Save());

    scene.springs[0].y = 42;
    ASSERT_TRUE(session.Save(path, scene));
    Profile back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.GetString("MusicList", "m0", ""), "b.mp3");
    EXPECT_EQ(back.GetInt("main", "sp0_y", 0), 42);
    // The session read the file again, so its record of sp3 was forgotten
    // and its own value went back in.
    EXPECT_EQ(back.GetInt("main", "sp3_x", 0), 30);
}

TEST(SceneFileSessionTest, AFileThatCannotBeReadIsNeverReplaced) {
    ScratchDir dir;
    const auto folder = dir.MakeDir("spring.ini");
    SceneFileSession session;
    Scene scene;
    std::string error;
    EXPECT_FALSE(session.Load(folder, scene, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(session.Save(folder, SmallScene(), &error));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

}  // namespace
}  // namespace velmora
