#include "ui/AccessibleParts.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace velmora {

namespace {

// One drawn part as an accessible object of its own. It holds no state but
// its index: everything it says comes from the owner's interface, so it is
// always current.
class AccessiblePart final : public QAccessibleInterface,
                             public QAccessibleActionInterface,
                             public QAccessibleValueInterface {
public:
    AccessiblePart(PartsAccessible* owner, int index) : owner_(owner), widget_(owner->ownerWidget()), index_(index) {}

    bool isValid() const override { return widget_ && index_ < owner_->PartCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return widget_ ? widget_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return owner_; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override { return isValid() ? owner_->PartText(index_, t) : QString(); }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect local = owner_->PartRect(index_);
        return QRect(widget_->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return isValid() ? owner_->PartRole(index_) : QAccessible::NoRole; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state = owner_->PartState(index_);
        if (!widget_->isVisible()) state.invisible = true;
        if (!widget_->isEnabled()) state.disabled = true;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
        if (type == QAccessible::ValueInterface && isValid() && !owner_->PartMinimum(index_).isNull())
            return static_cast<QAccessibleValueInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override {
        if (!isValid()) return {};
        QStringList names = owner_->PartPressable(index_) ? QStringList{pressAction()} : QStringList{};
        return names + owner_->PartActions(index_);
    }
    void doAction(const QString& name) override {
        if (!isValid() || !widget_->isEnabled()) return;
        if (name == pressAction() && owner_->PartPressable(index_)) owner_->PressPart(index_);
        else if (owner_->PartActions(index_).contains(name)) owner_->DoPartAction(index_, name);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    QVariant currentValue() const override { return isValid() ? owner_->PartValue(index_) : QVariant(); }
    void setCurrentValue(const QVariant& value) override {
        if (isValid() && widget_->isEnabled()) owner_->SetPartValue(index_, value);
    }
    QVariant maximumValue() const override { return isValid() ? owner_->PartMaximum(index_) : QVariant(); }
    QVariant minimumValue() const override { return isValid() ? owner_->PartMinimum(index_) : QVariant(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    PartsAccessible* owner_;  // outlives the part: it deletes its parts first
    QPointer<QWidget> widget_;
    int index_;
};

}  // namespace

PartsAccessible::PartsAccessible(QWidget* widget, QAccessible::Role role, const QString& name)
    : QAccessibleWidget(widget, role, name), name_(name) {}

PartsAccessible::~PartsAccessible() {
    for (const QAccessible::Id id : children_)
        if (id != 0) QAccessible::deleteAccessibleInterface(id);
}

QString PartsAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name) return name_;
    return QAccessibleWidget::text(t);
}

// The drawn parts come first, then the widget's real child widgets (a
// scroll bar), so neither hides the other.
int PartsAccessible::childCount() const {
    return PartCount() + QAccessibleWidget::childCount();
}

QAccessibleInterface* PartsAccessible::child(int index) const {
    if (index < 0) return nullptr;
    if (index >= PartCount()) return QAccessibleWidget::child(index - PartCount());
    if (static_cast<std::size_t>(index) >= children_.size()) children_.resize(static_cast<std::size_t>(index) + 1, 0);
    QAccessible::Id& id = children_[static_cast<std::size_t>(index)];
    if (id == 0) id = QAccessible::registerAccessibleInterface(new AccessiblePart(const_cast<PartsAccessible*>(this), index));
    return QAccessible::accessibleInterface(id);
}

int PartsAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child) return -1;
    const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child));
    for (std::size_t i = 0; i < children_.size(); ++i)
        if (children_[i] == id) return static_cast<int>(i) < PartCount() ? static_cast<int>(i) : -1;
    const int real = QAccessibleWidget::indexOfChild(child);
    return real < 0 ? -1 : PartCount() + real;
}

QAccessibleInterface* PartsAccessible::childAt(int x, int y) const {
    if (QAccessibleInterface* real = QAccessibleWidget::childAt(x, y)) return real;
    const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
    for (int i = PartCount() - 1; i >= 0; --i)
        if (PartRect(i).contains(local)) return child(i);
    return nullptr;
}

QAccessible::State PartsAccessible::PartState(int index) const {
    (void)index;
    return {};
}

bool PartsAccessible::PartPressable(int index) const {
    (void)index;
    return false;
}

void PartsAccessible::PressPart(int index) {
    (void)index;
}

QStringList PartsAccessible::PartActions(int index) const {
    (void)index;
    return {};
}

void PartsAccessible::DoPartAction(int index, const QString& name) {
    (void)index;
    (void)name;
}

QVariant PartsAccessible::PartMinimum(int index) const {
    (void)index;
    return {};
}

QVariant PartsAccessible::PartMaximum(int index) const {
    (void)index;
    return {};
}

QVariant PartsAccessible::PartValue(int index) const {
    (void)index;
    return {};
}

void PartsAccessible::SetPartValue(int index, const QVariant& value) {
    (void)index;
    (void)value;
}

}  // namespace velmora
