#include "preview3d/SceneDescription.h"

#include <gtest/gtest.h>

#include "app/Profile.h"

namespace velmora {
namespace {

Model3ds Named(std::initializer_list<const char*> names) {
    Model3ds model;
    for (const char* n : names) {
        Object3ds o;
        o.name = n;
        o.vertices = {{0, 0, 0}, {0, 1, 0}};
        model.objects.push_back(o);
    }
    return model;
}

SceneDescription Read(const std::string& ini, const Model3ds& model, std::vector<std::string>* notes = nullptr) {
    Profile profile;
    EXPECT_TRUE(profile.LoadFromBytes(ini));
    return ReadSceneDescription(profile, model, notes);
}

TEST(SceneDescription, ResolvesParentsAndIgnoresUnknownNames) {
    const Model3ds model = Named({"base", "arm", "hand"});
    const SceneDescription d = Read(
        "[Main]\nobjCount=4\n"
        "[Obj01]\nName=arm\nParent=base\n"
        "[Obj02]\nName=hand\nParent=nowhere\n"
        "[Obj03]\nName=ghost\nParent=base\n"
        "[Obj04]\nName=base\n",
        model);
    EXPECT_EQ(d.parent, (std::vector<int>{-1, 0, -1}));
    // No camera section: the default camera.
    ASSERT_EQ(d.cameras.size(), 1u);
    EXPECT_EQ(d.cameras[0].eye, (Vec3{0, 0, 0}));
    EXPECT_EQ(d.cameras[0].lookAt, (Vec3{0, 0, -500}));
}

TEST(SceneDescription, BreaksParentLoops) {
    const Model3ds model = Named({"a", "b", "c", "d", "e"});
    std::vector<std::string> notes;
    const SceneDescription d = Read(
        "[Main]\nobjCount=5\n"
        "[Obj01]\nName=a\nParent=b\n[Obj02]\nName=b\nParent=c\n[Obj03]\nName=c\nParent=a\n"
        "[Obj04]\nName=d\nParent=d\n[Obj05]\nName=e\nParent=a\n",
        model, &notes);
    EXPECT_EQ(notes.size(), 2u);
    // Every chain now ends at a root within a few steps.
    for (std::size_t i = 0; i < d.parent.size(); ++i) {
        int at = static_cast<int>(i), steps = 0;
        while (at >= 0 && steps <= 5) at = d.parent[static_cast<std::size_t>(at)], ++steps;
        EXPECT_LT(at, 0) << "object " << i << " still loops";
    }
    EXPECT_EQ(d.parent[3], -1);
    EXPECT_EQ(d.parent[4], 0);  // e hung below the loop keeps its parent
}

TEST(SceneDescription, ReadsActsUpToFiveAndDropsUnusableOnes) {
    Model3ds model = Named({"gate", "hinge", "dot"});
    model.objects[2].vertices.resize(1);  // one point is no axis
    const SceneDescription d = Read(
        "[Main]\nobjCount=1\n"
        "[Obj01]\nName=gate\nactCount=9\n"
        "[Act0101]\ntype=1\nline=hinge\nvar=spring9001\n"
        "[Act0102]\ntype=2\nline=missing\nvar=v\n"
        "[Act0103]\ntype=4\nvar=mode\nindex=3\nR1=300\nG1=-4\nB1=12\n"
        "[Act0104]\ntype=1\nline=dot\nvar=v\n"
        "[Act0105]\ntype=5\nvar=off\n"
        "[Act0106]\ntype=3\nvar=never\n",
        model);
    ASSERT_EQ(d.acts[0].size(), 3u);
    EXPECT_EQ(d.acts[0][0].type, ActType::Rotate);
    EXPECT_EQ(d.acts[0][0].line, 1);
    EXPECT_EQ(d.acts[0][0].var, "spring9001");
    EXPECT_EQ(d.acts[0][1].type, ActType::ColourIfIndex);
    EXPECT_EQ(d.acts[0][1].index, 3);
    EXPECT_EQ(d.acts[0][1].colour, (std::array<std::uint8_t, 3>{255, 0, 12}));
    EXPECT_EQ(d.acts[0][2].type, ActType::Hide);
}

TEST(SceneDescription, ReadsCamerasAndBoundsHostileCounts) {
    std::vector<std::string> notes;
    const SceneDescription d = Read(
        "[Main]\nobjCount=2000000000\nCameraCount=2\n"
        "[Camera01]\nop1x=1\nop1y=2\nop1z=3\nop2x=4\nop2y=5\nop2z=6\n"
        "[Camera02]\nop1x=-7\n",
        Named({"a"}), &notes);
    ASSERT_EQ(d.cameras.size(), 2u);
    EXPECT_EQ(d.cameras[0].eye, (Vec3{1, 2, 3}));
    EXPECT_EQ(d.cameras[0].lookAt, (Vec3{4, 5, 6}));
    EXPECT_EQ(d.cameras[1].eye, (Vec3{-7, 0, 0}));
    EXPECT_EQ(notes.size(), 1u);
}

}  // namespace
}  // namespace velmora
