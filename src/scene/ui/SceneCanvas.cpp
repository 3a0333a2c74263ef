#include "scene/ui/SceneCanvas.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>

#include "app/Prompter.h"
#include "runtime/Runtime.h"
#include "scene/ui/SceneCanvasAccessible.h"
#include "scene/ui/SpringPropDialog.h"
#include "ui/ColorRef.h"

namespace velmora {

namespace {

const QColor kEmpty(0, 0, 0);
const QColor kGrid(0, 51, 12);
const QColor kSelected(0, 255, 0);
const QColor kUnselected(255, 255, 255);
const QColor kLit(0, 255, 0);
const QColor kUnlit(128, 127, 128);
const QColor kOutline(0, 0, 0);
const QColor kStroke(255, 140, 0);
const QColor kLabelSelected(255, 255, 0);
const QColor kLabelPlain(80, 80, 80);
const QColor kBand(255, 255, 255);
constexpr double kDegrees = 3.14 / 180.0;  // the angle conversion the scene's angles were drawn with

}  // namespace

SceneCanvas::SceneCanvas(DesktopContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    InstallSceneCanvasAccessible();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    SceneDocument& doc = document();
    // The commands' own messages ("组内元素太多！") reach the operator.
    doc.SetPrompter(&context_.prompter);
    const QPointer<SceneCanvas> self(this);
    listener_ = doc.AddListener([self](const Change& change) {
        if (self) self->DocumentChanged(change);
    });
    setMinimumSize(SceneExtent());

    backgroundTimer_.setSingleShot(true);
    backgroundTimer_.setInterval(150);
    connect(&backgroundTimer_, &QTimer::timeout, this, &SceneCanvas::ReloadBackground);
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &SceneCanvas::RefreshTick);
}

SceneCanvas::~SceneCanvas() {
    SceneDocument& doc = document();
    doc.RemoveListener(listener_);
    doc.SetPrompter(nullptr);
    doc.EndDrag();
}

SceneDocument& SceneCanvas::document() const { return context_.runtime.sceneDocument(); }

void SceneCanvas::SetMode(SceneDocument::Mode mode) {
    if (mode != document().mode()) EndGestures();
    document().SetMode(mode);
    shown_.clear();
    UpdateTimer();
    update();
}

void SceneCanvas::SetShowLabels(bool show) {
    showLabels_ = show;
    update();
}

void SceneCanvas::DocumentChanged(const Change& change) {
    if (change.what & Change::kSprings) setMinimumSize(SceneExtent());
    if ((change.what & Change::kSettings) && document().scene().settings.BGBMP != background_.stored())
        ReloadBackground();
    update();
}

QSize SceneCanvas::SceneExtent() const {
    std::int64_t right = 0, bottom = 0;
    for (const CSpring& spring : document().scene().springs) {
        right = std::max<std::int64_t>(right, std::int64_t{spring.x} + spring.m_nSize);
        bottom = std::max<std::int64_t>(bottom, std::int64_t{spring.y} + spring.m_nSize);
    }
    // A spring parked far away must not ask for a canvas no window can hold.
    constexpr std::int64_t kLargest = 16000;
    return QSize(static_cast<int>(std::clamp<std::int64_t>(right + kMargin, 0, kLargest)),
                 static_cast<int>(std::clamp<std::int64_t>(bottom + kMargin, 0, kLargest)));
}

QRect SceneCanvas::ClientRect() const {
    const QWidget* view = parentWidget();
    if (view == nullptr) return rect();
    return rect().intersected(QRect(mapFrom(view, QPoint(0, 0)), view->size()));
}

QRect SceneCanvas::SpringRect(std::size_t position) const {
    const auto& springs = document().scene().springs;
    if (position >= springs.size()) return {};
    const CSpring& s = springs[position];
    return QRect(s.x, s.y, s.m_nSize, s.m_nSize);
}

std::optional<std::size_t> SceneCanvas::SpringAt(QPoint pos) const {
    if (document().mode() != SceneDocument::kEdit) return std::nullopt;
    const auto& springs = document().scene().springs;
    // Later springs are drawn over earlier ones.
    for (std::size_t i = springs.size(); i-- > 0;)
        if (SpringRect(i).contains(pos)) return i;
    return std::nullopt;
}

// ---- background ----

void SceneCanvas::resizeEvent(QResizeEvent*) {
    // A resize in progress (a splitter dragged) stretches the old picture;
    // the new one is read once the size settles.
    backgroundTimer_.start();
}

