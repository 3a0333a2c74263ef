#include "editors/ui/AssetEditors.h"

#include <utility>

#include "app/Workspace.h"
#include "editors/ui/ColourSequenceDialog.h"
#include "editors/ui/FrameAnimationDialog.h"
#include "editors/ui/MotorProgramDialog.h"
#include "runtime/Runtime.h"
#include "show/AssetChoices.h"
#include "ui/DesktopContext.h"

namespace velmora {

const char* AssetFolderName(AssetKind kind) {
    switch (kind) {
        case AssetKind::Motor: return "motor";
        case AssetKind::Frame: return "Frame";
        case AssetKind::Colour: return "Color";
        case AssetKind::Light512: return "512Light";
    }
    return "";
}

namespace {

const char* ExtensionOf(AssetKind kind) {
    switch (kind) {
        case AssetKind::Motor: return ".motor";
        case AssetKind::Frame: return ".frm";
        case AssetKind::Colour: return ".color";
        case AssetKind::Light512: return ".csv";
    }
    return "";
}

template <class Dialog, class... Extra>
std::string Run(DesktopContext& context, AssetKind kind, const std::string& fileName, QWidget* parent,
                Extra&&... extra) {
    Runtime& runtime = context.runtime;
    Dialog dialog(context.prompter, runtime.workspace().AssetDir(AssetFolderName(kind)), fileName, parent,
                  std::forward<Extra>(extra)...);
    dialog.onSaved = [&runtime, kind](const std::filesystem::path& file) { runtime.AssetFileSaved(kind, file); };
    dialog.exec();
    return dialog.fileName();
}

}  // namespace

std::string EditAsset(DesktopContext& context, AssetKind kind, const std::string& fileName, QWidget* parent) {
    switch (kind) {
        case AssetKind::Colour: return Run<ColourSequenceDialog>(context, kind, fileName, parent);
        case AssetKind::Motor:
            return Run<MotorProgramDialog>(context, kind, fileName, parent, MotorEditorSettingsOf(context.runtime));
        case AssetKind::Frame: return Run<FrameAnimationDialog>(context, kind, fileName, parent);
        case AssetKind::Light512: break;
    }
    return fileName;
}

PropItem AssetPickerRow(DesktopContext& context, AssetKind kind, const QString& label, const QString& current) {
    QStringList files;
    for (const std::string& name : AssetFileNames(context.runtime.workspace().AssetDir(AssetFolderName(kind)),
                                                  ExtensionOf(kind)))
        files << QString::fromStdString(name);
    PropItem item = PropItem::Combo(label, current, files);
    item.editor = [&context, kind](QWidget* parent, const QString& value) {
        return QString::fromStdString(EditAsset(context, kind, StoredFileName(value.toStdString()), parent));
    };
    return item;
}

}  // namespace velmora
