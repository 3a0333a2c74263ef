#include "media/ui/PlaylistAccessible.h"

#include <QWindow>

#include "media/ListRows.h"
#include "media/ui/PlaylistView.h"

namespace velmora {

namespace {

QAccessibleInterface* Factory(const QString& /*className*/, QObject* object) {
    if (auto* canvas = qobject_cast<PlaylistCanvas*>(object)) return new PlaylistListAccessible(canvas);
    return nullptr;
}

}  // namespace

void InstallPlaylistAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

// ---------------------------------------------------------------- row

bool PlaylistRowAccessible::isValid() const {
    return canvas_ && row_ >= 0 && row_ < canvas_->view().source().Count();
}

QWindow* PlaylistRowAccessible::window() const {
    if (!canvas_) return nullptr;
    return canvas_->window()->windowHandle();
}

QAccessibleInterface* PlaylistRowAccessible::parent() const {
    return canvas_ ? QAccessible::queryAccessibleInterface(canvas_.data()) : nullptr;
}

QString PlaylistRowAccessible::text(QAccessible::Text t) const {
    if (!isValid()) return {};
    PlaylistView& view = canvas_->view();
    switch (t) {
        case QAccessible::Name: return QString::fromUtf8(view.source().Name(row_));
        case QAccessible::Description:
            return view.Missing(row_) ? QString::fromUtf8(kMissingFileNote) : QString();
        default: return {};
    }
}

QRect PlaylistRowAccessible::rect() const {
    if (!isValid()) return {};
    const QRect bar = canvas_->BarRect(row_);
    return QRect(canvas_->mapToGlobal(bar.topLeft()), bar.size());
}

QAccessible::State PlaylistRowAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    PlaylistView& view = canvas_->view();
    s.selectable = true;
    s.focusable = true;
    s.selected = view.source().Selected(row_);
    s.focused = canvas_->hasFocus() && view.focusRow() == row_;
    s.active = view.source().Current() == row_;
    if (!canvas_->isVisible() || !canvas_->rect().intersects(canvas_->BarRect(row_))) {
        s.invisible = !canvas_->isVisible();
        s.offscreen = true;
    }
    return s;
}

void* PlaylistRowAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList PlaylistRowAccessible::actionNames() const {
    return {pressAction(), QString::fromLatin1(kActivateAction), setFocusAction(), showMenuAction()};
}

QString PlaylistRowAccessible::localizedActionDescription(const QString& name) const {
    if (name == QLatin1String(kActivateAction)) return QStringLiteral("开始播放");
    return QAccessibleActionInterface::localizedActionDescription(name);
}

void PlaylistRowAccessible::doAction(const QString& name) {
    if (!isValid()) return;
    PlaylistView* view = &canvas_->view();
    const int row = row_;
    if (name == pressAction()) {
        view->SelectRow(row);
    } else if (name == QLatin1String(kActivateAction)) {
        // Queued: a start may open a dialog of its own, and the caller (a
        // screen reader, over D-Bus) must have its answer first.
        QPointer<PlaylistView> target(view);
        QMetaObject::invokeMethod(
            view, [target, row] { if (target) target->ActivateRow(row); }, Qt::QueuedConnection);
    } else if (name == setFocusAction()) {
        view->FocusRow(row);
    } else if (name == showMenuAction()) {
        const QRect bar = canvas_->BarRect(row);
        const QPoint at = canvas_->mapToGlobal(bar.center());
        QPointer<PlaylistView> target(view);
        QMetaObject::invokeMethod(
            view, [target, at] { if (target) emit target->menuRequested(at); }, Qt::QueuedConnection);
    }
}

QStringList PlaylistRowAccessible::keyBindingsForAction(const QString& name) const {
    if (name == QLatin1String(kActivateAction)) return {QStringLiteral("Return")};
    return {};
}

// ---------------------------------------------------------------- list

PlaylistListAccessible::PlaylistListAccessible(PlaylistCanvas* canvas) : QAccessibleWidget(canvas, QAccessible::List) {}

PlaylistListAccessible::~PlaylistListAccessible() {
    for (QAccessible::Id id : std::as_const(rows_)) QAccessible::deleteAccessibleInterface(id);
}

PlaylistCanvas* PlaylistListAccessible::canvas() const {
    return static_cast<PlaylistCanvas*>(widget());
}

void PlaylistListAccessible::Prune() const {
    const int count = canvas()->view().source().Count();
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (it.key() >= count) {
            QAccessible::deleteAccessibleInterface(it.value());
            it = rows_.erase(it);
        } else {
            ++it;
        }
    }
}

int PlaylistListAccessible::childCount() const {
    Prune();
    return canvas()->view().source().Count();
}

QAccessibleInterface* PlaylistListAccessible::child(int index) const {
    Prune();
    if (index < 0 || index >= canvas()->view().source().Count()) return nullptr;
    auto it = rows_.constFind(index);
    if (it != rows_.constEnd()) return QAccessible::accessibleInterface(it.value());
    auto* row = new PlaylistRowAccessible(canvas(), index);
    rows_.insert(index, QAccessible::registerAccessibleInterface(row));
    return row;
}

int PlaylistListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* row = dynamic_cast<const PlaylistRowAccessible*>(child);
    if (!row || row->canvas() != canvas() || !row->isValid()) return -1;
    return row->row();
}

QAccessibleInterface* PlaylistListAccessible::childAt(int x, int y) const {
    const QPoint local = canvas()->mapFromGlobal(QPoint(x, y));
    if (!canvas()->rect().contains(local)) return nullptr;
    const int row = canvas()->RowAt(local.y() + canvas()->view().scrollPosition());
    return row >= 0 ? child(row) : nullptr;
}

}  // namespace velmora
