#include "manual/ui/GroupDebugTool.h"

#include <utility>

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

#include "manual/ui/DebugGlyphs.h"
#include "manual/ui/GroupDebugAccessible.h"

namespace velmora {

namespace {

const QColor kBackground(197, 197, 197);
const QColor kButton(0xe4, 0xe4, 0xe0);
const QColor kButtonDown(0xa8, 0xa8, 0xa4);
const QColor kInk(0, 0, 0);
const QColor kDarkGrey(0x40, 0x40, 0x40);
const QColor kPureGreen(0, 255, 0);
const QColor kLed(0x20, 0xe0, 0x40);

QRect Ltrb(int left, int top, int right, int bottom) { return QRect(left, top, right - left, bottom - top); }

// Text drawn in black or white, whichever reads on `fill`.
QColor InkOn(const QColor& fill) { return fill.lightness() > 140 ? kInk : Qt::white; }

struct ColourToggle {
    DebugControl control;
    ColourChannel channel;
    QColor fill;
};
constexpr int kToggleCount = 3;
const ColourToggle kToggles[kToggleCount] = {
    {DebugControl::Red, ColourChannel::Red, QColor(255, 0, 0)},
    {DebugControl::Green, ColourChannel::Green, QColor(0, 255, 0)},
    {DebugControl::Blue, ColourChannel::Blue, QColor(0, 0, 255)},
};

const ColourToggle* ToggleOf(DebugControl control) {
    for (const ColourToggle& t : kToggles)
        if (t.control == control) return &t;
    return nullptr;
}

}  // namespace

GroupDebugTool::GroupDebugTool(DebugPanelState& state, MotorFineTuneHook fineTune, QWidget* parent)
    : QWidget(parent), state_(state), fineTune_(std::move(fineTune)) {
    InstallGroupDebugAccessible();
    setMinimumSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("调试"));
    repeat_.setInterval(kRepeatMs);
    connect(&repeat_, &QTimer::timeout, this, [this] {
        state_.debug.StepLevel(repeatDelta_);
        Changed();
    });
}

QRect GroupDebugTool::ControlRect(DebugControl control) {
    switch (control) {
        case DebugControl::Slider: return QRect(20, 20, 60, 190);
        case DebugControl::LevelValue: return Ltrb(100, 20, 200, 60);
        case DebugControl::StepDown: return Ltrb(100, 62, 148, 92);
        case DebugControl::StepUp: return Ltrb(152, 62, 200, 92);
        case DebugControl::PumpState: return Ltrb(100, 100, 200, 140);
        case DebugControl::LevelOn: return Ltrb(100, 142, 148, 172);
        case DebugControl::LevelOff: return Ltrb(152, 142, 200, 172);
        case DebugControl::Swatch: return Ltrb(230, 20, 330, 60);
        case DebugControl::Red: return QRect(230, 62, 30, 30);
        case DebugControl::Green: return QRect(263, 62, 30, 30);
        case DebugControl::Blue: return QRect(296, 62, 30, 30);
        case DebugControl::MotorY: return Ltrb(330, 100, 410, 180);
        case DebugControl::MotorZ: return Ltrb(410, 100, 490, 180);
        case DebugControl::GroupState: return Ltrb(230, 100, 330, 140);
        case DebugControl::GroupOn: return Ltrb(230, 142, 278, 172);
        case DebugControl::GroupOff: return Ltrb(282, 142, 330, 172);
        case DebugControl::Reset: return Ltrb(230, 180, 330, 210);
    }
    return {};
}

QRect GroupDebugTool::KnobRect() const {
    const std::optional<int> top = state_.debug.KnobTop();
    return top ? QRect(30, *top, 40, 40) : QRect();
}

std::optional<DebugControl> GroupDebugTool::ControlAt(QPoint at) const {
    // The knob lies on the slider's background; everything else is apart.
    for (int i = 0; i < kDebugControlCount; ++i) {
        const auto control = static_cast<DebugControl>(i);
        if (ControlRect(control).contains(at)) return control;
    }
    return std::nullopt;
}

QString GroupDebugTool::ControlName(DebugControl control) {
    switch (control) {
        case DebugControl::Slider: return QStringLiteral("电平");
        case DebugControl::LevelValue: return QStringLiteral("电平值");
        case DebugControl::StepDown: return QStringLiteral("<");
        case DebugControl::StepUp: return QStringLiteral(">");
        case DebugControl::PumpState: return QStringLiteral("开关状态");
        case DebugControl::LevelOn:
        case DebugControl::GroupOn: return QStringLiteral("ON");
        case DebugControl::LevelOff:
        case DebugControl::GroupOff: return QStringLiteral("OFF");
        case DebugControl::Swatch: return QStringLiteral("灯光");
        case DebugControl::Red: return QStringLiteral("红");
        case DebugControl::Green: return QStringLiteral("绿");
        case DebugControl::Blue: return QStringLiteral("蓝");
        case DebugControl::MotorY: return QStringLiteral("Y");
        case DebugControl::MotorZ: return QStringLiteral("Z");
        case DebugControl::GroupState: return QStringLiteral("组开关量");
        case DebugControl::Reset: return QStringLiteral("复位按钮");
    }
    return {};
}

