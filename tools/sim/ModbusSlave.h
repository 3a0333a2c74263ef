#pragma once
// The controller side of the protocol the senders speak: register and coil
// images per unit, and the answer to one request frame. Pure apart from the
// image it updates, so the server, the tests and the dump share it.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace velmora::sim {

inline constexpr std::size_t kAddressSpace = 65536;

// One unit identifier's memory. Arrays are made on first write so an idle
// unit costs nothing.
struct UnitImage {
    std::vector<std::uint16_t> holding;
    std::vector<std::uint8_t> holdingWritten;
    std::vector<std::uint8_t> coils;
    std::vector<std::uint8_t> coilsWritten;
    std::vector<std::uint8_t> lastF0;  // data bytes of the last 0xF0 request
    bool hasF0 = false;

    void WriteRegister(std::size_t address, std::uint16_t value);
    void WriteCoil(std::size_t address, bool value);
    std::uint16_t ReadRegister(std::size_t address) const;
};

using UnitMap = std::map<std::uint8_t, UnitImage>;

// The reply to one complete request frame (MBAP header included), built into
// `reply`; false when the request gets no reply (0xF0 light data).
// Writes: function 16 stores the registers that are present in the frame
// (the byte count is not trusted: the senders wrap it for long channels),
// function 15 the coils; reading: function 3. Out-of-range addresses and
// quantities get exception 2 or 3, other functions exception 1.
bool HandleRequest(std::span<const std::uint8_t> frame, UnitMap& units, std::vector<std::uint8_t>& reply);

}  // namespace velmora::sim
