#pragma once
// The "音乐列表" pane: the music list's toolbar (添加, 删除, 随机, 重复,
// 列表) above the playlist view. Add opens a file dialog for MP3 files; the
// three play-mode buttons show the list's flags; a double-click plays a
// piece through the list.
//
// Thread contract: UI thread.

#include <functional>

#include <QStringList>

#include "media/ui/PlaylistPane.h"

namespace velmora {

class CMusicList;

inline constexpr const char* kMp3Filter = "MP3 Files (*.mp3)";

class MusicListPane final : public PlaylistPane {
    Q_OBJECT
public:
    // The files the operator chose to add, in the dialog's order; empty on Cancel.
    using FileChooser = std::function<QStringList(QWidget* parent)>;

    MusicListPane(DesktopContext& context, const QString& title, QWidget* parent = nullptr);

    QAction* randomCommand() const { return random_; }
    QAction* repeatCommand() const { return repeat_; }
    QAction* listCommand() const { return listMode_; }

    // Replaces the file dialog (tests script the choice).
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

protected:
    void AddEntries() override;
    bool DeleteEntries() override;
    bool DeleteEnabled() const override;

private:
    QAction* AddToggle(IconId icon, const char* text, int initial, int (CMusicList::*toggle)());

    CMusicList& music_;
    FileChooser chooser_;
    QAction* random_;
    QAction* repeat_;
    QAction* listMode_;
};

}  // namespace velmora
