#pragma once
// The only ways an output value enters the channel image. Each operation
// resolves the nozzle's (channel, address) pair and silently skips an
// address that names nothing: a channel number outside 1..100, a register
// outside 1..tagNum, or a record that would run past tagNum.
//
// Thread contract: callers hold the output lock (the engine for its whole
// cycle, the fine-tune dialog for one command). Nothing here allocates.

#include <cstdint>

#include "app/Config.h"
#include "comm/ChannelImage.h"
#include "comm/MotorBlock.h"
#include "scene/ChannelInfo.h"
#include "scene/Colour.h"
#include "scene/Spring.h"
#include "scene/SpringGroup.h"

namespace velmora {

// What the writes work on: the channel table (tagNum, regType, nPrevChannel)
// and the image it sizes.
struct OutputTarget {
    const ChannelTable& channels;
    OutputImage& image;
};

// The first value of a motor sequence counter, and the one after 255.
inline constexpr std::uint32_t kMotorSeqFirst = 123;

// Moves an 8-bit motor sequence counter to its next value: 123..255, then 123.
void AdvanceMotorSeq(std::uint32_t& seq);

// Main pair: register form stores `value`; bit form sets bit B when the
// nozzle is lit.
void WriteSpringValue(OutputTarget out, const CSpring& spring, std::uint16_t value);

// Main pair from a signed level (the engine caps it at 128, which maps to
// 10000); second pair: the constant 1 in register form, bit B when lit.
void WriteSpringOutputs(OutputTarget out, const CSpring& spring, std::int32_t level);

// Group switch: register form stores `value`, bit form sets bit B.
void WriteGroupOutput(OutputTarget out, const CSpringGroup& group, std::uint16_t value);

// Mode and direction of a motor command record.
struct MotorCommand {
    std::int32_t mode = 0;       // high byte of the record's second register
    std::int32_t direction = 0;  // 0 or 1
};
MotorCommand MotorCommandFor(const MotorBlock_struct& block, const MotorBlock_struct* next,
                             std::int32_t motorCmd);

// Five registers R..R+4 of a motor channel. `selector` != 0 picks the Y-axis
// pair (BLOCKID2/COMID2, m_nSeqY), 0 the Z-axis pair (BLOCKID3/COMID3,
// m_nSeqZ). The counter is only read; callers advance it per new command.
void WriteMotorRecord(OutputTarget out, const MotorBlock_struct& block, const MotorBlock_struct* next,
                      const CSpring& spring, std::int32_t selector);

// Whether a light may show its colour at `nowMinute` (minutes after local
// midnight). A window whose start is after its end spans midnight; equal
// start and end mean no window at all.
bool LightWindowOpen(const NightWindow& night, std::int32_t nowMinute);

// Local hour * 60 + minute, for the window test. Engines call it once per
// cycle, not once per light.
std::int32_t LocalMinuteOfDay();

// The nozzle's light: colour 0 outside the operating window; on a register
// channel one bit per component (WriteLightBits), else three colour bytes in
// a slot, addressed by register or by universe and fixture.
void WriteLightColour(OutputTarget out, const CSpring& spring, COLORREF colour,
                      const NightWindow& night, std::int32_t nowMinute);

// A light on a register channel: bits b, b+1, b+2 for red, green and blue at
// full value, spilling into the next register (or register 1 of the
// channel's nPrevChannel when b's register is the last one).
void WriteLightBits(OutputTarget out, const CSpring& spring, COLORREF colour);

}  // namespace velmora
