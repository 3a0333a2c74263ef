#pragma once
// The walk over one show at the tick's position: every block active at the
// position acts on its layer's group or spring (or runs its program's own
// show), and any active block may also drive a moving-head table.
//
// Thread contract: engine thread (or a test's), inside the output lock.

#include <cstdint>
#include <span>

#include "engine/TickContext.h"
#include "show/Layer.h"
#include "show/TimeBlock.h"

namespace velmora {

// Programs may hold program blocks; a program that (directly or through
// others) holds itself would otherwise never end. Deeper programs are skipped.
inline constexpr int kMaxProgramDepth = 8;
// Within the depth bound, a program holding several blocks that call it
// again would still multiply its walks level by level (ten such blocks:
// 10^8 walks). One tick walks at most this many program shows; the rest are
// skipped, so a tick always ends within its period.
inline constexpr int kMaxProgramWalks = 256;

// `offset` (ms) is subtracted from ctx.position: 0 for the open show, the
// start of the program block for a program's show.
void EvaluateShow(TickContext& ctx, std::span<const Layer> layers, std::span<const TimeBlock> blocks,
                  std::int32_t level, double offset);

// Where a block starts or ends on the show clock, in ms: position x scale,
// in the float arithmetic of the stored positions.
double BlockMs(std::int32_t scale, float units);

}  // namespace velmora
