#include "ui/PropEditor.h"

#include <functional>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include "ui/PropItem.h"

namespace velmora {

namespace {

// A drop-down that says when its list closes, so a choice taken from the list
// is committed at once (a dialog may rebuild itself on it).
class DropDown final : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onClosed;

    void showPopup() override {
        open_ = true;
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        if (open_) {
            open_ = false;
            if (onClosed) onClosed();
        }
    }

private:
    bool open_ = false;
};

QToolButton* MakeButton(QWidget* parent) {
    auto* button = new QToolButton(parent);
    // The edit box keeps the focus while the buttons are used, so using them
    // does not count as leaving the editor.
    button->setFocusPolicy(Qt::NoFocus);
    button->hide();
    return button;
}

}  // namespace

PropEditor::PropEditor(QWidget* parent)
    : QWidget(parent),
      edit_(new QLineEdit(this)),
      combo_(new DropDown(this)),
      up_(MakeButton(this)),
      down_(MakeButton(this)),
      more_(MakeButton(this)) {
    setAutoFillBackground(true);
    edit_->setFrame(false);
    edit_->setTextMargins(2, 0, 0, 0);  // the text stays where the list draws it
    edit_->installEventFilter(this);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->installEventFilter(this);
    // The drop-down closes its list before it takes the entry, so the
    // commit waits for the next turn of the event loop.
    static_cast<DropDown*>(combo_)->onClosed = [this] {
        QMetaObject::invokeMethod(this, [this] {
            if (isVisible()) emit commitRequested();
        }, Qt::QueuedConnection);
    };
    edit_->hide();
    combo_->hide();

    up_->setArrowType(Qt::UpArrow);
    up_->setAccessibleName(QStringLiteral("增大"));
    up_->setAutoRepeat(true);
    down_->setArrowType(Qt::DownArrow);
    down_->setAccessibleName(QStringLiteral("减小"));
    down_->setAutoRepeat(true);
    more_->setText(QStringLiteral("..."));
    more_->setAccessibleName(QStringLiteral("..."));
    connect(up_, &QToolButton::clicked, this, [this] { emit stepRequested(1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepRequested(-1); });
    connect(more_, &QToolButton::clicked, this, &PropEditor::buttonClicked);
    hide();
}

int PropEditor::ReservedWidth(const PropItem& item) {
    switch (item.kind) {
        case kPropSpin:
        case kPropButton:
            return 20;
        case kPropPopup:
            return 30;
        case kPropCombo:
            return item.editor ? 20 : 0;
        default:
            return 0;
    }
}

void PropEditor::Open(const PropItem& item, const QRect& cell) {
    kind_ = item.kind;
    reserved_ = ReservedWidth(item);
    const bool dropDown = kind_ == kPropList || kind_ == kPropCombo;
    edit_->setVisible(!dropDown);
    combo_->setVisible(dropDown);
    up_->setVisible(kind_ == kPropSpin);
    down_->setVisible(kind_ == kPropSpin);
    more_->setVisible(kind_ == kPropPopup || kind_ == kPropButton || (kind_ == kPropCombo && item.editor));

    if (dropDown) {
        combo_->setEditable(kind_ == kPropCombo);
        if (combo_->lineEdit()) combo_->lineEdit()->installEventFilter(this);
        combo_->clear();
        combo_->addItems(item.choices);
        combo_->setAccessibleName(item.name);
        SetText(item.value);
    } else {
        edit_->setReadOnly(kind_ == kPropPopup);
        edit_->setAccessibleName(item.name);
        edit_->setText(item.value);
        edit_->selectAll();
    }
    // A click on a button goes up the parents looking for a widget to focus;
    // finding the field focused here, it stops short of the list.
    setFocusProxy(Field());
    setGeometry(cell);
    Layout();
    show();
    raise();
    Field()->setFocus(Qt::MouseFocusReason);
}

QWidget* PropEditor::Field() const {
    if (kind_ == kPropList || kind_ == kPropCombo) return combo_;
    return edit_;
}

QString PropEditor::Text() const {
    if (kind_ == kPropList || kind_ == kPropCombo) return combo_->currentText();
    return edit_->text();
}

void PropEditor::SetText(const QString& text) {
    if (kind_ == kPropList || kind_ == kPropCombo) {
        const int index = combo_->findText(text, Qt::MatchExactly);
        combo_->setCurrentIndex(index);
        if (combo_->isEditable()) combo_->setEditText(text);
    } else {
        edit_->setText(text);
        edit_->selectAll();
    }
}

bool PropEditor::Holds(const QWidget* widget) const {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget())
        if (w == this) return true;
    return false;
}

void PropEditor::Layout() {
    const int reserved = reserved_;
    const int fieldWidth = std::max(0, width() - reserved);
    edit_->setGeometry(0, 0, fieldWidth, height());
    combo_->setGeometry(0, 0, fieldWidth, height());
    const int half = height() / 2;
    up_->setGeometry(fieldWidth, 0, reserved, half);
    down_->setGeometry(fieldWidth, half, reserved, height() - half);
    more_->setGeometry(fieldWidth, 0, reserved, height());
}

void PropEditor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

bool PropEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !isVisible()) return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Taken here, so that a dialog's default button does not close
            // the dialog before the typing is committed.
            emit commitRequested();
            return true;
        case Qt::Key_Escape:
            emit cancelRequested();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (kind_ == kPropSpin) {
                emit stepRequested(key->key() == Qt::Key_Up ? 1 : -1);
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace velmora
