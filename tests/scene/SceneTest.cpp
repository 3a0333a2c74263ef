#include "scene/Scene.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

CSpring SpringWithId(std::int32_t id, std::int32_t x = 0) {
    CSpring sp;
    sp.ID = id;
    sp.x = x;
    return sp;
}

CSpringGroup GroupWithId(std::int32_t id, const char* name) {
    CSpringGroup gp;
    gp.ID = id;
    gp.name = name;
    return gp;
}

TEST(SceneTest, FindsSpringsAndGroupsById) {
    Scene scene;
    scene.springs = {SpringWithId(9001), SpringWithId(9002), SpringWithId(9005)};
    scene.groups = {GroupWithId(9003, "a"), GroupWithId(9004, "b")};
    scene.Reindex();

    EXPECT_EQ(scene.FindSpring(9005), &scene.springs[2]);
    EXPECT_EQ(scene.SpringIndexOf(9002), 1);
    EXPECT_EQ(scene.FindGroup(9004), &scene.groups[1]);
    EXPECT_EQ(scene.GroupIndexOf(9003), 0);
    // Springs and groups share the ID space but not the lookups.
    EXPECT_EQ(scene.FindSpring(9003), nullptr);
    EXPECT_EQ(scene.FindGroup(9001), nullptr);
    EXPECT_EQ(scene.SpringIndexOf(1234), -1);
    EXPECT_EQ(scene.GroupIndexOf(1234), -1);

    const Scene& view = scene;
    EXPECT_EQ(view.FindSpring(9001), &scene.springs[0]);
    EXPECT_EQ(view.FindGroup(9003), &scene.groups[0]);
}

TEST(SceneTest, RepeatedIdResolvesToTheFirstInListOrder) {
    Scene scene;
    scene.springs = {SpringWithId(7, 1), SpringWithId(8, 2), SpringWithId(7, 3), SpringWithId(-1, 4),
                     SpringWithId(-1, 5)};
    scene.groups = {GroupWithId(9001, "first"), GroupWithId(9001, "second")};
    scene.Reindex();

    EXPECT_EQ(scene.SpringIndexOf(7), 0);
    EXPECT_EQ(scene.SpringIndexOf(-1), 3);
    EXPECT_EQ(scene.FindGroup(9001)->name, "first");

    // Unindexed (stale) lookups follow the same rule.
    Scene stale;
    stale.springs = scene.springs;
    EXPECT_EQ(stale.SpringIndexOf(7), 0);
    EXPECT_EQ(stale.SpringIndexOf(-1), 3);
}

TEST(SceneTest, StaleIndexStillAnswersCorrectly) {
    Scene scene;
    scene.springs = {SpringWithId(1), SpringWithId(2), SpringWithId(3)};
    scene.groups = {GroupWithId(10, "x"), GroupWithId(11, "y")};
    scene.Reindex();

    // Erasing shifts every later element; the index now points one too far.
    scene.springs.erase(scene.springs.begin());
    scene.groups.erase(scene.groups.begin());
    EXPECT_EQ(scene.SpringIndexOf(3), 1);
    EXPECT_EQ(scene.SpringIndexOf(2), 0);
    EXPECT_EQ(scene.SpringIndexOf(1), -1);
    EXPECT_EQ(scene.FindGroup(11), &scene.groups[0]);
    EXPECT_EQ(scene.FindGroup(10), nullptr);

    // An ID changed in place and springs appended since the last Reindex.
    scene.springs[0].ID = 42;
    scene.springs.push_back(SpringWithId(43));
    EXPECT_EQ(scene.SpringIndexOf(42), 0);
    EXPECT_EQ(scene.SpringIndexOf(2), -1);
    EXPECT_EQ(scene.SpringIndexOf(43), 2);

    // Shrinking below an indexed position must not read past the end.
    scene.springs.clear();
    EXPECT_EQ(scene.FindSpring(3), nullptr);

    scene.springs = {SpringWithId(5), SpringWithId(6)};
    scene.Reindex();
    EXPECT_EQ(scene.SpringIndexOf(6), 1);
}

TEST(SceneTest, ClearGivesTheSceneOfAMissingFile) {
    Scene scene;
    scene.springs = {SpringWithId(9001)};
    scene.groups = {GroupWithId(9002, "g")};
    scene.settings.BGBMP = "bg.bmp";
    scene.settings.g_fGravity = 9.5f;
    scene.settings.g_nPrepareTime = 3000;
    scene.g_Channels[0].IP = "192.168.1.10";
    scene.g_Channels[99].tagNum = 200;
    scene.m_nNextID = 9500;
    scene.Reindex();

    scene.Clear();
    EXPECT_TRUE(scene.springs.empty());
    EXPECT_TRUE(scene.groups.empty());
    EXPECT_EQ(scene.FindSpring(9001), nullptr);
    EXPECT_EQ(scene.FindGroup(9002), nullptr);
    EXPECT_TRUE(scene.settings.BGBMP.empty());
    EXPECT_EQ(scene.settings.g_fGravity, 5.0f);
    EXPECT_EQ(scene.settings.g_nPrepareTime, 0);
    EXPECT_EQ(scene.m_nNextID, 9001);
    EXPECT_EQ(scene.TakeNextID(), 9001);
    EXPECT_EQ(scene.m_nNextID, 9002);
    for (const ChannelInfo& ch : scene.g_Channels) {
        EXPECT_EQ(ch.IP, "0.0.0.0");
        EXPECT_EQ(ch.port, 102);
        EXPECT_EQ(ch.tagNum, 30);
    }
}

TEST(SceneTest, ChannelNumbersAreOneBased) {
    Scene scene;
    EXPECT_EQ(scene.Channel(1), &scene.g_Channels[0]);
    EXPECT_EQ(scene.Channel(100), &scene.g_Channels[99]);
    EXPECT_EQ(scene.Channel(0), nullptr);
    EXPECT_EQ(scene.Channel(-1), nullptr);
    EXPECT_EQ(scene.Channel(101), nullptr);
    const Scene& view = scene;
    EXPECT_EQ(view.Channel(50), &scene.g_Channels[49]);
    EXPECT_EQ(view.Channel(101), nullptr);
}

}  // namespace
}  // namespace velmora