QString GroupDebugTool::LevelText() const {
    const std::optional<std::int32_t> level = state_.debug.ShownLevel();
    return level ? QString::asprintf("[%03d]", *level) : QStringLiteral("---");
}

QString GroupDebugTool::AccessibleName(DebugControl control) const {
    switch (control) {
        case DebugControl::LevelValue: return LevelText();
        case DebugControl::PumpState:
            return state_.debug.FirstSelectedOutputOn(state_.Snapshot()) ? QStringLiteral("开") : QStringLiteral("关");
        default: return ControlName(control);
    }
}

QString GroupDebugTool::ControlDescription(DebugControl control) const {
    const GroupDebug& debug = state_.debug;
    switch (control) {
        case DebugControl::LevelValue: return ControlName(control);
        case DebugControl::PumpState: return ControlName(control);
        case DebugControl::GroupState: return debug.GroupStateOn() ? QStringLiteral("开") : QStringLiteral("关");
        case DebugControl::Swatch: return ToQColor(debug.colour()).name(QColor::HexRgb).toUpper();
        case DebugControl::GroupOn:
        case DebugControl::GroupOff: return QStringLiteral("组开关量");
        case DebugControl::LevelOn:
        case DebugControl::LevelOff: return QStringLiteral("喷头");
        default: return {};
    }
}

bool GroupDebugTool::Pressable(DebugControl control) {
    switch (control) {
        case DebugControl::Slider:
        case DebugControl::LevelValue:
        case DebugControl::PumpState:
        case DebugControl::GroupState: return false;
        default: return true;
    }
}

bool GroupDebugTool::Press(DebugControl control) {
    GroupDebug& debug = state_.debug;
    switch (control) {
        case DebugControl::StepDown: debug.StepLevel(-1); break;
        case DebugControl::StepUp: debug.StepLevel(+1); break;
        case DebugControl::LevelOn: debug.SetLevel(GroupDebug::kOnLevel); break;
        case DebugControl::LevelOff: debug.SetLevel(0); break;
        case DebugControl::Swatch: PickColour(); break;
        case DebugControl::Red:
        case DebugControl::Green:
        case DebugControl::Blue: debug.ToggleChannel(ToggleOf(control)->channel); break;
        case DebugControl::MotorY: OpenFineTune(1); break;
        case DebugControl::MotorZ: OpenFineTune(0); break;
        case DebugControl::GroupOn: debug.SetGroupState(1); break;
        case DebugControl::GroupOff: debug.SetGroupState(0); break;
        case DebugControl::Reset: debug.Reset(); break;
        default: return false;
    }
    Changed();
    return true;
}

void GroupDebugTool::SetSliderLevel(std::int32_t level) {
    state_.debug.SetLevel(level);
    Changed();
}

void GroupDebugTool::PickColour() {
    const QColor chosen = QColorDialog::getColor(ToQColor(state_.debug.colour()), this, QStringLiteral("灯光"));
    if (chosen.isValid()) state_.debug.SetColour(FromQColor(chosen));
}

void GroupDebugTool::OpenFineTune(int axis) {
    const std::optional<std::int32_t> id = state_.debug.FirstSelectedId();
    if (!fineTune_ || !id) return;
    fineTune_(window(), *id, axis);
}

void GroupDebugTool::Changed() {
    update();
    emit changed();
}

// ---- input ----

void GroupDebugTool::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    const std::optional<DebugControl> control = ControlAt(at);
    if (!control) return;
    held_ = control;
    if (*control == DebugControl::Slider) {
        if (KnobRect().contains(at)) state_.debug.BeginKnobDrag(at.y());
        update();
        return;
    }
    // The swatch and the motor buttons open a modal dialog that takes the
    // release: nothing may stay held behind it.
    if (*control == DebugControl::Swatch || *control == DebugControl::MotorY || *control == DebugControl::MotorZ)
        held_.reset();
    if (*control == DebugControl::StepDown || *control == DebugControl::StepUp) {
        repeatDelta_ = *control == DebugControl::StepUp ? +1 : -1;
        repeat_.start();
    }
    Press(*control);
}

void GroupDebugTool::mouseMoveEvent(QMouseEvent* event) {
    if (!state_.debug.dragging()) return;
    state_.debug.DragKnobTo(event->position().toPoint().y());
    Changed();
}

void GroupDebugTool::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    state_.debug.EndKnobDrag();
    repeat_.stop();
    held_.reset();
    update();
}

// Closing the panel with a button held must not leave a step repeating.
void GroupDebugTool::hideEvent(QHideEvent* event) {
    state_.debug.EndKnobDrag();
    repeat_.stop();
    held_.reset();
    QWidget::hideEvent(event);
}

// ---- painting ----

