#include "media/ui/PlaylistPane.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/Prompter.h"
#include "runtime/Runtime.h"

namespace velmora {

PlaylistPane::PlaylistPane(DesktopContext& context, std::unique_ptr<PlaylistSource> source, PlaylistColours colours,
                           const QString& title, QWidget* parent)
    : QWidget(parent), context_(context) {
    toolBar_ = new QToolBar(this);
    toolBar_->setFixedHeight(kPlaylistToolBarHeight);
    toolBar_->setIconSize(QSize(18, 18));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->setFloatable(false);
    toolBar_->setMovable(false);
    view_ = new PlaylistView(std::move(source), colours, title, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(view_, 1);
    setFocusProxy(view_);

    add_ = AddToolButton(IconId::Add, kAddText);
    delete_ = AddToolButton(IconId::Remove, kDeleteText);
    connect(add_, &QAction::triggered, this, [this] { AddEntries(); });
    connect(delete_, &QAction::triggered, this, [this] { Delete(); });

    connect(view_, &PlaylistView::selectionChanged, this, &PlaylistPane::UpdateCommands);
    connect(view_, &PlaylistView::reordered, this, &PlaylistPane::SaveLists);
    connect(view_, &PlaylistView::addRequested, this, [this] { AddEntries(); });
    connect(view_, &PlaylistView::deleteRequested, this, [this] { Delete(); });
    connect(view_, &PlaylistView::menuRequested, this, &PlaylistPane::ShowMenu);
}

QAction* PlaylistPane::AddToolButton(IconId icon, const char* text) {
    const QString label = QString::fromUtf8(text);
    QAction* action = toolBar_->addAction(MakeIcon(icon), label);
    action->setToolTip(label);
    if (QWidget* button = toolBar_->widgetForAction(action)) button->setAccessibleName(label);
    return action;
}

void PlaylistPane::UpdateCommands() {
    delete_->setEnabled(DeleteEnabled());
}

void PlaylistPane::ShowMenu(const QPoint& globalPos) {
    UpdateCommands();
    QMenu menu(this);
    menu.addAction(add_);
    menu.addAction(delete_);
    menu.exec(globalPos);
}

void PlaylistPane::Delete() {
    // Only while the last click selected a row, as the button's state says.
    if (!DeleteEnabled()) return;
    const bool removed = DeleteEntries();
    view_->ListChanged(false);
    UpdateCommands();
    if (removed) SaveLists();
}

void PlaylistPane::SaveLists() {
    std::string error;
    if (context_.runtime.SaveLists(&error)) return;
    context_.prompter.Tell(std::string(kListsNotSavedMessage) + error);
}

}  // namespace velmora
