#include "preview3d/Model3ds.h"

#include <gtest/gtest.h>

#include <cmath>

#include "preview3d/ChunkWriter.h"

namespace velmora {
namespace {

using namespace velmora::test;

std::string OneTexturedObject() {
    return File(Material("stone", ByteColour(10, 20, 30), "Stone.bmp") +
                Object("box", Vertices({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {0, 0, 0}}) +
                                  Faces({{{0, 1, 2}}, {{1, 2, 3}}}, FaceMaterial("stone", {1})) +
                                  Mapping({{0, 0}, {1, 0}, {1, 1}, {0, 1}})));
}

TEST(Read3ds, ReadsObjectMaterialAndMappingWithAxesSwapped) {
    Model3ds model;
    std::string error;
    ASSERT_TRUE(Read3ds(OneTexturedObject(), model, &error)) << error;
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_EQ(model.materials[0].name, "stone");
    EXPECT_EQ(model.materials[0].textureFile, "Stone.bmp");
    EXPECT_EQ(model.materials[0].diffuse, (std::array<std::uint8_t, 3>{10, 20, 30}));
    ASSERT_EQ(model.objects.size(), 1u);
    const Object3ds& box = model.objects[0];
    EXPECT_EQ(box.name, "box");
    ASSERT_EQ(box.vertices.size(), 4u);
    // (a, b, c) in the file is (-a, c, b) here.
    EXPECT_EQ(box.vertices[0], (std::array<float, 3>{-1, 3, 2}));
    EXPECT_EQ(box.vertices[2], (std::array<float, 3>{-7, 9, 8}));
    ASSERT_EQ(box.faces.size(), 2u);
    EXPECT_EQ(box.faces[0].v, (std::array<std::uint16_t, 3>{0, 1, 2}));
    EXPECT_EQ(box.faces[0].material, -1);  // not in the face material list
    EXPECT_EQ(box.faces[1].material, 0);
    ASSERT_EQ(box.uv.size(), 4u);
    EXPECT_EQ(box.uv[2], (std::array<float, 2>{1, 1}));
    EXPECT_EQ(box.parent, -1);
}

TEST(Read3ds, FaceMaterialsResolveByNameWhereverTheMaterialIs) {
    // Material after the object that uses it; an unknown name changes nothing;
    // face indices past the list are ignored.
    const std::string mesh = Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) +
                             Faces({{{0, 1, 2}}, {{0, 2, 1}}},
                                   FaceMaterial("nope", {0}) + FaceMaterial("water", {0, 9}));
    Model3ds model;
    std::string error;
    ASSERT_TRUE(Read3ds(File(Object("a", mesh) + Material("grass", ByteColour(1, 2, 3)) +
                             Material("water", FloatColour(0.0f, 0.5f, 2.0f))),
                        model, &error))
        << error;
    ASSERT_EQ(model.objects[0].faces.size(), 2u);
    EXPECT_EQ(model.objects[0].faces[0].material, 1);
    EXPECT_EQ(model.objects[0].faces[1].material, -1);
    // Float colours scale to bytes, clamped.
    EXPECT_EQ(model.materials[1].diffuse, (std::array<std::uint8_t, 3>{0, 128, 255}));
    EXPECT_EQ(model.materials[0].textureFile, "");
}

TEST(Read3ds, ByteColourWinsOverFloatColour) {
    Model3ds model;
    ASSERT_TRUE(Read3ds(File(Material("m", FloatColour(1, 1, 1) + ByteColour(7, 8, 9))), model, nullptr));
    EXPECT_EQ(model.materials[0].diffuse, (std::array<std::uint8_t, 3>{7, 8, 9}));
}

TEST(Read3ds, ModelWithoutMaterialsKeepsEveryFaceUnmaterialled) {
    Model3ds model;
    ASSERT_TRUE(Read3ds(File(Object("a", Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + Faces({{{0, 1, 2}}}))),
                        model, nullptr));
    EXPECT_TRUE(model.materials.empty());
    EXPECT_EQ(model.objects[0].faces[0].material, -1);
    EXPECT_TRUE(model.objects[0].uv.empty());
}

TEST(Read3ds, SkipsUnknownChunksByTheirLength) {
    const std::string junk = Chunk(0x1234, std::string(37, '\x40')) + Chunk(0xB000, Chunk(0x4000, "x"));
    Model3ds model;
    std::string error;
    ASSERT_TRUE(Read3ds(Chunk(0x4D4D, Chunk(0x0002, "abcd") + Chunk(0x3D3D, junk + Object("a", Vertices({{1, 1, 1}})) + junk)),
                        model, &error))
        << error;
    ASSERT_EQ(model.objects.size(), 1u);  // the object inside the unknown chunk is not entered
    EXPECT_EQ(model.objects[0].vertices.size(), 1u);
}

TEST(Read3ds, RepairsFacesAndMappingThatDoNotFitTheVertices) {
    Model3ds model;
    std::string error;
    ASSERT_TRUE(Read3ds(File(Object("a", Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) +
                                             Faces({{{0, 1, 2}}, {{0, 1, 3}}, {{2, 1, 0}}}) + Mapping({{0, 0}}))),
                        model, &error))
        << error;
    ASSERT_EQ(model.objects[0].faces.size(), 2u);
    EXPECT_EQ(model.objects[0].faces[1].v, (std::array<std::uint16_t, 3>{2, 1, 0}));
    EXPECT_TRUE(model.objects[0].uv.empty());
}

