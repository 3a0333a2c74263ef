#pragma once
// "帧编辑器": a frame animation's pages painted cell by cell. The toolbar
// holds the grid's tools (slopes, valley, peak, copy and four anchored
// pastes, ring selection and rotation, increase and decrease), 配置 for
// the animation's settings, 打开/保存 for .frm files and 撤销/重做; the
// mouse selects cells (Shift: a rectangle, Ctrl: one more), double-click
// fills or empties a cell, dragging a cell's box sets its level and the
// right button types one in. Below the grid the page navigation with the
// page's extra time, and at the bottom the page strip (loop marks, copying,
// pasting, inserting and deleting pages).
//
// Every edit is a step of the editor model's undo; closing with unsaved
// changes asks first. The result for the caller is the file name.
//
// Thread contract: UI thread.

#include <filesystem>
#include <functional>
#include <string>


#include "editors/FrameAnimationEditor.h"
#include "editors/ui/AssetEditorDialog.h"

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolBar;

namespace velmora {

class Prompter;
class FrameGrid;
class PageStrip;
enum class FrameIcon;

class FrameAnimationDialog final : public AssetEditorDialog {
    Q_OBJECT
public:
    // Opens on `fileName` in `folder` (the workspace's "Frame" folder); an
    // empty name or a missing file starts a new animation.
    FrameAnimationDialog(Prompter& prompter, std::filesystem::path folder, const std::string& fileName,
                         QWidget* parent = nullptr);
    ~FrameAnimationDialog() override;

    FrameAnimationEditor& editor() { return editor_; }
    FrameGrid& grid() { return *grid_; }
    PageStrip& strip() { return *strip_; }
    QComboBox& durationBox() { return *duration_; }
    QLabel& pageLabel() { return *pageLabel_; }
    // A toolbar action by its text, and one of the page strip's.
    QAction* Action(const QString& text) const;
    QAction* StripAction(const QString& text) const;
    QPushButton* NavigationButton(const QString& text) const;
    std::string fileName() const { return editor_.fileName(); }

    // Redraws everything from the model; the dialog's own edits call it, a
    // caller that changed editor() directly calls it once afterwards.
    void Refresh();

private:
    QAction* AddAction(QToolBar* toolbar, const QString& text, FrameIcon icon, const std::function<bool()>& edit,
                       const QString& tip = {});
    QPushButton* AddNavigation(const QString& text, const std::function<int()>& page);
    void Configure();
    void AskLevel(int row, int col);
    void TakeDuration();

    bool WriteFile(const std::filesystem::path& folder, const std::string& name, std::string* error) override {
        return editor_.Save(folder, name, error);
    }
    bool ReadFile(const std::filesystem::path& file, std::string* error) override { return editor_.Open(file, error); }
    bool HasUnsavedChanges() const override { return editor_.IsModified(); }
    std::string SavedName() const override { return editor_.fileName(); }
    void ShowModel() override { Refresh(); }

    FrameAnimationEditor editor_;
    FrameGrid* grid_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    PageStrip* strip_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QComboBox* duration_ = nullptr;
};

}  // namespace velmora
