#include "editors/ui/PageStrip.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "editors/FrameAnimationEditor.h"
#include "editors/ui/PageStripAccessible.h"

namespace velmora {

namespace {

const QColor kSelectedBox(127, 127, 127);
const QColor kPlainBox(200, 200, 200);
const QColor kLoopStart(0x2f, 0x9e, 0x55);
const QColor kLoopEnd(0xc8, 0x3a, 0x32);
const QColor kCurrent(0x2a, 0x6b, 0xd0);

// A pennant on the box's left edge: pointing right where the loop starts,
// left where it ends; a page that is both carries one above the other.
void LoopMark(QPainter& p, const QRect& box, bool start, bool both) {
    const int top = box.top() + 3 + (both && !start ? 14 : 0);
    const int x = box.left();
    QPainterPath flag;
    if (start) {
        flag.moveTo(x, top);
        flag.lineTo(x + 9, top + 5);
        flag.lineTo(x, top + 10);
    } else {
        flag.moveTo(x + 9, top);
        flag.lineTo(x, top + 5);
        flag.lineTo(x + 9, top + 10);
    }
    flag.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(start ? kLoopStart : kLoopEnd);
    p.drawPath(flag);
}

}  // namespace

PageStripView::PageStripView(const FrameAnimationEditor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor) {
    InstallPageStripAccessible();
    setAccessibleName(QStringLiteral("页"));
    setFocusPolicy(Qt::StrongFocus);
}

int PageStripView::PageCount() const { return std::clamp(editor_.settings().m_nPageCount, 0, kMaxFramePages); }

QRect PageStripView::ColumnRect(int index) const { return {kColumn * index, 0, kColumn, height()}; }

QRect PageStripView::BoxRect(int index) const {
    return {kColumn * index + 2, kNumberHeight + 2, kColumn - 4, std::max(8, height() - kNumberHeight - 6)};
}

int PageStripView::PageAt(const QPoint& pos) const {
    if (pos.x() < 0) return -1;
    const int index = pos.x() / kColumn;
    return index < PageCount() ? index : -1;
}

void PageStripView::UpdateSize() {
    setMinimumWidth(kColumn * PageCount());
    update();
}

void PageStripView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), Qt::white);
    QFont small = font();
    small.setPixelSize(9);
    p.setFont(small);
    for (int i = 0; i < PageCount(); ++i) {
        if (!event->rect().intersects(ColumnRect(i))) continue;
        const FRAME_PAGE& page = editor_.Page(i);
        const bool current = i == editor_.page();
        p.setPen(current ? kCurrent : Qt::black);
        QFont f = small;
        f.setBold(current);
        p.setFont(f);
        p.drawText(QRect(kColumn * i, 0, kColumn, kNumberHeight), Qt::AlignCenter, QString::number(i + 1));
        const QRect box = BoxRect(i);
        p.fillRect(box, page.m_reserved0 == 1 ? kSelectedBox : kPlainBox);
        if (current) {
            p.setPen(QPen(kCurrent, 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(box.adjusted(0, 0, -1, -1));
        }
        const bool both = page.m_bLoopStart != 0 && page.m_bLoopEnd != 0;
        if (page.m_bLoopStart != 0) LoopMark(p, box, true, both);
        if (page.m_bLoopEnd != 0) LoopMark(p, box, false, both);
    }
}

void PageStripView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int index = PageAt(event->position().toPoint());
    if (index >= 0) emit clicked(index, event->modifiers() & Qt::ShiftModifier);
}

PageStrip::PageStrip(const FrameAnimationEditor& editor, QWidget* parent)
    : QWidget(parent),
      toolbar_(new QToolBar(this)),
      scroll_(new QScrollArea(this)),
      view_(new PageStripView(editor)) {
    setFixedHeight(kHeight);
    toolbar_->setFixedHeight(kToolbarHeight);
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar_->setAccessibleName(QStringLiteral("页工具栏"));
    scroll_->setWidget(view_);
    // The pages take the strip's height; the scroll bar appears when they are wider.
    scroll_->setWidgetResizable(true);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(scroll_, 1);
}

void PageStrip::Refresh() {
    view_->UpdateSize();
    const QRect column = view_->ColumnRect(view_->editor().page());
    scroll_->ensureVisible(column.center().x(), 0, PageStripView::kColumn * 2, 0);
}

}  // namespace velmora
