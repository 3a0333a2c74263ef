#include "ui/PropListAccessible.h"

#include <vector>

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include "ui/PropList.h"

namespace velmora {

namespace {

class PropRowAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PropRowAccessible(PropList* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return !list_.isNull() && row_ < list_->ItemCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(list_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        const PropItem& item = list_->Item(row_);
        switch (t) {
            case QAccessible::Name:
                return item.name;
            case QAccessible::Value:
            case QAccessible::Description:
                return item.value;
            default:
                return {};
        }
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t == QAccessible::Value && isValid()) list_->EnterText(row_, text);
    }

    QRect rect() const override {
        if (!isValid()) return {};
        const QRect local = list_->RowRect(row_);
        return QRect(list_->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const PropItem& item = list_->Item(row_);
        s.selectable = true;
        s.focusable = true;
        s.selected = list_->CurrentRow() == row_;
        s.focused = s.selected && list_->hasFocus();
        s.readOnly = list_->IsReadOnly() || item.kind == kPropCategory || item.kind == kPropInfo;
        s.editable = !s.readOnly;
        s.invisible = !list_->isVisible();
        const QRect row = list_->RowRect(row_);
        s.offscreen = s.invisible || row.bottom() < list_->RowHeight() || row.top() >= list_->height();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (isValid() && !state().readOnly) names << pressAction();
        names << setFocusAction();
        return names;
    }
    void doAction(const QString& name) override {
        if (!isValid()) return;
        if (name == setFocusAction()) {
            list_->setFocus(Qt::OtherFocusReason);
            list_->SelectRow(row_);
        } else if (name == pressAction()) {
            list_->OpenEditor(row_);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<PropList> list_;
    int row_;
};

class PropListAccessible final : public QAccessibleWidget {
public:
    explicit PropListAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::List) {}
    ~PropListAccessible() override {
        for (QAccessible::Id id : rows_) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return Rows() + QAccessibleWidget::childCount(); }

    QAccessibleInterface* child(int index) const override {
        if (index < 0) return nullptr;
        if (index < Rows()) return Row(index);
        return QAccessibleWidget::child(index - Rows());
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr) return -1;
        for (std::size_t i = 0; i < rows_.size() && static_cast<int>(i) < Rows(); ++i)
            if (QAccessible::accessibleInterface(rows_[i]) == child) return static_cast<int>(i);
        const int widgetIndex = QAccessibleWidget::indexOfChild(child);
        return widgetIndex < 0 ? -1 : Rows() + widgetIndex;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        if (QAccessibleInterface* widgetChild = QAccessibleWidget::childAt(x, y)) return widgetChild;
        PropList* list = List();
        const QPoint local = list->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < Rows(); ++i)
            if (list->RowRect(i).contains(local) && local.y() >= list->RowHeight()) return Row(i);
        return nullptr;
    }

    QAccessibleInterface* focusChild() const override {
        PropList* list = List();
        if (list->hasFocus() && list->CurrentRow() >= 0) return Row(list->CurrentRow());
        return QAccessibleWidget::focusChild();
    }

private:
    PropList* List() const { return static_cast<PropList*>(widget()); }
    int Rows() const { return List()->ItemCount(); }

    // Row interfaces are made when first asked for and kept (registered with
    // Qt's cache) until the list goes; each reads its row afresh every time.
    QAccessibleInterface* Row(int index) const {
        while (static_cast<int>(rows_.size()) <= index) {
            auto* row = new PropRowAccessible(List(), static_cast<int>(rows_.size()));
            rows_.push_back(QAccessible::registerAccessibleInterface(row));
        }
        return QAccessible::accessibleInterface(rows_[static_cast<std::size_t>(index)]);
    }

    mutable std::vector<QAccessible::Id> rows_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("velmora::PropList") && object != nullptr && object->isWidgetType())
        return new PropListAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

void InstallPropListAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

}  // namespace velmora
