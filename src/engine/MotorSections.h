#pragma once
// Which of a rotation block's three motor programs a member runs. With
// singleSection = S1 and singleSection1 = S2, members follow a repeating
// pattern of S1 members on the first program (szMotor), S2 on the third
// (szMotor2) and S1 on the second (szMotor1); k is the member's position
// within its run, which sets its start delay. Shared by the compiler and the
// real-time engine so that both drive the same member with the same program.

#include <cstdint>
#include <string>

#include "show/TimeBlock.h"

namespace velmora {

struct MotorSection {
    int which = 0;                        // 0 szMotor, 1 szMotor1, 2 szMotor2
    const std::string* program = nullptr; // the block's name of that program
    float factor = 1.0f;                  // speed factor paramMotor1..3
    std::int32_t repeat = 1;              // forMotor1..3
    std::int32_t delay = 0;               // delayMotor1..3, ms
    std::int64_t k = 0;                   // position within the run
};

// The section of take step s (s >= 0). A pattern whose length is 0
// (S1 = -S2 / 2) has no sections: every member then runs the first program
// with k = s.
MotorSection ChooseMotorSection(const TimeBlock& block, std::int64_t s);

}  // namespace velmora
