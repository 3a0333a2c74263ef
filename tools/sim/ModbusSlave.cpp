#include "ModbusSlave.h"

#include <algorithm>

namespace velmora::sim {
namespace {

unsigned U16(std::span<const std::uint8_t> f, std::size_t at) {
    return (static_cast<unsigned>(f[at]) << 8) | f[at + 1];
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFFu));
    out.push_back(static_cast<std::uint8_t>(value & 0xFFu));
}

// MBAP header of a reply with `pduBytes` after the unit byte.
void Header(std::span<const std::uint8_t> request, std::size_t pduBytes, std::vector<std::uint8_t>& reply) {
    reply.clear();
    reply.push_back(request[0]);
    reply.push_back(request[1]);
    Put16(reply, 0);
    Put16(reply, static_cast<unsigned>(pduBytes + 1));
    reply.push_back(request[6]);
}

bool Exception(std::span<const std::uint8_t> request, std::uint8_t code, std::vector<std::uint8_t>& reply) {
    Header(request, 2, reply);
    reply.push_back(static_cast<std::uint8_t>(request[7] | 0x80));
    reply.push_back(code);
    return true;
}

bool EchoWrite(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply) {
    Header(request, 5, reply);
    reply.insert(reply.end(), request.begin() + 7, request.begin() + 12);
    return true;
}

}  // namespace

void UnitImage::WriteRegister(std::size_t address, std::uint16_t value) {
    if (holding.empty()) {
        holding.assign(kAddressSpace, 0);
        holdingWritten.assign(kAddressSpace, 0);
    }
    holding[address] = value;
    holdingWritten[address] = 1;
}

void UnitImage::WriteCoil(std::size_t address, bool value) {
    if (coils.empty()) {
        coils.assign(kAddressSpace, 0);
        coilsWritten.assign(kAddressSpace, 0);
    }
    coils[address] = value ? 1 : 0;
    coilsWritten[address] = 1;
}

std::uint16_t UnitImage::ReadRegister(std::size_t address) const {
    return holding.empty() ? 0 : holding[address];
}

bool HandleRequest(std::span<const std::uint8_t> frame, UnitMap& units, std::vector<std::uint8_t>& reply) {
    reply.clear();
    if (frame.size() < 8) return false;  // no function code: nothing to answer
    const std::uint8_t function = frame[7];
    UnitImage& unit = units[frame[6]];

    if (function == 0xF0) {
        // Light data: keep it, never answer.
        unit.lastF0.assign(frame.begin() + std::min<std::size_t>(13, frame.size()), frame.end());
        unit.hasF0 = true;
        return false;
    }
    if (function != 0x03 && function != 0x0F && function != 0x10) return Exception(frame, 0x01, reply);
    if (frame.size() < 12) return Exception(frame, 0x03, reply);
    const std::size_t address = U16(frame, 8);
    const std::size_t quantity = U16(frame, 10);

    if (function == 0x03) {
        if (quantity < 1 || quantity > 125) return Exception(frame, 0x03, reply);
        if (address + quantity > kAddressSpace) return Exception(frame, 0x02, reply);
        Header(frame, 2 + 2 * quantity, reply);
        reply.push_back(0x03);
        reply.push_back(static_cast<std::uint8_t>(2 * quantity));
        for (std::size_t i = 0; i < quantity; ++i) Put16(reply, unit.ReadRegister(address + i));
        return true;
    }
    // Writes take any quantity the senders use (up to 800 and more, beyond
    // the standard's 123), but a write of nothing is no write.
    if (quantity < 1) return Exception(frame, 0x03, reply);
    if (address + quantity > kAddressSpace) return Exception(frame, 0x02, reply);
    const std::size_t dataBytes = frame.size() > 13 ? frame.size() - 13 : 0;
    if (function == 0x10) {
        if (dataBytes < 2 * quantity) return Exception(frame, 0x03, reply);
        for (std::size_t i = 0; i < quantity; ++i) {
            unit.WriteRegister(address + i, static_cast<std::uint16_t>(U16(frame, 13 + 2 * i)));
        }
        return EchoWrite(frame, reply);
    }
    if (dataBytes < (quantity + 7) / 8) return Exception(frame, 0x03, reply);
    for (std::size_t i = 0; i < quantity; ++i) {
        unit.WriteCoil(address + i, ((frame[13 + i / 8] >> (i % 8)) & 1u) != 0);
    }
    return EchoWrite(frame, reply);
}

}  // namespace velmora::sim
