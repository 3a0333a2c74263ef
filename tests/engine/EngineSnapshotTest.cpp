// The engine's published snapshot: what it holds after a tick, that a reader
// never sees two ticks mixed, and that publishing and reading allocate
// nothing once sized.

#include "engine/EngineSnapshot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <random>
#include <thread>

#include "EngineWorldFixture.h"
#include "app/WaitFor.h"
#include "engine/ArbitrageThread.h"
#include "engine/WaveActions.h"

// Heap allocations made by the thread that asked for counting. Left out under
// AddressSanitizer, whose own operator new must stay in place.
#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef VELMORA_COUNT_ALLOCATIONS
#define VELMORA_COUNT_ALLOCATIONS 1
#endif

#if VELMORA_COUNT_ALLOCATIONS
namespace {
thread_local bool t_counting = false;
thread_local std::uint64_t t_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (t_counting) ++t_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, std::align_val_t align) {
    if (t_counting) ++t_allocations;
    const auto a = static_cast<std::size_t>(align);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) { return operator new(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
#endif

namespace velmora::testing {
namespace {

TrackPoints Track(std::initializer_list<std::pair<float, float>> points) {
    TrackPoints track;
    for (const auto& [time, angle] : points) track.push_back(TrackPoint{time, 0.0f, 0, angle});
    return track;
}

TEST(TrackAngleTest, RememberedCursorGivesTheEnginesAngle) {
    // Steady steps, jumps forward and back, points sharing a time, and
    // cursors left by another track: always the angle of the engine's rule.
    TrackPoints track;
    for (int i = 0; i < 2000; ++i) track.push_back(TrackPoint{i * 20.0f + static_cast<float>(i % 3 == 0 ? 0 : i % 3), 0.0f, 0, static_cast<float>(i % 50)});
    track[100].m_fTime = track[101].m_fTime;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> anywhere(-100.0f, 41000.0f);
    std::uint32_t cursor = 0;
    float t = 0.0f;
    for (int i = 0; i < 5000; ++i) {
        t = i % 10 == 0 ? anywhere(random) : t + 21.0f;
        if (i % 97 == 0) cursor = static_cast<std::uint32_t>(random());
        ASSERT_EQ(TrackAngleWithCursor(track, t, cursor), TrackAngleAt(track, t)) << "t = " << t;
    }
    for (const float edge : {-1.0f, 0.0f, 20.0f, 39980.0f, 39981.0f, 1e9f}) {
        ASSERT_EQ(TrackAngleWithCursor(track, edge, cursor), TrackAngleAt(track, edge)) << edge;
    }
    const TrackPoints single = Track({{100, 45}});
    for (const float at : {0.0f, 100.0f, 500.0f}) EXPECT_EQ(TrackAngleWithCursor(single, at, cursor), 0.0f) << at;
    EXPECT_EQ(TrackAngleWithCursor(TrackPoints{}, 10.0f, cursor), 0.0f);
}

class EngineSnapshotTest : public EngineWorldFixture {
protected:
    EngineSnapshotTest() {
        AddSpring(9001, 1);
        AddSpring(9002, 2);
        AddSpring(9003, 3);
        AddGroup(9100, {9001, 9002}, 10);
        AddGroup(9200, {9003});
    }
};

TEST_F(EngineSnapshotTest, HoldsWhatTheTickWrote) {
    EngineSnapshotBuffer buffer;
    EngineSnapshot snapshot;
    EXPECT_FALSE(buffer.Read(snapshot)) << "nothing published yet";

    TimeBlock& block = AddBlock(AddLayer(kLayerGroup, 9100), 0.0f, 1000.0f);
    block.szLight = "";
    Spring(9001).m_stepsB = Track({{0, 0}, {1000, 90}});
    Spring(9001).m_stepsA = Track({{0, 10}, {1000, 30}});
    Spring(9001).ORGANGLEY = 5.0f;
    Spring(9003).ORGANGLEY = -7.5f;

    EngineTickInputs inputs;
    inputs.fixedLevel = 40;
    inputs.capture = &buffer;
    TickAt(500.0, inputs);
    buffer.Publish(1, 21.0f, 0.25f);
    ASSERT_TRUE(buffer.Read(snapshot));

    EXPECT_EQ(snapshot.tick, 1u);
    EXPECT_EQ(snapshot.position, 500.0);
    EXPECT_EQ(snapshot.level, 40);
    EXPECT_EQ(snapshot.tickPeriodMs, 21.0f);
    EXPECT_EQ(snapshot.latenessMs, 0.25f);
    ASSERT_EQ(snapshot.springs.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const CSpring& s = scene_.springs[i];
        const SpringSnapshot& p = snapshot.springs[i];
        EXPECT_EQ(p.ID, s.ID);
        EXPECT_EQ(p.m_bLit, s.m_bLit) << s.ID;
        EXPECT_EQ(p.m_nOutLevel, s.m_nOutLevel) << s.ID;
        EXPECT_EQ(p.m_crColor, s.m_crColor) << s.ID;
    }
    EXPECT_EQ(snapshot.springs[0].m_bLit, 1);
    EXPECT_EQ(snapshot.springs[0].m_nOutLevel, 80) << "level 40 times the multiplier 2";
    EXPECT_EQ(snapshot.springs[2].m_bLit, 0);
    EXPECT_EQ(snapshot.springs[0].m_fAngleZ, 45.0f);
    EXPECT_EQ(snapshot.springs[0].m_fAngleY, 25.0f) << "track angle plus the initial angle";
    EXPECT_EQ(snapshot.springs[2].m_fAngleZ, 0.0f);
    EXPECT_EQ(snapshot.springs[2].m_fAngleY, -7.5f) << "no track: the initial angle alone";
    ASSERT_EQ(snapshot.groups.size(), 2u);
    EXPECT_EQ(snapshot.groups[0].ID, 9100);
    EXPECT_EQ(snapshot.groups[0].m_nAppliedState, 1);
    EXPECT_EQ(snapshot.groups[1].m_nAppliedState, 0);

    // Reading again without a new tick gives the same snapshot; a tick past
    // the block's end is seen by the next read.
    ASSERT_TRUE(buffer.Read(snapshot));
    EXPECT_EQ(snapshot.tick, 1u);
    TickAt(1500.0, inputs);
    buffer.Publish(2, 21.0f, 0.0f);
    ASSERT_TRUE(buffer.Read(snapshot));
    EXPECT_EQ(snapshot.tick, 2u);
    EXPECT_EQ(snapshot.springs[0].m_bLit, 0);
    EXPECT_EQ(snapshot.groups[0].m_nAppliedState, 0);

    // A scene that shrank is not padded with springs that are gone.
    scene_.springs.pop_back();
    TickAt(1500.0, inputs);
    buffer.Publish(3, 21.0f, 0.0f);
    ASSERT_TRUE(buffer.Read(snapshot));
    EXPECT_EQ(snapshot.springs.size(), 2u);
}

TEST_F(EngineSnapshotTest, ReadersNeverSeeTwoTicksMixed) {
    // Every field the writer sets carries its tick number, so a snapshot
    // stitched from two ticks shows at once.
    Scene scene;
    for (int i = 0; i < 600; ++i) {
        CSpring s;
        s.ID = i;
        scene.springs.push_back(s);
    }
    scene.groups.resize(50);
    EngineSnapshotBuffer buffer;
    constexpr std::uint64_t kTicks = 5000;
    std::atomic<bool> done{false};
    std::atomic<std::uint64_t> reads{0};
    std::atomic<std::uint64_t> torn{0};
    std::atomic<std::uint64_t> backwards{0};

    const auto reader = [&] {
        EngineSnapshot snapshot;
        std::uint64_t last = 0;
        while (!done.load()) {
            if (!buffer.Read(snapshot)) continue;
            reads.fetch_add(1);
            const std::uint64_t k = snapshot.tick;
            if (k < last) backwards.fetch_add(1);
            last = k;
            bool same = snapshot.position == static_cast<double>(k) && snapshot.level == static_cast<std::int32_t>(k) &&
                        snapshot.tickPeriodMs == static_cast<float>(k % 1000) && snapshot.springs.size() == 600;
            for (const SpringSnapshot& s : snapshot.springs) {
                same = same && s.m_nOutLevel == static_cast<std::int32_t>(k) && s.m_crColor == static_cast<COLORREF>(k) &&
                       s.m_bLit == static_cast<std::int32_t>(k & 1);
            }
            for (const GroupSnapshot& g : snapshot.groups) same = same && g.m_nAppliedState == static_cast<std::int32_t>(k);
            if (!same) torn.fetch_add(1);
        }
    };
    std::thread r1(reader), r2(reader);
    for (std::uint64_t k = 1; k <= kTicks; ++k) {
        for (CSpring& s : scene.springs) {
            s.m_nOutLevel = static_cast<std::int32_t>(k);
            s.m_crColor = static_cast<COLORREF>(k);
            s.m_bLit = static_cast<std::int32_t>(k & 1);
        }
        for (CSpringGroup& g : scene.groups) g.m_nAppliedState = static_cast<std::int32_t>(k);
        buffer.Capture(scene, static_cast<double>(k), static_cast<std::int32_t>(k));
        buffer.Publish(k, static_cast<float>(k % 1000), 0.0f);
    }
    // Let the readers take the last one too.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    EngineSnapshot last;
    while (std::chrono::steady_clock::now() < deadline && (!buffer.Read(last) || last.tick != kTicks)) {
    }
    done.store(true);
    r1.join();
    r2.join();
    EXPECT_EQ(last.tick, kTicks);
    EXPECT_GT(reads.load(), 100u);
    EXPECT_EQ(torn.load(), 0u);
    EXPECT_EQ(backwards.load(), 0u) << "a reader went back to an older tick";
}

TEST_F(EngineSnapshotTest, PublishingAndReadingAllocateNothingOnceSized) {
#if !VELMORA_COUNT_ALLOCATIONS
    GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
#else
    // More springs than the default reserve: sized when the scene changes.
    for (int i = 0; i < 1500; ++i) {
        CSpring s;
        s.ID = 20000 + i;
        scene_.springs.push_back(s);
    }
    for (int i = 0; i < 300; ++i) {
        CSpringGroup g;
        g.ID = 30000 + i;
        scene_.groups.push_back(g);
    }
    scene_.Reindex();
    for (CSpring& s : scene_.springs) s.m_stepsB = Track({{0, 0}, {100000, 360}});
    EngineSnapshotBuffer buffer;
    {
        std::lock_guard lock(lock_);
        buffer.Reserve(scene_.springs.size(), scene_.groups.size());
    }
    EngineSnapshot view;
    view.springs.reserve(scene_.springs.size());
    view.groups.reserve(scene_.groups.size());

    EngineTickInputs inputs;
    inputs.fixedLevel = 64;
    TickAt(100.0, inputs);  // the tick itself (first looks) is not what is counted here
    for (int i = 0; i < 50; ++i) {
        t_allocations = 0;
        t_counting = true;
        {
            std::lock_guard lock(lock_);
            buffer.Capture(scene_, 100.0 + 21.0 * i, 64);
        }
        buffer.Publish(static_cast<std::uint64_t>(i + 1), 21.0f, 0.0f);
        const bool read = buffer.Read(view);
        t_counting = false;
        ASSERT_TRUE(read);
        ASSERT_EQ(t_allocations, 0u) << "round " << i;
    }
    EXPECT_EQ(view.springs.size(), scene_.springs.size());
    EXPECT_EQ(view.groups.size(), scene_.groups.size());
    EXPECT_NEAR(view.springs.back().m_fAngleZ, 360.0f * (100.0f + 21.0f * 49) / 100000.0f, 1e-3f);
#endif
}

TEST_F(EngineSnapshotTest, EngineThreadPublishesEveryTick) {
    std::atomic<std::int32_t> handMode{1};
    std::atomic<std::int32_t> elapsed{0};
    std::atomic<double> playhead{0.0};
    Spring(9002).m_nManualLevel = 30;
    Spring(9002).m_nManualColour = 0x00FF00;
    CArbitrageThread engine(world_, handMode, {elapsed, playhead});
    engine.SetMusic(&playback_);
    playback_.m_dPlayPos.store(777.0);
    EngineSnapshot snapshot;
    EXPECT_FALSE(engine.snapshots().Read(snapshot));
    ASSERT_TRUE(engine.Start());
    EXPECT_TRUE(WaitFor([&] {
        if (engine.ticks() >= 3) return true;
        if (engine.IsSuspended()) engine.Resume();
        return false;
    }));
    engine.Stop();
    ASSERT_TRUE(engine.snapshots().Read(snapshot));
    EXPECT_EQ(snapshot.tick, engine.ticks());
    EXPECT_EQ(snapshot.position, 777.0);
    EXPECT_EQ(snapshot.level, 128) << "hand mode";
    EXPECT_GE(snapshot.tickPeriodMs, 0.0f);
    EXPECT_EQ(snapshot.latenessMs, 0.0f) << "no pacer: nothing to be late for";
    ASSERT_EQ(snapshot.springs.size(), 3u);
    EXPECT_EQ(snapshot.springs[1].m_bLit, 1);
    EXPECT_EQ(snapshot.springs[1].m_nOutLevel, 30);
    EXPECT_EQ(snapshot.springs[1].m_crColor, 0x00FF00u);
    EXPECT_EQ(snapshot.springs[0].m_bLit, 0);
}

}  // namespace
}  // namespace velmora::testing