void SceneCanvas::showEvent(QShowEvent*) {
    if (background_.stored() != document().scene().settings.BGBMP || background_.pixmap().isNull())
        backgroundTimer_.start();
    UpdateTimer();
}

void SceneCanvas::hideEvent(QHideEvent*) {
    UpdateTimer();
}

void SceneCanvas::ReloadBackground() {
    backgroundTimer_.stop();
    const std::string stored = document().scene().settings.BGBMP;
    const QSize pixels = (QSizeF(size()) * devicePixelRatioF()).toSize();
    if (!background_.NeedsRead(stored, pixels)) return;
    shownPicture_ = background_.pixmap().cacheKey();
    const std::uint64_t ticket = background_.Begin(stored, pixels);
    if (stored.empty() || pixels.isEmpty()) {
        BackgroundRead(ticket, QImage());
        return;
    }
    // Decoded off the UI thread; the result comes back through the event
    // loop, to a canvas that may be gone by then.
    const QPointer<SceneCanvas> self(this);
    QThreadPool::globalInstance()->start([self, workspace = context_.runtime.workspace(), stored, pixels, ticket] {
        QImage image = ReadBackgroundImage(workspace, stored, pixels);
        QMetaObject::invokeMethod(
            qApp, [self, ticket, image = std::move(image)]() mutable {
                if (self) self->BackgroundRead(ticket, std::move(image));
            },
            Qt::QueuedConnection);
    });
}

void SceneCanvas::BackgroundRead(std::uint64_t ticket, QImage image) {
    if (!background_.Finish(ticket, std::move(image))) return;
    const std::string& stored = background_.stored();
    if (!background_.failed()) {
        toldUnreadable_.clear();
    } else if (toldUnreadable_ != stored) {
        toldUnreadable_ = stored;
        context_.prompter.Tell(std::string(kBackgroundUnreadable) + stored);
    }
    // Nothing to repaint when there was no picture and still is none.
    if (background_.pixmap().cacheKey() != shownPicture_) update();
    emit backgroundSettled();
}

// ---- engine state ----

void SceneCanvas::UpdateTimer() {
    const bool follow = document().mode() != SceneDocument::kEdit && isVisible();
    if (follow && !refresh_.isActive()) refresh_.start();
    else if (!follow) refresh_.stop();
}

std::uint32_t SceneCanvas::ShownValue(std::size_t position) const {
    const auto& springs = document().scene().springs;
    if (!haveSnapshot_ || position >= snapshot_.springs.size()) return 0;
    const SpringSnapshot& state = snapshot_.springs[position];
    // A snapshot taken before the list changed says nothing about this spring.
    if (state.ID != springs[position].ID) return 0;
    return document().mode() == SceneDocument::kLight ? state.m_crColor : static_cast<std::uint32_t>(state.m_bLit != 0);
}

