#pragma once
// "颜色编辑器": a colour sequence as a grid of swatches, edited through the
// toolbar (颜色 adds a red swatch, 前移/后移 move the current one, 删除
// removes it, 灯光 sets the sequence's command interval — kept in the
// file's type value, which nothing else uses —, 打开/保存 read and write
// .color files, 撤销/重做) and the
// mouse (a click makes a swatch current, a double-click picks its colour).
// Every edit is a step of the editor's own undo; closing with unsaved
// changes asks first. The result for the caller is the file name.
//
// Thread contract: UI thread.

#include <filesystem>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>



#include "editors/ColourSequenceEditor.h"
#include "editors/ui/AssetEditorDialog.h"

class QAction;
class QScrollArea;

namespace velmora {

class Prompter;
class SwatchGrid;

class ColourSequenceDialog final : public AssetEditorDialog {
    Q_OBJECT
public:
    // Opens on `fileName` in `folder` (a missing file: an empty sequence).
    ColourSequenceDialog(Prompter& prompter, std::filesystem::path folder, const std::string& fileName,
                         QWidget* parent = nullptr);

    ColourSequenceEditor& editor() { return editor_; }
    SwatchGrid& grid() { return *grid_; }
    QAction* Action(const QString& text) const;
    std::string fileName() const { return editor_.fileName(); }

    // Where a double-click asks for a colour and 灯光 for the interval; by
    // default the standard dialogs (tests answer them instead). Nothing
    // means the operator cancelled.
    std::function<std::optional<COLORREF>(COLORREF current)> askColour;
    std::function<std::optional<std::int32_t>(std::int32_t current)> askInterval;
private:
    QAction* AddAction(const QString& text, const std::function<bool()>& edit);
    void EditColour(int index);
    bool EditInterval();
    void Refresh();

    bool WriteFile(const std::filesystem::path& folder, const std::string& name, std::string* error) override;
    bool ReadFile(const std::filesystem::path& file, std::string* error) override;
    bool HasUnsavedChanges() const override { return editor_.IsModified(); }
    std::string SavedName() const override { return editor_.fileName(); }
    void ShowModel() override { Refresh(); }

    ColourSequenceEditor editor_;
    SwatchGrid* grid_;
    QScrollArea* scroll_;
};

}  // namespace velmora
