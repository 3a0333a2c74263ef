#include "media/ui/TransportControl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "engine/MusicWav.h"
#include "media/MusicList.h"
#include "media/ProgramList.h"
#include "media/Transport.h"
#include "runtime/Runtime.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

struct ButtonSpec {
    int left, top, right, bottom;
    const char* name;
};

constexpr std::array<ButtonSpec, TransportControl::kButtonCount> kButtons{{
    {0, 0, 25, 25, "上一首"},
    {25, 0, 50, 25, "播放/暂停"},
    {50, 0, 75, 25, "下一首"},
    {54, 41, 79, 66, "准备时间加"},
    {54, 67, 79, 92, "准备时间减"},
    {3, 69, 28, 94, "放大"},
    {29, 69, 54, 94, "缩小"},
}};

const QColor kPanel(236, 238, 240);
const QColor kEdge(150, 156, 164);
const QColor kKey(58, 66, 78);
const QColor kKeyDown(24, 110, 170);
const QColor kGlyph(250, 250, 250);

QRectF Inner(QRect r, qreal margin) {
    return QRectF(r).adjusted(margin, margin, -margin, -margin);
}

// Parts of the face, each drawn into its button's area.
void DrawRoundKey(QPainter& p, QRect r, const QColor& fill) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(Inner(r, 1.5));
}

void DrawTriangle(QPainter& p, QPointF tip, qreal width, qreal height, bool pointsRight) {
    QPainterPath path;
    const qreal back = pointsRight ? tip.x() - width : tip.x() + width;
    path.moveTo(tip);
    path.lineTo(back, tip.y() - height / 2);
    path.lineTo(back, tip.y() + height / 2);
    path.closeSubpath();
    p.fillPath(path, kGlyph);
}

