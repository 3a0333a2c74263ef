#include "show/ui/TimelineArea.h"

#include <algorithm>
#include <cmath>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QWheelEvent>

#include "app/Prompter.h"
#include "engine/MusicWav.h"
#include "engine/ShowAssets.h"
#include "media/ProgramList.h"
#include "runtime/Runtime.h"
#include "show/ui/BlockPropertiesDialog.h"
#include "show/ui/BlockHits.h"
#include "show/ui/BlockLooks.h"
#include "show/ui/TimelineAccessible.h"
#include "show/ui/TimelineMenus.h"
#include "ui/ColorRef.h"

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
const QColor kDrawing(50, 50, 0);
constexpr float kMinWidth = ShowDocument::kMinBlockWidth;

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

}  // namespace

TimelineArea::TimelineArea(DesktopContext& context, QWidget* parent)
    : QWidget(parent), context_(context), vertical_(new QScrollBar(Qt::Vertical, this)) {
    InstallTimelineAccessible();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // cursors over blocks, and the end of a block being drawn
    setFocusPolicy(Qt::StrongFocus);
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

QRectF TimelineArea::BlockRect(std::size_t index) const {
    const auto& blocks = context_.runtime.show.blocks;
    if (index >= blocks.size()) return {};
    const TimeBlock& block = blocks[index];
    const double x0 = kNameColumn + block.start - context_.runtime.g_pMusicWav->m_nScrollOffset;
    return QRectF(x0, block.cannel * kRowHeight + kBarTop - vertical_->value(), std::max(1.0f, block.end - block.start),
                  kBarHeight);
}

float TimelineArea::PasteX() const {
    return static_cast<float>(context_.runtime.g_pMusicWav->m_nScrollOffset) + static_cast<float>(visibleWidth()) / 2.0f;
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

ShowDocument& TimelineArea::document() const { return context_.runtime.showDocument(); }

QPointF TimelineArea::ContentOf(QPointF point) const {
    return {point.x() - kNameColumn + context_.runtime.g_pMusicWav->m_nScrollOffset, point.y() + vertical_->value()};
}

int TimelineArea::RowAt(int widgetY) const {
    const int y = widgetY + vertical_->value();
    return y < 0 ? -1 : y / kRowHeight;
}

bool TimelineArea::TakeAddModifier(Qt::KeyboardModifiers modifiers) {
    const bool armed = addArmed_ || (modifiers & Qt::ControlModifier);
    if (addArmed_) {
        addArmed_ = false;
        emit addUsed();
    }
    return armed;
}

void TimelineArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    if (point.x() < kNameColumn) PressInLayerColumn(point);
    else if (point.x() < kNameColumn + visibleWidth()) PressInBlockArea(point, event->modifiers());
    update();
}

void TimelineArea::PressInLayerColumn(QPoint point) {
    const int row = RowAt(point.y());
    if (row < 0 || row >= rowCount()) return;
    const QRect cell = NameCell(row);
    // The armed mark sits at the cell's right end; a little slack around it.
    const QRect mark(cell.right() - 13, cell.top(), 14, cell.height());
    if (mark.contains(point)) document().ToggleArmed(row);
}

void TimelineArea::PressInBlockArea(QPoint point, Qt::KeyboardModifiers modifiers) {
    ShowDocument& doc = document();
    const QPointF content = ContentOf(point);
    const double x = content.x(), y = content.y();
    const int row = static_cast<int>(std::floor(y / kRowHeight));
    const bool add = addArmed_ || (modifiers & Qt::ControlModifier);

    Runtime& runtime = context_.runtime;
    const CProgramList& programs = *runtime.g_pProgramList;
    const bool programEntry = runtime.g_pMusicWav->m_bProgramMode == 1 && programs.m_nCurrent >= 0 &&
                              programs.m_nCurrent < static_cast<std::int32_t>(programs.m_list.size());
    if (add && programEntry) {
        TakeAddModifier(modifiers);
        doc.ToggleProgramGrid(row, static_cast<float>(x),
                              programs.m_list[static_cast<std::size_t>(programs.m_nCurrent)].unitMS);
        return;
    }
    if (drawing_) {
        const Drawing drawn = *drawing_;
        drawing_.reset();
        doc.CreateBlock(drawn.row, drawn.start, drawn.end);
        return;
    }
    if (add) {
        TakeAddModifier(modifiers);
        // Rows past the last one hold nothing the engine would play.
        if (row >= 0 && row < ShowDocument::kRows && row < rowCount()) {
            const float start = static_cast<float>(x);
            drawing_ = Drawing{row, start, start + kMinWidth};
        }
        return;
    }
    const auto hit = HitTestBlocks(runtime.show, x, y);
    if (!hit) {
        // The band selects as it moves and at its release, so Ctrl held
        // meanwhile can still keep the others.
        bandFrom_ = content;
        bandTo_ = content;
        return;
    }
    if (hit->part != BlockHit::Part::kBody) {
        const auto edge = hit->part == BlockHit::Part::kLeftEdge ? ShowDocument::Edge::kLeft : ShowDocument::Edge::kRight;
        resizing_ = Resizing{hit->index, runtime.show.blocks[hit->index].m_nSerial, edge, doc.NewGesture()};
        return;
    }
    doc.PressBlock(hit->index);
    doc.BeginDrag(static_cast<std::int32_t>(std::floor(x)), static_cast<std::int32_t>(std::floor(y)));
}

void TimelineArea::mouseMoveEvent(QMouseEvent* event) {
    ShowDocument& doc = document();
    const QPointF content = ContentOf(event->position());
    const double x = content.x(), y = content.y();
    if (drawing_) {
        drawing_->end = std::max(static_cast<float>(x), drawing_->start + kMinWidth);
        update();
    } else if (resizing_) {
        const auto& blocks = context_.runtime.show.blocks;
        if (resizing_->index < blocks.size() && blocks[resizing_->index].m_nSerial == resizing_->serial)
            doc.Resize(resizing_->index, resizing_->edge, static_cast<float>(std::trunc(x)), resizing_->gesture);
        else
            resizing_.reset();
    } else if (doc.dragging()) {
        doc.DragTo(static_cast<std::int32_t>(std::floor(x)), static_cast<std::int32_t>(std::floor(y)));
    } else if (bandFrom_) {
        bandTo_ = content;
        doc.SelectBand(bandFrom_->x(), bandFrom_->y(), x, y, (event->modifiers() & Qt::ControlModifier) != 0);
        update();
    } else {
        UpdateCursor(content);
    }
}

void TimelineArea::UpdateCursor(QPointF content) {
    if (content.x() < context_.runtime.g_pMusicWav->m_nScrollOffset) {
        unsetCursor();
        return;
    }
    const auto hit = HitTestBlocks(context_.runtime.show, content.x(), content.y());
    if (!hit) unsetCursor();
    else setCursor(hit->part == BlockHit::Part::kBody ? Qt::SizeAllCursor : Qt::SizeHorCursor);
}

void TimelineArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    resizing_.reset();
    if (bandFrom_) {
        bandTo_ = ContentOf(event->position());
        document().SelectBand(bandFrom_->x(), bandFrom_->y(), bandTo_.x(), bandTo_.y(),
                              (event->modifiers() & Qt::ControlModifier) != 0);
        bandFrom_.reset();
    }
    document().EndDrag();
    update();
}

