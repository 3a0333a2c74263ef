#pragma once
// The output image: per channel, the register slots the engine fills and the
// sender copies, and the 512-byte moving-head buffer.
//
// Thread contract: every member is guarded by the output lock; Reallocate is
// called by whoever changes the channel table (scene load, channel dialog)
// while holding it.

#include <array>
#include <cstdint>
#include <vector>

#include "scene/ChannelInfo.h"

namespace velmora {

struct OutputImage {
    // A request's 16-bit length field (2 x tagNum + 7) cannot describe more
    // than 32,764 slots, so no working channel comes near this; a larger
    // tagNum is damage and must not turn into gigabytes of slots.
    static constexpr std::int32_t kMaxSlots = 65536;
    static constexpr std::size_t kLight512Bytes = 512;

    std::array<std::vector<std::int32_t>, kChannelCount> g_ChannelImage;
    std::array<std::array<std::uint8_t, kLight512Bytes>, kChannelCount> g_Light512Buf{};

    // Frees every channel's slots and allocates tagNum zero-filled ones
    // (none for tagNum <= 0, kMaxSlots at most); zeroes the moving-head buffers.
    void Reallocate(const ChannelTable& channels);

    // Slot count actually allocated for a tagNum.
    static std::size_t SlotsFor(std::int32_t tagNum);
};

}  // namespace velmora
