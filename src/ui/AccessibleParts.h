#pragma once
// Custom-painted widgets draw their buttons, rows and marks themselves, so
// assistive technology cannot see them as objects. PartsAccessible is such a
// widget's accessible interface with one child per drawn part (then its
// real child widgets, if it has any): a subclass
// says how many parts there are and what each one is called, where it is
// and what pressing it does; the children are thin proxies that ask it.
// InstallAccessibleFactory<Widget, Interface>() makes Qt use the interface
// for every widget of that class.
//
// Thread contract: UI thread.

#include <vector>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace velmora {

class PartsAccessible : public QAccessibleWidget {
public:
    PartsAccessible(QWidget* widget, QAccessible::Role role, const QString& name);
    ~PartsAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;
    QWidget* ownerWidget() const { return widget(); }

    // The parts, in drawing order; index is below PartCount().
    virtual int PartCount() const = 0;
    virtual QAccessible::Role PartRole(int index) const = 0;
    virtual QString PartText(int index, QAccessible::Text t) const = 0;
    // In the widget's coordinates.
    virtual QRect PartRect(int index) const = 0;
    virtual QAccessible::State PartState(int index) const;
    // Parts that act when pressed offer the press action.
    virtual bool PartPressable(int index) const;
    virtual void PressPart(int index);
    // Actions a part offers besides pressing, by name, and doing one.
    virtual QStringList PartActions(int index) const;
    virtual void DoPartAction(int index, const QString& name);
    // Parts that hold a number (a knob, a slider) offer the value interface:
    // a null minimum means the part has no value.
    virtual QVariant PartMinimum(int index) const;
    virtual QVariant PartMaximum(int index) const;
    virtual QVariant PartValue(int index) const;
    virtual void SetPartValue(int index, const QVariant& value);

private:
    QString name_;
    mutable std::vector<QAccessible::Id> children_;  // proxies made so far, by index
};

// The widget's own accessible interface when `Widget` (a Q_OBJECT class) is
// asked for; installed once per pair.
template <class Widget, class Interface>
void InstallAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& className, QObject* object) -> QAccessibleInterface* {
            if (className != QLatin1String(Widget::staticMetaObject.className())) return nullptr;
            auto* widget = qobject_cast<Widget*>(object);
            return widget ? new Interface(widget) : nullptr;
        });
        return true;
    }();
    (void)installed;
}

}  // namespace velmora
