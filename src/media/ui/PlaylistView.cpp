#include "media/ui/PlaylistView.h"

#include <algorithm>

#include <QAccessible>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>

#include "media/ListRows.h"
#include "media/ui/PlaylistAccessible.h"

namespace velmora {

namespace {

const QColor kNameInk(0, 0, 0);
const QColor kMissingInk(88, 88, 88);

enum FileCheck : char { kUnchecked = 0, kFound = 1, kNotFound = 2 };

bool IsCtrlN(const QKeyEvent* key) {
    return key->key() == Qt::Key_N && (key->modifiers() & Qt::ControlModifier);
}

void NotifyFocus(QWidget* canvas, int row) {
    if (!QAccessible::isActive() || row < 0 || !canvas->hasFocus()) return;
    QAccessibleEvent event(canvas, QAccessible::Focus);
    event.setChild(row);
    QAccessible::updateAccessibility(&event);
}

}  // namespace

// ---------------------------------------------------------------- canvas

PlaylistCanvas::PlaylistCanvas(PlaylistView& view) : QWidget(&view), view_(view) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

int PlaylistCanvas::RowAt(int contentY) const {
    if (contentY < 0) return -1;
    const int row = contentY / kListRowHeight;
    if (row >= view_.source().Count() || contentY - row * kListRowHeight >= kPlaylistBarHeight) return -1;
    return row;
}

QRect PlaylistCanvas::BarRect(int row) const {
    return QRect(0, row * kListRowHeight - view_.scrollPosition(), width(), kPlaylistBarHeight);
}

void PlaylistCanvas::paintEvent(QPaintEvent* /*event*/) {
    const PlaylistSource& source = view_.source();
    const PlaylistColours& colours = view_.colours();
    QPainter p(this);
    p.fillRect(rect(), colours.background);

    const int position = view_.scrollPosition();
    const int count = source.Count();
    const int first = std::max(0, position / kListRowHeight);
    const int last = std::min(count - 1, (position + height()) / kListRowHeight);
    const int current = source.Current();
    for (int row = first; row <= last; ++row) {
        const QRect bar = BarRect(row);
        p.fillRect(bar, source.Selected(row) ? colours.selected : colours.other);
        if (row == current) {
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(QPen(Qt::black, 1.0));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(0.5, bar.top() + 3.5, 9.0, 9.0));
            p.setRenderHint(QPainter::Antialiasing, false);
        }
        const bool missing = view_.Missing(row);
        QString text = QString::fromUtf8(source.Name(row));
        if (missing) text += QString::fromUtf8(kMissingFileNote);
        QFont font = view_.font_;
        font.setItalic(missing);
        p.setFont(font);
        p.setPen(missing ? kMissingInk : kNameInk);
        const QRect textRect(kPlaylistNameX, bar.top(), std::max(0, width() - kPlaylistNameX - 2), bar.height());
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   QFontMetrics(font).elidedText(text, Qt::ElideRight, textRect.width()));
        if (hasFocus() && row == view_.focusRow()) {
            p.setPen(QPen(Qt::black, 1.0, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(bar.adjusted(0, 0, -1, -1));
        }
    }
}

void PlaylistCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    view_.Press(event->position().toPoint().y() + view_.scrollPosition(),
                (event->modifiers() & Qt::ControlModifier) != 0);
}

void PlaylistCanvas::mouseMoveEvent(QMouseEvent* event) {
    // Only a left-button press starts a drag; the view ignores moves otherwise.
    view_.Moved(event->position().toPoint().y() + view_.scrollPosition());
}

void PlaylistCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) view_.EndDrag();
}

void PlaylistCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int row = RowAt(event->position().toPoint().y() + view_.scrollPosition());
    if (row >= 0) view_.ActivateRow(row);
}

void PlaylistCanvas::wheelEvent(QWheelEvent* event) {
    // A notch (120) moves 30 pixels, down the list when the wheel turns down.
    const int pixels = -event->angleDelta().y() * kPlaylistWheelStep / 120;
    if (pixels != 0) view_.Scroll(pixels);
    event->accept();
}

void PlaylistCanvas::focusOutEvent(QFocusEvent* event) {
    view_.EndDrag();
    update();
    QWidget::focusOutEvent(event);
}

bool PlaylistCanvas::event(QEvent* event) {
    // Delete and Ctrl+N belong to the list while it has the focus, not to
    // the frame's commands of the same keys.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete || IsCtrlN(key)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void PlaylistCanvas::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up: view_.MoveFocus(-1); break;
        case Qt::Key_Down: view_.MoveFocus(+1); break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (view_.focusRow() >= 0) view_.ActivateRow(view_.focusRow());
            break;
        case Qt::Key_Delete: break;  // acts on release
        default:
            if (IsCtrlN(event)) break;  // acts on release
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void PlaylistCanvas::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        emit view_.deleteRequested();
    } else if (IsCtrlN(event)) {
        emit view_.addRequested();
    } else {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
}

void PlaylistCanvas::contextMenuEvent(QContextMenuEvent* event) {
    emit view_.menuRequested(event->globalPos());
    event->accept();
}

void PlaylistCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_.UpdateScrollRange(true);
}

// ---------------------------------------------------------------- view

