#pragma once
// "电机程序编辑器": a motor program as a row of step boxes, edited through
// the toolbar (移动 休息 循环 复位 append steps, 前移/后移 move the current
// one, 删除 removes it, 撤销/重做), the mouse (a click makes a step current,
// a double-click opens its values) and 配置 (the program's interval and the
// test controller). 编译 checks the program and shows it expanded, read
// only, until the next check; 运行 checks it and tries it on the test
// controller until pressed again, the program has run through or the
// connection fails; closing the dialog ends the test too. 打开/保存 read
// and write .motor files. Closing with unsaved changes asks first; closing
// never saves. The result for the caller is the file name.
//
// Thread contract: UI thread. The test run's sender works on its own copy
// of the expanded program; what it tells the operator is queued and handed
// over on this thread by the dialog's status timer.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QTimer>

#include "app/QueuedPrompter.h"
#include "comm/ModbusMotorThread.h"
#include "editors/MotorProgramEditor.h"
#include "editors/MotorTestSetup.h"
#include "editors/ui/AssetEditorDialog.h"

class QAction;
class QLabel;
class QScrollArea;

namespace velmora {

class Prompter;
class Runtime;
class StepBoxRow;

struct MotorEditorSettings {
    // config.ini, where the test controller's address is kept; empty: the
    // sender's defaults, kept only while the dialog is open.
    std::filesystem::path configIni;
    // The pulses per turn of a new reset step (the scene's Z motors).
    std::int32_t pulsesPerRound = 8000;
};

// The settings of the running installation.
MotorEditorSettings MotorEditorSettingsOf(const Runtime& runtime);

class MotorProgramDialog final : public AssetEditorDialog {
    Q_OBJECT
public:
    static constexpr int kStatusPeriodMs = 100;

    // Opens on `fileName` in `folder` (a missing file: an empty program).
    MotorProgramDialog(Prompter& prompter, std::filesystem::path folder, const std::string& fileName,
                       QWidget* parent = nullptr, MotorEditorSettings settings = {});
    ~MotorProgramDialog() override;

    MotorProgramEditor& editor() { return editor_; }
    StepBoxRow& row() { return *row_; }
    QAction* Action(const QString& text) const;
    std::string fileName() const { return editor_.fileName(); }
    const MotorTestSetup& testSetup() const { return setup_; }
    // The status line under the steps (the test run's progress).
    QString statusText() const;
    bool testRunning() const { return running_; }

    // However the dialog closes, a test run ends with it.
    void done(int result) override;

private:
    QAction* AddAction(const QString& text, int icon, const std::function<bool()>& edit);
    void Compile();
    void Configure();
    void ToggleRun();
    void StopRun();
    void EditStep(int index);
    void UpdateStatus();
    void Refresh();

    bool WriteFile(const std::filesystem::path& folder, const std::string& name, std::string* error) override {
        return editor_.Save(folder, name, error);
    }
    bool ReadFile(const std::filesystem::path& file, std::string* error) override;
    bool HasUnsavedChanges() const override { return editor_.IsModified(); }
    std::string SavedName() const override { return editor_.fileName(); }
    void ShowModel() override { Refresh(); }

    MotorEditorSettings settings_;
    MotorProgramEditor editor_;
    MotorTestSetup setup_;
    StepBoxRow* row_;
    QScrollArea* scroll_;
    QLabel* status_;
    QTimer statusTimer_;
    // Declared before the sender, which tells through it: the sender goes first.
    QueuedPrompter workerMessages_;
    CModbusMotorThread motor_;
    bool running_ = false;
    bool delivering_ = false;
};

}  // namespace velmora
