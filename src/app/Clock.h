#pragma once
#include <cstdint>

namespace velmora {

// Whole milliseconds of CLOCK_MONOTONIC since the process started, wrapping
// modulo 2^32 as the 32-bit tick counts that the engine keeps do; take
// differences in unsigned arithmetic.
std::uint32_t GetClockMs();

}  // namespace velmora
