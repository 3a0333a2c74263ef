#pragma once
// Writes of data that is not read again soon, around the caches. A compiled
// show is hundreds of megabytes written once; through the caches each line
// would first be read from memory only to be overwritten, which doubles the
// traffic of the one pass that bounds the compiler's speed.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "scene/TrackPoint.h"

namespace velmora {

inline void StreamPoints(TrackPoint* to, const TrackPoint* from, std::size_t count) {
#if defined(__SSE2__)
    static_assert(sizeof(TrackPoint) == sizeof(__m128i));
    if (reinterpret_cast<std::uintptr_t>(to) % alignof(__m128i) == 0) {
        auto* out = reinterpret_cast<__m128i*>(to);
        const auto* in = reinterpret_cast<const __m128i*>(from);
        for (std::size_t i = 0; i < count; ++i) _mm_stream_si128(out + i, _mm_loadu_si128(in + i));
        return;
    }
#endif
    if (count != 0) std::memcpy(to, from, count * sizeof(TrackPoint));
}

// Streamed stores are not ordered with later ones; this orders them before
// whatever hands the memory on (a thread's end, a lock's release).
inline void FinishStreaming() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

}  // namespace velmora
