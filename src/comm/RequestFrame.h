#pragma once
// The Modbus TCP request a channel sends on every pass: an MBAP header, the
// function chosen by the channel's data type, and the whole channel as data.
// Every frame is 2 x T + 13 bytes long whatever its function, so a device can
// always frame the stream by the header's length field (2 x T + 7).

#include <cstddef>
#include <cstdint>
#include <span>

#include "scene/ChannelInfo.h"

namespace velmora {

inline constexpr std::uint8_t kFnWriteCoils = 0x0F;
inline constexpr std::uint8_t kFnWriteRegisters = 0x10;
inline constexpr std::uint8_t kFnLightData = 0xF0;
inline constexpr std::size_t kFrameHeaderBytes = 13;
inline constexpr std::size_t kLightBufferBytes = 512;
// The largest T whose length field 2 x T + 7 still fits 16 bits; a channel
// beyond it cannot be described by one request.
inline constexpr std::size_t kMaxFrameTags = 32764;

// The fields of a channel row a frame is built from, copied in the snapshot.
struct FrameChannel {
    std::int32_t regType = 1;
    std::int32_t deviceID = 1;
    std::int32_t nStartNum = 1;
};

inline FrameChannel FrameChannelOf(const ChannelInfo& row) {
    return {row.regType, row.deviceID, row.nStartNum};
}

std::uint8_t FunctionCodeFor(std::int32_t regType);

constexpr std::size_t RequestFrameSize(std::size_t tags) { return 2 * tags + kFrameHeaderBytes; }

// Writes the request for a snapshot of T = slots.size() slots (and, for data
// type 5, the channel's 512-byte buffer; it may be empty otherwise) into
// `out`. Returns the frame length, or 0 when T exceeds kMaxFrameTags or `out`
// is shorter than RequestFrameSize(T). Pure: no state, no allocation.
std::size_t BuildRequestFrame(const FrameChannel& channel, std::span<const std::int32_t> slots,
                              std::span<const std::uint8_t> light512, std::span<std::uint8_t> out);

}  // namespace velmora
