#pragma once
// What the music list pane and the program-control list pane share: a
// 28-pixel toolbar above the playlist view, the Add and Delete commands
// (toolbar, right-click menu, Delete and Ctrl+N on the list), the delete
// question, and saving both lists into the scene file after every change, so
// that a crash or a power cut loses nothing the operator did.
//
// Thread contract: UI thread.

#include <memory>

#include <QWidget>

#include "media/ui/PlaylistView.h"
#include "ui/DesktopContext.h"
#include "ui/Icons.h"

class QAction;
class QToolBar;

namespace velmora {

inline constexpr int kPlaylistToolBarHeight = 28;
inline constexpr const char* kAddText = "添加";
inline constexpr const char* kDeleteText = "删除";
// Told when the lists could not be written; the reason follows.
inline constexpr const char* kListsNotSavedMessage = "播放列表无法保存到场景文件：";

class PlaylistPane : public QWidget {
    Q_OBJECT
public:
    PlaylistView* view() const { return view_; }
    QToolBar* toolBar() const { return toolBar_; }
    QAction* addCommand() const { return add_; }
    QAction* deleteCommand() const { return delete_; }
    // The list's right-click menu: "添加" and "删除" (greyed unless Delete is enabled).
    void ShowMenu(const QPoint& globalPos);
    // Applies the toolbar's enable rules to the list's state.
    virtual void UpdateCommands();

protected:
    PlaylistPane(DesktopContext& context, std::unique_ptr<PlaylistSource> source, PlaylistColours colours,
                 const QString& title, QWidget* parent);

    QAction* AddToolButton(IconId icon, const char* text);
    // Writes both lists into the scene file now and tells the operator when
    // that failed.
    void SaveLists();

    virtual void AddEntries() = 0;
    // Asks the delete question and removes the selection; whether any went.
    virtual bool DeleteEntries() = 0;
    virtual bool DeleteEnabled() const = 0;

    DesktopContext& context_;

private:
    void Delete();

    QToolBar* toolBar_;
    PlaylistView* view_;
    QAction* add_;
    QAction* delete_;
};

}  // namespace velmora
