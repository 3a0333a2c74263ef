#include "show/ui/TimelineArea.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPainterPath>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "engine/MusicWav.h"
#include "runtime/Runtime.h"
#include "show/ui/BlockPropertiesDialog.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

const QColor kColumn(50, 50, 50);
const QColor kGroupCell(150, 150, 150);
const QColor kSpringCell(125, 255, 255);
const QColor kProgramCell(255, 255, 125);
const QColor kArmed(180, 0, 0);
const QColor kDisarmed(110, 110, 110);
const QColor kBeyondEnd(128, 128, 128);
const QColor kRowLine(232, 232, 232);
const QColor kPlayhead(255, 0, 0);

struct BlockLook {
    QColor fill;
    const char* label;
};

// The bar colours and the label by the block's kind and light (selected
// bars are darker).
BlockLook LookOf(const TimeBlock& block, bool selected) {
    if (block.nSpecicalType == kActionRotateZ || block.nSpecicalType == kActionRotateY)
        return {selected ? QColor(50, 45, 100) : QColor(0, 85, 125),
                block.nSpecicalType == kActionRotateZ ? "Z" : "Y"};
    const bool light = !block.szLight.empty();
    if (light && block.bLightTogether == 0) return {selected ? QColor(149, 116, 0) : QColor(232, 180, 0), "L"};
    return {selected ? QColor(0, 72, 42) : QColor(0, 125, 63), light ? "L++" : ""};
}

// "%0.2d:%0.2d.%0.3d" of a time in ms.
QString TimeText(double ms) {
    const long long t = std::isfinite(ms) && ms > 0.0 ? static_cast<long long>(ms) : 0;
    return QString::asprintf("%02lld:%02lld.%03lld", t / 60000, t / 1000 % 60, t % 1000);
}

// Our own padlock for locked blocks.
const QPixmap& LockIcon(qreal ratio) {
    static QPixmap icon;
    if (!icon.isNull() && icon.devicePixelRatio() == ratio) return icon;
    icon = QPixmap(QSize(10, 12) * ratio);
    icon.setDevicePixelRatio(ratio);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(250, 250, 250), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2, 0.8, 6, 7), 0, 180 * 16);
    p.drawLine(QPointF(2, 4.3), QPointF(2, 6));
    p.drawLine(QPointF(8, 4.3), QPointF(8, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 250));
    p.drawRoundedRect(QRectF(0.5, 5.5, 9, 6), 1.2, 1.2);
    return icon;
}

// The layer rows as accessible items: their names, where they are.
class TimelineAccessible final : public PartsAccessible {
public:
    explicit TimelineAccessible(TimelineArea* area)
        : PartsAccessible(area, QAccessible::Pane, QStringLiteral("时间轴")), area_(area) {}
    int PartCount() const override { return area_->rowCount(); }
    QAccessible::Role PartRole(int) const override { return QAccessible::ListItem; }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t == QAccessible::Name) return area_->RowName(index);
        if (t == QAccessible::Description) return QStringLiteral("第%1层").arg(index + 1);
        return {};
    }
    QRect PartRect(int index) const override { return area_->NameCell(index); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        const QRect cell = area_->NameCell(index);
        if (cell.bottom() < 0 || cell.top() >= area_->height()) state.offscreen = true;
        return state;
    }

private:
    TimelineArea* area_;
};

}  // namespace

TimelineArea::TimelineArea(DesktopContext& context, QWidget* parent)
    : QWidget(parent), context_(context), vertical_(new QScrollBar(Qt::Vertical, this)) {
    InstallAccessibleFactory<TimelineArea, TimelineAccessible>();
    setAttribute(Qt::WA_OpaquePaintEvent);
    vertical_->setSingleStep(kRowHeight);
    connect(vertical_, &QScrollBar::valueChanged, this, [this] { update(); });
    ShowChanged();
}

int TimelineArea::visibleWidth() const {
    return std::max(0, width() - kNameColumn - kScrollBarWidth);
}

QRect TimelineArea::NameCell(int row) const {
    return QRect(0, row * kRowHeight + kBarTop - vertical_->value(), kNameColumn, kNameCellHeight);
}

int TimelineArea::rowCount() const {
    return static_cast<int>(context_.runtime.show.layers.size());
}

QString TimelineArea::RowName(int row) const {
    const auto& layers = context_.runtime.show.layers;
    if (row < 0 || row >= static_cast<int>(layers.size())) return {};
    return QString::fromStdString(layers[static_cast<std::size_t>(row)].name);
}

void TimelineArea::ShowChanged() {
    UpdateScrollRange();
    update();
}

void TimelineArea::UpdateScrollRange() {
    const int rows = static_cast<int>(context_.runtime.show.layers.size());
    const int content = rows * kRowHeight;
    vertical_->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
    vertical_->setPageStep(std::max(1, height()));
    vertical_->setRange(0, std::max(0, content - height()));
}

void TimelineArea::resizeEvent(QResizeEvent*) {
    UpdateScrollRange();
}

void TimelineArea::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->ignore();
        return;
    }
    vertical_->setValue(vertical_->value() - notches * kWheelStep);
    event->accept();
}

