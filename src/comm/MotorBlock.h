#pragma once
#include <cstdint>

namespace velmora {

// One step of a motor program, as stored in a .motor file and sent to the
// motor controllers as a command record.
struct MotorBlock_struct {
    std::int32_t Act = 0;         // 0 rest, 1 move, 2 move (continued), 5 reset, 100 loop start, 101 loop end
    std::int32_t p0 = 0;          // rest: ms; move: pulses per second (signed); loop start: repeat count
    std::int32_t p1 = 0;          // move: displacement in pulses (signed); loop start: speed increment
    std::int32_t p2 = 0;          // loop start: displacement increment
    std::int32_t m_bSelected = 0; // selection mark of the motor editor; 0 when read from a file
};

enum MotorAct : std::int32_t {
    kMotorRest = 0,
    kMotorMove = 1,
    kMotorMoveContinued = 2,
    kMotorReset = 5,
    kMotorLoopStart = 100,
    kMotorLoopEnd = 101,
};

}  // namespace velmora