TEST(Read3ds, RefusesDamagedFilesAsAWhole) {
    const std::string good = OneTexturedObject();
    struct Case {
        const char* what;
        std::string bytes;
        const char* says;
    };
    std::string shortLength = good;
    shortLength[2] = 5, shortLength[3] = shortLength[4] = shortLength[5] = 0;
    std::string hugeCount = Vertices({{0, 0, 0}});
    hugeCount[6] = '\xFF', hugeCount[7] = '\xFF';
    std::string deep = Object("a", Vertices({{1, 1, 1}}));
    for (int i = 0; i < 10; ++i) deep = Chunk(0x4D4D, deep);
    std::string longName(300, 'n');
    const std::vector<Case> cases = {
        {"empty", "", "empty"},
        {"length below the header", shortLength, "shorter than its own header"},
        {"child longer than parent", Chunk(0x4D4D, Chunk(0x3D3D, "abc").substr(0, 6)), "past the end of the chunk"},
        {"file shorter than the chunk", good.substr(0, good.size() - 1), "past the end of the file"},
        {"count beyond the data", File(Chunk(0x4000, Cstr("a") + Chunk(0x4100, hugeCount))), "counts 65535"},
        {"name without terminator", File(Chunk(0x4000, "abc")), "without its terminating zero"},
        {"name too long", File(Chunk(0x4000, Cstr(longName))), "longer than 255"},
        {"nested too deep", deep, "deeper than"},
        {"header cut off", good + "\x4D\x4D\x10", "inside its header"},
    };
    for (const Case& c : cases) {
        Model3ds model;
        model.objects.resize(3);
        std::string error;
        EXPECT_FALSE(Read3ds(c.bytes, model, &error)) << c.what;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
        EXPECT_TRUE(model.objects.empty() && model.materials.empty()) << c.what;
    }
}

TEST(Read3ds, EveryTruncationIsRefusedOrSound) {
    const std::string good = OneTexturedObject();
    for (std::size_t n = 0; n < good.size(); ++n) {
        Model3ds model;
        std::string error;
        if (Read3ds(good.substr(0, n), model, &error)) {
            // Only a cut exactly between chunks could read, and here the
            // whole file is one chunk.
            ADD_FAILURE() << "a file cut at byte " << n << " was read";
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(Read3ds, ManyEmptyObjectsCannotOutgrowTheBudget) {
    // Each 7-byte chunk would cost a whole object; a file of a quarter megabyte of
    // them may hold them, but the memory stays within a multiple of its size.
    std::string body;
    const std::string empty = Chunk(0x4000, Cstr(""));
    while (body.size() < (1u << 18)) body += empty;
    Model3ds model;
    std::string error;
    const bool read = Read3ds(body, model, &error);
    if (read) {
        EXPECT_LE(model.objects.size() * sizeof(Object3ds), 32u * body.size() + 65536u);
    } else {
        EXPECT_NE(error.find("more memory"), std::string::npos) << error;
    }
}

TEST(ComputeNormals, AveragesFaceNormalsAndSurvivesDegenerateFaces) {
    Object3ds o;
    // Two faces at right angles sharing the edge 0-1; one degenerate face.
    o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}};
    o.faces = {Face3ds{{0, 1, 2}}, Face3ds{{0, 3, 1}}, Face3ds{{4, 4, 4}}};
    ComputeNormals(o);
    ASSERT_EQ(o.normals.size(), 5u);
    const float s = 1.0f / std::sqrt(2.0f);
    EXPECT_NEAR(o.normals[0][0], 0.0f, 1e-6);
    EXPECT_NEAR(o.normals[0][1], s, 1e-6);
    EXPECT_NEAR(o.normals[0][2], s, 1e-6);
    EXPECT_NEAR(o.normals[2][2], 1.0f, 1e-6);  // only the first face
    EXPECT_NEAR(o.normals[3][1], 1.0f, 1e-6);  // only the second
    for (const auto& n : o.normals)
        for (float f : n) EXPECT_TRUE(std::isfinite(f));
    EXPECT_EQ(o.normals[4], (std::array<float, 3>{0, 1, 0}));
}

TEST(ComputeNormals, OpposingFacesCancelWithoutNaN) {
    Object3ds o;
    o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    o.faces = {Face3ds{{0, 1, 2}}, Face3ds{{0, 2, 1}}};
    ComputeNormals(o);
    for (const auto& n : o.normals) EXPECT_EQ(n, (std::array<float, 3>{0, 1, 0}));
}

}  // namespace
}  // namespace velmora
