// Motor program files: any text gives a bounded program or none, and a
// program read without loop errors holds no loop markers.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/Profile.h"
#include "engine/MotorProgramFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    Profile profile;
    profile.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    // A large Num only repeats lookups of absent sections; keep runs short.
    if (profile.GetInt("Main", "Num", 0) > 20000) return 0;
    const auto read = ReadMotorProgram(profile);
    if (!read) return 0;
    const auto& steps = read->record.m_listSteps;
    if (steps.size() > kMaxMotorSteps) std::abort();
    if (read->loops == LoopResult::Ok) {
        for (const auto& s : steps)
            if (s.Act == kMotorLoopEnd) std::abort();
    }
    return 0;
}
