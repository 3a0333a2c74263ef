#pragma once
// The "程控列表" pane: the program-control list's toolbar (添加, 删除,
// 属性) above the playlist view. 添加 (and Ctrl+N) creates a program from
// the properties dialog, 属性 edits the selected one's power and cell
// count; a double-click runs a program through the list.
//
// Thread contract: UI thread.

#include <functional>
#include <optional>

#include <QString>

#include "media/ProgFile.h"
#include "media/ui/PlaylistPane.h"

namespace velmora {

class CProgramList;

inline constexpr const char* kPropertiesText = "属性";
// Told, with the reason, when a program's files could not be written.
inline constexpr const char* kProgramNotCreatedMessage = "程控文件无法创建：";
inline constexpr const char* kProgramNotWrittenMessage = "程控文件无法写入：";

// What the properties dialog (ProgramPropDialog) opens with and returns.
struct ProgramEdit {
    QString name;
    ProgParams params;
};
enum class ProgramEditMode { Create, Edit };

class ProgramListPane final : public PlaylistPane {
    Q_OBJECT
public:
    // Shows the properties dialog; nullopt on Cancel.
    using Editor = std::function<std::optional<ProgramEdit>(ProgramEditMode, const ProgramEdit& initial, QWidget* parent)>;

    ProgramListPane(DesktopContext& context, const QString& title, QWidget* parent = nullptr);

    QAction* propertiesCommand() const { return properties_; }
    // Replaces the properties dialog (tests script the answers).
    void SetEditor(Editor editor) {
        if (editor) editor_ = std::move(editor);
    }

    void UpdateCommands() override;

protected:
    void AddEntries() override;
    bool DeleteEntries() override;
    bool DeleteEnabled() const override;

private:
    void EditProperties();

    CProgramList& programs_;
    Editor editor_;
    QAction* properties_;
};

}  // namespace velmora
