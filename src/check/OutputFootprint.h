#pragma once
// Which registers an output of a spring or group writes, worked out from its
// (channel, address) pair with the write rules of comm/OutputWrites: the
// checker compares these footprints to find outputs that can never be
// written and outputs that overwrite each other.

#include <array>
#include <cstdint>
#include <string>

#include "scene/ChannelInfo.h"

namespace velmora {

enum class OutputKind {
    Main,    // BLOCKID/COMID: pump level or switch bit
    Second,  // BLOCKID1/COMID1: valve
    MotorY,  // BLOCKID2/COMID2: five-register motor record
    MotorZ,  // BLOCKID3/COMID3
    Light,   // BLOCKID_L/COMID_L
    Group,   // a group's own switch
};

// `count` consecutive registers from `first` of channel `channel`, of which
// the bits in `mask` are written (all 32 for a whole register or a colour slot).
struct RegisterSpan {
    std::int32_t channel = 0;
    std::int64_t first = 0;
    std::int64_t count = 0;
    std::uint32_t mask = 0;
};

inline constexpr std::uint32_t kWholeRegister = 0xFFFFFFFFu;

enum class OutputReach {
    NotConnected,  // channel below 1, empty text, or register 0 or less: by design
    BadChannel,    // a register on a channel number above 100
    MotorBit,      // a motor address with a bit: the record is never written
    BeyondTagNum,  // what the output needs lies past the channel's tagNum
    Written,
};

struct OutputFootprint {
    OutputReach reach = OutputReach::NotConnected;
    std::array<RegisterSpan, 2> spans{};  // a light's bits may spill into a second register
    int spanCount = 0;
};

// The footprint of one output. `regType` decisions (a light on a register
// channel is three bits) come from `channels`.
OutputFootprint FootprintOf(const ChannelTable& channels, OutputKind kind, std::int32_t channel,
                            const std::string& address);

// The scene key of an output's address ("COMID1", "COMID_L", ...).
const char* OutputKeyName(OutputKind kind);

}  // namespace velmora
