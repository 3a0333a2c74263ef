#include "engine/ManualMotorTick.h"

#include "comm/MotorBlock.h"

namespace velmora {

void WritePendingMotorCommand(OutputTarget out, CSpring& spring, std::uint32_t nowMs) {
    const std::int32_t command = spring.m_nMotorCmd;
    if (command == 0) return;
    MotorBlock_struct record;
    switch (command) {
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
    const std::int32_t axis = spring.m_nMotorAxis;
    // The clock wraps modulo 2^32; the time since the last send is the
    // unsigned difference.
    const std::uint32_t since = nowMs - static_cast<std::uint32_t>(spring.m_nLastSend);
    if (static_cast<std::int64_t>(since) > static_cast<std::int64_t>(spring.m_nResendInterval)) {
        spring.m_nLastSend = static_cast<std::int32_t>(nowMs);
        AdvanceMotorSeq(axis != 0 ? spring.m_nSeqY : spring.m_nSeqZ);
    }
    WriteMotorRecord(out, record, nullptr, spring, axis != 0 ? 1 : 0);
}

}  // namespace velmora
