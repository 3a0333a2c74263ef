#pragma once
// Motor program files (.motor, INI text): [Main] Num and Interval, then one
// section MOB0 … MOB<Num-1> per step with Act, p0, p1 and p2.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "comm/MotorBlock.h"
#include "engine/MotorLoops.h"

namespace velmora {

class Profile;

inline constexpr std::int32_t kDefaultMotorInterval = 500;

// One cached motor program, loops already expanded.
struct MotorComplierCache {
    std::string m_szName;
    std::int32_t m_nInterval = kDefaultMotorInterval;  // ms per step in real-time stepping
    std::vector<MotorBlock_struct> m_listSteps;
};

struct MotorProgramRead {
    MotorComplierCache record;
    // Unmatched when a loop end has no start; TooLong when Num or the loop
    // counts exceeded kMaxMotorSteps and the program was cut.
    LoopResult loops = LoopResult::Ok;
};

// The program a profile holds, loops expanded; nullopt when Num <= 0 (no
// such program). At most kMaxMotorSteps steps are read.
std::optional<MotorProgramRead> ReadMotorProgram(const Profile& profile);

// The same from a file; a missing or unreadable file is no program.
std::optional<MotorProgramRead> LoadMotorFile(const std::filesystem::path& path);

}  // namespace velmora