bool SceneCanvas::ShownStateUnchanged() {
    const std::size_t n = document().scene().springs.size();
    if (shown_.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (shown_[i] != ShownValue(i)) return false;
    return true;
}

void SceneCanvas::RefreshTick() {
    if (!context_.runtime.ReadEngineSnapshot(snapshot_)) return;
    haveSnapshot_ = true;
    if (!ShownStateUnchanged()) update();
}

// ---- painting ----

void SceneCanvas::PaintGrid(QPainter& p, const QRect& area) const {
    p.setPen(QPen(kGrid, 0));
    const int left = area.left() - area.left() % kGridStep;
    const int top = area.top() - area.top() % kGridStep;
    for (int x = left; x <= area.right(); x += kGridStep) p.drawLine(x, area.top(), x, area.bottom());
    for (int y = top; y <= area.bottom(); y += kGridStep) p.drawLine(area.left(), y, area.right(), y);
    // The border along the right and bottom edges.
    p.drawLine(width() - 1, 0, width() - 1, height() - 1);
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
}

const QStaticText& SceneCanvas::LabelText(std::int32_t id, const QFont& font) {
    auto [it, added] = labelTexts_.try_emplace(id);
    if (added) {
        it->second.setTextFormat(Qt::PlainText);
        it->second.setText(QString::number(id));
        it->second.prepare(QTransform(), font);
    }
    return it->second;
}

void SceneCanvas::PaintSprings(QPainter& p, const QRect& area) {
    const SceneDocument& doc = document();
    const auto& springs = doc.scene().springs;
    const SceneDocument::Mode mode = doc.mode();
    const bool edit = mode == SceneDocument::kEdit;
    if (!edit) shown_.resize(springs.size());
    // What reaches beyond a circle: the angle stroke, the label above.
    const int reach = std::max(kStrokeLength, showLabels_ ? kLabelRise + 40 : 0);
    const QRect wide = area.adjusted(-reach - 40, -reach, reach, reach);

    // Circles first, then the strokes and the labels over them, each kind
    // with one pen: 2,500 springs paint in a few milliseconds.
    strokes_.clear();
    visible_.clear();
    p.setPen(QPen(kOutline, 0));
    for (std::size_t i = 0; i < springs.size(); ++i) {
        const CSpring& spring = springs[i];
        QColor fill;
        if (edit) {
            fill = doc.IsSpringSelected(spring.ID) ? kSelected : kUnselected;
        } else {
            const std::uint32_t value = ShownValue(i);
            shown_[i] = value;
            fill = mode == SceneDocument::kLight ? ToQColor(value) : (value != 0 ? kLit : kUnlit);
        }
        const QRect circle(spring.x, spring.y, spring.m_nSize, spring.m_nSize);
        if (!wide.intersects(circle) && !(circle.isEmpty() && wide.contains(circle.topLeft()))) continue;
        visible_.push_back(i);
        p.setBrush(fill);
        p.drawEllipse(circle);
        if (edit) {
            const QPointF centre(spring.x + spring.m_nSize / 2.0, spring.y + spring.m_nSize / 2.0);
            const double angle = static_cast<double>(spring.ORGANGLEY) * kDegrees;
            // Counter-clockwise on screen, where y grows downwards.
            strokes_.emplace_back(centre, QPointF(centre.x() + kStrokeLength * std::cos(angle),
                                                  centre.y() - kStrokeLength * std::sin(angle)));
        }
    }
    if (!strokes_.empty()) {
        p.setPen(QPen(kStroke, 0));
        p.drawLines(strokes_.data(), static_cast<int>(strokes_.size()));
    }
    if (!showLabels_) return;
    // Backgrounds, then texts, each kind with one brush or pen: switching
    // them per label costs more than drawing the label.
    const QFont font = p.font();
    labelPlates_[0].clear();
    labelPlates_[1].clear();
    for (const std::size_t i : visible_) {
        const CSpring& spring = springs[i];
        const QSizeF size = LabelText(spring.ID, font).size();
        labelPlates_[doc.IsSpringSelected(spring.ID) ? 1 : 0].emplace_back(
            spring.x, spring.y - kLabelRise, size.width() + 2, size.height());
    }
    p.setPen(Qt::NoPen);
    for (int selected = 0; selected < 2; ++selected) {
        const std::vector<QRectF>& plates = labelPlates_[selected];
        if (plates.empty()) continue;
        p.setBrush(selected ? kLabelSelected : kLabelPlain);
        p.drawRects(plates.data(), static_cast<int>(plates.size()));
    }
    for (int selected = 0; selected < 2; ++selected) {
        p.setPen(selected ? Qt::black : Qt::white);
        for (const std::size_t i : visible_) {
            const CSpring& spring = springs[i];
            if (doc.IsSpringSelected(spring.ID) != (selected == 1)) continue;
            p.drawStaticText(QPointF(spring.x + 1, spring.y - kLabelRise), LabelText(spring.ID, font));
        }
    }
}

void SceneCanvas::paintEvent(QPaintEvent* event) {
    ++paints_;
    const QRect area = event->rect();
    if (document().mode() != SceneDocument::kEdit && context_.runtime.ReadEngineSnapshot(snapshot_))
        haveSnapshot_ = true;
    QPainter p(this);
    const QPixmap& picture = background_.pixmap();
    if (picture.isNull()) {
        p.fillRect(area, kEmpty);
    } else if (picture.size() == (QSizeF(size()) * devicePixelRatioF()).toSize()) {
        // The cached picture is the canvas's size: a copy of the exposed part.
        const qreal ratio = devicePixelRatioF();
        p.drawPixmap(QRectF(area), picture, QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
    } else {
        p.drawPixmap(rect(), picture);  // until the picture for the new size is read
    }
    PaintGrid(p, area);
    QFont small = font();
    small.setPixelSize(11);
    p.setFont(small);
    PaintSprings(p, area);
    if (bandFrom_) {
        p.setPen(QPen(kBand, 0, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(*bandFrom_, bandTo_).normalized());
    }
}

// ---- input ----

void SceneCanvas::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    std::optional<std::int32_t> hit;
    if (const auto at = SpringAt(pos)) hit = document().scene().springs[*at].ID;
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    if (!document().PressAt(hit, pos.x(), pos.y(), shift)) {
        bandFrom_ = pos;
        bandTo_ = pos;
        bandShift_ = shift;
    }
    update();
    event->accept();
}

void SceneCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (bandFrom_) {
        bandTo_ = pos;
        document().SelectInBand(bandFrom_->x(), bandFrom_->y(), pos.x(), pos.y(), BandKeeps(*event));
        update();
    } else if (document().dragging() && ClientRect().contains(pos)) {
        document().DragTo(pos.x(), pos.y());
    }
}

// A band begun with Shift keeps the earlier selection even when Shift is let
// go before the button.
bool SceneCanvas::BandKeeps(const QMouseEvent& event) const {
    return bandShift_ || (event.modifiers() & Qt::ShiftModifier) != 0;
}

void SceneCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    if (bandFrom_)
        document().SelectInBand(bandFrom_->x(), bandFrom_->y(), pos.x(), pos.y(), BandKeeps(*event));
    if (event->modifiers() & Qt::ControlModifier) document().AddSpringOnClick(pos.x(), pos.y());
    EndGestures();
}

