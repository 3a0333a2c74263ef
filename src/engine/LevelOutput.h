#pragma once
// SetLevel: a level for a group's members or a single spring, scaled by the
// show's music multiplier (not in hand mode), capped at 128 and written to
// the pump and valve outputs.
//
// Thread contract: engine thread, inside the output lock.

#include <cstdint>

#include "engine/TickContext.h"
#include "scene/Spring.h"
#include "scene/SpringGroup.h"

namespace velmora {

void SetLevel(TickContext& ctx, CSpring& spring, std::int32_t level);
// Members in order; members that do not exist are skipped.
void SetLevel(TickContext& ctx, const CSpringGroup& group, std::int32_t level);

}  // namespace velmora
