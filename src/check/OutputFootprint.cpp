#include "check/OutputFootprint.h"

#include "comm/Address.h"

namespace velmora {
namespace {

constexpr std::int32_t kMotorRecordRegisters = 5;
constexpr std::int64_t kLightUniverseSlots = 170;
constexpr std::int64_t kLightUniverseBytes = 512;

OutputFootprint Written(RegisterSpan span) {
    OutputFootprint footprint;
    footprint.reach = OutputReach::Written;
    footprint.spans[0] = span;
    footprint.spanCount = 1;
    return footprint;
}

OutputFootprint Reach(OutputReach reach) {
    OutputFootprint footprint;
    footprint.reach = reach;
    return footprint;
}

// Three on/off bits from `bit` (red, green, blue); what passes bit 15 goes to
// the next register, or to register 1 of the following channel, or nowhere.
OutputFootprint LightBits(const ChannelTable& channels, std::int32_t channel, std::int64_t reg,
                          std::int32_t bit) {
    const ChannelInfo& info = channels[static_cast<std::size_t>(channel - 1)];
    std::uint32_t low = 1u << bit;
    std::uint32_t high = 0;
    if (bit < 15) low |= 1u << (bit + 1); else high |= 1u << (bit - 15);
    if (bit < 14) low |= 1u << (bit + 2); else high |= 1u << (bit - 14);

    OutputFootprint footprint = Written({channel, reg, 1, low});
    if (high == 0) return footprint;
    if (reg < info.tagNum) {
        footprint.spans[1] = {channel, reg + 1, 1, high};
        footprint.spanCount = 2;
    } else if (info.nPrevChannel >= 1 && info.nPrevChannel <= kChannelCount &&
               channels[static_cast<std::size_t>(info.nPrevChannel - 1)].tagNum >= 1) {
        footprint.spans[1] = {info.nPrevChannel, 1, 1, high};
        footprint.spanCount = 2;
    }
    return footprint;
}

OutputFootprint Light(const ChannelTable& channels, std::int32_t channel, const std::string& address) {
    const ChannelInfo& info = channels[static_cast<std::size_t>(channel - 1)];
    const std::int64_t tagNum = info.tagNum;
    if (info.regType == 1) {
        const ParsedAddress parsed = ParseSwitchAddress(address);
        if (parsed.reg > tagNum) return Reach(OutputReach::BeyondTagNum);
        return LightBits(channels, channel, parsed.reg, parsed.sub < 0 ? 0 : parsed.sub);
    }
    const ParsedAddress parsed = ParseLightAddress(address);
    const std::int64_t reg = parsed.reg;
    if (reg > tagNum) return Reach(OutputReach::BeyondTagNum);
    if (parsed.sub < 0) {
        // The last three registers never take a colour.
        if (reg - 1 >= tagNum - 3) return Reach(OutputReach::BeyondTagNum);
        return Written({channel, reg, 1, kWholeRegister});
    }
    const std::int64_t fixture = parsed.sub - 1;
    const std::int64_t slot = (reg - 1) * kLightUniverseSlots + fixture;
    if ((reg - 1) * kLightUniverseBytes + fixture >= 2 * tagNum || slot >= tagNum)
        return Reach(OutputReach::BeyondTagNum);
    return Written({channel, slot + 1, 1, kWholeRegister});
}

}  // namespace

OutputFootprint FootprintOf(const ChannelTable& channels, OutputKind kind, std::int32_t channel,
                            const std::string& address) {
    if (channel < 1 || address.empty()) return Reach(OutputReach::NotConnected);
    // The register is the same leading number in both address forms.
    const std::int64_t reg = ParseSwitchAddress(address).reg;
    if (reg < 1) return Reach(OutputReach::NotConnected);
    if (channel > kChannelCount) return Reach(OutputReach::BadChannel);

    const std::int64_t tagNum = channels[static_cast<std::size_t>(channel - 1)].tagNum;
    switch (kind) {
        case OutputKind::MotorY:
        case OutputKind::MotorZ:
            if (ParseSwitchAddress(address).sub >= 0) return Reach(OutputReach::MotorBit);
            if (reg + kMotorRecordRegisters - 1 > tagNum) return Reach(OutputReach::BeyondTagNum);
            return Written({channel, reg, kMotorRecordRegisters, kWholeRegister});
        case OutputKind::Light:
            return Light(channels, channel, address);
        default: {
            if (reg > tagNum) return Reach(OutputReach::BeyondTagNum);
            const ParsedAddress parsed = ParseSwitchAddress(address);
            return Written({channel, reg, 1, parsed.sub < 0 ? kWholeRegister : 1u << parsed.sub});
        }
    }
}

const char* OutputKeyName(OutputKind kind) {
    switch (kind) {
        case OutputKind::Main: return "COMID";
        case OutputKind::Second: return "COMID1";
        case OutputKind::MotorY: return "COMID2";
        case OutputKind::MotorZ: return "COMID3";
        case OutputKind::Light: return "COMID_L";
        case OutputKind::Group: return "COMID";
    }
    return "COMID";
}

}  // namespace velmora
