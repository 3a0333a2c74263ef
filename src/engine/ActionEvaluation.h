#pragma once
// What one active time block does to its members on an engine tick: the
// level, angle or motor record of every action type, the running light, the
// block and system light colours, and the 512-channel moving-head output.
// `now` is the position on the block's own clock (the music position minus
// the offset of the program that holds the block), in ms.
//
// Thread contract: engine thread (or a test's), inside the output lock.
// Nothing here allocates or reads a file: assets come from the prepared
// map of the show (ctx.assets).

#include <cstdint>

#include "engine/Light512Table.h"
#include "engine/TickContext.h"
#include "scene/Colour.h"
#include "scene/Spring.h"
#include "scene/SpringGroup.h"
#include "show/TimeBlock.h"

namespace velmora {

// The built-in system light sequence: red, orange, yellow, green, blue,
// cyan, magenta (COLORREF values).
inline constexpr COLORREF kSystemColours[7] = {0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00,
                                               0xFF0000, 0xFFFF00, 0xFF00FF};

// The system light colour now; refreshes ctx.g_nEngineElapsed.
COLORREF SystemColour(TickContext& ctx);

// Every action type but "none" and the running light, for a group's members
// (in take order) or a single spring.
void EvaluateAction(TickContext& ctx, const TimeBlock& block, const CSpringGroup& group, std::int32_t level,
                    double now);
void EvaluateAction(TickContext& ctx, const TimeBlock& block, CSpring& spring, std::int32_t level, double now);

// The chase light of a group block with bRunHorse = 1.
void RunRunningHorse(TickContext& ctx, const CSpringGroup& group, const TimeBlock& block, std::int32_t level,
                     double now);

// The block's light (by time or by analog value) or the system light. A
// negative t means t = trunc(now - scale x start).
void ApplyBlockLight(TickContext& ctx, const CSpringGroup& group, std::int32_t level, const TimeBlock& block,
                     std::int32_t t, double now);
void ApplyBlockLight(TickContext& ctx, CSpring& spring, std::int32_t level, const TimeBlock& block,
                     std::int32_t t, double now);

// Column of a moving-head table at block time t into the moving-head buffers.
void Output512(TickContext& ctx, std::int32_t t, const Light512ComplierCache& table);

}  // namespace velmora
