#pragma once
// The program's only top-level window: menu bar, toolbar, status bar, the
// main view in the middle and the eight docking panes around it. It carries
// the frame's commands (save, new block, copy, paste, delete, undo, redo,
// about) and their enable rules, and keeps the pane layout, the window's
// geometry and the look between runs.
//
// Thread contract: UI thread.

#include <array>
#include <functional>
#include <map>

#include <QMainWindow>

#include "ui/DesktopContext.h"

class QAction;
class QActionGroup;
class QDockWidget;
class QLabel;
class QTimer;

namespace velmora {

class Document;
class MainView;

// The frame commands' ids.
inline constexpr int kCmdSave = 32779;
inline constexpr int kCmdNewBlock = 32777;
inline constexpr int kCmdCopy = 57634;
inline constexpr int kCmdPaste = 57637;
inline constexpr int kCmdDelete = 32774;
inline constexpr int kCmdAbout = 57664;
inline constexpr int kCmdUndo = 1;  // ours: no id in the old frame
inline constexpr int kCmdRedo = 2;

// "0.1.0" -> "0.1.0.0": the four-part form of the old version resource.
QString FourPartVersion(const QString& version);

class MainFrame final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainFrame(DesktopContext& context, QWidget* parent = nullptr);
    ~MainFrame() override;

    // Runs when the window is asked to close, before anything is torn down
    // (it stops the engine and saves the open show); the window closes only
    // when it returns true.
    void SetCloseHook(std::function<bool()> hook) { closeHook_ = std::move(hook); }

    MainView* mainView() const { return mainView_; }
    QDockWidget* Pane(int paneId) const;
    // The menu item of a frame command (the toolbar button shares its state).
    QAction* MenuAction(int commandId) const;
    QAction* ToolAction(int commandId) const;
    QAction* statusBarAction() const { return statusBarAction_; }
    QAction* LookAction(int lookId) const;
    int look() const { return look_; }
    bool newBlockArmed() const { return newBlockArmed_; }

    // Applies every command's enable rule and the undo/redo texts.
    void UpdateCommands();
    // The document the undo and redo commands act on: the scene's while the
    // scene editor or the group element panel has the focus, the show's
    // otherwise.
    Document& UndoTarget() const;

signals:
    // The new-block command armed or disarmed the timeline's add modifier.
    void newBlockArmedChanged(bool armed);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Command {
        QAction* menu = nullptr;
        QAction* tool = nullptr;
    };

    void CreateCommands();
    void CreateMenus();
    void CreateToolBar();
    void CreatePanes();
    void CreateStatusBar();
    void RestoreLayout();
    void SaveLayout();

    void Save();
    void SetNewBlockArmed(bool armed);
    void Copy();
    void Paste();
    void Delete();
    void About();
    void Undo();
    void Redo();
    void CyclePane(int step);
    void SetLook(int lookId);
    void RefreshStatus();
    void Enable(int commandId, bool enabled);

    DesktopContext& context_;
    MainView* mainView_ = nullptr;
    std::map<int, Command> commands_;
    std::map<int, QDockWidget*> panes_;
    std::map<int, QAction*> lookActions_;
    QActionGroup* lookGroup_ = nullptr;
    QAction* statusBarAction_ = nullptr;
    QLabel* entryLabel_ = nullptr;
    QLabel* channelsLabel_ = nullptr;
    QTimer* statusTimer_ = nullptr;
    std::function<bool()> closeHook_;
    std::size_t showListener_ = 0;
    std::size_t sceneListener_ = 0;
    int look_;
    bool newBlockArmed_ = false;
};

}  // namespace velmora