void DrawMagnifier(QPainter& p, QRect r, bool plus) {
    const QRectF box = Inner(r, 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kKey);
    p.drawRoundedRect(box, 4, 4);
    const QPointF centre(box.left() + 9.5, box.top() + 9.0);
    p.setPen(QPen(kGlyph, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 5.5, 5.5);
    p.setPen(QPen(kGlyph, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(4.2, 4.2), centre + QPointF(8.5, 8.5));
    p.setPen(QPen(kGlyph, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(centre + QPointF(-3, 0), centre + QPointF(3, 0));
    if (plus) p.drawLine(centre + QPointF(0, -3), centre + QPointF(0, 3));
}

void DrawStepKey(QPainter& p, QRect r, bool plus) {
    const QRectF box = Inner(r, 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kKey);
    p.drawRoundedRect(box, 4, 4);
    p.setPen(QPen(kGlyph, 2.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = box.center();
    p.drawLine(c + QPointF(-6, 0), c + QPointF(6, 0));
    if (plus) p.drawLine(c + QPointF(0, -6), c + QPointF(0, 6));
}

QPixmap NewPixmap(QSize size, qreal ratio) {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// Assistive technology sees the seven buttons, each with a press action,
// and the preparation time as text.
class TransportAccessible final : public PartsAccessible {
public:
    explicit TransportAccessible(TransportControl* control)
        : PartsAccessible(control, QAccessible::Grouping, QStringLiteral("播放控制")), control_(control) {}

    int PartCount() const override { return TransportControl::kButtonCount + 1; }
    QAccessible::Role PartRole(int index) const override {
        return index < TransportControl::kButtonCount ? QAccessible::Button : QAccessible::StaticText;
    }
    QString PartText(int index, QAccessible::Text t) const override {
        if (index == TransportControl::kButtonCount) {
            if (t == QAccessible::Name || t == QAccessible::Value) return control_->PrepareText();
            if (t == QAccessible::Description) return QStringLiteral("准备时间");
            return {};
        }
        if (t == QAccessible::Name) return TransportControl::ButtonName(static_cast<TransportControl::Button>(index));
        return {};
    }
    QRect PartRect(int index) const override {
        if (index == TransportControl::kButtonCount)
            return QRect(TransportControl::kPrepareTextAt, QSize(TransportControl::kPrepareTextWidth, 14));
        return TransportControl::ButtonRect(static_cast<TransportControl::Button>(index));
    }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        if (index == TransportControl::kPlayPause) {
            state.checkable = true;
            state.checked = control_->Running();
        }
        return state;
    }
    bool PartPressable(int index) const override { return index < TransportControl::kButtonCount; }
    void PressPart(int index) override { control_->Press(static_cast<TransportControl::Button>(index)); }

private:
    TransportControl* control_;
};

}  // namespace

TransportControl::TransportControl(DesktopContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    InstallAccessibleFactory<TransportControl, TransportAccessible>();
    setFixedSize(kWidth, kHeight);
    setMouseTracking(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("上一首 / 播放/暂停 / 下一首；准备时间加减；放大缩小时间轴"));
}

QRect TransportControl::ButtonRect(Button button) {
    const ButtonSpec& b = kButtons.at(static_cast<std::size_t>(button));
    return QRect(QPoint(b.left, b.top), QSize(b.right - b.left, b.bottom - b.top));
}

QString TransportControl::ButtonName(Button button) {
    return QString::fromUtf8(kButtons.at(static_cast<std::size_t>(button)).name);
}

TransportControl::Button TransportControl::ButtonAt(QPoint point) {
    for (int i = 0; i < kButtonCount; ++i)
        if (ButtonRect(static_cast<Button>(i)).contains(point)) return static_cast<Button>(i);
    return kButtonCount;
}

QString TransportControl::PrepareText() const {
    return QStringLiteral("%1MS").arg(context_.runtime.scene.settings.g_nPrepareTime);
}

bool TransportControl::Running() const {
    return context_.runtime.g_pMusicWav->m_bClockRunning == 1;
}

void TransportControl::Press(Button button) {
    Runtime& runtime = context_.runtime;
    CMusicWav& wav = *runtime.g_pMusicWav;
    switch (button) {
        case kPrevious:
        case kNext: {
            const int direction = button == kNext ? 1 : -1;
            if (wav.m_bProgramMode) {
                if (runtime.g_pProgramList) runtime.g_pProgramList->Step(direction);
            } else if (runtime.g_pMusicList) {
                runtime.g_pMusicList->Step(direction);
            }
            break;
        }
        case kPlayPause:
            wav.PlayPause();
            break;
        case kPrepareUp:
        case kPrepareDown: {
            const std::int32_t now = runtime.scene.settings.g_nPrepareTime;
            const std::int32_t next = button == kPrepareUp ? PrepareTimeUp(now) : PrepareTimeDown(now);
            if (next != now) runtime.sceneDocument().SetPrepareTime(next);
            break;
        }
        case kZoomFiner:
        case kZoomCoarser: {
            const std::int32_t now = runtime.show.m_nScale;
            const std::int32_t next = button == kZoomFiner ? ScaleFiner(now) : ScaleCoarser(now);
            if (next != now) wav.SetScale(next);
            break;
        }
        case kButtonCount:
            return;
    }
    update();
    emit pressed(button);
}

const QPixmap& TransportControl::Face() {
    const qreal ratio = devicePixelRatioF();
    if (!face_.isNull() && face_.devicePixelRatio() == ratio) return face_;
    face_ = NewPixmap(QSize(kWidth, kHeight), ratio);
    QPainter p(&face_);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, kWidth, kHeight), Qt::white);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kPanel);
    p.drawRoundedRect(QRectF(0.5, 26.5, kWidth - 1, kHeight - 27), 4, 4);

    for (Button b : {kPrevious, kPlayPause, kNext}) DrawRoundKey(p, ButtonRect(b), kKey);
    const QRectF prev = ButtonRect(kPrevious);
    p.fillRect(QRectF(prev.left() + 6.5, prev.top() + 7, 2.2, 11), kGlyph);
    DrawTriangle(p, QPointF(prev.left() + 9, prev.center().y()), 8, 10, false);
    const QRectF play = ButtonRect(kPlayPause);
    DrawTriangle(p, QPointF(play.center().x() + 5, play.center().y()), 9, 11, true);
    const QRectF next = ButtonRect(kNext);
    DrawTriangle(p, QPointF(next.right() - 9, next.center().y()), 8, 10, true);
    p.fillRect(QRectF(next.right() - 9, next.top() + 7, 2.2, 11), kGlyph);

    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    p.setPen(QColor(70, 76, 86));
    p.drawText(QRect(4, 28, 50, 13), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("准备时间"));

    DrawStepKey(p, ButtonRect(kPrepareUp), true);
    DrawStepKey(p, ButtonRect(kPrepareDown), false);
    DrawMagnifier(p, ButtonRect(kZoomFiner), true);
    DrawMagnifier(p, ButtonRect(kZoomCoarser), false);
    return face_;
}

const QFont& TransportControl::PrepareFont() {
    if (prepareFont_) return *prepareFont_;
    // The largest size at which the longest time still fits beside the buttons.
    QFont text = font();
    text.setBold(true);
    for (int size = 12; size > 7; --size) {
        text.setPixelSize(size);
        if (QFontMetrics(text).horizontalAdvance(QStringLiteral("9900MS")) <= kPrepareTextWidth) break;
    }
    prepareFont_ = text;
    return *prepareFont_;
}

const QPixmap& TransportControl::PauseSymbol() {
    const qreal ratio = devicePixelRatioF();
    if (!pause_.isNull() && pause_.devicePixelRatio() == ratio) return pause_;
    // It covers the play symbol: the key's own colour, then two bars.
    pause_ = NewPixmap(QSize(20, 21), ratio);
    QPainter p(&pause_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kKey);
    p.drawEllipse(QRectF(0.5, 1, 19, 19));
    p.fillRect(QRectF(5.5, 5.5, 3, 10), kGlyph);
    p.fillRect(QRectF(11.5, 5.5, 3, 10), kGlyph);
    return pause_;
}

void TransportControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, Face());
    if (down_ != kButtonCount && downInside_) {
        // The button held down is lit until the mouse lets go.
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kKeyDown, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(Inner(ButtonRect(down_), 1.0), 5, 5);
    }
    if (Running()) p.drawPixmap(kPauseAt, PauseSymbol());
    p.setFont(PrepareFont());
    p.setPen(QColor(20, 24, 30));
    p.drawText(QRect(kPrepareTextAt, QSize(kPrepareTextWidth, 14)), Qt::AlignLeft | Qt::AlignTop, PrepareText());
}

void TransportControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    down_ = ButtonAt(event->position().toPoint());
    downInside_ = down_ != kButtonCount;
    update();
}

void TransportControl::mouseMoveEvent(QMouseEvent* event) {
    if (down_ == kButtonCount) return;
    const bool inside = ButtonAt(event->position().toPoint()) == down_;
    if (inside != downInside_) {
        downInside_ = inside;
        update();
    }
}

void TransportControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const Button pressed = down_;
    down_ = kButtonCount;
    downInside_ = false;
    update();
    if (pressed != kButtonCount && ButtonAt(event->position().toPoint()) == pressed) Press(pressed);
}

void TransportControl::leaveEvent(QEvent*) {
    if (downInside_) {
        downInside_ = false;
        update();
    }
}

}  // namespace velmora