void TimelineArea::keyPressEvent(QKeyEvent* event) {
    ShowDocument& doc = document();
    if (event->matches(QKeySequence::Copy)) doc.CopySelection();
    else if (event->matches(QKeySequence::Paste)) doc.Paste(PasteX());
    else if (event->key() == Qt::Key_Left) doc.Nudge(-1);
    else if (event->key() == Qt::Key_Right) doc.Nudge(1);
    else if (event->key() == Qt::Key_Delete) doc.DeleteSelected(context_.prompter);
    else if (event->key() == Qt::Key_Escape && drawing_) drawing_.reset();
    else if (event->key() == Qt::Key_Space) {
        const std::int32_t row = doc.armedRow();
        if (!event->isAutoRepeat() && !recording_ && row >= 0 && row < ShowDocument::kRows &&
            context_.runtime.g_pMusicWav->Advancing()) {
            const float start = PlayheadX();
            recording_ = Drawing{row, start, start + kMinWidth};
        }
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    update();
}

void TimelineArea::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space || event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    FinishRecording();
    event->accept();
}

// A release the widget never sees (the focus went elsewhere) still ends
// the recording, or the block would grow for ever.
void TimelineArea::focusOutEvent(QFocusEvent* event) {
    FinishRecording();
    QWidget::focusOutEvent(event);
}

