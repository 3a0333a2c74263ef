#include "app/MemoryPolicy.h"

#include <malloc.h>

namespace velmora {

bool KeepFreedMemoryForReuse() {
    // 32 MiB is glibc's upper bound for the mapping threshold; a track or an
    // image larger than that is rare enough to keep its own mapping.
    constexpr int kMmapThreshold = 32 * 1024 * 1024;
    // Trim only when more than 1 GiB lies free at the top of the heap.
    constexpr int kTrimThreshold = 1024 * 1024 * 1024;
    const bool mmapOk = mallopt(M_MMAP_THRESHOLD, kMmapThreshold) == 1;
    const bool trimOk = mallopt(M_TRIM_THRESHOLD, kTrimThreshold) == 1;
    return mmapOk && trimOk;
}

}  // namespace velmora
