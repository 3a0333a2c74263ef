#include "engine/MotorProgramFile.h"

#include <algorithm>
#include <string>

#include "app/Log.h"
#include "app/Profile.h"

namespace velmora {

std::optional<MotorProgramRead> ReadMotorProgram(const Profile& profile) {
    const std::int32_t num = profile.GetInt("Main", "Num", 0);
    if (num <= 0) return std::nullopt;

    MotorProgramRead result;
    result.record.m_nInterval = profile.GetInt("Main", "Interval", kDefaultMotorInterval);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(num), kMaxMotorSteps);
    std::vector<MotorBlock_struct>& steps = result.record.m_listSteps;
    steps.resize(count);
    std::string section;
    for (std::size_t i = 0; i < count; ++i) {
        section = "MOB" + std::to_string(i);
        MotorBlock_struct& step = steps[i];
        step.Act = profile.GetInt(section, "Act", 0);
        step.p0 = profile.GetInt(section, "p0", 0);
        step.p1 = profile.GetInt(section, "p1", 0);
        step.p2 = profile.GetInt(section, "p2", 0);
    }
    result.loops = ExpandMotorLoops(steps);
    if (count < static_cast<std::size_t>(num)) result.loops = LoopResult::TooLong;
    return result;
}

std::optional<MotorProgramRead> LoadMotorFile(const std::filesystem::path& path) {
    Profile profile;
    std::string error;
    if (!profile.Load(path, &error)) {
        if (profile.existed()) LogMessage("motor program %s: %s", path.string().c_str(), error.c_str());
        return std::nullopt;
    }
    return ReadMotorProgram(profile);
}

}  // namespace velmora
