#include "document/SystemSettingsCommand.h"

#include <cstdio>

#include "app/NumberText.h"
#include "document/SheetText.h"

namespace velmora {
namespace {

void TakeInt(const std::string& text, double minimum, double maximum, std::int32_t& field) {
    if (AcceptsNumber(text, minimum, maximum)) field = TextToInt(text);
}

}  // namespace

SystemSheet SystemSheetOf(const SceneSettings& s) {
    char gravity[64];
    std::snprintf(gravity, sizeof gravity, "%f", static_cast<double>(s.g_fGravity));
    return SystemSheet{gravity,
                       std::to_string(s.g_nParticleCount),
                       std::to_string(s.g_nPulsePerRoundZ),
                       std::to_string(s.g_nPulsePerRoundY),
                       std::to_string(s.g_nSystemInterval),
                       s.g_strLight};
}

EditSystemSettingsCommand::Fields EditSystemSettingsCommand::Read(const SceneSettings& s) {
    return Fields{s.g_fGravity, s.g_nParticleCount, s.g_nPulsePerRoundZ, s.g_nPulsePerRoundY, s.g_nSystemInterval,
                  s.g_strLight};
}

EditSystemSettingsCommand::EditSystemSettingsCommand(SceneEditTarget& target, const SystemSheet& sheet)
    : SceneCommand(target) {
    before_ = Read(target.scene.settings);
    after_ = before_;
    if (AcceptsNumber(sheet.gravity, -99999, 99999)) after_.g_fGravity = TextToFloat(sheet.gravity);
    TakeInt(sheet.particles, 10, 50, after_.g_nParticleCount);
    TakeInt(sheet.pulsesZ, 1, 9999999, after_.g_nPulsePerRoundZ);
    TakeInt(sheet.pulsesY, 1, 9999999, after_.g_nPulsePerRoundY);
    TakeInt(sheet.colourInterval, 1, 9999999, after_.g_nSystemInterval);
    // The picker's result, cut as the path buffer cuts it.
    if (!sheet.light.empty()) after_.g_strLight = FirstCharacters(sheet.light, SceneSettings::kPathBuffer - 1);
}

Change EditSystemSettingsCommand::Store(const Fields& f) {
    SceneSettings& s = target_.scene.settings;
    if (Read(s) == f) return {};
    const bool pulses = s.g_nPulsePerRoundZ != f.g_nPulsePerRoundZ || s.g_nPulsePerRoundY != f.g_nPulsePerRoundY;
    {
        // The engine reads the colour interval and light path every tick.
        std::lock_guard lock(target_.outputLock);
        s.g_fGravity = f.g_fGravity;
        s.g_nParticleCount = f.g_nParticleCount;
        s.g_nPulsePerRoundZ = f.g_nPulsePerRoundZ;
        s.g_nPulsePerRoundY = f.g_nPulsePerRoundY;
        s.g_nSystemInterval = f.g_nSystemInterval;
        s.g_strLight = f.g_strLight;
    }
    Change change;
    change.what = Change::kSettings;
    change.allTracks = pulses;  // tracks are angles: pulses over pulses per turn
    return change;
}

}  // namespace velmora
