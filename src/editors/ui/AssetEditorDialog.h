#pragma once
// What the three asset editors share around their files: 打开 and 保存
// through a path seam (the standard file dialogs unless a test answers),
// "打开文件失败！"/"保存文件失败！" told to the operator, the question before
// unsaved changes are dropped (by 打开 or by closing), and the hook told of
// every file a save wrote. The editor itself supplies how its model reads
// and writes a file.
//
// Thread contract: UI thread.

#include <filesystem>
#include <functional>
#include <string>

#include <QDialog>
#include <QString>

namespace velmora {

class Prompter;

class AssetEditorDialog : public QDialog {
    Q_OBJECT
public:
    // Where 打开 and 保存 ask for a file; the editor sets the standard
    // dialogs on its folder (tests answer instead). An empty path: cancelled.
    std::function<QString(bool forSaving)> askPath;
    // Told the file each successful save wrote (the caches forget it).
    std::function<void(const std::filesystem::path& file)> onSaved;

    // Saves through askPath; false when cancelled or failed (told).
    bool Save();
    // Asks about unsaved changes first, then opens through askPath; false
    // when cancelled or the file could not be read (told).
    bool Open();
    // The close box and Escape come here: unsaved changes are asked about first.
    void reject() override;

protected:
    AssetEditorDialog(Prompter& prompter, std::filesystem::path folder, std::string unsavedQuestion,
                      QWidget* parent);

    // The model's side. WriteFile writes `folder`/`name` (the extension
    // added by the model); ReadFile replaces the model by `file`. Both give
    // the reason when they fail and then leave the model as it was.
    virtual bool WriteFile(const std::filesystem::path& folder, const std::string& name, std::string* error) = 0;
    virtual bool ReadFile(const std::filesystem::path& file, std::string* error) = 0;
    virtual bool HasUnsavedChanges() const = 0;
    // The name the model took from its last save.
    virtual std::string SavedName() const = 0;
    virtual void ShowModel() = 0;

    // True when nothing unsaved is lost: unchanged, the operator declined to
    // save, or the save went through.
    bool MayClose();

    Prompter& prompter_;
    const std::filesystem::path folder_;

private:
    const std::string unsavedQuestion_;
};

}  // namespace velmora
