#include "preview3d/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

void ExpectNear(const Vec3& got, const Vec3& want, float tolerance = 1e-3f) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[static_cast<std::size_t>(i)], want[static_cast<std::size_t>(i)], tolerance) << "coordinate " << i;
}

TEST(PreviewCamera, NextCameraWrapsAndOneCameraStays) {
    PreviewCamera camera;
    EXPECT_EQ(camera.presets().size(), 1u);  // the default pose
    ExpectNear(camera.pose().lookAt, {0, 0, -500});
    camera.NextCamera();
    EXPECT_EQ(camera.current(), 0);

    camera.SetPresets({CameraPose{{0, 0, 0}, {0, 0, -1}}, CameraPose{{1, 0, 0}, {1, 0, -1}},
                       CameraPose{{2, 0, 0}, {2, 0, -1}}});
    std::vector<int> order;
    for (int i = 0; i < 4; ++i) {
        camera.NextCamera();
        order.push_back(camera.current());
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 0, 1}));
}

TEST(PreviewCamera, StepApproachesThePresetByOneFifth) {
    PreviewCamera camera;
    camera.SetPresets({CameraPose{{0, 0, 0}, {0, 0, -500}}, CameraPose{{100, -50, 1000}, {600, 0, 0}}});
    camera.NextCamera();
    camera.Step();
    ExpectNear(camera.pose().eye, {20, -10, 200});
    ExpectNear(camera.pose().lookAt, {120, 0, -400});
    camera.Step();
    ExpectNear(camera.pose().eye, {36, -18, 360});
    for (int i = 0; i < 200; ++i) camera.Step();
    ExpectNear(camera.pose().eye, {100, -50, 1000});
}

TEST(PreviewCamera, FlyMovesAlongViewAndStrafeAndLeavesThePreset) {
    PreviewCamera camera;  // eye at the origin looking down -z
    ExpectNear(camera.StrafeVector(), {1, 0, 0});  // view x up = right
    camera.MoveForward(PreviewCamera::kFlyStep);
    ExpectNear(camera.pose().eye, {0, 0, -50});
    ExpectNear(camera.pose().lookAt, {0, 0, -550});
    camera.Strafe(-PreviewCamera::kFlyStep);
    ExpectNear(camera.pose().eye, {-50, 0, -50});
    EXPECT_FALSE(camera.following());
    camera.Step();  // no pull back to the preset
    ExpectNear(camera.pose().eye, {-50, 0, -50});
    camera.NextCamera();
    EXPECT_TRUE(camera.following());
    camera.Step();
    ExpectNear(camera.pose().eye, {-40, 0, -40});
}

TEST(PreviewCamera, LookRotatesTheLookAtAboutTheEye) {
    PreviewCamera camera;
    camera.SetPresets({CameraPose{{10, 0, 0}, {10, 0, -100}}});
    const float quarter = 3.14159265f / 2.0f;
    camera.Look(quarter, 0.0f);  // positive: turn left about up
    ExpectNear(camera.pose().eye, {10, 0, 0});
    ExpectNear(camera.pose().lookAt, {-90, 0, 0});
    camera.SetPresets({CameraPose{{0, 0, 0}, {0, 0, -100}}});
    camera.Look(0.0f, 0.1f);  // positive: look up about the strafe axis
    ExpectNear(camera.pose().lookAt, {0, 100 * std::sin(0.1f), -100 * std::cos(0.1f)});
}

TEST(PreviewCamera, MatricesMatchLookAtAndPerspective) {
    PreviewCamera camera;
    camera.SetPresets({CameraPose{{0, 0, 100}, {0, 0, 0}}});
    const Mat4 v = camera.ViewMatrix();
    // The origin lies 100 in front: eye space (0, 0, -100).
    EXPECT_NEAR(v[12], 0.0f, 1e-5);
    EXPECT_NEAR(v[14], -100.0f, 1e-4);
    EXPECT_NEAR(v[0], 1.0f, 1e-6);
    const Mat4 p = PreviewCamera::ProjectionMatrix(800, 400);
    const float f = 1.0f / std::tan(3.14159265f / 6.0f);
    EXPECT_NEAR(p[5], f, 1e-5);
    EXPECT_NEAR(p[0], f / 2.0f, 1e-5);
    EXPECT_NEAR(p[10], -(10000.0f + 5.0f) / (10000.0f - 5.0f), 1e-5);
    EXPECT_NEAR(p[14], -2.0f * 10000.0f * 5.0f / (10000.0f - 5.0f), 1e-3);
    EXPECT_EQ(p[11], -1.0f);
    EXPECT_NEAR(PreviewCamera::ProjectionMatrix(300, 0)[0], f / 300.0f, 1e-6);
}

TEST(PreviewCamera, ReadOutTruncatesEvenWildValues) {
    PreviewCamera camera;
    camera.SetPresets({CameraPose{{1.9f, -2.7f, 3.0f}, {-0.5f, 1e30f, NAN}}});
    EXPECT_EQ(camera.ReadOut(), "Position:1 -2 3 LookAt:0 2147483647 0");
}

}  // namespace
}  // namespace velmora
