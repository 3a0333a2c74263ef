#include "scene/ui/SystemPropDialog.h"

#include <cstdio>
#include <utility>

#include "editors/ui/AssetEditors.h"
#include "document/MusicMultiplierCommand.h"
#include "document/SceneDocument.h"
#include "document/ShowDocument.h"
#include "runtime/Runtime.h"
#include "ui/PropList.h"

namespace velmora {

namespace {

constexpr int kGravityLimit = 99999;
constexpr int kParticlesMin = 10, kParticlesMax = 50;
constexpr int kCountMax = 9999999;  // pulses per turn, colour interval

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString Fixed(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    return QString::fromLatin1(text);
}

}  // namespace

SystemPropDialog::SystemPropDialog(DesktopContext& context, QWidget* parent, PropPopupEditor lightEditor)
    : SheetDialog(QStringLiteral("属性"), parent) {
    const Runtime& runtime = context.runtime;
    const SystemSheet s = SystemSheetOf(runtime.scene.settings);
    PropList& rows = list();
    rows.AddItem(PropItem::Category(QStringLiteral("主要")));
    rows.AddItem(PropItem::Number(QStringLiteral("重力系数"), Q(s.gravity), -kGravityLimit, kGravityLimit));
    rows.AddItem(PropItem::Number(QStringLiteral("颗粒数"), Q(s.particles), kParticlesMin, kParticlesMax));
    rows.AddItem(PropItem::Number(QStringLiteral("音乐倍乘"), Fixed(runtime.show.g_fMusicMultiplier),
                                  static_cast<int>(MusicMultiplierCommand::kMinimum),
                                  static_cast<int>(MusicMultiplierCommand::kMaximum)));
    rows.AddItem(PropItem::Number(QStringLiteral("单圈脉冲-Z"), Q(s.pulsesZ), 1, kCountMax));
    rows.AddItem(PropItem::Number(QStringLiteral("单圈脉冲-Y"), Q(s.pulsesY), 1, kCountMax));
    rows.AddItem(PropItem::Number(QStringLiteral("颜色间隔"), Q(s.colourInterval), 1, kCountMax));
    PropItem light = AssetPickerRow(context, AssetKind::Colour, QStringLiteral("灯光文件"), Q(s.light));
    if (lightEditor) light.editor = std::move(lightEditor);
    rows.AddItem(std::move(light));
    FitRows(rows.ItemCount());
}

SystemSheet SystemPropDialog::sheet() const {
    SystemSheet s;
    s.gravity = Value(kRowGravity);
    s.particles = Value(kRowParticles);
    s.pulsesZ = Value(kRowPulsesZ);
    s.pulsesY = Value(kRowPulsesY);
    s.colourInterval = Value(kRowInterval);
    s.light = Value(kRowLight);
    return s;
}

std::string SystemPropDialog::musicMultiplier() const { return Value(kRowMultiplier); }

bool OpenSystemProperties(DesktopContext& context, QWidget* parent, PropPopupEditor lightEditor) {
    SystemPropDialog dialog(context, parent, std::move(lightEditor));
    if (dialog.exec() != QDialog::Accepted) return false;
    const bool scene = context.runtime.sceneDocument().EditSystemSettings(dialog.sheet());
    const bool show = context.runtime.showDocument().SetMusicMultiplier(dialog.musicMultiplier());
    return scene || show;
}

}  // namespace velmora
