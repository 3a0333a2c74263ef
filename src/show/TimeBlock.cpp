#include "show/TimeBlock.h"

namespace velmora {

std::int32_t NextBlockSerial() {
    // Unsigned so the counter wraps without overflow after 2^32 blocks; the
    // engine only compares serials for inequality, so a wrap is harmless.
    static std::atomic<std::uint32_t> counter{0};
    return static_cast<std::int32_t>(counter.fetch_add(1, std::memory_order_relaxed) + 1u);
}

}  // namespace velmora
