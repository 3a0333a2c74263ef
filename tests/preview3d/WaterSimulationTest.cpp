// The preview's water jets: launch, motion under gravity, the particle
// limit, nozzle colours, determinism and the spring cap; and the inputs
// gathered from the scene and the engine's snapshot.

#include "preview3d/WaterSimulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/EngineSnapshot.h"
#include "preview3d/WaterInputs.h"
#include "scene/Scene.h"

namespace velmora {
namespace {

SpringWaterInput Jet(std::int32_t x, std::int32_t y, std::int32_t lit, std::int32_t level, float aDeg = 0.0f,
                     float bDeg = 0.0f) {
    SpringWaterInput in;
    in.ID = 9001;
    in.x = x;
    in.y = y;
    in.m_bLit = lit;
    in.m_nOutLevel = level;
    in.m_fAngleZ = aDeg;
    in.m_fAngleY = bDeg;
    return in;
}

WaterInputs OneJet(const SpringWaterInput& in) { return WaterInputs{{in}}; }

// Jitter bits fixed at 1 for j1 and 0 for j2: j1 = +0.5, j2 = -0.5.
WaterSimulation FixedJitter() {
    auto toggle = std::make_shared<std::uint32_t>(0);
    return WaterSimulation([toggle] { return (*toggle)++ % 2 == 0 ? 1u : 0u; });
}

TEST(WaterSimulation, GroundAndLaunchFollowTheRules) {
    const WaterGround g = GroundPosition(100, 50);
    EXPECT_FLOAT_EQ(g.X, 800.0f - 150.0f);
    EXPECT_FLOAT_EQ(g.Y, -400.0f);
    EXPECT_FLOAT_EQ(g.Z, 300.0f - 800.0f);

    // Straight up: all of the strength is vertical, the jitter horizontal.
    WaterVelocity up = LaunchVelocity(0, 0, 100, 0.5f, -0.5f);
    EXPECT_FLOAT_EQ(up.vy, 100.0f);
    EXPECT_FLOAT_EQ(up.vx, 0.5f);
    EXPECT_FLOAT_EQ(up.vz, 0.5f);

    // 90° on Z with π as 3.14 leaves a trace of vertical speed.
    const float a = 90.0f / 180.0f * 3.14f;
    WaterVelocity side = LaunchVelocity(90, 0, 10, -0.5f, 0.5f);
    EXPECT_FLOAT_EQ(side.vy, std::cos(a) * 10.0f);
    EXPECT_GT(side.vy, 0.0f);
    EXPECT_FLOAT_EQ(side.vx, std::sin(a) * 10.0f - 0.5f);
    EXPECT_FLOAT_EQ(side.vz, -0.5f);
}

TEST(WaterSimulation, ThreeFramesMoveTheFirstParticleByHand) {
    WaterSimulation sim = FixedJitter();
    const float a = 30.0f, b = 60.0f, s = 40.0f, gravity = 2.0f;
    const WaterInputs inputs = OneJet(Jet(100, 100, 1, 40, a, b));

    // Launch: h = sin(a)·s; vx = cos(b)·h + 0.5; vz = sin(b)·h + 0.5.
    const float ar = a / 180.0f * 3.14f, br = b / 180.0f * 3.14f;
    const float h = std::sin(ar) * s;
    const float vx = std::cos(br) * h + 0.5f, vz = std::sin(br) * h + 0.5f;
    float vy = std::cos(ar) * s;
    float x = 500.0f, y = -400.0f, z = -500.0f;

    for (int frame = 1; frame <= 3; ++frame) {
        sim.Step(inputs, gravity, 20);
        ASSERT_EQ(sim.ParticleCount(0), static_cast<std::size_t>(frame));
        const float px = x, py = y, pz = z;
        x += vx;
        y += vy;
        z += vz;
        vy -= gravity;
        const WaterSimulation::Particle p = sim.ParticleAt(0, 0);  // the oldest
        EXPECT_NEAR(p.x, x, 1e-3f) << frame;
        EXPECT_NEAR(p.y, y, 1e-3f) << frame;
        EXPECT_NEAR(p.z, z, 1e-3f) << frame;
        EXPECT_NEAR(p.vy, vy, 1e-3f) << frame;
        EXPECT_NEAR(p.px, px, 1e-3f) << frame;
        EXPECT_NEAR(p.py, py, 1e-3f) << frame;
        EXPECT_NEAR(p.pz, pz, 1e-3f) << frame;
        // The newest particle has made its first step already.
        const WaterSimulation::Particle fresh = sim.ParticleAt(0, frame - 1);
        EXPECT_NEAR(fresh.px, 500.0f, 1e-3f);
        EXPECT_NEAR(fresh.y, -400.0f + std::cos(ar) * s, 1e-3f);
    }
}

TEST(WaterSimulation, ListsKeepTheLimitAndDropTheOldest) {
    WaterSimulation sim(7);
    const WaterInputs inputs = OneJet(Jet(0, 0, 1, 50));
    for (int frame = 1; frame <= 11; ++frame) sim.Step(inputs, 5.0f, 10);
    EXPECT_EQ(sim.ParticleCount(0), 10u);
    // The oldest left is the second one launched: ten steps behind it.
    EXPECT_NEAR(sim.ParticleAt(0, 0).vy, 50.0f - 10 * 5.0f, 1e-3f);
    EXPECT_NEAR(sim.ParticleAt(0, 9).vy, 50.0f - 5.0f, 1e-3f);

    // Raising the limit lets the lists grow, lowering it cuts them at once.
    for (int frame = 0; frame < 30; ++frame) sim.Step(inputs, 5.0f, 50);
    EXPECT_EQ(sim.ParticleCount(0), 40u);
    EXPECT_NEAR(sim.ParticleAt(0, 0).vy, 50.0f - 40 * 5.0f, 1e-3f);  // order kept through the regrowth
    sim.Step(inputs, 5.0f, 10);
    EXPECT_EQ(sim.ParticleCount(0), 10u);
    EXPECT_NEAR(sim.ParticleAt(0, 0).vy, 50.0f - 10 * 5.0f, 1e-3f);

    // Nonsense limits from a damaged file: nothing kept, or the cap.
    sim.Step(inputs, 5.0f, -3);
    EXPECT_EQ(sim.ParticleCount(0), 0u);
    for (int frame = 0; frame < WaterSimulation::kMaxParticles + 5; ++frame) sim.Step(inputs, 5.0f, 1 << 30);
    EXPECT_EQ(sim.ParticleCount(0), static_cast<std::size_t>(WaterSimulation::kMaxParticles));
}

TEST(WaterSimulation, NozzleColourAndJetColour) {
    WaterSimulation sim(1);
    SpringWaterInput litButSilent = Jet(0, 0, 1, 0);
    SpringWaterInput open = Jet(10, 0, 1, 64);
    open.m_crColor = MakeColour(255, 0, 0);
    SpringWaterInput levelButOff = Jet(20, 0, 0, 64);
    sim.Step(WaterInputs{{litButSilent, open, levelButOff}}, 5.0f, 10);

    ASSERT_EQ(sim.SlotCount(), 3u);
    EXPECT_FALSE(sim.nozzles()[0].open);
    EXPECT_TRUE(sim.nozzles()[1].open);
    EXPECT_FALSE(sim.nozzles()[2].open);
    EXPECT_EQ(sim.nozzles()[0].jetColour, MakeColour(255, 255, 255));
    EXPECT_EQ(sim.nozzles()[1].jetColour, MakeColour(255, 0, 0));

    // A closed nozzle still dribbles: only the jitter moves the drop sideways.
    const WaterSimulation::Particle drop = sim.ParticleAt(0, 0);
    EXPECT_FLOAT_EQ(std::fabs(drop.vx), 0.5f);
    EXPECT_FLOAT_EQ(std::fabs(drop.vz), 0.5f);
    EXPECT_FLOAT_EQ(drop.vy, -5.0f);

    std::vector<float> vertices;
    std::vector<std::uint8_t> colours;
    sim.LineSegments(vertices, colours);
    ASSERT_EQ(vertices.size(), 3u * 6u);
    ASSERT_EQ(colours.size(), 3u * 6u);
    EXPECT_EQ(colours[6], 255);
    EXPECT_EQ(colours[7], 0);  // the red jet's green
    EXPECT_FLOAT_EQ(vertices[3], 800.0f);  // the previous end: the nozzle
}

TEST(WaterSimulation, SameSeedSameParticlesAndJitterIsHalfUnits) {
    WaterInputs inputs;
    for (int i = 0; i < 20; ++i) inputs.springs.push_back(Jet(i * 10, i * 5, i % 2, 30 + i, 10.0f * i, 5.0f * i));
    WaterSimulation one(42), two(42), other(43);
    for (int frame = 0; frame < 25; ++frame) {
        one.Step(inputs, 3.0f, 15);
        two.Step(inputs, 3.0f, 15);
        other.Step(inputs, 3.0f, 15);
    }
    std::vector<float> a, b, c;
    std::vector<std::uint8_t> colours;
    one.LineSegments(a, colours);
    two.LineSegments(b, colours);
    other.LineSegments(c, colours);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);

