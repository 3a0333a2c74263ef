// The demo workspace's committed 3D site (written by scripts/make-site3d.py)
// reads without a note, and its basin lies under every spring of the demo.

#include <gtest/gtest.h>

#include "app/Profile.h"
#include "app/SourceDir.h"
#include "preview3d/SceneModel.h"

namespace velmora {
namespace {

int ObjectNamed(const PreviewScene& scene, const std::string& name) {
    const auto& objects = scene.model().objects;
    for (std::size_t i = 0; i < objects.size(); ++i)
        if (objects[i].name == name) return static_cast<int>(i);
    return -1;
}

TEST(DemoSite, LoadsWholeWithTexturesParentsAndCameras) {
    std::vector<std::string> notes;
    const PreviewScene scene = PreviewScene::Load(testing::SourceDir() / "demo" / "Model", &notes);
    EXPECT_TRUE(notes.empty()) << notes.front();
    EXPECT_EQ(scene.model().objects.size(), 19u);
    EXPECT_EQ(scene.model().materials.size(), 6u);
    EXPECT_EQ(scene.description().cameras.size(), 3u);
    int textured = 0;
    for (const auto& t : scene.textures()) textured += t.has_value();
    EXPECT_EQ(textured, 3);
    const int post = ObjectNamed(scene, "LampPost01"), head = ObjectNamed(scene, "LampHead01");
    ASSERT_GE(head, 0);
    EXPECT_EQ(scene.description().parent[static_cast<std::size_t>(head)], post);
    const int vane = ObjectNamed(scene, "Vane");
    ASSERT_GE(vane, 0);
    EXPECT_EQ(scene.description().acts[static_cast<std::size_t>(vane)].size(), 1u);
}

TEST(DemoSite, BasinWaterLiesUnderEverySpring) {
    const PreviewScene scene = PreviewScene::Load(testing::SourceDir() / "demo" / "Model", nullptr);
    const int water = ObjectNamed(scene, "BasinWater");
    ASSERT_GE(water, 0);
    Profile springs;
    ASSERT_TRUE(springs.Load(testing::SourceDir() / "demo" / "spring.ini"));
    const int count = springs.GetInt("main", "count", 0);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
        const std::string p = "sp" + std::to_string(i) + "_";
        const float x = static_cast<float>(springs.GetInt("main", p + "x", 0));
        const float y = static_cast<float>(springs.GetInt("main", p + "y", 0));
        const float groundX = 800.0f - 3.0f * y, groundZ = 3.0f * x - 800.0f;
        // Looking (almost) straight down from just above the water.
        PreviewCamera camera;
        camera.SetPresets({CameraPose{{groundX, -370.0f, groundZ + 0.01f}, {groundX, -400.0f, groundZ}}});
        EXPECT_EQ(scene.Pick(50, 50, 100, 100, camera), water) << "spring " << i;
    }
}

}  // namespace
}  // namespace velmora
