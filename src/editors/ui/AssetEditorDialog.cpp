#include "editors/ui/AssetEditorDialog.h"

#include "app/Prompter.h"

namespace velmora {

AssetEditorDialog::AssetEditorDialog(Prompter& prompter, std::filesystem::path folder, std::string unsavedQuestion,
                                     QWidget* parent)
    : QDialog(parent), prompter_(prompter), folder_(std::move(folder)), unsavedQuestion_(std::move(unsavedQuestion)) {}

bool AssetEditorDialog::Save() {
    const QString path = askPath ? askPath(true) : QString();
    if (path.isEmpty()) return false;
    const std::filesystem::path chosen(path.toStdString());
    std::string error;
    if (!WriteFile(chosen.parent_path(), chosen.filename().string(), &error)) {
        prompter_.Tell("保存文件失败！" + error);
        return false;
    }
    ShowModel();
    if (onSaved) onSaved(chosen.parent_path() / SavedName());
    return true;
}

bool AssetEditorDialog::Open() {
    if (!MayClose()) return false;
    const QString path = askPath ? askPath(false) : QString();
    if (path.isEmpty()) return false;
    std::string error;
    if (!ReadFile(std::filesystem::path(path.toStdString()), &error)) {
        prompter_.Tell("打开文件失败！" + error);
        return false;
    }
    ShowModel();
    return true;
}

bool AssetEditorDialog::MayClose() {
    if (!HasUnsavedChanges()) return true;
    if (!prompter_.AskYesNo(unsavedQuestion_)) return true;
    return Save();
}

void AssetEditorDialog::reject() {
    if (MayClose()) QDialog::reject();
}

}  // namespace velmora
