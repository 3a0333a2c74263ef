#include "engine/EngineSnapshot.h"

#include <algorithm>

#include "scene/Scene.h"

namespace velmora {
namespace {

// A forward seek longer than this many points is searched instead of walked.
constexpr std::size_t kWalkLimit = 8;

// Grows with a quarter to spare, so that springs added one by one seldom
// outgrow the reserve.
template <typename T>
void GrowTo(std::vector<T>& v, std::size_t n) {
    if (v.capacity() < n) v.reserve(n + n / 4);
}

}  // namespace

void EngineSnapshot::CopyFrom(const EngineSnapshot& other) {
    tick = other.tick;
    position = other.position;
    level = other.level;
    tickPeriodMs = other.tickPeriodMs;
    latenessMs = other.latenessMs;
    springs.assign(other.springs.begin(), other.springs.end());
    groups.assign(other.groups.begin(), other.groups.end());
}

float TrackAngleWithCursor(const TrackPoints& track, float position, std::uint32_t& cursor) {
    const std::size_t n = track.size();
    const auto later = [](float p, const TrackPoint& point) { return p < point.m_fTime; };
    // i: the first point later than the position.
    std::size_t i = std::min<std::size_t>(cursor, n);
    if (i > 0 && !(track[i - 1].m_fTime <= position)) {
        i = static_cast<std::size_t>(
            std::upper_bound(track.begin(), track.begin() + static_cast<std::ptrdiff_t>(i), position, later) -
            track.begin());
    } else {
        std::size_t walked = 0;
        while (i < n && !later(position, track[i])) {
            ++i;
            if (++walked == kWalkLimit) {
                i = static_cast<std::size_t>(
                    std::upper_bound(track.begin() + static_cast<std::ptrdiff_t>(i), track.end(), position, later) -
                    track.begin());
                break;
            }
        }
    }
    cursor = static_cast<std::uint32_t>(std::min<std::size_t>(i, UINT32_MAX));
    if (i == 0 || i == n) return 0.0f;
    // The same arithmetic as TrackAngleAt, so both give the same float.
    const TrackPoint& before = track[i - 1];
    const TrackPoint& next = track[i];
    const float span = next.m_fTime - before.m_fTime;
    if (!(span > 0.0f)) return before.m_fAngle;
    return before.m_fAngle + (next.m_fAngle - before.m_fAngle) * (position - before.m_fTime) / span;
}

EngineSnapshotBuffer::EngineSnapshotBuffer() {
    Reserve(kDefaultSprings, kDefaultGroups);
}

void EngineSnapshotBuffer::Reserve(std::size_t springs, std::size_t groups) {
    // The output lock (held by the caller) keeps Capture out; this mutex keeps
    // readers out of the slot they might take. Publish may run meanwhile: it
    // touches neither the vectors nor the cursors.
    std::lock_guard lock(readerMutex_);
    for (EngineSnapshot& slot : slots_) {
        GrowTo(slot.springs, springs);
        GrowTo(slot.groups, groups);
    }
    GrowTo(cursorsZ_, springs);
    GrowTo(cursorsY_, springs);
}

void EngineSnapshotBuffer::Capture(const Scene& scene, double position, std::int32_t level) {
    EngineSnapshot& slot = slots_[back_];
    slot.position = position;
    slot.level = level;

    const auto at = static_cast<float>(position);
    const std::size_t n = scene.springs.size();
    if (slot.springs.capacity() < n) slot.springs.reserve(n + n / 4);
    slot.springs.resize(n);
    if (cursorsZ_.size() < n) {
        cursorsZ_.resize(n, 0);
        cursorsY_.resize(n, 0);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const CSpring& s = scene.springs[i];
        SpringSnapshot& out = slot.springs[i];
        out.ID = s.ID;
        out.m_bLit = s.m_bLit;
        out.m_nOutLevel = s.m_nOutLevel;
        out.m_crColor = s.m_crColor;
        out.m_fAngleZ = TrackAngleWithCursor(s.m_stepsB, at, cursorsZ_[i]);
        out.m_fAngleY = TrackAngleWithCursor(s.m_stepsA, at, cursorsY_[i]) + s.ORGANGLEY;
    }

    const std::size_t g = scene.groups.size();
    if (slot.groups.capacity() < g) slot.groups.reserve(g + g / 4);
    slot.groups.resize(g);
    for (std::size_t i = 0; i < g; ++i) {
        slot.groups[i] = GroupSnapshot{scene.groups[i].ID, scene.groups[i].m_nAppliedState};
    }
}

void EngineSnapshotBuffer::Publish(std::uint64_t tick, float tickPeriodMs, float latenessMs) {
    EngineSnapshot& slot = slots_[back_];
    slot.tick = tick;
    slot.tickPeriodMs = tickPeriodMs;
    slot.latenessMs = latenessMs;
    // Release the filled slot as the newest; take back the one it replaces,
    // which no reader holds (a reader only holds its front slot).
    back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & ~kFresh;
}

bool EngineSnapshotBuffer::Read(EngineSnapshot& into) const {
    std::lock_guard lock(readerMutex_);
    if ((middle_.load(std::memory_order_relaxed) & kFresh) != 0) {
        front_ = middle_.exchange(front_, std::memory_order_acq_rel) & ~kFresh;
    }
    const EngineSnapshot& slot = slots_[front_];
    if (slot.tick == 0) return false;
    into.CopyFrom(slot);
    return true;
}

}  // namespace velmora
