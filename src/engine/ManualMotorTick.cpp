#include "engine/ManualMotorTick.h"

#include <cstdint>

#include "comm/OutputWrites.h"
#include "comm/MotorBlock.h"

namespace velmora {

void ManualMotorTick(TickContext& ctx, CSpring& spring) {
    if (spring.m_nMotorCmd == 0) return;
    MotorBlock_struct record;
    switch (spring.m_nMotorCmd) {
        case 1:
        case 2:
            record.Act = 6;
            break;
        case 3:
            record.Act = 4;
            break;
        default:
            record.Act = 0;
            break;
    }
    // The clock wraps modulo 2^32; the time since the last send is the
    // unsigned difference.
    const std::uint32_t since = ctx.clockMs - static_cast<std::uint32_t>(spring.m_nLastSend);
    if (static_cast<std::int64_t>(since) > static_cast<std::int64_t>(spring.m_nResendInterval)) {
        spring.m_nLastSend = static_cast<std::int32_t>(ctx.clockMs);
        AdvanceMotorSeq(spring.m_nMotorAxis != 0 ? spring.m_nSeqY : spring.m_nSeqZ);
    }
    WriteMotorRecord(ctx.out, record, nullptr, spring, spring.m_nMotorAxis != 0 ? 1 : 0);
}

}  // namespace velmora
