#include "app/Clock.h"

#include <time.h>

namespace velmora {
namespace {

std::int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Sampled during static initialisation so the first caller does not define zero.
const std::int64_t g_processStartNs = MonotonicNs();

}  // namespace

std::uint32_t GetClockMs() {
    const std::int64_t elapsedMs = (MonotonicNs() - g_processStartNs) / 1'000'000;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(elapsedMs));
}

}  // namespace velmora
