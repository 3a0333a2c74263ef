#pragma once
// The water jets of the 3D preview: one stream of particles per spring slot
// (scene order, at most kMaxWaterSprings), advanced once per preview frame.
// A frame appends one particle per spring at its nozzle with a launch
// velocity from the spring's strength and two angles (plus a random
// horizontal jitter of ±0.5 per axis), drops the oldest particles beyond the
// limit, and moves every particle one step under gravity.
//
// Particles live in flat per-field arrays (one ring of `capacity` entries
// per slot), so a frame touches contiguous memory and allocates nothing
// once the limit and the spring count have been seen. Lists are never
// cleared, not even when a show stops: a jet that closes falls back.
//
// The jitter comes from a generator seeded at construction, so a given seed
// and sequence of frames always gives the same particles.
//
// Thread contract: one thread (the UI thread, or a CLI/bench thread).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "preview3d/WaterInputs.h"
#include "scene/Colour.h"

namespace velmora {

struct WaterVelocity {
    float vx = 0.0f, vy = 0.0f, vz = 0.0f;
};

// The launch velocity for strength `s`, Z angle `aDeg` and Y angle `bDeg`
// (degrees, turned into radians with π taken as 3.14), and the two jitter
// values j1, j2 (each −0.5 or +0.5).
WaterVelocity LaunchVelocity(float aDeg, float bDeg, float s, float j1, float j2);

// Where a spring's nozzle stands in the model for canvas position (x, y).
struct WaterGround {
    float X, Y, Z;
};
WaterGround GroundPosition(std::int32_t x, std::int32_t y);

// What the renderer draws for one spring slot besides its particles.
struct WaterNozzle {
    float X = 0, Y = 0, Z = 0;
    float aDeg = 0, bDeg = 0;  // the angles the nozzle is turned by
    bool open = false;         // strength non-zero: drawn green, else grey
    COLORREF jetColour = 0xFFFFFF;  // the spring's light when it has one, else white
};

class WaterSimulation {
public:
    // A damaged scene file may ask for any particle count; beyond this a
    // list is cut (50 is the most the property dialog sets).
    static constexpr int kMaxParticles = 500;

    // Each call yields one random bit (only the lowest bit is used).
    using JitterBits = std::function<std::uint32_t()>;

    explicit WaterSimulation(std::uint32_t seed);
    // For tests: the jitter bits come from `bits`.
    explicit WaterSimulation(JitterBits bits);

    // One preview frame for `inputs`, with `gravity` (subtracted from each
    // particle's vertical speed) and `particleLimit` (kept per spring;
    // lowering it drops the surplus at once).
    void Step(const WaterInputs& inputs, float gravity, int particleLimit);

    // Springs of the latest frame (scene order).
    std::size_t SlotCount() const { return nozzles_.size(); }
    const std::vector<WaterNozzle>& nozzles() const { return nozzles_; }

    // Particle `k` (0 = oldest) of slot `slot`; k < ParticleCount(slot).
    std::size_t ParticleCount(std::size_t slot) const { return slot < count_.size() ? count_[slot] : 0; }
    struct Particle {
        float x, y, z, vx, vy, vz, px, py, pz;  // position, velocity, previous position
    };
    Particle ParticleAt(std::size_t slot, std::size_t k) const;
    std::size_t TotalParticles() const;

    // Appends every particle as one line segment (new position, then the
    // previous one: six floats) to `vertices` and its jet colour (r, g, b
    // bytes, once per vertex) to `colours`, oldest first per slot. The
    // vectors are cleared first and keep their storage.
    void LineSegments(std::vector<float>& vertices, std::vector<std::uint8_t>& colours) const;

private:
    void Reshape(std::size_t slots, std::size_t capacity);
    std::uint32_t Bit();

    std::mt19937 generator_;
    JitterBits bits_;

    std::size_t capacity_ = 0;  // ring size per slot
    std::size_t slots_ = 0;     // rows allocated
    std::vector<std::uint32_t> head_;   // per slot: index of the oldest particle
    std::vector<std::uint32_t> count_;  // per slot: particles held
    // Per field, slot-major: field[slot * capacity_ + ring index].
    std::vector<float> x_, y_, z_, vx_, vy_, vz_, px_, py_, pz_;
    std::vector<WaterNozzle> nozzles_;
};

}  // namespace velmora
