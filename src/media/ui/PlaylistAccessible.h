#pragma once
// The playlist as assistive technology sees it: a list whose children are
// the rows (role list item, named by the entry's shown name, selectable and
// focusable), each with the actions "Press" (select it alone), "Activate"
// (start it, as a double-click does), "SetFocus" and "ShowMenu".
//
// Thread contract: UI thread (the accessibility bridge calls in on it).

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace velmora {

class PlaylistCanvas;

inline constexpr const char* kActivateAction = "Activate";

// Registers the factory once; every PlaylistView calls it.
void InstallPlaylistAccessibility();

class PlaylistRowAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PlaylistRowAccessible(PlaylistCanvas* canvas, int row) : canvas_(canvas), row_(row) {}

    int row() const { return row_; }
    PlaylistCanvas* canvas() const { return canvas_; }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    QString localizedActionDescription(const QString& name) const override;
    void doAction(const QString& name) override;
    QStringList keyBindingsForAction(const QString& name) const override;

private:
    QPointer<PlaylistCanvas> canvas_;
    int row_;
};

class PlaylistListAccessible final : public QAccessibleWidget {
public:
    explicit PlaylistListAccessible(PlaylistCanvas* canvas);
    ~PlaylistListAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

private:
    PlaylistCanvas* canvas() const;
    // Lets go of the rows beyond the list's end.
    void Prune() const;

    mutable QHash<int, QAccessible::Id> rows_;
};

}  // namespace velmora