    // Every closed jet's horizontal speed is pure jitter of ±0.5.
    for (std::size_t slot = 0; slot < one.SlotCount(); slot += 2)
        for (std::size_t k = 0; k < one.ParticleCount(slot); ++k)
            EXPECT_FLOAT_EQ(std::fabs(one.ParticleAt(slot, k).vx), 0.5f);
}

TEST(WaterSimulation, AtMostAThousandSpringsAreSimulated) {
    Scene scene;
    for (int i = 0; i < 1200; ++i) {
        CSpring spring;
        spring.ID = 9001 + i;
        spring.x = i;
        scene.springs.push_back(spring);
    }
    WaterInputs inputs;
    GatherWaterInputs(scene, nullptr, inputs);
    ASSERT_EQ(inputs.springs.size(), kMaxWaterSprings);
    EXPECT_EQ(inputs.springs.back().ID, 9001 + 999);

    inputs.springs.push_back(Jet(0, 0, 1, 10));  // handed more anyway
    WaterSimulation sim(3);
    sim.Step(inputs, 1.0f, 10);
    EXPECT_EQ(sim.SlotCount(), kMaxWaterSprings);
    EXPECT_EQ(sim.TotalParticles(), kMaxWaterSprings);
}

// The angles come from the engine's snapshot, which interpolates each track
// at the tick's position by the engine's rule: 0 before the first point and
// after the last, 0 for a single point, ORGANGLEY added on Y.
TEST(WaterInputs, AnglesFromTheSnapshotFollowTheTracks) {
    Scene scene;
    CSpring spring;
    spring.ID = 9001;
    spring.x = 12;
    spring.y = 34;
    spring.ORGANGLEY = 15.0f;
    spring.m_stepsB = {TrackPoint{1000, 0, 0, 10}, TrackPoint{2000, 0, 0, 30}};
    spring.m_stepsA = {TrackPoint{1500, 0, 0, 45}};
    spring.m_bLit = 1;
    spring.m_nOutLevel = 77;
    spring.m_crColor = MakeColour(1, 2, 3);
    scene.springs.push_back(spring);
    scene.Reindex();

    EngineSnapshotBuffer buffer;
    EngineSnapshot snapshot;
    WaterInputs inputs;
    const struct {
        double position;
        float z, y;
    } cases[] = {{500, 0, 15}, {1500, 20, 15}, {1999, 29.98f, 15}, {2500, 0, 15}};
    std::uint64_t tick = 0;
    for (const auto& c : cases) {
        buffer.Capture(scene, c.position, 0);
        buffer.Publish(++tick, 1.0f, 0.0f);
        ASSERT_TRUE(buffer.Read(snapshot));
        GatherWaterInputs(scene, &snapshot, inputs);
        ASSERT_EQ(inputs.springs.size(), 1u);
        EXPECT_NEAR(inputs.springs[0].m_fAngleZ, c.z, 1e-3f) << c.position;
        EXPECT_NEAR(inputs.springs[0].m_fAngleY, c.y, 1e-3f) << c.position;
    }
    const SpringWaterInput& in = inputs.springs[0];
    EXPECT_EQ(in.x, 12);
    EXPECT_EQ(in.y, 34);
    EXPECT_EQ(in.m_nOutLevel, 77);
    EXPECT_EQ(in.m_crColor, MakeColour(1, 2, 3));

    // A scene changed since the tick: the snapshot no longer speaks for the
    // spring at that place, so it counts as closed.
    scene.springs[0].ID = 9100;
    GatherWaterInputs(scene, &snapshot, inputs);
    EXPECT_EQ(inputs.springs[0].m_bLit, 0);
    EXPECT_EQ(inputs.springs[0].x, 12);
}

}  // namespace
}  // namespace velmora
