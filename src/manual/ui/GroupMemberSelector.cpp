#include "manual/ui/GroupMemberSelector.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "manual/ui/DebugGlyphs.h"
#include "manual/ui/GroupDebugAccessible.h"

namespace velmora {

namespace {

const QColor kBackground(197, 197, 197);
const QColor kSelectedFrame(0xff, 0x8c, 0x00);
const QColor kInk(0, 0, 0);
constexpr int kGlyphSize = 40;
constexpr int kLineStep = 10;
constexpr int kWheelStep = 30;

int BarHeight(const DebugMemberView& view) {
    return view.lit ? view.outLevel * kAnalogBarHeight / GroupDebug::kMaxLevel : 0;
}

bool SwitchOn(const DebugMemberView& view) { return view.lit && view.outLevel >= 1; }

}  // namespace

GroupMemberSelector::GroupMemberSelector(DebugPanelState& state, QWidget* parent)
    : QWidget(parent), state_(state), bar_(new QScrollBar(Qt::Vertical, this)) {
    InstallGroupDebugAccessible();
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("成员"));
    bar_->setSingleStep(kLineStep);
    connect(bar_, &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
}

int GroupMemberSelector::columns() const {
    return std::max(1, (width() - kScrollBarWidth) / kCellWidth);
}

int GroupMemberSelector::ContentHeight() const {
    const int n = static_cast<int>(state_.debug.memberCount());
    const int rows = (n + columns() - 1) / columns();
    return rows * kCellHeight;
}

void GroupMemberSelector::UpdateScrollRange() {
    bar_->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
    bar_->setPageStep(height());
    bar_->setRange(0, std::max(0, ContentHeight() - height()));
    bar_->setVisible(ContentHeight() > height());
}

QRect GroupMemberSelector::CellRect(std::size_t index) const {
    const int i = static_cast<int>(index);
    return QRect((i % columns()) * kCellWidth, (i / columns()) * kCellHeight - bar_->value(), kCellWidth, kCellHeight);
}

std::optional<std::size_t> GroupMemberSelector::CellAt(QPoint at) const {
    if (at.x() < 0 || at.x() >= columns() * kCellWidth || at.y() < 0 || at.y() >= height()) return std::nullopt;
    const int row = (at.y() + bar_->value()) / kCellHeight;
    const std::size_t index = static_cast<std::size_t>(row * columns() + at.x() / kCellWidth);
    if (index >= state_.debug.memberCount()) return std::nullopt;
    return index;
}

QString GroupMemberSelector::CellName(std::size_t index) const {
    if (index >= state_.debug.memberCount()) return {};
    return QStringLiteral("喷头 %1").arg(state_.debug.members()[index]);
}

QString GroupMemberSelector::CellDescription(std::size_t index) const {
    const std::vector<DebugMemberView> views = state_.debug.Views(state_.Snapshot());
    if (index >= views.size()) return {};
    const DebugMemberView& view = views[index];
    switch (state_.mode) {
        case DebugDisplayMode::Analog: return QString::number(view.lit ? view.outLevel : 0);
        case DebugDisplayMode::Switch: return SwitchOn(view) ? QStringLiteral("开") : QStringLiteral("关");
        case DebugDisplayMode::Light: return ToQColor(view.colour).name(QColor::HexRgb).toUpper();
        case DebugDisplayMode::Motor: return QStringLiteral("电机");
    }
    return {};
}

void GroupMemberSelector::PressCell(std::size_t index) {
    if (index >= state_.debug.memberCount()) return;
    state_.debug.Click(index, false, false);
    update();
    emit selectionChanged();
}

void GroupMemberSelector::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    views_ = state_.debug.Views(state_.Snapshot());
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    for (std::size_t i = 0; i < views_.size(); ++i) {
        const QRect cell = CellRect(i);
        if (cell.bottom() < 0 || cell.top() >= height()) continue;
        const DebugMemberView& view = views_[i];
        const QRect glyph(cell.left() + (kCellWidth - kGlyphSize) / 2, cell.top() + 3, kGlyphSize, kGlyphSize);
        switch (state_.mode) {
            case DebugDisplayMode::Analog: DrawAnalogGlyph(p, glyph, BarHeight(view)); break;
            case DebugDisplayMode::Switch: DrawSwitchGlyph(p, glyph, SwitchOn(view)); break;
            case DebugDisplayMode::Light: DrawLightGlyph(p, glyph, ToQColor(view.colour)); break;
            case DebugDisplayMode::Motor: DrawMotorGlyph(p, glyph); break;
        }
        p.setPen(kInk);
        p.drawText(QRect(cell.left(), glyph.bottom() + 1, kCellWidth, cell.bottom() - glyph.bottom()),
                   Qt::AlignHCenter | Qt::AlignTop, QString::number(view.id));
        if (view.selected) {
            p.setPen(QPen(kSelectedFrame, 3));
            p.setBrush(Qt::NoBrush);
            p.drawRect(cell.adjusted(2, 1, -2, -2));
        }
    }
}

void GroupMemberSelector::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const std::optional<std::size_t> index = CellAt(event->position().toPoint());
    if (!index) return;
    const Qt::KeyboardModifiers keys = event->modifiers();
    state_.debug.Click(*index, keys.testFlag(Qt::ShiftModifier), keys.testFlag(Qt::ControlModifier));
    update();
    emit selectionChanged();
}

void GroupMemberSelector::wheelEvent(QWheelEvent* event) {
    const int pixels = -event->angleDelta().y() * kWheelStep / 120;
    if (pixels != 0) bar_->setValue(bar_->value() + pixels);
    event->accept();
}

void GroupMemberSelector::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateScrollRange();
}

}  // namespace velmora