void SceneCanvas::EndGestures() {
    document().EndDrag();
    if (bandFrom_) {
        bandFrom_.reset();
        update();
    }
}

void SceneCanvas::focusOutEvent(QFocusEvent* event) {
    EndGestures();
    QWidget::focusOutEvent(event);
}

// The frame's "删除" shortcut (the timeline's) must not take the key from a
// canvas that has the focus: here Delete deletes springs.
bool SceneCanvas::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void SceneCanvas::keyPressEvent(QKeyEvent* event) {
    int dx = 0, dy = 0;
    switch (event->key()) {
        case Qt::Key_Left: dx = -1; break;
        case Qt::Key_Right: dx = 1; break;
        case Qt::Key_Up: dy = -1; break;
        case Qt::Key_Down: dy = 1; break;
        case Qt::Key_Delete: event->accept(); return;  // acted on when released
        default: QWidget::keyPressEvent(event); return;
    }
    document().MoveSelected(dx, dy);
    event->accept();
}

void SceneCanvas::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Delete || event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    DeleteSelection();
}

void SceneCanvas::DeleteSelection() {
    SceneDocument& doc = document();
    if (doc.mode() == SceneDocument::kWatch) return;
    EndGestures();
    if (doc.SelectedSpringIDs().empty()) {
        context_.prompter.Tell(kNothingSelected);
        return;
    }
    if (!context_.prompter.AskYesNo(kDeleteQuestion)) return;
    doc.DeleteSelectedSprings();
}

void SceneCanvas::OpenProperties() {
    const auto id = document().FirstSelectedSpring();
    if (!id) return;
    EndGestures();
    OpenSpringProperties(context_, *id, this);
}

void SceneCanvas::FillSpringMenu(QMenu& menu) {
    SceneDocument& doc = document();
    menu.addAction(QStringLiteral("属性"), this, &SceneCanvas::OpenProperties);
    menu.addAction(QStringLiteral("删除"), this, &SceneCanvas::DeleteSelection);
    menu.addAction(QStringLiteral("成组"), this, [this] { document().MakeGroup(0, 0, false); });
    menu.addAction(QStringLiteral("控制按钮"), this, [this] { document().MakeGroup(0, 0, true); });
    QMenu* groups = menu.addMenu(QStringLiteral("添加到组"));
    const auto& list = doc.scene().groups;
    for (std::size_t g = 0; g < list.size(); ++g)
        groups->addAction(QString::fromStdString(list[g].name), this, [this, g] { document().AddSelectionToGroup(g); });
    groups->setEnabled(!list.empty());
}

void SceneCanvas::contextMenuEvent(QContextMenuEvent* event) {
    setFocus(Qt::MouseFocusReason);
    EndGestures();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QPoint pos = event->pos();
    if (const auto at = SpringAt(pos)) {
        // As a left click would: the spring joins (or keeps) the selection.
        document().PressAt(document().scene().springs[*at].ID, pos.x(), pos.y(), false);
        document().EndDrag();
        FillSpringMenu(*menu);
    } else {
        QAction* add = menu->addAction(QStringLiteral("新建"), this, [this] { document().AddSpringAt(10, 10); });
        add->setEnabled(document().mode() != SceneDocument::kWatch);
    }
    update();
    menu->popup(event->globalPos());
    event->accept();
}

}  // namespace velmora
