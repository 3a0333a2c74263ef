#pragma once
// Asset files written the way the editors write them, for the engine tests.

#include <string>
#include <vector>

#include "app/ScratchDir.h"
#include "comm/MotorBlock.h"

namespace velmora::testing {

inline std::string MotorText(const std::vector<MotorBlock_struct>& steps, int interval = 500) {
    std::string text = "[Main]\nNum=" + std::to_string(steps.size()) + "\nInterval=" + std::to_string(interval) + "\n";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        text += "[MOB" + std::to_string(i) + "]\nAct=" + std::to_string(steps[i].Act) +
                "\np0=" + std::to_string(steps[i].p0) + "\np1=" + std::to_string(steps[i].p1) +
                "\np2=" + std::to_string(steps[i].p2) + "\n";
    }
    return text;
}

inline void WriteMotor(const ScratchDir& dir, const std::string& name, const std::vector<MotorBlock_struct>& steps,
                       int interval = 500) {
    dir.Write("motor/" + name, MotorText(steps, interval));
}

}  // namespace velmora::testing
