#include "preview3d/SceneModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "app/Profile.h"
#include "preview3d/ChunkWriter.h"

namespace velmora {
namespace {

using namespace velmora::test;

Vec3 Apply(const Mat4& m, const Vec3& v) {
    return {m[0] * v[0] + m[4] * v[1] + m[8] * v[2] + m[12], m[1] * v[0] + m[5] * v[1] + m[9] * v[2] + m[13],
            m[2] * v[0] + m[6] * v[1] + m[10] * v[2] + m[14]};
}

void ExpectNear(const Vec3& got, const Vec3& want) {
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-3f) << "coordinate " << i;
}

PreviewScene SceneOf(const std::string& file, const std::string& ini) {
    Model3ds model;
    std::string error;
    EXPECT_TRUE(Read3ds(file, model, &error)) << error;
    Profile profile;
    EXPECT_TRUE(profile.LoadFromBytes(ini));
    SceneDescription d = ReadSceneDescription(profile, model, nullptr);
    return PreviewScene::FromParts(std::move(model), std::move(d));
}

// Objects: 0 near quad at z=-100, 1 far larger quad at z=-300, 2 an axis
// along y through x=10 (and a quad so it can be seen).
const std::string kTwoQuads = File(Quad("near", -10, 10, -10, 10, -100) + Quad("far", -50, 50, -50, 50, -300));

TEST(PreviewScenePick, NearestObjectUnderThePixelWins) {
    PreviewScene scene = SceneOf(kTwoQuads, "");
    EXPECT_EQ(scene.model().objects[1].normals.size(), 4u);
    PreviewCamera camera;  // (0,0,0) looking at (0,0,-500)
    EXPECT_EQ(scene.Pick(250, 200, 500, 400, camera), 0);
    // Off the near quad but on the far one: the near quad covers
    // tan(a) = 10/100 of the view, the far one 50/300.
    const float halfHeight = std::tan(3.14159265f / 6.0f);
    const float y = 200.0f - 200.0f * (0.13f / halfHeight);
    EXPECT_EQ(scene.Pick(250, y, 500, 400, camera), 1);
    EXPECT_EQ(scene.Pick(250, 5, 500, 400, camera), -1);
    // Turned round, nothing is in front.
    camera.SetPresets({CameraPose{{0, 0, 0}, {0, 0, 500}}});
    EXPECT_EQ(scene.Pick(250, 200, 500, 400, camera), -1);
}

TEST(PreviewScenePick, HiddenObjectsLetTheClickThrough) {
    PreviewScene scene = SceneOf(kTwoQuads, "[Main]\nobjCount=1\n[Obj01]\nName=near\nactCount=1\n[Act0101]\ntype=5\nvar=off\n");
    PreviewCamera camera;
    EXPECT_EQ(scene.Pick(250, 200, 500, 400, camera), 0);
    scene.SetVariable("off", 1.7);  // truncates to 1
    EXPECT_TRUE(scene.Hidden(0));
    EXPECT_EQ(scene.Pick(250, 200, 500, 400, camera), 1);
    scene.SetVariable("off", 2.0);
    EXPECT_FALSE(scene.Hidden(0));
}

TEST(PreviewScenePick, FollowsObjectsTheirActsMoved) {
    // The near quad slides 100 along +x, out from under the centre pixel.
    const std::string file = File(Quad("near", -10, 10, -10, 10, -100) + Quad("far", -50, 50, -50, 50, -300) +
                                  Object("rail", Vertices({{0, 0, 0}, {-1, 0, 0}})));
    PreviewScene scene = SceneOf(file, "[Main]\nobjCount=1\n[Obj01]\nName=near\nactCount=1\n"
                                       "[Act0101]\ntype=2\nline=rail\nvar=slide\n");
    PreviewCamera camera;
    EXPECT_EQ(scene.Pick(250, 200, 500, 400, camera), 0);
    scene.SetVariable("slide", 100.0);
    EXPECT_EQ(scene.Pick(250, 200, 500, 400, camera), 1);
}

TEST(PreviewSceneMatrix, RotatesAboutTheLineAxisAfterItsAncestors) {
    // "axis" runs from (10,0,0) to (10,1,0) in our axes: a vertical line
    // through x = 10. "lid" turns about it; "knob" hangs below the lid and
    // moves 5 along the axis of its own.
    const std::string file =
        File(Object("axis", Vertices({{-10, 0, 0}, {-10, 0, 1}})) + Object("lid", Vertices({{0, 0, 0}})) +
             Object("knob", Vertices({{0, 0, 0}})));
    PreviewScene scene = SceneOf(file,
                                 "[Main]\nobjCount=2\n"
                                 "[Obj01]\nName=lid\nactCount=1\n[Act0101]\ntype=1\nline=axis\nvar=angle\n"
                                 "[Obj02]\nName=knob\nParent=lid\nactCount=1\n[Act0201]\ntype=2\nline=axis\nvar=lift\n");
    ExpectNear(Apply(scene.ObjectMatrix(1), {0, 0, 0}), {0, 0, 0});  // no variables yet
    scene.SetVariable("angle", 90.0);
    // (0,0,0) is 10 from the axis at -x; a quarter turn counter-clockwise
    // seen from +y takes it to +z.
    ExpectNear(Apply(scene.ObjectMatrix(1), {0, 0, 0}), {10, 0, 10});
    ExpectNear(Apply(scene.ObjectMatrix(1), {10, 7, 0}), {10, 7, 0});  // on the axis
    scene.SetVariable("lift", 5.0);
    // Own translation first (in the lid's frame), then the lid's turn: up 5
    // along the vertical axis, then turned.
    ExpectNear(Apply(scene.ObjectMatrix(2), {0, 0, 0}), {10, 5, 10});
    ExpectNear(Apply(scene.ObjectMatrix(0), {3, 3, 3}), {3, 3, 3});
}

TEST(PreviewSceneColour, SelectionIsGreenUnlessAnActMatches) {
    PreviewScene scene = SceneOf(kTwoQuads,
                                 "[Main]\nobjCount=1\n[Obj01]\nName=near\nactCount=2\n"
                                 "[Act0101]\ntype=3\nvar=on\nR1=255\n"
                                 "[Act0102]\ntype=4\nvar=mode\nindex=2\nB1=255\n");
    using Rgb = std::array<std::uint8_t, 3>;
    EXPECT_FALSE(scene.ColourOverride(0));
    scene.selected = 0;
    EXPECT_EQ(scene.ColourOverride(0), (Rgb{0, 255, 0}));
    EXPECT_FALSE(scene.ColourOverride(1));
    scene.SetVariable("on", 0.9);  // truncates to 0
    EXPECT_EQ(scene.ColourOverride(0), (Rgb{0, 255, 0}));
    scene.SetVariable("on", -1.0);
    EXPECT_EQ(scene.ColourOverride(0), (Rgb{255, 0, 0}));
    scene.SetVariable("mode", 2.0);
    EXPECT_EQ(scene.ColourOverride(0), (Rgb{0, 0, 255}));
    scene.selected = -1;
    EngineSnapshot snapshot;
    snapshot.springs = {SpringSnapshot{9001, 1, 128}, SpringSnapshot{9002, 0, 0}};
    scene.BindSpringLevels(snapshot);
    EXPECT_EQ(scene.Variable("spring9001"), 128.0);
    EXPECT_EQ(scene.Variable("spring9002"), 0.0);
    scene.SetVariable("on", 0.0);
    scene.SetVariable("mode", 2.5);
    EXPECT_FALSE(scene.ColourOverride(0));
}

class PreviewSceneLoad : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("velmora-scene-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }
    std::filesystem::path folder_;
};

std::string TinyBmp() {
    std::string s = "BM";
    Put32(s, 58), Put32(s, 0), Put32(s, 54), Put32(s, 40), Put32(s, 1), Put32(s, 1);
    Put16(s, 1), Put16(s, 24);
    for (int i = 0; i < 6; ++i) Put32(s, 0);
    s += std::string("\x01\x02\x03\x00", 4);
    return s;
}

TEST_F(PreviewSceneLoad, MissingFilesGiveAnEmptySceneWithNotes) {
    std::vector<std::string> notes;
    const PreviewScene scene = PreviewScene::Load(folder_, &notes);
    EXPECT_TRUE(scene.model().objects.empty());
    EXPECT_EQ(scene.description().cameras.size(), 1u);
    ASSERT_EQ(notes.size(), 1u);  // the model; a missing description is not worth a note
    EXPECT_NE(notes[0].find("Scene1.3ds"), std::string::npos);
}

TEST_F(PreviewSceneLoad, TexturesMatchWithoutCaseAndNeverLeaveTheFolder) {
    Write("Scene1.3ds", File(Material("a", ByteColour(1, 1, 1), "STONE.bmp") +
                             Material("b", ByteColour(1, 1, 1), "..\\secret.bmp") +
                             Material("c", ByteColour(1, 1, 1), "gone.bmp") + Material("d", ByteColour(1, 1, 1)) +
                             Material("e", ByteColour(1, 1, 1), "junk.bmp") + Quad("q", 0, 1, 0, 1, -10)));
    Write("stone.BMP", TinyBmp());
    Write("junk.bmp", "BMnot really");
    Write("Scene1.ini", "[Main]\nCameraCount=1\n[Camera01]\nop1z=100\n");
    std::vector<std::string> notes;
    const PreviewScene scene = PreviewScene::Load(folder_, &notes);
    ASSERT_EQ(scene.textures().size(), 5u);
    ASSERT_TRUE(scene.textures()[0]);
    EXPECT_EQ(scene.textures()[0]->rgb, (std::vector<std::uint8_t>{3, 2, 1}));
    for (std::size_t m = 1; m < 5; ++m) EXPECT_FALSE(scene.textures()[m]) << m;
    EXPECT_EQ(notes.size(), 3u);
    EXPECT_EQ(scene.model().objects.size(), 1u);
    EXPECT_EQ(scene.description().cameras[0].eye, (Vec3{0, 0, 100}));
}

TEST_F(PreviewSceneLoad, DamagedModelIsRefusedWithANote) {
    Write("Scene1.3ds", File(Quad("q", 0, 1, 0, 1, -10)).substr(0, 30));
    std::vector<std::string> notes;
    const PreviewScene scene = PreviewScene::Load(folder_, &notes);
    EXPECT_TRUE(scene.model().objects.empty());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("damaged"), std::string::npos) << notes[0];
}

}  // namespace
}  // namespace velmora