namespace {

void DrawButton(QPainter& p, const QRect& r, const QString& text, bool down) {
    p.setPen(QPen(down ? kDarkGrey : QColor(0x70, 0x70, 0x70), 1));
    p.setBrush(down ? kButtonDown : kButton);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    if (!down) {
        p.setPen(QPen(Qt::white, 1));
        p.drawLine(r.left() + 2, r.top() + 1, r.right() - 2, r.top() + 1);
    }
    p.setPen(kInk);
    p.drawText(down ? r.translated(1, 1) : r, Qt::AlignCenter, text);
}

void DrawState(QPainter& p, const QRect& r, const QString& text, const QColor& fill) {
    p.setPen(QPen(kDarkGrey, 1));
    p.setBrush(fill);
    p.drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(InkOn(fill));
    p.drawText(r, Qt::AlignCenter, text);
}

}  // namespace

void GroupDebugTool::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.setRenderHint(QPainter::Antialiasing);
    const GroupDebug& debug = state_.debug;
    auto down = [this](DebugControl c) { return held_ == c; };

    // Slider: a groove on a panel, the knob over it while something is selected.
    const QRect slider = ControlRect(DebugControl::Slider);
    p.setPen(QPen(kDarkGrey, 1));
    p.setBrush(QColor(0xb0, 0xb0, 0xac));
    p.drawRoundedRect(QRectF(slider).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRoundedRect(QRectF(slider.center().x() - 3, GroupDebug::kTravelTop + 20 - 4, 6,
                             GroupDebug::kMaxLevel + 8), 3, 3);
    p.setPen(QPen(kDarkGrey, 1));
    for (int level = 0; level <= GroupDebug::kMaxLevel; level += 32) {
        const int y = GroupDebug::kKnobBottom - level + 20;
        p.drawLine(slider.left() + 4, y, slider.left() + 9, y);
        p.drawLine(slider.right() - 9, y, slider.right() - 4, y);
    }
    const QRect knob = KnobRect();
    if (!knob.isEmpty()) {
        p.setPen(QPen(kDarkGrey, 1));
        p.setBrush(debug.dragging() ? QColor(0x9a, 0xb8, 0xdc) : QColor(0xdc, 0xe4, 0xee));
        p.drawRoundedRect(QRectF(knob).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
        p.setPen(QPen(QColor(0x60, 0x70, 0x80), 2));
        for (int dy = -6; dy <= 6; dy += 6) p.drawLine(knob.left() + 9, knob.center().y() + dy, knob.right() - 9,
                                                        knob.center().y() + dy);
    }

    QFont font = p.font();
    font.setPixelSize(14);
    font.setBold(true);
    p.setFont(font);
    // The level box reads like a green display.
    const QRect value = ControlRect(DebugControl::LevelValue);
    p.setPen(QPen(kDarkGrey, 1));
    p.setBrush(QColor(0x10, 0x28, 0x14));
    p.drawRect(QRectF(value).adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(kLed);
    QFont digits = font;
    digits.setPixelSize(20);
    p.setFont(digits);
    p.drawText(value, Qt::AlignCenter, LevelText());
    p.setFont(font);

    for (DebugControl c : {DebugControl::StepDown, DebugControl::StepUp, DebugControl::LevelOn, DebugControl::LevelOff,
                           DebugControl::GroupOn, DebugControl::GroupOff, DebugControl::Reset})
        DrawButton(p, ControlRect(c), ControlName(c), down(c));

    const bool pumpOn = debug.FirstSelectedOutputOn(state_.Snapshot());
    DrawState(p, ControlRect(DebugControl::PumpState), pumpOn ? QStringLiteral("开") : QStringLiteral("关"),
              pumpOn ? kPureGreen : kDarkGrey);
    DrawState(p, ControlRect(DebugControl::GroupState), ControlName(DebugControl::GroupState),
              debug.GroupStateOn() ? kPureGreen : kDarkGrey);

    const QColor current = ToQColor(debug.colour());
    DrawState(p, ControlRect(DebugControl::Swatch), ControlName(DebugControl::Swatch), current);
    for (const ColourToggle& t : kToggles) {
        const QRect r = ControlRect(t.control);
        const bool on = debug.ChannelOn(t.channel);
        p.setPen(QPen(down(t.control) ? Qt::white : kDarkGrey, 1));
        p.setBrush(t.fill);
        p.drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
        // The mark: a lit dot while the component is on, a hollow ring while off.
        const QRectF mark = QRectF(r).adjusted(9, 9, -9, -9);
        p.setPen(QPen(on ? Qt::white : kInk, 2));
        p.setBrush(on ? QBrush(Qt::white) : Qt::NoBrush);
        p.drawEllipse(mark);
    }

    for (DebugControl c : {DebugControl::MotorY, DebugControl::MotorZ}) {
        const QRect r = ControlRect(c);
        p.setPen(QPen(kDarkGrey, 1));
        p.setBrush(down(c) ? kButtonDown : kButton);
        p.drawRoundedRect(QRectF(r).adjusted(2.5, 2.5, -2.5, -2.5), 4, 4);
        DrawMotorGlyph(p, QRect(r.left() + 16, r.top() + 6, 48, 48));
        p.setPen(kInk);
        p.drawText(QRect(r.left(), r.bottom() - 24, r.width(), 20), Qt::AlignCenter, ControlName(c));
    }
}

}  // namespace velmora
