#include "manual/ui/HandPanelPane.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "manual/ui/HandButtonLooks.h"
#include "manual/ui/HandPanelAccessible.h"
#include "runtime/Runtime.h"
#include "ui/Icons.h"

namespace velmora {

namespace {

const QColor kBackground(197, 197, 197);
const QColor kNameInk(0, 0, 0);

}  // namespace

// ---------------------------------------------------------------- canvas

HandPanelCanvas::HandPanelCanvas(HandPanelPane& pane) : QWidget(&pane), pane_(pane) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

QRect HandPanelCanvas::CellRect(int index) const {
    const auto& places = pane_.places();
    if (index < 0 || index >= static_cast<int>(places.size())) return {};
    const HandCellPlace& place = places[static_cast<std::size_t>(index)];
    return QRect(place.left, place.top - pane_.scrollY(), kHandCellSize, kHandCellSize);
}

int HandPanelCanvas::HitCell(const QPoint& pos) const {
    const auto& cells = pane_.cells();
    const int n = std::min(static_cast<int>(cells.size()), static_cast<int>(pane_.places().size()));
    for (int i = 0; i < n; ++i)
        if (cells[static_cast<std::size_t>(i)].live && CellRect(i).contains(pos)) return i;
    return -1;
}

void HandPanelCanvas::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    const auto& cells = pane_.cells();
    const int n = std::min(static_cast<int>(cells.size()), static_cast<int>(pane_.places().size()));
    p.setFont(pane_.nameFont());
    const QFontMetrics metrics(pane_.nameFont());
    for (int i = 0; i < n; ++i) {
        const QRect cell = CellRect(i);
        if (cell.bottom() < 0 || cell.top() >= height()) continue;
        const HandCellView& view = cells[static_cast<std::size_t>(i)];
        DrawHandButton(p, cell, view.special ? HandButtonKind::Special : HandButtonKind::Normal, view.applied);
        if (!view.live) DrawHandLock(p, cell);
        if (!view.delivered) DrawUndeliveredMark(p, cell);
        p.setPen(kNameInk);
        const QRect nameLine(cell.left(), cell.top() + kHandNameOffset, kHandCellSize, kHandCellSize - kHandNameOffset);
        p.drawText(nameLine, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   metrics.elidedText(QString::fromStdString(view.name), Qt::ElideRight, nameLine.width()));
        if (i == pane_.currentCell() && hasFocus()) {
            p.setPen(QPen(kNameInk, 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(cell.adjusted(1, 1, -2, -2));
        }
    }
}

void HandPanelCanvas::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const int cell = HitCell(pos);
        if (cell >= 0) pane_.ToggleCell(cell);
    } else if (event->button() == Qt::RightButton) {
        const int cell = HitCell(pos);
        if (cell >= 0) pane_.OpenGroupDebug(cell);
    }
    event->accept();
}

