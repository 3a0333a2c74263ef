#include "comm/RequestFrame.h"

#include <algorithm>
#include <cstring>

namespace velmora {
namespace {

void PutU16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>((value >> 8) & 0xFFu);
    at[1] = static_cast<std::uint8_t>(value & 0xFFu);
}

}  // namespace

std::uint8_t FunctionCodeFor(std::int32_t regType) {
    switch (regType) {
        case 0:
            return kFnWriteCoils;
        case 3:
        case 5:
            return kFnLightData;
        default:
            // 1 and 2 carry registers; 4, codes above 5 and negative codes are
            // sent as function 16 with zero data.
            return kFnWriteRegisters;
    }
}

std::size_t BuildRequestFrame(const FrameChannel& channel, std::span<const std::int32_t> slots,
                              std::span<const std::uint8_t> light512, std::span<std::uint8_t> out) {
    const std::size_t tags = slots.size();
    if (tags > kMaxFrameTags) return 0;
    const std::size_t size = RequestFrameSize(tags);
    if (out.size() < size) return 0;

    std::uint8_t* frame = out.data();
    std::memset(frame, 0, size);
    const std::uint8_t function = FunctionCodeFor(channel.regType);
    PutU16(frame + 4, static_cast<std::uint32_t>(2 * tags + 7));
    frame[6] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(channel.deviceID) & 0xFFu);
    frame[7] = function;
    PutU16(frame + 8, static_cast<std::uint32_t>(channel.nStartNum) - 1u);
    PutU16(frame + 10, static_cast<std::uint32_t>(tags));
    switch (function) {
        case kFnWriteRegisters:
            frame[12] = static_cast<std::uint8_t>((2 * tags) & 0xFFu);
            break;
        case kFnWriteCoils:
            frame[12] = static_cast<std::uint8_t>((tags / 8 + 1) & 0xFFu);
            break;
        default:
            frame[12] = 0xFF;
            break;
    }

    std::uint8_t* data = frame + kFrameHeaderBytes;
    const std::size_t dataBytes = 2 * tags;
    if (channel.regType == 1 || channel.regType == 2) {
        for (std::size_t i = 0; i < tags; ++i) PutU16(data + 2 * i, static_cast<std::uint32_t>(slots[i]));
    } else if (channel.regType == 3) {
        // One universe per 512 bytes: 170 fixtures of three bytes, then two
        // spare bytes that stay 0.
        for (std::size_t k = 0; k < tags; ++k) {
            const std::size_t base = 512 * (k / 170) + 3 * (k % 170);
            const auto colour = static_cast<std::uint32_t>(slots[k]);
            for (std::size_t b = 0; b < 3 && base + b < dataBytes; ++b) {
                data[base + b] = static_cast<std::uint8_t>((colour >> (8 * b)) & 0xFFu);
            }
        }
    } else if (channel.regType == 5) {
        const std::size_t copied = std::min({dataBytes, light512.size(), kLightBufferBytes});
        if (copied > 0) std::memcpy(data, light512.data(), copied);
    }
    return size;
}

}  // namespace velmora
