#pragma once
// The pending hand or fine-tune motor command of a spring (m_nMotorCmd:
// 1 and 2 turn in the two directions, 3 sets the zero position), written
// into its motor record on every tick; the sequence number moves on once
// per resend interval so the controller takes the command afresh.
//
// Thread contract: the caller holds the output lock (the engine for its
// whole tick, the fine-tune dialog for one command).

#include <cstdint>

#include "comm/OutputWrites.h"
#include "engine/TickContext.h"
#include "scene/Spring.h"

namespace velmora {

// The one way a pending motor command reaches the image, shared by the
// engine's tick and the fine-tune dialog's own issuing. `nowMs` is
// GetClockMs() (wrapping modulo 2^32).
void WritePendingMotorCommand(OutputTarget out, CSpring& spring, std::uint32_t nowMs);

inline void ManualMotorTick(TickContext& ctx, CSpring& spring) { WritePendingMotorCommand(ctx.out, spring, ctx.clockMs); }

}  // namespace velmora
