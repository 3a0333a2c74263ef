#include "comm/ui/ChannelMonitorPane.h"

#include <algorithm>
#include <array>

#include <QAction>
#include <QDateTime>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringList>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "comm/ui/ChannelMonitorAccessible.h"
#include "runtime/Runtime.h"

namespace velmora {

namespace {

const QColor kBackground(197, 197, 197);
// A link that is down, a controller that refuses, one that falls behind:
// three bands an operator tells apart at a glance.
const QColor kDownBand(236, 150, 150);
const QColor kRefusedBand(238, 178, 110);
const QColor kSlowBand(230, 222, 140);
const QColor kHeaderBackground(176, 176, 176);
const QColor kInk(0, 0, 0);
const QColor kRule(160, 160, 160);

constexpr int kWheelStep = 30;
constexpr int kHeaderHeight = 20;
constexpr int kCellPad = 4;
// The status line gets 260 pixels: the longest line a sender writes (the
// reply-header failure with its four bytes) fits.
constexpr int kLinkColumnsX = 380;
constexpr std::array<int, kMonitorColumnCount> kColumnWidths{56, 90, 44, 44, 56, 56, 70, 260};

QString Q(const std::string& text) { return QString::fromStdString(text); }

const QColor* BandOf(MonitorFault fault) {
    switch (fault) {
        case MonitorFault::Down: return &kDownBand;
        case MonitorFault::Refused: return &kRefusedBand;
        case MonitorFault::Slow: return &kSlowBand;
        case MonitorFault::None: break;
    }
    return nullptr;
}

void DrawCell(QPainter& p, const QFontMetrics& metrics, int x, int width, int top, const QString& text) {
    const QRect cell(x, top, std::max(0, width - kCellPad), kMonitorRowHeight);
    p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               metrics.elidedText(text, Qt::ElideRight, cell.width()));
}

}  // namespace

int MonitorColumnX(int column) {
    int x = kLinkColumnsX;
    for (int c = 0; c < column && c < kMonitorColumnCount; ++c) x += kColumnWidths[static_cast<std::size_t>(c)];
    return x;
}

int MonitorContentWidth() { return MonitorColumnX(kMonitorColumnCount); }

int MonitorTableColumnX(int column) {
    if (column <= 0) return 0;
    if (column == 1) return kMonitorStatusX;
    return MonitorColumnX(column - 2);
}

int MonitorTableColumnWidth(int column) {
    if (column < 0 || column >= kMonitorTableColumns) return 0;
    if (column == 0) return kMonitorStatusX;
    if (column == 1) return kLinkColumnsX - kMonitorStatusX;
    return kColumnWidths[static_cast<std::size_t>(column - 2)];
}

// ---------------------------------------------------------------- canvas

ChannelMonitorCanvas::ChannelMonitorCanvas(ChannelMonitorPane& pane) : QWidget(&pane), pane_(pane) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

QRect ChannelMonitorCanvas::RowRect(int index) const {
    return QRect(0, index * kMonitorRowHeight - pane_.scrollY(), width(), kMonitorRowHeight);
}

QRect ChannelMonitorCanvas::CellRect(int index, int column) const {
    const QRect row = RowRect(index);
    return QRect(MonitorTableColumnX(column) - pane_.scrollX(), row.top(), MonitorTableColumnWidth(column),
                 row.height());
}

const QPixmap& ChannelMonitorCanvas::RowPicture(std::size_t index, const MonitorRow& row, std::int64_t nowUnixMs) {
    if (drawn_.size() <= index) drawn_.resize(index + 1);
    DrawnRow& drawn = drawn_[index];
    auto texts = MonitorRowTexts(row, nowUnixMs);
    const qreal ratio = devicePixelRatioF();
    if (!drawn.picture.isNull() && drawn.fault == row.fault && drawn.picture.devicePixelRatioF() == ratio &&
        drawn.texts == texts)
        return drawn.picture;

    drawn.texts = std::move(texts);
    drawn.fault = row.fault;
    drawn.picture = QPixmap(QSize(MonitorContentWidth(), kMonitorRowHeight) * ratio);
    drawn.picture.setDevicePixelRatio(ratio);
    const QColor* tint = BandOf(row.fault);
    drawn.picture.fill(tint ? *tint : kBackground);
    QPainter p(&drawn.picture);
    p.setFont(pane_.listFont());
    p.setPen(kInk);
    const QFontMetrics metrics(pane_.listFont());
    for (int c = 0; c < kMonitorTableColumns; ++c)
        DrawCell(p, metrics, MonitorTableColumnX(c), MonitorTableColumnWidth(c), 0,
                 Q(drawn.texts[static_cast<std::size_t>(c)]));
    return drawn.picture;
}