void TimelineArea::FinishRecording() {
    if (!recording_) return;
    const Drawing recorded = *recording_;
    recording_.reset();
    document().CommitRecordedBlock(recorded.row, recorded.start, std::max(PlayheadX(), recorded.start + kMinWidth));
    update();
}

float TimelineArea::PlayheadX() const { return static_cast<float>(context_.runtime.g_dPlayheadUnits.load()); }

void TimelineArea::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QPoint point = event->pos();
    ShowDocument& doc = document();
    if (point.x() < kNameColumn) {
        const int row = RowAt(point.y());
        if (row >= 0 && row < rowCount()) AddLayerMenu(*menu, doc, row);
    } else if (point.x() < kNameColumn + visibleWidth()) {
        const QPointF content = ContentOf(point);
        if (const auto hit = HitTestBlocks(context_.runtime.show, content.x(), content.y())) {
            doc.PressBlock(hit->index);
            menu->addAction(QStringLiteral("属性"), menu, [this] {
                const std::vector<std::size_t> selected = document().SelectedIndices();
                if (!selected.empty() && EditBlockProperties(context_, selected.front(), this)) ShowChanged();
            });
            AddBlockMenu(*menu, doc, context_.prompter);
        } else {
            AddAreaMenu(*menu, doc, PasteX());
        }
        menu->addSeparator();
        AddZoomItems(*menu, *context_.runtime.g_pMusicWav, context_.runtime.show.m_nScale, [this] {
            ShowChanged();
            update();
        });
    }
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    update();
    menu->popup(event->globalPos());
    event->accept();
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

void TimelineArea::PaintLightStrip(QPainter& p, const QRectF& bar, const std::string& file) const {
    // The colours come from the show's prepared assets, which this thread
    // itself replaces: no file is read while painting.
    const std::shared_ptr<const ShowAssets>& assets = context_.runtime.g_pShowAssets;
    const LightComplierCache* sequence = assets ? assets->FindColourSequence(file) : nullptr;
    if (sequence == nullptr || sequence->m_listColours.empty()) return;
    const std::vector<LightBlock>& colours = sequence->m_listColours;
    const double left = bar.left();
    const double width = bar.width();
    // No more segments than pixels: a long sequence on a short bar is sampled.
    const std::size_t segments = std::min<std::size_t>(colours.size(), static_cast<std::size_t>(std::max(1.0, width)));
    for (std::size_t s = 0; s < segments; ++s) {
        const LightBlock c = colours[s * colours.size() / segments];
        const double x0 = std::floor(left + width * static_cast<double>(s) / static_cast<double>(segments));
        const double x1 = std::floor(left + width * static_cast<double>(s + 1) / static_cast<double>(segments));
        p.fillRect(QRectF(x0, bar.bottom() - kLightStripHeight, std::max(1.0, x1 - x0), kLightStripHeight),
                   ToQColor(c));
    }
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
        if (!block.szLight.empty() && block.bLightTogether == 1) PaintLightStrip(p, bar, block.szLight);
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

    if (drawing_) {
        const double y = drawing_->row * kRowHeight + kBarTop - top;
        p.fillRect(QRectF(left + drawing_->start - offset, y, drawing_->end - drawing_->start, kBarHeight), kDrawing);
    }
    if (recording_) {
        const double y = recording_->row * kRowHeight + kBarTop - top;
        const double end = std::max(PlayheadX(), recording_->start + kMinWidth);
        p.fillRect(QRectF(left + recording_->start - offset, y, end - recording_->start, kBarHeight), kDrawing);
    }
    if (bandFrom_) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        const QPointF shift(left - offset, -top);
        p.drawRect(QRectF(*bandFrom_ + shift, bandTo_ + shift).normalized());
    }

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
