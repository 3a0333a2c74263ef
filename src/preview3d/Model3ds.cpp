#include "preview3d/Model3ds.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

#include "preview3d/Vec3.h"

namespace velmora {
namespace {

constexpr std::uint16_t kMain = 0x4D4D;
constexpr std::uint16_t kEditor = 0x3D3D;
constexpr std::uint16_t kObject = 0x4000;
constexpr std::uint16_t kMesh = 0x4100;
constexpr std::uint16_t kVertices = 0x4110;
constexpr std::uint16_t kFaces = 0x4120;
constexpr std::uint16_t kFaceMaterial = 0x4130;
constexpr std::uint16_t kMapping = 0x4140;
constexpr std::uint16_t kMaterial = 0xAFFF;
constexpr std::uint16_t kMaterialName = 0xA000;
constexpr std::uint16_t kDiffuse = 0xA020;
constexpr std::uint16_t kTextureMap = 0xA200;
constexpr std::uint16_t kMapFile = 0xA300;
constexpr std::uint16_t kColourFloat = 0x0010;
constexpr std::uint16_t kColourBytes = 0x0011;
constexpr std::uint16_t kColourBytesGamma = 0x0012;
constexpr std::uint16_t kColourFloatGamma = 0x0013;

constexpr std::size_t kHeader = 6;
constexpr std::size_t kMaxName = 255;
// Everything the model holds, per byte of file. A vertex costs 12 file bytes
// and 24 bytes in memory once its normal is computed; an empty object chunk
// of 7 bytes costs one Object3ds. 32 covers both with room; the fixed part
// lets tiny files hold a few objects.
constexpr std::size_t kBytesPerFileByte = 32;
constexpr std::size_t kFixedBudget = 64 * 1024;

std::uint16_t U16(const char* p) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                      (static_cast<unsigned char>(p[1]) << 8));
}

std::uint32_t U32(const char* p) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(p[0])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(p[2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(p[3])) << 24);
}

float F32(const char* p) {
    const std::uint32_t bits = U32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::string Hex(std::uint16_t id) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(id));
    return buf;
}

struct PendingFaceMaterial {
    std::size_t object;
    std::string material;
    std::vector<std::uint16_t> faces;
};

class Reader {
public:
    Reader(std::string_view bytes, Model3ds& out)
        : bytes_(bytes), out_(out),
          budget_(kFixedBudget + bytes.size() * kBytesPerFileByte) {}

    bool Run() {
        if (bytes_.empty()) return Fail("the file is empty");
        if (!Chunks(0, bytes_.size(), 0)) return false;
        Finish();
        return true;
    }

    std::string error;

private:
    bool Fail(std::string text) {
        error = std::move(text);
        return false;
    }

    bool FailAt(std::uint16_t id, std::size_t at, const char* what) {
        return Fail("chunk " + Hex(id) + " at byte " + std::to_string(at) + " " + what);
    }

    bool Spend(std::size_t bytes) {
        if (bytes > budget_) return Fail("the model needs more memory than a file of its size can describe");
        budget_ -= bytes;
        return true;
    }

    // Walks the chunks lying exactly in [begin, end), handing each one's id,
    // offset and length to `visit`; stops at the first refusal.
    template <class Visit>
    bool EachChunk(std::size_t begin, std::size_t end, int depth, Visit visit) {
        if (depth > kMax3dsDepth)
            return Fail("chunks nest deeper than " + std::to_string(kMax3dsDepth) + " levels");
        std::size_t at = begin;
        while (at < end) {
            if (end - at < kHeader)
                return Fail("the chunk at byte " + std::to_string(at) + " is cut off inside its header");
            const std::uint16_t id = U16(bytes_.data() + at);
            const std::uint32_t length = U32(bytes_.data() + at + 2);
            if (length < kHeader) return FailAt(id, at, "is shorter than its own header");
            if (length > end - at) {
                return FailAt(id, at, end == bytes_.size() && depth == 0
                                          ? "runs past the end of the file"
                                          : "runs past the end of the chunk holding it");
            }
            if (!visit(id, at, static_cast<std::size_t>(length))) return false;
            at += length;
        }
        return true;
    }

    bool Chunks(std::size_t begin, std::size_t end, int depth) {
        return EachChunk(begin, end, depth, [&](std::uint16_t id, std::size_t at, std::size_t length) {
            return Chunk(id, at, at + kHeader, at + length, depth);
        });
    }

