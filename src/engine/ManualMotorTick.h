#pragma once
// The pending hand or fine-tune motor command of a spring (m_nMotorCmd:
// 1 and 2 turn in the two directions, 3 stops), written into its motor
// record on every tick; the sequence number moves on once per resend
// interval so the controller takes the command afresh.
//
// Thread contract: engine thread, inside the output lock.

#include "engine/TickContext.h"
#include "scene/Spring.h"

namespace velmora {

void ManualMotorTick(TickContext& ctx, CSpring& spring);

}  // namespace velmora