PlaylistView::PlaylistView(std::unique_ptr<PlaylistSource> source, PlaylistColours colours, const QString& name,
                           QWidget* parent)
    : QWidget(parent), source_(std::move(source)), colours_(colours) {
    InstallPlaylistAccessibility();
    font_.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("WenQuanYi Micro Hei")});
    font_.setPointSize(9);

    canvas_ = new PlaylistCanvas(*this);
    canvas_->setAccessibleName(name);
    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    scrollBar_->setFixedWidth(kPlaylistScrollBarWidth);
    scrollBar_->setSingleStep(kPlaylistLineStep);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(canvas_, 1);
    layout->addWidget(scrollBar_);
    setFocusProxy(canvas_);
    connect(scrollBar_, &QScrollBar::valueChanged, canvas_, qOverload<>(&QWidget::update));

    poll_.setInterval(kPlaylistPollMs);
    connect(&poll_, &QTimer::timeout, this, &PlaylistView::Poll);
    UpdateScrollRange(true);
}

PlaylistView::~PlaylistView() = default;

int PlaylistView::scrollPosition() const {
    return scrollBar_->value();
}

bool PlaylistView::Missing(int row) {
    const int count = source_->Count();
    if (row < 0 || row >= count) return false;
    if (static_cast<int>(checkedPaths_.size()) != count) {
        checkedPaths_.resize(static_cast<std::size_t>(count));
        missing_.resize(static_cast<std::size_t>(count), kUnchecked);
    }
    const auto i = static_cast<std::size_t>(row);
    const std::string& path = source_->Path(row);
    if (missing_[i] == kUnchecked || checkedPaths_[i] != path) {
        checkedPaths_[i] = path;
        missing_[i] = source_->Findable(path) ? kFound : kNotFound;
    }
    return missing_[i] == kNotFound;
}

void PlaylistView::SelectRow(int row) {
    if (row < 0 || row >= source_->Count()) return;
    Press(row * kListRowHeight, false);
    EndDrag();
}

void PlaylistView::FocusRow(int row) {
    if (row < 0 || row >= source_->Count()) return;
    focusRow_ = row;
    canvas_->setFocus(Qt::OtherFocusReason);
    NotifyFocus(canvas_, row);
    canvas_->update();
}

void PlaylistView::ActivateRow(int row) {
    if (row < 0 || row >= source_->Count()) return;
    focusRow_ = row;
    QPointer<PlaylistView> alive(this);
    // The start may run an event loop of its own (the question before saving
    // the open show, the analysis of the music).
    source_->DoubleClick(row);
    if (!alive) return;
    emit activated(row);
    Poll();
    canvas_->update();
}

void PlaylistView::ListChanged(bool toTop) {
    const int count = source_->Count();
    if (focusRow_ >= count) focusRow_ = count - 1;
    UpdateScrollRange(toTop);
    lastCount_ = count;
    canvas_->update();
}

void PlaylistView::Poll() {
    const int count = source_->Count();
    const int current = source_->Current();
    const bool dirty = source_->TakeLayoutDirty();
    if (!dirty && count == lastCount_ && current == lastCurrent_) return;
    if (count != lastCount_) {
        UpdateScrollRange(false);
        if (focusRow_ >= count) focusRow_ = count - 1;
    }
    lastCount_ = count;
    lastCurrent_ = current;
    canvas_->update();
}

void PlaylistView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Files may have come or gone while the list was out of sight.
    std::fill(missing_.begin(), missing_.end(), kUnchecked);
    Poll();
    poll_.start();
}

void PlaylistView::hideEvent(QHideEvent* event) {
    poll_.stop();
    QWidget::hideEvent(event);
}

void PlaylistView::UpdateScrollRange(bool toTop) {
    // The range is the rows' height with one page visible, as a scroll bar
    // whose maximum is count x 23 and page the client height allows.
    const int page = std::max(1, canvas_->height());
    const int content = source_->Count() * kListRowHeight;
    scrollBar_->setPageStep(page);
    scrollBar_->setRange(0, std::max(0, content - page + 1));
    if (toTop) scrollBar_->setValue(0);
}

void PlaylistView::Scroll(int pixels) {
    scrollBar_->setValue(scrollBar_->value() + pixels);
}

void PlaylistView::Press(int contentY, bool ctrl) {
    canvas_->setFocus(Qt::MouseFocusReason);
    source_->Press(contentY, ctrl);
    const int row = source_->DragRow();
    dragging_ = row >= 0;
    dragMoved_ = false;
    if (row >= 0) focusRow_ = row;
    NotifyFocus(canvas_, row);
    emit selectionChanged();
    canvas_->update();
}

void PlaylistView::Moved(int contentY) {
    if (!dragging_) return;
    // The list moves the entry one place per call; a fast drag that skipped
    // rows catches up here, one place at a time as the pointer passed them.
    bool moved = false;
    for (int n = source_->Count(); n > 0 && source_->Move(contentY); --n) moved = true;
    if (!moved) return;
    dragMoved_ = true;
    focusRow_ = source_->DragRow();
    canvas_->update();
}

void PlaylistView::EndDrag() {
    source_->Release();
    if (!dragging_) return;
    dragging_ = false;
    if (std::exchange(dragMoved_, false)) emit reordered();
}

void PlaylistView::MoveFocus(int step) {
    const int count = source_->Count();
    if (count == 0) return;
    const int row = std::clamp(focusRow_ < 0 ? 0 : focusRow_ + step, 0, count - 1);
    SelectRow(row);
    // Keep the row in sight.
    const int top = row * kListRowHeight;
    if (top < scrollPosition()) {
        scrollBar_->setValue(top);
    } else if (top + kPlaylistBarHeight > scrollPosition() + canvas_->height()) {
        scrollBar_->setValue(top + kPlaylistBarHeight - canvas_->height());
    }
}

}  // namespace velmora