    bool Chunk(std::uint16_t id, std::size_t at, std::size_t data, std::size_t end, int depth) {
        switch (id) {
        case kMain:
        case kEditor:
        case kMesh:
        case kTextureMap:
            return Chunks(data, end, depth + 1);
        case kObject: {
            std::string name;
            if (!Name(id, at, data, end, name)) return false;
            if (!Spend(sizeof(Object3ds) + name.size())) return false;
            out_.objects.push_back(Object3ds{});
            out_.objects.back().name = std::move(name);
            object_ = out_.objects.size() - 1;
            return Chunks(data, end, depth + 1);
        }
        case kVertices:
            return Vertices(at, data, end);
        case kFaces:
            return Faces(at, data, end, depth);
        case kFaceMaterial:
            return FaceMaterial(at, data, end);
        case kMapping:
            return Mapping(at, data, end);
        case kMaterial:
            if (out_.materials.size() >= static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
                return FailAt(id, at, "is one material too many");
            if (!Spend(sizeof(Material3ds))) return false;
            out_.materials.push_back(Material3ds{});
            material_ = out_.materials.size() - 1;
            return Chunks(data, end, depth + 1);
        case kMaterialName:
        case kMapFile: {
            std::string name;
            if (!Name(id, at, data, end, name)) return false;
            if (!Spend(name.size())) return false;
            if (material_) {
                Material3ds& m = out_.materials[*material_];
                (id == kMaterialName ? m.name : m.textureFile) = std::move(name);
            }
            return true;
        }
        case kDiffuse:
            return Diffuse(data, end, depth);
        default:
            return true;  // not drawn: skipped by its length
        }
    }

    // A zero-terminated name at the start of a chunk's data; `data` moves past it.
    bool Name(std::uint16_t id, std::size_t at, std::size_t& data, std::size_t end, std::string& name) {
        const std::size_t limit = std::min(end, data + kMaxName + 1);
        const void* nul = std::memchr(bytes_.data() + data, 0, limit - data);
        if (!nul) {
            return FailAt(id, at, limit < end ? "holds a name longer than 255 characters"
                                             : "holds a name without its terminating zero");
        }
        const std::size_t size = static_cast<std::size_t>(static_cast<const char*>(nul) - (bytes_.data() + data));
        name.assign(bytes_.data() + data, size);
        data += size + 1;
        return true;
    }

    // A 16-bit count followed by `count` records of `recordSize` bytes.
    bool Count(std::uint16_t id, std::size_t at, std::size_t data, std::size_t end,
               std::size_t recordSize, std::size_t& count) {
        if (end - data < 2) return FailAt(id, at, "is too short for its count");
        count = U16(bytes_.data() + data);
        if (count * recordSize > end - data - 2)
            return FailAt(id, at, ("counts " + std::to_string(count) + " entries but holds fewer").c_str());
        return true;
    }

    bool Vertices(std::size_t at, std::size_t data, std::size_t end) {
        std::size_t count = 0;
        if (!Count(kVertices, at, data, end, 12, count)) return false;
        if (!object_) return true;
        // Room for the normals ComputeNormals adds later.
        if (!Spend(count * 2 * sizeof(std::array<float, 3>))) return false;
        auto& vertices = out_.objects[*object_].vertices;
        vertices.resize(count);
        const char* p = bytes_.data() + data + 2;
        for (std::size_t i = 0; i < count; ++i, p += 12) {
            // The file's axes (a, b, c) with c up become ours with y up.
            vertices[i] = {-F32(p), F32(p + 8), F32(p + 4)};
        }
        return true;
    }

    bool Faces(std::size_t at, std::size_t data, std::size_t end, int depth) {
        std::size_t count = 0;
        if (!Count(kFaces, at, data, end, 8, count)) return false;
        if (object_) {
            if (!Spend(count * sizeof(Face3ds))) return false;
            auto& faces = out_.objects[*object_].faces;
            faces.resize(count);
            const char* p = bytes_.data() + data + 2;
            for (std::size_t i = 0; i < count; ++i, p += 8)
                faces[i] = Face3ds{{U16(p), U16(p + 2), U16(p + 4)}, -1};
        }
        // The face material and smoothing lists follow as sub-chunks.
        return Chunks(data + 2 + count * 8, end, depth + 1);
    }

    bool FaceMaterial(std::size_t at, std::size_t data, std::size_t end) {
        std::string name;
        if (!Name(kFaceMaterial, at, data, end, name)) return false;
        std::size_t count = 0;
        if (!Count(kFaceMaterial, at, data, end, 2, count)) return false;
        if (!object_) return true;
        if (!Spend(name.size() + count * 2 + sizeof(PendingFaceMaterial))) return false;
        PendingFaceMaterial pending{*object_, std::move(name), {}};
        pending.faces.resize(count);
        const char* p = bytes_.data() + data + 2;
        for (std::size_t i = 0; i < count; ++i, p += 2) pending.faces[i] = U16(p);
        // Resolved once every material has been read: a material may follow
        // the objects that use it.
        pending_.push_back(std::move(pending));
        return true;
    }

    bool Mapping(std::size_t at, std::size_t data, std::size_t end) {
        std::size_t count = 0;
        if (!Count(kMapping, at, data, end, 8, count)) return false;
        if (!object_) return true;
        if (!Spend(count * sizeof(std::array<float, 2>))) return false;
        auto& uv = out_.objects[*object_].uv;
        uv.resize(count);
        const char* p = bytes_.data() + data + 2;
        for (std::size_t i = 0; i < count; ++i, p += 8) uv[i] = {F32(p), F32(p + 4)};
        return true;
    }

    // Byte colours are taken as they are; float colours (0..1) only when the
    // chunk holds no byte colour.
    bool Diffuse(std::size_t data, std::size_t end, int depth) {
        std::optional<std::array<std::uint8_t, 3>> bytes, floats;
        const bool read = EachChunk(data, end, depth + 1, [&](std::uint16_t id, std::size_t at, std::size_t length) {
            const char* p = bytes_.data() + at + kHeader;
            const std::size_t size = length - kHeader;
            if ((id == kColourBytes || id == kColourBytesGamma) && size >= 3 && !bytes) {
                bytes = {static_cast<std::uint8_t>(p[0]), static_cast<std::uint8_t>(p[1]),
                         static_cast<std::uint8_t>(p[2])};
            } else if ((id == kColourFloat || id == kColourFloatGamma) && size >= 12 && !floats) {
                std::array<std::uint8_t, 3> c{};
                for (int i = 0; i < 3; ++i) {
                    const float f = F32(p + 4 * i);
                    // NaN fails both comparisons and ends up 0.
                    const float clamped = f > 1.0f ? 1.0f : (f > 0.0f ? f : 0.0f);
                    c[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::lround(clamped * 255.0f));
                }
                floats = c;
            }
            return true;
        });
        if (!read) return false;
        if (material_ && (bytes || floats)) out_.materials[*material_].diffuse = bytes ? *bytes : *floats;
        return true;
    }

    void Finish() {
        for (const PendingFaceMaterial& pending : pending_) {
            std::optional<std::int16_t> index;
            for (std::size_t m = 0; m < out_.materials.size(); ++m) {
                if (out_.materials[m].name == pending.material) {
                    index = static_cast<std::int16_t>(m);
                    break;
                }
            }
            if (!index) continue;
            auto& faces = out_.objects[pending.object].faces;
            for (std::uint16_t f : pending.faces)
                if (f < faces.size()) faces[f].material = *index;
        }
        for (Object3ds& object : out_.objects) {
            const std::size_t n = object.vertices.size();
            std::erase_if(object.faces, [n](const Face3ds& f) {
                return f.v[0] >= n || f.v[1] >= n || f.v[2] >= n;
            });
            if (object.uv.size() != n) object.uv.clear();
        }
    }

    std::string_view bytes_;
    Model3ds& out_;
    std::size_t budget_;
    std::optional<std::size_t> object_, material_;
    std::vector<PendingFaceMaterial> pending_;
};

using Vec = Vec3;

}  // namespace