void HandPanelCanvas::keyPressEvent(QKeyEvent* event) {
    const int count = std::min(static_cast<int>(pane_.cells().size()), static_cast<int>(pane_.places().size()));
    if (count == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Every row but the last holds as many cells as the first.
    int perRow = 0;
    while (perRow < count && pane_.places()[static_cast<std::size_t>(perRow)].top == 0) ++perRow;
    const int current = std::max(0, pane_.currentCell());
    const bool menu = event->key() == Qt::Key_Menu ||
                      (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    switch (event->key()) {
        case Qt::Key_Left: pane_.SetCurrentCell(std::max(0, current - 1)); break;
        case Qt::Key_Right: pane_.SetCurrentCell(std::min(count - 1, current + 1)); break;
        case Qt::Key_Up: pane_.SetCurrentCell(current - perRow >= 0 ? current - perRow : current); break;
        case Qt::Key_Down: pane_.SetCurrentCell(current + perRow < count ? current + perRow : current); break;
        case Qt::Key_Home: pane_.SetCurrentCell(0); break;
        case Qt::Key_End: pane_.SetCurrentCell(count - 1); break;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            pane_.SetCurrentCell(current);
            if (pane_.cells()[static_cast<std::size_t>(current)].live) pane_.ToggleCell(current);
            break;
        default:
            if (!menu) {
                QWidget::keyPressEvent(event);
                return;
            }
            pane_.SetCurrentCell(current);
            pane_.OpenGroupDebug(current);
            break;
    }
    event->accept();
}

void HandPanelCanvas::wheelEvent(QWheelEvent* event) {
    const int pixels = -event->angleDelta().y() * kHandWheelStep / 120;
    if (pixels != 0) pane_.vertical_->setValue(pane_.vertical_->value() + pixels);
    event->accept();
}

void HandPanelCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    pane_.UpdateLayout();
}

bool HandPanelCanvas::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const auto& cells = pane_.cells();
        const int n = std::min(static_cast<int>(cells.size()), static_cast<int>(pane_.places().size()));
        for (int i = 0; i < n; ++i) {
            if (!CellRect(i).contains(help->pos())) continue;
            const HandCellView& view = cells[static_cast<std::size_t>(i)];
            QString tip = QString::fromStdString(view.name);
            if (!view.delivered) tip += QLatin1Char(' ') + QString::fromUtf8(kUndeliveredText);
            QToolTip::showText(help->globalPos(), tip, this, CellRect(i));
            return true;
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

// ---------------------------------------------------------------- pane

HandPanelPane::HandPanelPane(DesktopContext& context, const QString& title, GroupDebugHook openGroupDebug,
                             QWidget* parent)
    : QWidget(parent),
      context_(context),
      panel_(context.runtime.scene, context.runtime.g_bHandMode),
      openGroupDebug_(std::move(openGroupDebug)) {
    InstallHandPanelAccessible();
    font_.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("WenQuanYi Micro Hei")});
    font_.setPointSize(9);

    toolBar_ = new QToolBar(this);
    toolBar_->setFixedHeight(kHandToolBarHeight);
    toolBar_->setIconSize(QSize(18, 18));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar_->setFloatable(false);
    toolBar_->setMovable(false);
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    auto addMode = [&](IconId icon, const char* text, int index) {
        const QString label = QString::fromUtf8(text);
        QAction* action = toolBar_->addAction(MakeIcon(icon), label);
        action->setCheckable(true);
        action->setToolTip(label);
        modes->addAction(action);
        if (QWidget* button = toolBar_->widgetForAction(action)) button->setAccessibleName(label);
        // A click triggers (pressing the pressed button again still drops
        // requests, as the watch command does); assistive technology may
        // only toggle, which checks without triggering.
        connect(action, &QAction::triggered, this, [this, index] { SetMode(index); });
        connect(action, &QAction::toggled, this, [this, index](bool on) {
            if (on && panel_.handMode() != (index == 1)) SetMode(index);
        });
        return action;
    };
    watch_ = addMode(IconId::Watch, kWatchText, 0);
    hand_ = addMode(IconId::Hand, kHandText, 1);
    watch_->setChecked(true);

    canvas_ = new HandPanelCanvas(*this);
    canvas_->setAccessibleName(title);
    vertical_ = new QScrollBar(Qt::Vertical, this);
    vertical_->setFixedWidth(kHandScrollBarWidth);
    vertical_->setSingleStep(kHandLineStep);
    connect(vertical_, &QScrollBar::valueChanged, canvas_, qOverload<>(&QWidget::update));

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(canvas_, 1);
    row->addWidget(vertical_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addLayout(row, 1);

    timer_ = new QTimer(this);
    timer_->setInterval(kHandRepaintMs);
    connect(timer_, &QTimer::timeout, this, [this] { Refresh(); });
    Refresh();
}

int HandPanelPane::scrollY() const { return vertical_->value(); }

int HandPanelPane::LayoutWidth() const { return canvas_->width() + kHandScrollBarWidth; }

void HandPanelPane::Refresh() {
    Runtime& runtime = context_.runtime;
    haveSnapshot_ = runtime.ReadEngineSnapshot(snapshot_);
    cells_ = panel_.Cells(haveSnapshot_ ? &snapshot_ : nullptr, ReadChannelStates(runtime.g_ModbusThreads));
    if (current_ >= static_cast<int>(cells_.size())) current_ = static_cast<int>(cells_.size()) - 1;
    UpdateLayout();
    canvas_->update();
}

void HandPanelPane::UpdateLayout() {
    const int count = static_cast<int>(cells_.size());
    places_ = HandCellPlaces(count, LayoutWidth());
    const int page = std::max(1, canvas_->height());
    const int content = HandContentHeight(count, LayoutWidth(), page);
    vertical_->setPageStep(page);
    vertical_->setRange(0, std::max(0, content - page));
}

void HandPanelPane::SetMode(int index) {
    panel_.SetMode(index);
    // The buttons follow the panel, whoever asked: exactly one is down.
    watch_->setChecked(!panel_.handMode());
    hand_->setChecked(panel_.handMode());
    Refresh();
}

bool HandPanelPane::ToggleCell(int index) {
    if (index < 0 || index >= static_cast<int>(cells_.size())) return false;
    const bool done = panel_.Toggle(cells_[static_cast<std::size_t>(index)].groupId,
                                    haveSnapshot_ ? &snapshot_ : nullptr);
    if (done) Refresh();
    return done;
}

void HandPanelPane::OpenGroupDebug(int index) {
    if (index < 0 || index >= static_cast<int>(cells_.size()) || !openGroupDebug_) return;
    const std::int32_t id = cells_[static_cast<std::size_t>(index)].groupId;
    // The scene may have changed since the last read; a locked cell has no
    // hit rectangle, whichever way it is reached.
    const CSpringGroup* group = context_.runtime.scene.FindGroup(id);
    if (group == nullptr || !panel_.IsLive(*group)) return;
    openGroupDebug_(this, id);
}

void HandPanelPane::SetCurrentCell(int index) {
    if (index < 0 || index >= static_cast<int>(cells_.size())) return;
    current_ = index;
    const QRect cell = canvas_->CellRect(index);
    if (!cell.isEmpty()) {
        if (cell.top() < 0) vertical_->setValue(vertical_->value() + cell.top());
        else if (cell.bottom() >= canvas_->height())
            vertical_->setValue(vertical_->value() + cell.bottom() - canvas_->height() + 1);
    }
    canvas_->update();
}

QString HandPanelPane::CellName(int index) const {
    if (index < 0 || index >= static_cast<int>(cells_.size())) return {};
    return QString::fromStdString(cells_[static_cast<std::size_t>(index)].name);
}

QString HandPanelPane::CellDescription(int index) const {
    if (index < 0 || index >= static_cast<int>(cells_.size())) return {};
    const HandCellView& view = cells_[static_cast<std::size_t>(index)];
    QString text = QString::fromUtf8(view.applied ? "开" : "关");
    if (!view.live) text += QStringLiteral(" ") + QString::fromUtf8("锁定");
    if (!view.delivered) text += QStringLiteral(" ") + QString::fromUtf8(kUndeliveredText);
    return text;
}

void HandPanelPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    timer_->start();
}

void HandPanelPane::hideEvent(QHideEvent* event) {
    // Behind another tab or closed: nothing to read, nothing to paint.
    timer_->stop();
    QWidget::hideEvent(event);
}

}  // namespace velmora
