#include "ui/PropList.h"

#include <algorithm>

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>

#include "ui/PropEditor.h"
#include "ui/PropListAccessible.h"
#include "ui/PropRules.h"

namespace velmora {

namespace {

const QColor kValueColour(0, 0, 255);
const QColor kReadOnlyValueColour(0, 0, 0);
const QColor kInfoValueColour(150, 150, 150);
const QColor kCategoryBackground(195, 195, 195);
const QColor kGridColour(215, 215, 215);

constexpr int kTextMargin = 4;
constexpr int kDividerGrip = 3;
constexpr int kMinColumn = 24;

bool HasEditor(int kind) { return kind != kPropCategory && kind != kPropInfo; }

}  // namespace

PropList::PropList(QWidget* parent)
    : QWidget(parent), scroll_(new QScrollBar(Qt::Vertical, this)), editor_(new PropEditor(this)) {
    InstallPropListAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    rowHeight_ = std::max(22, fontMetrics().height() + 8);
    scroll_->hide();
    connect(scroll_, &QScrollBar::valueChanged, this, [this] {
        CloseEditor(true);
        update();
    });
    connect(editor_, &PropEditor::commitRequested, this, &PropList::CommitEdit);
    connect(editor_, &PropEditor::cancelRequested, this, &PropList::CancelEdit);
    connect(editor_, &PropEditor::stepRequested, this, &PropList::Step);
    connect(editor_, &PropEditor::buttonClicked, this, &PropList::RunButton);
    connect(qApp, &QApplication::focusChanged, this, &PropList::OnFocusChanged);
}

PropList::~PropList() {
    // The editor goes with the list; nothing is committed any more.
    editRow_ = -1;
    disconnect(qApp, &QApplication::focusChanged, this, &PropList::OnFocusChanged);
}

int PropList::AddItem(PropItem item) {
    item.value = CutToCharacters(item.value, kPropValueMax);
    items_.push_back(std::move(item));
    UpdateScrollBar();
    update();
    NotifyAccessibility(-1, QAccessible::ObjectReorder);
    return ItemCount() - 1;
}

void PropList::Clear() {
    CloseEditor(false);
    items_.clear();
    current_ = -1;
    UpdateScrollBar();
    update();
    NotifyAccessibility(-1, QAccessible::ObjectReorder);
}

const PropItem& PropList::Item(int index) const { return items_.at(static_cast<std::size_t>(index)); }

QString PropList::GetItemValue(int index) const {
    if (index < 0 || index >= ItemCount()) return {};
    return items_[static_cast<std::size_t>(index)].value;
}

void PropList::SetItemValue(int index, const QString& value) {
    if (index < 0 || index >= ItemCount()) return;
    items_[static_cast<std::size_t>(index)].value = CutToCharacters(value, kPropValueMax);
    if (index == editRow_) editor_->SetText(items_[static_cast<std::size_t>(index)].value);
    update(RowRect(index));
    NotifyAccessibility(index, QAccessible::DescriptionChanged);
}

bool PropList::EnterText(int index, const QString& text) {
    if (readOnly_ || index < 0 || index >= ItemCount()) return false;
    const std::optional<QString> accepted = AcceptTyped(items_[static_cast<std::size_t>(index)], text);
    if (!accepted) return false;
    if (index == editRow_) CloseEditor(false);
    Commit(index, *accepted);
    return true;
}

void PropList::SetReadOnly(bool readOnly) {
    if (readOnly) CloseEditor(true);
    readOnly_ = readOnly;
    update();
}

void PropList::SetColumnWidths(int nameWidth, int valueWidth) {
    nameWidth_ = std::max(kMinColumn, nameWidth);
    valueWidth_ = std::max(kMinColumn, valueWidth);
    if (editRow_ >= 0) editor_->setGeometry(ValueRect(editRow_));
    updateGeometry();
    update();
}

int PropList::ColumnWidth(int column) const {
    if (column == 0) return nameWidth_;
    return std::max(valueWidth_, Viewport().width() - nameWidth_);
}

QRect PropList::Viewport() const {
    const int right = scroll_->isVisible() ? scroll_->x() : width();
    return QRect(0, HeaderHeight(), right, std::max(0, height() - HeaderHeight()));
}

int PropList::ScrollY() const { return scroll_->isVisible() ? scroll_->value() : 0; }

QRect PropList::RowRect(int index) const {
    if (index < 0 || index >= ItemCount()) return {};
    return QRect(0, HeaderHeight() + index * rowHeight_ - ScrollY(), nameWidth_ + ColumnWidth(1), rowHeight_);
}

QRect PropList::NameRect(int index) const {
    const QRect row = RowRect(index);
    return row.isNull() ? row : QRect(row.x(), row.y(), nameWidth_, row.height());
}

QRect PropList::ValueRect(int index) const {
    const QRect row = RowRect(index);
    return row.isNull() ? row : QRect(row.x() + nameWidth_, row.y(), ColumnWidth(1), row.height());
}

int PropList::RowAt(int y) const {
    if (y < HeaderHeight()) return -1;
    const int index = (y - HeaderHeight() + ScrollY()) / rowHeight_;
    return index < ItemCount() ? index : -1;
}

void PropList::UpdateScrollBar() {
    const int content = ItemCount() * rowHeight_;
    const int available = std::max(0, height() - HeaderHeight());
    const bool needed = content > available;
    const int barWidth = scroll_->sizeHint().width();
    scroll_->setGeometry(width() - barWidth, HeaderHeight(), barWidth, available);
    scroll_->setRange(0, std::max(0, content - available));
    scroll_->setPageStep(std::max(1, available));
    scroll_->setSingleStep(rowHeight_);
    scroll_->setVisible(needed);
}

void PropList::EnsureVisible(int index) {
    if (index < 0 || index >= ItemCount() || !scroll_->isVisible()) return;
    const int top = index * rowHeight_;
    const int available = Viewport().height();
    if (top < scroll_->value())
        scroll_->setValue(top);
    else if (top + rowHeight_ > scroll_->value() + available)
        scroll_->setValue(top + rowHeight_ - available);
}

void PropList::SelectRow(int index) {
    if (index < -1 || index >= ItemCount() || index == current_) return;
    current_ = index;
    EnsureVisible(index);
    update();
    NotifyAccessibility(index, QAccessible::Focus);
    NotifyAccessibility(index, QAccessible::Selection);
    emit selectionChanged(index);
}

bool PropList::OpenEditor(int index) {
    if (readOnly_ || index < 0 || index >= ItemCount()) return false;
    if (!HasEditor(items_[static_cast<std::size_t>(index)].kind)) return false;
    if (editRow_ == index) return true;
    CloseEditor(true);
    // Committing the previous row may have let the owner rebuild the list.
    if (index >= ItemCount() || !HasEditor(items_[static_cast<std::size_t>(index)].kind)) return false;
    SelectRow(index);
    EnsureVisible(index);
    editRow_ = index;
    editor_->Open(items_[static_cast<std::size_t>(index)], ValueRect(index));
    return true;
}

PropEditor* PropList::OpenedEditor() const { return editRow_ >= 0 ? editor_ : nullptr; }

void PropList::CommitEdit() { CloseEditor(true); }

void PropList::CancelEdit() { CloseEditor(false); }

void PropList::CloseEditor(bool commit) {
    if (editRow_ < 0) return;
    const int row = editRow_;
    const QString typed = editor_->Text();
    editRow_ = -1;
    // Enter and Escape leave the focus with the list rather than letting it
    // wander to the dialog's next control.
    if (editor_->Holds(QApplication::focusWidget())) setFocus(Qt::OtherFocusReason);
    editor_->hide();
    if (!commit || row >= ItemCount()) return;
    const std::optional<QString> accepted = AcceptTyped(items_[static_cast<std::size_t>(row)], typed);
    if (accepted) Commit(row, *accepted);
}

void PropList::Commit(int index, const QString& accepted) {
    PropItem& item = items_[static_cast<std::size_t>(index)];
    if (item.value == accepted) return;
    item.value = accepted;
    update(RowRect(index));
    NotifyAccessibility(index, QAccessible::DescriptionChanged);
    emit valueChanged(index);
}

void PropList::Step(int steps) {
    if (editRow_ < 0) return;
    const int row = editRow_;
    const std::optional<QString> next = SpinStep(items_[static_cast<std::size_t>(row)], editor_->Text(), steps);
    if (!next) return;
    editor_->SetText(*next);
    // A step takes effect at once, so an owner that shows the result of the
    // value (a record preview, say) follows the spin control.
    Commit(row, *next);
}

void PropList::RunButton() {
    if (editRow_ < 0) return;
    const int row = editRow_;
    const PropItem before = items_[static_cast<std::size_t>(row)];
    CloseEditor(true);
    if (!before.editor || row >= ItemCount()) return;
    const QPointer<PropList> self(this);
    const QString result = before.editor(this, items_[static_cast<std::size_t>(row)].value);
    // The modal editor ran an event loop: the list may have been refilled or gone.
    if (self.isNull() || row >= ItemCount()) return;
    const PropItem& now = items_[static_cast<std::size_t>(row)];
    if (now.kind != before.kind || now.name != before.name) return;
    const std::optional<QString> accepted = AcceptPopupResult(now, result);
    if (accepted) Commit(row, *accepted);
}

void PropList::OnFocusChanged(QWidget* /*old*/, QWidget* now) {
    if (editRow_ < 0) return;
    if (now == nullptr) {
        // No widget has the focus for a moment while windows change (a
        // drop-down's list closing, say); it is lost only if it stays away.
        QMetaObject::invokeMethod(this, [this] {
            if (editRow_ >= 0 && !editor_->Holds(QApplication::focusWidget())) CloseEditor(true);
        }, Qt::QueuedConnection);
        return;
    }
    if (editor_->Holds(now)) return;
    if (QWidget* popup = QApplication::activePopupWidget(); popup != nullptr && editor_->Holds(popup)) return;
    CloseEditor(true);
}

bool PropList::NearDivider(const QPoint& pos) const {
    return pos.y() < HeaderHeight() && std::abs(pos.x() - nameWidth_) <= kDividerGrip;
}

void PropList::NotifyAccessibility(int index, int eventType) {
    if (!QAccessible::isActive()) return;
    QAccessibleEvent event(this, static_cast<QAccessible::Event>(eventType));
    if (index >= 0) event.setChild(index);
    QAccessible::updateAccessibility(&event);
}

QSize PropList::sizeHint() const {
    const int rows = std::clamp(ItemCount(), 4, 12);
    return QSize(nameWidth_ + valueWidth_ + scroll_->sizeHint().width(), HeaderHeight() + rows * rowHeight_);
}

QSize PropList::minimumSizeHint() const { return QSize(2 * kMinColumn, HeaderHeight() + 2 * rowHeight_); }

void PropList::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), Qt::white);

    const QRect view = Viewport();
    const int valueWidth = ColumnWidth(1);
    p.save();
    p.setClipRect(view);
    const int first = std::max(0, ScrollY() / rowHeight_);
    for (int i = first; i < ItemCount(); ++i) {
        const QRect row = RowRect(i);
        if (row.top() >= view.bottom() + 1) break;
        const PropItem& item = items_[static_cast<std::size_t>(i)];
        const QRect name = NameRect(i);
        QRect value = ValueRect(i);
        const bool selected = i == current_;

        if (item.kind == kPropCategory) {
            p.fillRect(row, selected ? pal.color(QPalette::Highlight) : kCategoryBackground);
            QFont bold = font();
            bold.setBold(true);
            p.setFont(bold);
            p.setPen(selected ? pal.color(QPalette::HighlightedText) : QColor(Qt::black));
            p.drawText(row.adjusted(kTextMargin, 0, -kTextMargin, 0), Qt::AlignVCenter | Qt::AlignLeft,
                       p.fontMetrics().elidedText(item.name, Qt::ElideRight, row.width() - 2 * kTextMargin));
            p.setFont(font());
        } else {
            if (selected) p.fillRect(row, pal.color(QPalette::Highlight));
            const QColor nameColour = selected ? pal.color(QPalette::HighlightedText) : QColor(Qt::black);
            QColor valueColour = readOnly_ ? kReadOnlyValueColour : kValueColour;
            if (item.kind == kPropInfo) valueColour = kInfoValueColour;
            if (selected) valueColour = pal.color(QPalette::HighlightedText);
            p.setPen(nameColour);
            p.drawText(name.adjusted(kTextMargin, 0, -kTextMargin, 0), Qt::AlignVCenter | Qt::AlignLeft,
                       fontMetrics().elidedText(item.name, Qt::ElideRight, name.width() - 2 * kTextMargin));
            std::uint32_t colorref = 0;
            if (item.swatch && PropColourValue(item.value, &colorref)) {
                const QRect swatch(value.x() + kTextMargin, value.y() + 4, 2 * rowHeight_ / 3, rowHeight_ - 9);
                p.setPen(QColor(Qt::black));
                p.setBrush(QColor(static_cast<int>(colorref & 0xff), static_cast<int>((colorref >> 8) & 0xff),
                                  static_cast<int>((colorref >> 16) & 0xff)));
                p.drawRect(swatch);
                p.setBrush(Qt::NoBrush);
                value.setLeft(swatch.right() + 1);
            }
            p.setPen(valueColour);
            p.drawText(value.adjusted(kTextMargin, 0, -kTextMargin, 0), Qt::AlignVCenter | Qt::AlignLeft,
                       fontMetrics().elidedText(item.value, Qt::ElideRight, value.width() - 2 * kTextMargin));
            p.setPen(kGridColour);
            p.drawLine(nameWidth_, row.top(), nameWidth_, row.bottom());
        }
        p.setPen(kGridColour);
        p.drawLine(row.left(), row.bottom(), row.left() + nameWidth_ + valueWidth, row.bottom());
    }
    p.restore();

    // The column headings.
    const QRect header(0, 0, width(), HeaderHeight());
    p.fillRect(header, pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::Mid));
    p.drawLine(header.bottomLeft(), header.bottomRight());
    p.drawLine(nameWidth_, 0, nameWidth_, header.bottom());
    p.drawLine(nameWidth_ + valueWidth, 0, nameWidth_ + valueWidth, header.bottom());
    p.setPen(pal.color(QPalette::ButtonText));
    p.drawText(QRect(kTextMargin, 0, nameWidth_ - 2 * kTextMargin, header.height()), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("name"));
    p.drawText(QRect(nameWidth_ + kTextMargin, 0, valueWidth - 2 * kTextMargin, header.height()),
               Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("value"));

    if (hasFocus() && current_ < 0) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(view.adjusted(0, 0, -1, -1));
    }
}

