#include "media/ui/MusicListPane.h"

#include <string>
#include <vector>

#include <QAction>
#include <QFileDialog>

#include "engine/MusicWav.h"
#include "media/MusicList.h"
#include "runtime/Runtime.h"

namespace velmora {

namespace {

const PlaylistColours kMusicColours{QColor(0, 125, 70), QColor(0, 255, 0), QColor(0, 200, 125)};

std::unique_ptr<PlaylistSource> MusicSource(Runtime& runtime) {
    CMusicWav* wav = runtime.g_pMusicWav.get();
    return std::make_unique<CoreListSource<CMusicList>>(
        *runtime.g_pMusicList, [wav](const std::string& path) { return wav->Locate(path, 0).has_value(); });
}

}  // namespace

MusicListPane::MusicListPane(DesktopContext& context, const QString& title, QWidget* parent)
    : PlaylistPane(context, MusicSource(context.runtime), kMusicColours, title, parent),
      music_(*context.runtime.g_pMusicList) {
    random_ = AddToggle(IconId::Random, "随机", music_.m_bRandom, &CMusicList::ToggleRandom);
    repeat_ = AddToggle(IconId::Repeat, "重复", music_.m_bRepeat, &CMusicList::ToggleRepeat);
    listMode_ = AddToggle(IconId::List, "列表", music_.m_bList, &CMusicList::ToggleList);
    chooser_ = [this](QWidget* parent) {
        const std::filesystem::path music = context_.runtime.workspace().AssetDir("Music");
        return QFileDialog::getOpenFileNames(parent, QString(), QString::fromStdString(music.string()),
                                             QString::fromLatin1(kMp3Filter));
    };
    UpdateCommands();
}

QAction* MusicListPane::AddToggle(IconId icon, const char* text, int initial, int (CMusicList::*toggle)()) {
    QAction* action = AddToolButton(icon, text);
    action->setCheckable(true);
    action->setChecked(initial != 0);
    // The list's flag decides; the button only shows it.
    connect(action, &QAction::triggered, this, [this, action, toggle] { action->setChecked((music_.*toggle)() != 0); });
    return action;
}

void MusicListPane::AddEntries() {
    const QStringList files = chooser_ ? chooser_(this) : QStringList();
    if (files.isEmpty()) return;
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(files.size()));
    for (const QString& file : files) paths.push_back(file.toStdString());
    music_.Add(paths);
    view()->ListChanged(true);
    UpdateCommands();
    SaveLists();
}

bool MusicListPane::DeleteEntries() {
    return music_.DeleteSelected(context_.prompter);
}

bool MusicListPane::DeleteEnabled() const {
    return music_.DeleteEnabled();
}

}  // namespace velmora
