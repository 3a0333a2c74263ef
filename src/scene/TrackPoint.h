#pragma once
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace velmora {

// One point of a compiled motor angle track: at m_fTime the nozzle has turned
// to m_fAngle. Kept at 16 bytes of 32-bit fields because the compiler's
// truncations depend on float arithmetic, and trivial, so that tracks of
// millions of points are copied as plain bytes; `TrackPoint{}` is all zeros.
struct TrackPoint {
    float m_fTime;       // ms from the start of the show
    float m_fStepAngle;  // rotation of the step ending here, degrees (signed)
    std::int32_t m_bReset;  // 1 for a reset step
    float m_fAngle;      // absolute angle after the step, degrees
};
static_assert(sizeof(TrackPoint) == 16);
static_assert(std::is_trivial_v<TrackPoint>);

// An allocator whose elements made without a value are left as they are
// (default-initialised) instead of zeroed. The show compiler sizes a track
// first and then writes every point itself, straight to memory and past the
// caches; zeroing hundreds of megabytes beforehand would cost as much again.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    using std::allocator<T>::allocator;
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    template <typename U>
    void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args) {
        std::construct_at(place, std::forward<Args>(args)...);
    }
};

// A compiled track. `resize(n)` leaves the new points unset: write them all.
using TrackPoints = std::vector<TrackPoint, DefaultInitAllocator<TrackPoint>>;

}  // namespace velmora
