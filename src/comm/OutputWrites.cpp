#include "comm/OutputWrites.h"

#include <cstdlib>
#include <ctime>

#include "comm/Address.h"

namespace velmora {
namespace {

// The register slots of channel `number` (1..100) as far as both the table's
// tagNum and the allocation reach; empty for a channel that names nothing.
// Bounding by the allocation too means a table edited without a matching
// reallocation can never lead a write out of its array.
struct Slots {
    std::int32_t* data = nullptr;
    std::int64_t count = 0;

    std::int32_t* Register(std::int64_t reg) const {
        return (reg >= 1 && reg <= count) ? data + (reg - 1) : nullptr;
    }
};

Slots SlotsOf(OutputTarget out, std::int32_t number) {
    if (number < 1 || number > kChannelCount) return {};
    const auto index = static_cast<std::size_t>(number - 1);
    auto& slots = out.image.g_ChannelImage[index];
    const std::int64_t tagNum = out.channels[index].tagNum;
    const auto allocated = static_cast<std::int64_t>(slots.size());
    return {slots.data(), tagNum < allocated ? (tagNum > 0 ? tagNum : 0) : allocated};
}

void StoreRegister(std::int32_t& slot, std::uint32_t value) {
    slot = static_cast<std::int32_t>(value & 0xFFFFu);
}

void SetBit(std::int32_t& slot, std::int32_t bit) {
    slot = static_cast<std::int32_t>(static_cast<std::uint32_t>(slot) | (1u << bit));
}

// Colour bytes 0..2 (red, green, blue) into the slot; byte 3 stays.
void StoreColour(std::int32_t& slot, COLORREF colour) {
    const auto kept = static_cast<std::uint32_t>(slot) & 0xFF000000u;
    slot = static_cast<std::int32_t>(kept | (colour & 0x00FFFFFFu));
}

// The switch-or-register output of one (channel, address) pair.
void WriteSwitchPair(OutputTarget out, std::int32_t channel, const std::string& address,
                     std::uint32_t registerValue, bool setBit) {
    const ParsedAddress parsed = ParseSwitchAddress(address);
    std::int32_t* slot = SlotsOf(out, channel).Register(parsed.reg);
    if (slot == nullptr) return;
    if (parsed.sub < 0) {
        StoreRegister(*slot, registerValue);
    } else if (setBit) {
        SetBit(*slot, parsed.sub);
    }
}

std::uint32_t AbsLow16(std::int32_t value) {
    return static_cast<std::uint32_t>(std::llabs(static_cast<long long>(value))) & 0xFFFFu;
}

}  // namespace

void AdvanceMotorSeq(std::uint32_t& seq) {
    const std::uint32_t current = seq & 0xFFu;
    seq = current >= 255u ? kMotorSeqFirst : current + 1u;
}

void WriteSpringValue(OutputTarget out, const CSpring& spring, std::uint16_t value) {
    WriteSwitchPair(out, spring.BLOCKID, spring.COMID, value, spring.m_bLit != 0);
}

void WriteSpringOutputs(OutputTarget out, const CSpring& spring, std::int32_t level) {
    const bool lit = spring.m_bLit != 0;
    // In 64 bits so that no level, however wild, overflows on the way.
    const auto magnitude = std::llabs(static_cast<long long>(level));
    const auto scaled = static_cast<long long>(static_cast<double>(magnitude) * 10000.0 * 0.0078125);

    const ParsedAddress main = ParseSwitchAddress(spring.COMID);
    if (std::int32_t* slot = SlotsOf(out, spring.BLOCKID).Register(main.reg)) {
        if (lit) {
            if (main.sub < 0) {
                StoreRegister(*slot, static_cast<std::uint32_t>(scaled));
            } else {
                SetBit(*slot, main.sub);
            }
        }
    }
    // The valve's register form is a plain "enabled" flag, held even while
    // the jet is off; its bit form follows the jet.
    WriteSwitchPair(out, spring.BLOCKID1, spring.COMID1, 1u, lit);
}

void WriteGroupOutput(OutputTarget out, const CSpringGroup& group, std::uint16_t value) {
    WriteSwitchPair(out, group.BLOCKID, group.COMID, value, true);
}

MotorCommand MotorCommandFor(const MotorBlock_struct& block, const MotorBlock_struct* next,
                             std::int32_t motorCmd) {
    // Sign tests instead of products: speed x displacement can exceed 32 bits.
    const bool opposite = (block.p0 < 0 && block.p1 > 0) || (block.p0 > 0 && block.p1 < 0);
    switch (block.Act) {
        case 0:
            return {3, 0};
        case 1: {
            const bool continued = next != nullptr && next->Act == 1 &&
                                   ((block.p0 > 0 && next->p0 > 0) || (block.p0 < 0 && next->p0 < 0));
            return {continued ? 2 : 1, opposite ? 1 : 0};
        }
        case 2:
        case 3:
        case 4:
            return {block.Act, 0};
        case 5:
        case 6:
            return {block.Act, motorCmd == 1 ? 1 : 0};
        default:
            return {block.Act & 0xFF, 0};
    }
}

void WriteMotorRecord(OutputTarget out, const MotorBlock_struct& block, const MotorBlock_struct* next,
                      const CSpring& spring, std::int32_t selector) {
    const bool yAxis = selector != 0;
    const ParsedAddress address = ParseSwitchAddress(yAxis ? spring.COMID2 : spring.COMID3);
    if (address.sub >= 0) return;
    const Slots slots = SlotsOf(out, yAxis ? spring.BLOCKID2 : spring.BLOCKID3);
    const std::int64_t reg = address.reg;
    if (reg < 1 || reg + 4 > slots.count) return;

    const MotorCommand command = MotorCommandFor(block, next, spring.m_nMotorCmd);
    std::int32_t* record = slots.Register(reg);
    StoreRegister(record[0], (yAxis ? spring.m_nSeqY : spring.m_nSeqZ) & 0xFFu);
    StoreRegister(record[1], (static_cast<std::uint32_t>(command.mode & 0xFF) << 8) |
                                 static_cast<std::uint32_t>(command.direction));
    StoreRegister(record[2], AbsLow16(block.p1));
    StoreRegister(record[3], AbsLow16(block.p0));
    StoreRegister(record[4], command.mode == 2 && next != nullptr ? AbsLow16(next->p0) : 0u);
}

bool LightWindowOpen(const NightWindow& night, std::int32_t nowMinute) {
    const std::int32_t start = night.g_nNightStart;
    const std::int32_t end = night.g_nNightEnd;
    if (start < end) return start < nowMinute && nowMinute < end;
    if (start == end) return true;
    // An evening-to-morning window such as 18:00-06:00: open on either side
    // of midnight, with the same exclusive bounds as a same-day window.
    return nowMinute > start || nowMinute < end;
}

std::int32_t LocalMinuteOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return 0;
    return local.tm_hour * 60 + local.tm_min;
}

