#pragma once
// Builds 3DS chunk files in memory for the reader's tests.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace velmora::test {

inline void Put16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

inline void Put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline void PutFloat(std::string& s, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    Put32(s, bits);
}

inline std::string Chunk(std::uint16_t id, const std::string& body) {
    std::string s;
    Put16(s, id);
    Put32(s, static_cast<std::uint32_t>(body.size() + 6));
    return s + body;
}

inline std::string Cstr(const std::string& name) { return name + std::string(1, '\0'); }

inline std::string Vertices(const std::vector<std::array<float, 3>>& v) {
    std::string s;
    Put16(s, static_cast<std::uint16_t>(v.size()));
    for (const auto& p : v)
        for (float f : p) PutFloat(s, f);
    return Chunk(0x4110, s);
}

// Faces, with optional sub-chunks (face material lists) after them.
inline std::string Faces(const std::vector<std::array<std::uint16_t, 3>>& faces, const std::string& sub = {}) {
    std::string s;
    Put16(s, static_cast<std::uint16_t>(faces.size()));
    for (const auto& f : faces) {
        for (std::uint16_t i : f) Put16(s, i);
        Put16(s, 7);  // flags, ignored
    }
    return Chunk(0x4120, s + sub);
}

inline std::string FaceMaterial(const std::string& name, std::initializer_list<std::uint16_t> faces) {
    std::string s = Cstr(name);
    Put16(s, static_cast<std::uint16_t>(faces.size()));
    for (std::uint16_t f : faces) Put16(s, f);
    return Chunk(0x4130, s);
}

inline std::string Mapping(const std::vector<std::array<float, 2>>& uv) {
    std::string s;
    Put16(s, static_cast<std::uint16_t>(uv.size()));
    for (const auto& p : uv) PutFloat(s, p[0]), PutFloat(s, p[1]);
    return Chunk(0x4140, s);
}

inline std::string Object(const std::string& name, const std::string& mesh) {
    return Chunk(0x4000, Cstr(name) + Chunk(0x4100, mesh));
}

inline std::string ByteColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Chunk(0x0011, std::string{static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)});
}

inline std::string FloatColour(float r, float g, float b) {
    std::string s;
    PutFloat(s, r), PutFloat(s, g), PutFloat(s, b);
    return Chunk(0x0010, s);
}

inline std::string Material(const std::string& name, const std::string& colour, const std::string& texture = {}) {
    std::string body = Chunk(0xA000, Cstr(name)) + Chunk(0xA020, colour);
    if (!texture.empty()) body += Chunk(0xA200, Chunk(0xA300, Cstr(texture)));
    return Chunk(0xAFFF, body);
}

inline std::string File(const std::string& editorBody) { return Chunk(0x4D4D, Chunk(0x3D3D, editorBody)); }

// A unit-ish quad facing +z after the reader's axis swap, for picking tests.
inline std::string Quad(const std::string& name, float x0, float x1, float y0, float y1, float z) {
    // Stored (-a, c, b) = (x, y, z)  =>  a = -x, b = z, c = y.
    return Object(name, Vertices({{-x0, z, y0}, {-x1, z, y0}, {-x1, z, y1}, {-x0, z, y1}}) +
                            Faces({{{0, 1, 2}}, {{0, 2, 3}}}));
}

}  // namespace velmora::test
