#pragma once
// What the engine shows the views after every tick: per spring (scene
// order) whether it is driven, its level, colour and motor angles; per group
// its applied state; and the tick's position, level, period and lateness.
//
// Published through a latest-value triple buffer: the engine fills its own
// slot and swaps it in with one atomic exchange, so it never waits for a
// reader; a reader swaps the newest slot out the same way and copies it into
// a snapshot it owns and reuses, so repeated reads allocate nothing once the
// reader's snapshot has grown to the scene. A reader never sees a slot the
// engine is writing, so every field of a snapshot comes from the same tick.
//
// Thread contracts:
//   Capture  engine thread (or one test/CLI thread in its place), with the
//            output lock held, after the tick has written the springs.
//   Publish  the same thread, after Capture; no lock needed.
//   Read     any thread; readers serialise among themselves on a mutex the
//            engine never takes.
//   Reserve  owner thread, with the output lock held (so no Capture runs);
//            waits at most for one reader's copy. Called whenever the scene
//            changed, so that capturing it allocates nothing (a capture that
//            comes first grows its own slot once).

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "scene/Colour.h"
#include "scene/TrackPoint.h"

namespace velmora {

class Scene;

struct SpringSnapshot {
    std::int32_t ID = -1;
    std::int32_t m_bLit = 0;       // 1 = driven on this tick
    std::int32_t m_nOutLevel = 0;  // 0..128
    COLORREF m_crColor = 0;
    float m_fAngleZ = 0.0f;        // Z-axis track angle at the position, degrees
    float m_fAngleY = 0.0f;        // Y-axis track angle at the position plus ORGANGLEY, degrees
};

struct GroupSnapshot {
    std::int32_t ID = -1;
    std::int32_t m_nAppliedState = 0;
};

struct EngineSnapshot {
    std::uint64_t tick = 0;     // the engine's tick number; 0 = nothing published yet
    double position = 0.0;      // m_dPosition: the show position the tick evaluated, ms
    std::int32_t level = 0;     // L
    float tickPeriodMs = 0.0f;  // from the end of the previous tick to the end of this one
    float latenessMs = 0.0f;    // from the pacer's grid point to the tick's start; 0 unpaced
    std::vector<SpringSnapshot> springs;  // scene order
    std::vector<GroupSnapshot> groups;    // scene order

    // Takes `other`'s values, reusing this snapshot's storage.
    void CopyFrom(const EngineSnapshot& other);
};

// TrackAngleAt (the engine's own rule: interpolated between the points
// around the position, 0 before the first point and after the last), with
// `cursor` remembering where the previous call ended, so that a steadily
// advancing position costs a comparison or two instead of a search. Any
// cursor value is safe and gives the same angle.
float TrackAngleWithCursor(const TrackPoints& track, float position, std::uint32_t& cursor);

class EngineSnapshotBuffer {
public:
    static constexpr std::size_t kDefaultSprings = 1024;
    static constexpr std::size_t kDefaultGroups = 256;

    EngineSnapshotBuffer();
    EngineSnapshotBuffer(const EngineSnapshotBuffer&) = delete;
    EngineSnapshotBuffer& operator=(const EngineSnapshotBuffer&) = delete;

    // Fills the engine's slot from the scene's run-time fields. A scene
    // larger than the reserve grows the slot (and allocates) once.
    void Capture(const Scene& scene, double position, std::int32_t level);
    // Completes the engine's slot and makes it the newest.
    void Publish(std::uint64_t tick, float tickPeriodMs, float latenessMs);

    // Copies the newest published snapshot into `into`; false (and `into`
    // untouched) while nothing has been published.
    bool Read(EngineSnapshot& into) const;

    void Reserve(std::size_t springs, std::size_t groups);

private:
    static constexpr std::uint32_t kFresh = 4;  // the middle slot holds a snapshot no reader took yet

    std::array<EngineSnapshot, 3> slots_;
    // The middle slot's index, plus kFresh.
    mutable std::atomic<std::uint32_t> middle_{1};

    // Engine thread only.
    std::uint32_t back_ = 0;
    std::vector<std::uint32_t> cursorsZ_;
    std::vector<std::uint32_t> cursorsY_;

    // Readers only (and Reserve).
    mutable std::mutex readerMutex_;
    mutable std::uint32_t front_ = 2;
};

}  // namespace velmora