void ChannelMonitorCanvas::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    const auto& rows = pane_.rows();
    const int dx = -pane_.scrollX();
    // Rows cover the list; only what lies right of them or below is filled.
    const int right = dx + MonitorContentWidth();
    if (right < width()) p.fillRect(QRect(right, 0, width() - right, height()), kBackground);
    const int below = static_cast<int>(rows.size()) * kMonitorRowHeight - pane_.scrollY();
    if (below < height()) p.fillRect(QRect(0, std::max(0, below), width(), height() - std::max(0, below)), kBackground);
    if (rows.empty()) return;
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    const int first = std::max(0, pane_.scrollY() / kMonitorRowHeight);
    const int last = std::min(static_cast<int>(rows.size()) - 1, (pane_.scrollY() + height()) / kMonitorRowHeight);
    for (int i = first; i <= last; ++i) {
        const auto index = static_cast<std::size_t>(i);
        p.drawPixmap(dx, RowRect(i).top(), RowPicture(index, rows[index], now));
    }
    p.setPen(kRule);
    p.drawLine(dx + kLinkColumnsX - 2, 0, dx + kLinkColumnsX - 2, height());
}

void ChannelMonitorCanvas::wheelEvent(QWheelEvent* event) {
    const int pixels = -event->angleDelta().y() * kWheelStep / 120;
    if (pixels != 0) pane_.vertical_->setValue(pane_.vertical_->value() + pixels);
    event->accept();
}

void ChannelMonitorCanvas::keyPressEvent(QKeyEvent* event) {
    // The list is read, not edited: keys only move through it.
    QScrollBar* bar = pane_.vertical_;
    switch (event->key()) {
        case Qt::Key_Up: bar->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
        case Qt::Key_Down: bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
        case Qt::Key_PageUp: bar->triggerAction(QAbstractSlider::SliderPageStepSub); break;
        case Qt::Key_PageDown: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
        case Qt::Key_Home: bar->triggerAction(QAbstractSlider::SliderToMinimum); break;
        case Qt::Key_End: bar->triggerAction(QAbstractSlider::SliderToMaximum); break;
        default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void ChannelMonitorCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    pane_.UpdateScrollRanges();
}

// ---------------------------------------------------------------- header

ChannelMonitorHeader::ChannelMonitorHeader(ChannelMonitorPane& pane) : QWidget(&pane), pane_(pane) {
    setFixedHeight(kHeaderHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChannelMonitorHeader::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), kHeaderBackground);
    p.setFont(pane_.listFont());
    p.setPen(kInk);
    const QFontMetrics metrics(pane_.listFont());
    const int dx = -pane_.scrollX();
    const auto& titles = MonitorTableTitles();
    for (int c = 0; c < kMonitorTableColumns; ++c)
        DrawCell(p, metrics, dx + MonitorTableColumnX(c), MonitorTableColumnWidth(c), 0,
                 QString::fromUtf8(titles[static_cast<std::size_t>(c)]));
}

// ---------------------------------------------------------------- pane

