#pragma once
// The in-place editor of a property list: one widget laid exactly over a
// row's value cell, holding the editor of the row's kind (an edit box, a
// drop-down, or a read-only text) and, at the right, the spin control or the
// button the kind has. The list opens, reads and hides it; this widget only
// reports what the user asks for (commit, cancel, a spin step, the button).
//
// Thread contract: UI thread.

#include <QString>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QToolButton;

namespace velmora {

struct PropItem;

class PropEditor final : public QWidget {
    Q_OBJECT

public:
    explicit PropEditor(QWidget* parent);

    // Sets up the editor of `item`'s kind showing `item.value`, places it
    // over `cell` (in the parent's coordinates), shows it and gives it the
    // focus.
    void Open(const PropItem& item, const QRect& cell);
    // The text the editor shows now.
    QString Text() const;
    void SetText(const QString& text);
    // True when `widget` is this editor or belongs to it, its drop-down
    // included (that is a window of its own).
    bool Holds(const QWidget* widget) const;
    // The widget that takes the typing (edit box or drop-down).
    QWidget* Field() const;
    // The spin control's buttons and the "..." button, when the kind has them.
    QToolButton* StepUpButton() const { return up_; }
    QToolButton* StepDownButton() const { return down_; }
    QToolButton* MoreButton() const { return more_; }
    int Kind() const { return kind_; }

    // The width kept at the right of the cell for the spin control or button
    // (a drop-down combo has a button when its row has an editor).
    static int ReservedWidth(const PropItem& item);

signals:
    void commitRequested();        // Enter, or an entry taken from the drop-down
    void cancelRequested();        // Escape
    void stepRequested(int steps); // the spin control, or the Up and Down keys
    void buttonClicked();          // the "..." button

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();

    int kind_ = 0;
    int reserved_ = 0;
    QLineEdit* edit_;
    QComboBox* combo_;
    QToolButton* up_;
    QToolButton* down_;
    QToolButton* more_;
};

}  // namespace velmora
