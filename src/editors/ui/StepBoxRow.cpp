#include "editors/ui/StepBoxRow.h"

#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "editors/MotorProgramEditor.h"
#include "editors/ui/StepBoxRowAccessible.h"

namespace velmora {

namespace {

constexpr int kGlyphPoints = 14;
constexpr int kValuePoints = 7;
constexpr int kValueLeft = 20;  // values start half-way into the box
constexpr int kGlyphTop = 10;

enum class Slot { Top, Middle, Bottom };

void DrawValue(QPainter& p, const QRect& box, Slot slot, std::int32_t value) {
    const int height = box.height() / 3;
    const int top = box.top() + height * static_cast<int>(slot);
    const QString text = QString::number(value);
    // Values start half-way into the box; a long one is pulled left so that
    // it stays inside the outline instead of running over the next box.
    const int room = box.width() - kValueLeft - 2;
    const int width = p.fontMetrics().horizontalAdvance(text);
    const int left = width <= room ? box.left() + kValueLeft : std::max(box.left() + 2, box.right() - 1 - width);
    p.drawText(QRect(left, top, box.right() - left, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
               text);
}

}  // namespace

StepBoxRow::StepBoxRow(const MotorProgramEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    InstallStepBoxRowAccessible();
    setAccessibleName(QStringLiteral("电机程序"));
    setFocusPolicy(Qt::StrongFocus);
}

int StepBoxRow::PerRow() const { return std::max(1, width() / kPitch); }

QRect StepBoxRow::BoxRect(int index) const {
    return {kLeft + kPitch * (index % PerRow()), kTop + kPitch * (index / PerRow()), kBox, kBox};
}

int StepBoxRow::StepAt(const QPoint& pos) const {
    if (editor_.showCompiled()) return -1;
    const int n = static_cast<int>(editor_.program().size());
    for (int i = 0; i < n; ++i)
        if (BoxRect(i).contains(pos)) return i;
    return -1;
}

int StepBoxRow::ContentHeight() const {
    const int n = static_cast<int>(editor_.shown().size());
    return (n + PerRow() - 1) / PerRow() * kPitch + kPitch;
}

void StepBoxRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    QFont glyphFont = font();
    glyphFont.setPointSize(kGlyphPoints);
    QFont valueFont = font();
    valueFont.setPointSize(kValuePoints);
    const auto& steps = editor_.shown();
    for (int i = 0; i < static_cast<int>(steps.size()); ++i) {
        const MotorBlock_struct& step = steps[static_cast<std::size_t>(i)];
        const QRect box = BoxRect(i);
        p.setPen(step.m_bSelected != 0 ? QPen(Qt::red, 2) : QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.setPen(Qt::black);
        p.setFont(glyphFont);
        p.drawText(QRect(box.left() + 2, box.top() + kGlyphTop - 6, kValueLeft - 2, box.height() - kGlyphTop),
                   Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(MotorStepGlyph(step.Act)));
        p.setFont(valueFont);
        switch (step.Act) {
            case kMotorRest: DrawValue(p, box, Slot::Top, step.p0); break;
            case kMotorMove:
                DrawValue(p, box, Slot::Top, step.p0);
                DrawValue(p, box, Slot::Bottom, step.p1);
                break;
            case kMotorReset: DrawValue(p, box, Slot::Top, step.p1); break;
            case kMotorLoopStart:
                DrawValue(p, box, Slot::Top, step.p0);
                DrawValue(p, box, Slot::Middle, step.p1);
                DrawValue(p, box, Slot::Bottom, step.p2);
                break;
            default: break;
        }
    }
}

void StepBoxRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked(StepAt(event->position().toPoint()));
}

void StepBoxRow::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = StepAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0) emit doubleClicked(index);
}

}  // namespace velmora

namespace velmora {

void StepBoxRow::keyPressEvent(QKeyEvent* event) {
    const int count = static_cast<int>(editor_.program().size());
    const int current = editor_.current();
    if (editor_.showCompiled() || count == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    int next = current;
    switch (event->key()) {
        case Qt::Key_Left: next = current < 0 ? 0 : current - 1; break;
        case Qt::Key_Right: next = current + 1; break;
        case Qt::Key_Up: next = current < 0 ? 0 : current - PerRow(); break;
        case Qt::Key_Down: next = current < 0 ? 0 : current + PerRow(); break;
        case Qt::Key_Home: next = 0; break;
        case Qt::Key_End: next = count - 1; break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (current >= 0) emit doubleClicked(current);
            return;
        default: QWidget::keyPressEvent(event); return;
    }
    next = std::clamp(next, 0, count - 1);
    if (next != current) emit clicked(next);
}

}  // namespace velmora