void WriteLightColour(OutputTarget out, const CSpring& spring, COLORREF colour,
                      const NightWindow& night, std::int32_t nowMinute) {
    if (!LightWindowOpen(night, nowMinute)) colour = 0;
    const std::int32_t channel = spring.BLOCKID_L;
    if (channel >= 1 && channel <= kChannelCount &&
        out.channels[static_cast<std::size_t>(channel - 1)].regType == 1) {
        WriteLightBits(out, spring, colour);
        return;
    }

    const ParsedAddress address = ParseLightAddress(spring.COMID_L);
    const Slots slots = SlotsOf(out, channel);
    if (slots.Register(address.reg) == nullptr) return;
    const std::int64_t reg = address.reg;
    if (address.sub < 0) {
        // The last three registers never take a colour.
        if (reg - 1 < slots.count - 3) StoreColour(*slots.Register(reg), colour);
        return;
    }
    // R counts universes of 170 three-byte fixtures, each sent as 512 bytes.
    const std::int64_t fixture = address.sub - 1;
    const std::int64_t byteOffset = (reg - 1) * 512 + fixture;
    const std::int64_t slot = (reg - 1) * 170 + fixture;
    if (byteOffset < 2 * slots.count && slot < slots.count) StoreColour(slots.data[slot], colour);
}

void WriteLightBits(OutputTarget out, const CSpring& spring, COLORREF colour) {
    const ParsedAddress address = ParseSwitchAddress(spring.COMID_L);
    const std::int32_t bit = address.sub < 0 ? 0 : address.sub;
    const std::int32_t channel = spring.BLOCKID_L;
    const Slots slots = SlotsOf(out, channel);
    std::int32_t* slot = slots.Register(address.reg);
    if (slot == nullptr) return;

    std::int32_t* next = nullptr;
    if (bit > 13) {
        if (address.reg < slots.count) {
            next = slot + 1;
        } else {
            const std::int32_t following = out.channels[static_cast<std::size_t>(channel - 1)].nPrevChannel;
            if (following != -1) next = SlotsOf(out, following).Register(1);
        }
    }

    auto low = static_cast<std::uint32_t>(*slot) & 0xFFFFu;
    auto high = next != nullptr ? static_cast<std::uint32_t>(*next) : 0u;
    const auto red = colour & 0xFFu;
    const auto green = (colour >> 8) & 0xFFu;
    const auto blue = (colour >> 16) & 0xFFu;
    if (red == 255) low |= 1u << bit;
    if (green == 255) {
        if (bit < 15) {
            low |= 1u << (bit + 1);
        } else {
            high |= 1u << (bit - 15);
        }
    }
    if (blue == 255) {
        if (bit < 14) {
            low |= 1u << (bit + 2);
        } else {
            high |= 1u << (bit - 14);
        }
    }
    // A spilled bit with no register to take it is dropped: `high` is simply
    // not stored then.
    *slot = static_cast<std::int32_t>(low);
    if (next != nullptr) *next = static_cast<std::int32_t>(high);
}

}  // namespace velmora
