#include "media/ui/ProgressStrip.h"

#include <QAccessibleValueInterface>
#include <QMouseEvent>
#include <QPainter>

#include "engine/MusicWav.h"
#include "runtime/Runtime.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

const QColor kBackground(125, 125, 125);
const QColor kThumb(170, 170, 170);
const QColor kMark(0, 255, 0);

// A slider whose value is the play position in ms; setting it seeks.
class StripAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit StripAccessible(ProgressStrip* strip)
        : QAccessibleWidget(strip, QAccessible::Slider, QStringLiteral("播放进度")), strip_(strip) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QStringLiteral("播放进度");
        if (t == QAccessible::Value) return QString::number(static_cast<qint64>(strip_->PositionMs()));
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return strip_->PositionMs(); }
    void setCurrentValue(const QVariant& value) override {
        const double length = strip_->LengthMs();
        if (length > 0.0) strip_->SeekAt(value.toDouble() / length * strip_->width());
    }
    QVariant maximumValue() const override { return strip_->LengthMs(); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 100.0; }

private:
    ProgressStrip* strip_;
};

}  // namespace

ProgressStrip::ProgressStrip(DesktopContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    InstallAccessibleFactory<ProgressStrip, StripAccessible>();
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setToolTip(QStringLiteral("拖动滑块滚动时间轴，单击跳到该位置"));
}

double ProgressStrip::LengthMs() const {
    return context_.runtime.g_pMusicWav->state().m_dLength.load();
}

double ProgressStrip::PositionMs() const {
    return context_.runtime.g_pMusicWav->state().m_dPlayPos.load();
}

StripThumb ProgressStrip::Thumb() const {
    const Runtime& runtime = context_.runtime;
    return StripThumbOf(runtime.g_pMusicWav->m_nScrollOffset, TimelineWidth(LengthMs(), runtime.show.m_nScale), width());
}

QRectF ProgressStrip::ThumbRect() const {
    const StripThumb thumb = Thumb();
    return QRectF(thumb.left, kThumbTop, thumb.width, height() - kThumbTop);
}

double ProgressStrip::MarkX() const {
    return StripMarkX(PositionMs(), LengthMs(), width());
}

void ProgressStrip::SeekAt(double x) {
    context_.runtime.g_pMusicWav->SeekToShowTime(StripSeekMs(x, width(), LengthMs()));
    update();
    emit sought();
}

void ProgressStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.fillRect(ThumbRect(), kThumb);
    p.fillRect(QRectF(MarkX(), 0, kMarkWidth, height()), kMark);
}

void ProgressStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF at = event->position();
    const QRectF thumb = ThumbRect();
    if (thumb.contains(at)) {
        dragging_ = true;
        grab_ = at.x() - thumb.left();
        return;
    }
    SeekAt(at.x());
}

void ProgressStrip::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    CMusicWav& wav = *context_.runtime.g_pMusicWav;
    const std::int32_t offset = OffsetForThumbAt(event->position().x() - grab_, Thumb(), width());
    if (offset == wav.m_nScrollOffset) return;
    wav.m_nScrollOffset = offset;
    update();
    emit scrolled();
}

void ProgressStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
}

void ProgressStrip::focusOutEvent(QFocusEvent*) {
    dragging_ = false;
}

}  // namespace velmora
