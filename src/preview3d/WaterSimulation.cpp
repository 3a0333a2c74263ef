#include "preview3d/WaterSimulation.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

// The angles turn into radians with this value of π, as the jets have
// always been drawn.
constexpr float kPi = 3.14f;

float Radians(float degrees) { return degrees / 180.0f * kPi; }

}  // namespace

WaterVelocity LaunchVelocity(float aDeg, float bDeg, float s, float j1, float j2) {
    const float a = Radians(aDeg);
    const float b = Radians(bDeg);
    const float h = std::sin(a) * s;
    WaterVelocity v;
    v.vy = std::cos(a) * s;
    v.vx = std::cos(b) * h + j1;
    v.vz = std::sin(b) * h - j2;
    return v;
}

WaterGround GroundPosition(std::int32_t x, std::int32_t y) {
    return {800.0f - 3.0f * static_cast<float>(y), -400.0f, 3.0f * static_cast<float>(x) - 800.0f};
}

WaterSimulation::WaterSimulation(std::uint32_t seed) : generator_(seed) {}

WaterSimulation::WaterSimulation(JitterBits bits) : bits_(std::move(bits)) {}

std::uint32_t WaterSimulation::Bit() { return (bits_ ? bits_() : generator_()) & 1u; }

void WaterSimulation::Reshape(std::size_t slots, std::size_t capacity) {
    std::vector<std::uint32_t> head(slots, 0), count(slots, 0);
    std::vector<float>* fields[] = {&x_, &y_, &z_, &vx_, &vy_, &vz_, &px_, &py_, &pz_};
    for (std::vector<float>* field : fields) {
        std::vector<float> grown(slots * capacity, 0.0f);
        for (std::size_t slot = 0; slot < slots_; ++slot) {
            const std::size_t kept = std::min<std::size_t>(count_[slot], capacity);
            const std::size_t skip = count_[slot] - kept;  // the oldest go when the ring shrinks
            for (std::size_t k = 0; k < kept; ++k)
                grown[slot * capacity + k] = (*field)[slot * capacity_ + (head_[slot] + skip + k) % capacity_];
        }
        field->swap(grown);
    }
    for (std::size_t slot = 0; slot < slots_; ++slot) count[slot] = std::min<std::size_t>(count_[slot], capacity);
    head_.swap(head);
    count_.swap(count);
    slots_ = slots;
    capacity_ = capacity;
}

void WaterSimulation::Step(const WaterInputs& inputs, float gravity, int particleLimit) {
    const std::size_t springs = std::min(inputs.springs.size(), kMaxWaterSprings);
    const std::size_t limit = static_cast<std::size_t>(std::clamp(particleLimit, 0, kMaxParticles));
    if (springs > slots_ || limit > capacity_) Reshape(std::max(springs, slots_), std::max(limit, capacity_));
    nozzles_.resize(springs);

    for (std::size_t slot = 0; slot < springs; ++slot) {
        const SpringWaterInput& in = inputs.springs[slot];
        const WaterGround ground = GroundPosition(in.x, in.y);
        const float s = in.m_bLit == 1 ? static_cast<float>(in.m_nOutLevel) : 0.0f;
        const float j1 = static_cast<float>(Bit()) - 0.5f;
        const float j2 = static_cast<float>(Bit()) - 0.5f;
        const WaterVelocity v = LaunchVelocity(in.m_fAngleZ, in.m_fAngleY, s, j1, j2);

        WaterNozzle& nozzle = nozzles_[slot];
        nozzle.X = ground.X;
        nozzle.Y = ground.Y;
        nozzle.Z = ground.Z;
        nozzle.aDeg = in.m_fAngleZ;
        nozzle.bDeg = in.m_fAngleY;
        nozzle.open = s != 0.0f;
        nozzle.jetColour = in.m_crColor != 0 ? in.m_crColor : MakeColour(255, 255, 255);

        // Make room first, then append: the same list as appending and then
        // dropping whatever lies beyond the limit.
        std::uint32_t& head = head_[slot];
        std::uint32_t& count = count_[slot];
        while (count > 0 && count >= limit) {
            head = static_cast<std::uint32_t>((head + 1) % capacity_);
            --count;
        }
        if (limit > 0) {
            const std::size_t at = slot * capacity_ + (head + count) % capacity_;
            x_[at] = ground.X;
            y_[at] = ground.Y;
            z_[at] = ground.Z;
            vx_[at] = v.vx;
            vy_[at] = v.vy;
            vz_[at] = v.vz;
            px_[at] = py_[at] = pz_[at] = 0.0f;
            ++count;
        }

        // Every particle moves independently, so the ring is walked in its
        // storage order: at most two contiguous runs.
        const std::size_t base = slot * capacity_;
        const std::size_t first = std::min<std::size_t>(count, capacity_ - head);
        const std::size_t runs[2][2] = {{base + head, base + head + first}, {base, base + (count - first)}};
        for (const auto& run : runs) {
            for (std::size_t i = run[0]; i < run[1]; ++i) {
                px_[i] = x_[i];
                py_[i] = y_[i];
                pz_[i] = z_[i];
                x_[i] += vx_[i];
                y_[i] += vy_[i];
                z_[i] += vz_[i];
                vy_[i] -= gravity;
            }
        }
    }
}

WaterSimulation::Particle WaterSimulation::ParticleAt(std::size_t slot, std::size_t k) const {
    const std::size_t i = slot * capacity_ + (head_[slot] + k) % capacity_;
    return {x_[i], y_[i], z_[i], vx_[i], vy_[i], vz_[i], px_[i], py_[i], pz_[i]};
}

std::size_t WaterSimulation::TotalParticles() const {
    std::size_t total = 0;
    for (std::size_t slot = 0; slot < nozzles_.size(); ++slot) total += count_[slot];
    return total;
}

void WaterSimulation::LineSegments(std::vector<float>& vertices, std::vector<std::uint8_t>& colours) const {
    vertices.clear();
    colours.clear();
    for (std::size_t slot = 0; slot < nozzles_.size(); ++slot) {
        const COLORREF c = nozzles_[slot].jetColour;
        const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>((c >> 8) & 0xFF),
                                     static_cast<std::uint8_t>((c >> 16) & 0xFF)};
        for (std::size_t k = 0; k < count_[slot]; ++k) {
            const std::size_t i = slot * capacity_ + (head_[slot] + k) % capacity_;
            const float segment[6] = {x_[i], y_[i], z_[i], px_[i], py_[i], pz_[i]};
            vertices.insert(vertices.end(), segment, segment + 6);
            colours.insert(colours.end(), rgb, rgb + 3);
            colours.insert(colours.end(), rgb, rgb + 3);
        }
    }
}

}  // namespace velmora