int TimelineArea::BlockAt(const QPoint& pos) const {
    if (pos.x() < kNameColumn || pos.x() >= kNameColumn + visibleWidth()) return -1;
    const auto& blocks = context_.runtime.show.blocks;
    const double x = pos.x() - kNameColumn + context_.runtime.g_pMusicWav->m_nScrollOffset;
    const int y = pos.y() + vertical_->value();
    // Later blocks are painted over earlier ones.
    for (std::size_t i = blocks.size(); i-- > 0;) {
        const TimeBlock& block = blocks[i];
        const int top = block.cannel * kRowHeight + kBarTop;
        if (y < top || y >= top + kBarHeight) continue;
        if (x >= block.start && x <= std::max<double>(block.end, block.start + 1.0)) return static_cast<int>(i);
    }
    return -1;
}

void TimelineArea::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = BlockAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || index < 0) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    if (EditBlockProperties(context_, static_cast<std::size_t>(index), this)) ShowChanged();
}

void TimelineArea::PaintLayers(QPainter& p, int firstRow, int lastRow, int top) {
    const auto& layers = context_.runtime.show.layers;
    p.fillRect(QRect(0, 0, kNameColumn, height()), kColumn);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int row = firstRow; row <= lastRow; ++row) {
        const Layer& layer = layers[static_cast<std::size_t>(row)];
        const QRect cell(0, row * kRowHeight + kBarTop - top, kNameColumn, kNameCellHeight);
        const QColor fill = layer.type == kLayerSpring ? kSpringCell : layer.type == kLayerProgram ? kProgramCell : kGroupCell;
        p.fillRect(cell, fill);
        p.setPen(Qt::black);
        p.drawText(cell.adjusted(3, 0, -13, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(QString::fromStdString(layer.name), Qt::ElideRight, cell.width() - 16));
        p.setPen(Qt::NoPen);
        p.setBrush(layer.m_bArmed ? kArmed : kDisarmed);
        p.drawEllipse(QRectF(cell.right() - 10.5, cell.top() + 4, 10, 10));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

void TimelineArea::PaintBlocks(QPainter& p, int firstRow, int lastRow, int top) {
    Runtime& runtime = context_.runtime;
    const Show& show = runtime.show;
    const ShowDocument& document = runtime.showDocument();
    const CMusicWav& wav = *runtime.g_pMusicWav;
    const int left = kNameColumn;
    const int width = visibleWidth();
    const QRect area(left, 0, width, height());
    const double offset = wav.m_nScrollOffset;
    const double scale = show.m_nScale;

    p.save();
    p.setClipRect(area);
    p.fillRect(area, Qt::white);
    if (scale >= 1) {
        const double end = left + wav.state().m_dLength.load() / scale - offset;
        if (end < left + width) p.fillRect(QRectF(std::max<double>(left, end), 0, left + width - std::max<double>(left, end), height()), kBeyondEnd);
    }
    p.setPen(kRowLine);
    for (int row = firstRow; row <= lastRow; ++row) {
        const int y = row * kRowHeight + kRowHeight - 1 - top;
        p.drawLine(left, y, left + width, y);
    }

    const qreal ratio = devicePixelRatioF();
    const QFontMetrics metrics = p.fontMetrics();
    int drawn = 0;
    for (std::size_t i = 0; i < show.blocks.size(); ++i) {
        const TimeBlock& block = show.blocks[i];
        if (block.cannel < firstRow || block.cannel > lastRow) continue;
        const double x0 = left + block.start - offset;
        const double x1 = left + block.end - offset;
        const bool selected = document.IsSelected(i);
        // Selected blocks carry their times beside them, outside the bar.
        const double margin = selected ? 80.0 : 0.0;
        if (x1 + margin < left || x0 - margin > left + width) continue;
        ++drawn;
        const BlockLook look = LookOf(block, selected);
        const double y = block.cannel * kRowHeight + kBarTop - top;
        const QRectF bar(x0, y, std::max(1.0, x1 - x0), kBarHeight);
        p.fillRect(bar, look.fill);
        if (*look.label) {
            p.setPen(Qt::white);
            p.drawText(QPointF(x0 + 15, y + kBarHeight - 5), QString::fromLatin1(look.label));
        }
        if (block.m_bLocked && bar.width() > 14) p.drawPixmap(QPointF(x1 - 12, y + 3), LockIcon(ratio));
        if (selected) {
            p.setPen(Qt::black);
            const QString from = TimeText(block.start * scale);
            const QString to = TimeText(block.end * scale);
            p.drawText(QPointF(x0 - 3 - metrics.horizontalAdvance(from), y + kBarHeight - 5), from);
            p.drawText(QPointF(x1 + 3, y + kBarHeight - 5), to);
        }
    }
    blocksDrawn_ = drawn;

    if (scale >= 1) {
        const double x = left + runtime.g_dPlayheadUnits.load() - offset;
        p.fillRect(QRectF(x, 0, 1, height()), kPlayhead);
    }
    p.restore();
}

void TimelineArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int rows = static_cast<int>(context_.runtime.show.layers.size());
    const int top = vertical_->value();
    const int firstRow = std::min(rows, top / kRowHeight);
    const int lastRow = std::min(rows - 1, (top + height()) / kRowHeight);
    QFont small = font();
    small.setPixelSize(11);
    p.setFont(small);
    PaintLayers(p, firstRow, lastRow, top);
    PaintBlocks(p, firstRow, lastRow, top);
    // The corner under the scroll bar's column, when the bar is shorter.
    p.fillRect(QRect(width() - kScrollBarWidth, 0, kScrollBarWidth, height()), palette().window());
}

}  // namespace velmora