void PropList::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateScrollBar();
    if (editRow_ >= 0) editor_->setGeometry(ValueRect(editRow_));
}

void PropList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint pos = event->position().toPoint();
    if (NearDivider(pos)) {
        CloseEditor(true);
        draggingDivider_ = true;
        return;
    }
    CloseEditor(true);
    const int row = RowAt(pos.y());
    if (row < 0) return;
    SelectRow(row);
    if (ValueRect(row).contains(pos)) OpenEditor(row);
}

void PropList::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (draggingDivider_) {
        nameWidth_ = std::clamp(pos.x(), kMinColumn, std::max(kMinColumn, Viewport().width() - kMinColumn));
        update();
        return;
    }
    setCursor(NearDivider(pos) ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void PropList::mouseReleaseEvent(QMouseEvent* event) {
    draggingDivider_ = false;
    QWidget::mouseReleaseEvent(event);
}

void PropList::wheelEvent(QWheelEvent* event) {
    if (!scroll_->isVisible()) return event->ignore();
    // Three rows a notch; finer wheels and touch pads move by their fraction.
    scroll_->setValue(scroll_->value() - event->angleDelta().y() * 3 * rowHeight_ / 120);
    event->accept();
}

void PropList::keyPressEvent(QKeyEvent* event) {
    const int count = ItemCount();
    const int page = std::max(1, Viewport().height() / rowHeight_);
    int target = current_;
    switch (event->key()) {
        case Qt::Key_Up: target = std::max(0, current_ - 1); break;
        case Qt::Key_Down: target = std::min(count - 1, current_ + 1); break;
        case Qt::Key_PageUp: target = std::max(0, current_ - page); break;
        case Qt::Key_PageDown: target = std::min(count - 1, std::max(0, current_) + page); break;
        case Qt::Key_Home: target = 0; break;
        case Qt::Key_End: target = count - 1; break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F2:
            // With nothing to edit, Enter goes on to the dialog's default button.
            if (!OpenEditor(current_)) event->ignore();
            return;
        default:
            return QWidget::keyPressEvent(event);
    }
    if (count > 0) SelectRow(target);
}

void PropList::hideEvent(QHideEvent* event) {
    CloseEditor(true);
    QWidget::hideEvent(event);
}

void PropList::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        rowHeight_ = std::max(22, fontMetrics().height() + 8);
        UpdateScrollBar();
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

}  // namespace velmora