ChannelMonitorPane::ChannelMonitorPane(DesktopContext& context, const QString& title, QWidget* parent)
    : QWidget(parent), context_(context) {
    InstallChannelMonitorAccessible();
    font_.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("WenQuanYi Micro Hei")});
    font_.setPointSize(9);

    toolBar_ = new QToolBar(this);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar_->setFloatable(false);
    toolBar_->setMovable(false);
    const QString faultsText = QString::fromUtf8(kFaultsFirstText);
    faultsFirst_ = toolBar_->addAction(faultsText);
    faultsFirst_->setCheckable(true);
    faultsFirst_->setToolTip(faultsText);
    if (QWidget* button = toolBar_->widgetForAction(faultsFirst_)) button->setAccessibleName(faultsText);
    connect(faultsFirst_, &QAction::toggled, this, [this](bool on) { SetFaultsFirst(on); });

    header_ = new ChannelMonitorHeader(*this);
    QStringList titles;
    for (const char* t : MonitorTableTitles()) titles << QString::fromUtf8(t);
    header_->setAccessibleName(titles.join(QLatin1Char(' ')));
    canvas_ = new ChannelMonitorCanvas(*this);
    canvas_->setAccessibleName(title);
    canvas_->addAction(faultsFirst_);
    vertical_ = new QScrollBar(Qt::Vertical, this);
    vertical_->setFixedWidth(kMonitorScrollBarWidth);
    vertical_->setSingleStep(kMonitorLineStep);
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    horizontal_->setSingleStep(kMonitorLineStep);
    horizontal_->hide();
    connect(vertical_, &QScrollBar::valueChanged, canvas_, qOverload<>(&QWidget::update));
    connect(horizontal_, &QScrollBar::valueChanged, canvas_, qOverload<>(&QWidget::update));
    connect(horizontal_, &QScrollBar::valueChanged, header_, qOverload<>(&QWidget::update));

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(header_, 0, 0);
    grid->addWidget(canvas_, 1, 0);
    grid->addWidget(vertical_, 1, 1);
    grid->addWidget(horizontal_, 2, 0);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addLayout(grid, 1);
    setFocusProxy(canvas_);

    timer_ = new QTimer(this);
    timer_->setInterval(kMonitorRepaintMs);
    connect(timer_, &QTimer::timeout, this, [this] { Refresh(); });
    Refresh();
}

int ChannelMonitorPane::scrollX() const { return horizontal_->value(); }
int ChannelMonitorPane::scrollY() const { return vertical_->value(); }

void ChannelMonitorPane::Refresh() {
    Runtime& runtime = context_.runtime;
    rows_ = ReadMonitorRows(runtime.scene.g_Channels, runtime.g_ModbusThreads);
    OrderMonitorRows(rows_, faultsFirstOn_);
    canvas_->update();
}

QString ChannelMonitorPane::RowSummary(int index) const {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return {};
    return Q(MonitorSummary(rows_[static_cast<std::size_t>(index)], QDateTime::currentMSecsSinceEpoch()));
}

QString ChannelMonitorPane::CellText(int index, int column) const {
    if (index < 0 || index >= static_cast<int>(rows_.size()) || column < 0 || column >= kMonitorTableColumns)
        return {};
    const MonitorRow& row = rows_[static_cast<std::size_t>(index)];
    if (column == 0) return Q(row.label);
    if (column == 1) return Q(row.status);
    return Q(MonitorCells(row, QDateTime::currentMSecsSinceEpoch())[static_cast<std::size_t>(column - 2)]);
}

void ChannelMonitorPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateScrollRanges();
    Refresh();
    timer_->start();
}

void ChannelMonitorPane::hideEvent(QHideEvent* event) {
    // A pane behind another tab or closed reads nothing and paints nothing.
    timer_->stop();
    QWidget::hideEvent(event);
}

void ChannelMonitorPane::UpdateScrollRanges() {
    const int page = std::max(1, canvas_->height());
    vertical_->setPageStep(page);
    vertical_->setRange(0, std::max(0, kMonitorListHeight - page));
    const int width = std::max(1, canvas_->width());
    horizontal_->setPageStep(width);
    horizontal_->setRange(0, std::max(0, MonitorContentWidth() - width));
    horizontal_->setVisible(MonitorContentWidth() > width);
}

void ChannelMonitorPane::SetFaultsFirst(bool on) {
    faultsFirstOn_ = on;
    vertical_->setValue(0);
    Refresh();
}

}  // namespace velmora