bool Read3ds(std::string_view bytes, Model3ds& out, std::string* error) {
    out = Model3ds{};
    Reader reader(bytes, out);
    if (reader.Run()) return true;
    out = Model3ds{};
    if (error) *error = "The 3D model is damaged: " + reader.error + ".";
    return false;
}

void ComputeNormals(Object3ds& object) {
    const std::size_t n = object.vertices.size();
    std::vector<std::array<double, 3>> sum(n, {0.0, 0.0, 0.0});
    for (const Face3ds& f : object.faces) {
        if (f.v[0] >= n || f.v[1] >= n || f.v[2] >= n) continue;
        const Vec& a = object.vertices[f.v[0]];
        const auto normal = Normalised(Cross(Sub(object.vertices[f.v[1]], a), Sub(object.vertices[f.v[2]], a)));
        if (!normal) continue;
        for (std::uint16_t v : f.v)
            for (int k = 0; k < 3; ++k) sum[v][static_cast<std::size_t>(k)] += (*normal)[static_cast<std::size_t>(k)];
    }
    object.normals.assign(n, Vec{0.0f, 1.0f, 0.0f});
    for (std::size_t i = 0; i < n; ++i) {
        const auto unit = Normalised({static_cast<float>(sum[i][0]), static_cast<float>(sum[i][1]),
                                      static_cast<float>(sum[i][2])});
        if (unit) object.normals[i] = *unit;
    }
}

}  // namespace velmora
