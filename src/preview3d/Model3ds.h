#pragma once
// The installation's 3D model, read from a 3DS chunk file.
//
// Only the chunks the preview draws are understood: objects with their
// vertices, faces, per-face materials and texture coordinates, and materials
// with a name, a diffuse colour and a texture file name. Everything else is
// skipped by its length.
//
// The reader is bounded against hostile files: every chunk must lie inside
// its parent, every count inside its chunk, containers nest at most
// kMax3dsDepth deep, and the whole model cannot need more memory than a small
// multiple of the file's own size. A file that breaks any of these rules is
// refused as a whole (Read3ds returns false and leaves `out` empty), so the
// preview never draws half of a damaged model as if it were the installation.
// Two faults are repaired instead, because the rest of the object is sound:
// a face naming a vertex beyond its object's vertex list is dropped, and
// texture coordinates whose count differs from the vertex count are
// discarded (the object is drawn untextured).
//
// Thread contract: plain values and a pure function; any thread.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct Material3ds {
    std::string name, textureFile;
    std::array<std::uint8_t, 3> diffuse{200, 200, 200};
};

struct Face3ds {
    std::array<std::uint16_t, 3> v;
    std::int16_t material = -1;  // index into Model3ds::materials, -1 for none
};

struct Object3ds {
    std::string name;
    std::vector<std::array<float, 3>> vertices;
    std::vector<Face3ds> faces;
    std::vector<std::array<float, 2>> uv;       // empty, or one per vertex
    std::vector<std::array<float, 3>> normals;  // computed by ComputeNormals
    int parent = -1;                            // index into Model3ds::objects
};

struct Model3ds {
    std::vector<Object3ds> objects;
    std::vector<Material3ds> materials;
};

// Containers (main, editor, mesh, texture map) nest at most this deep.
inline constexpr int kMax3dsDepth = 8;

// Reads the chunks of `bytes` into `out` (replacing what it held). False with
// a sentence in *error when the file is damaged; `out` is then empty.
bool Read3ds(std::string_view bytes, Model3ds& out, std::string* error);

// One unit normal per vertex: the normalised mean of the unit normals of the
// faces using it. Degenerate faces add nothing; a vertex no sound face uses
// gets (0, 1, 0), so a normal is never NaN.
void ComputeNormals(Object3ds& object);

}  // namespace velmora
