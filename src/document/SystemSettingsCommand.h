#pragma once
// The system sheet's OK: the scene-wide settings from the sheet's rows, each
// taken only when its row accepts the text (the row's range), else kept.

#include <string>

#include "document/SceneEditTarget.h"

namespace velmora {

struct SystemSheet {
    std::string gravity;        // "重力系数", -99999..99999, shown "%f"
    std::string particles;      // "颗粒数", 10..50
    std::string pulsesZ;        // "单圈脉冲-Z", 1..9999999
    std::string pulsesY;        // "单圈脉冲-Y", 1..9999999
    std::string colourInterval; // "颜色间隔", 1..9999999
    std::string light;          // "灯光文件": the colour-sequence editor's result; empty keeps the path
};

SystemSheet SystemSheetOf(const SceneSettings& settings);

class EditSystemSettingsCommand final : public SceneCommand {
public:
    EditSystemSettingsCommand(SceneEditTarget& target, const SystemSheet& sheet);
    Change Apply() override { return Store(after_); }
    Change Revert() override { return Store(before_); }
    std::string Text() const override { return "系统属性"; }

private:
    struct Fields {
        float g_fGravity;
        std::int32_t g_nParticleCount, g_nPulsePerRoundZ, g_nPulsePerRoundY, g_nSystemInterval;
        std::string g_strLight;
        bool operator==(const Fields&) const = default;
    };
    static Fields Read(const SceneSettings& settings);
    Change Store(const Fields& fields);

    Fields before_;
    Fields after_;
};

}  // namespace velmora
