#include "editors/ui/SwatchGrid.h"

#include <QMouseEvent>
#include <QPainter>

#include "editors/ColourSequenceEditor.h"
#include "editors/ui/SwatchGridAccessible.h"
#include "ui/ColorRef.h"

namespace velmora {

QString ColourName(unsigned colour) {
    return ToQColor(colour).name().toUpper();
}

SwatchGrid::SwatchGrid(const ColourSequenceEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    InstallSwatchGridAccessible();
    setAccessibleName(QStringLiteral("颜色序列"));
    setFocusPolicy(Qt::StrongFocus);
}

int SwatchGrid::PerRow() const { return std::max(1, width() / kPitch); }

QRect SwatchGrid::SwatchRect(int index) const {
    const int row = index / PerRow();
    const int col = index % PerRow();
    return {kLeft + kPitch * col, kTop + kPitch * row, kSwatch, kSwatch};
}

int SwatchGrid::SwatchAt(const QPoint& pos) const {
    const int n = static_cast<int>(editor_.colours().size());
    for (int i = 0; i < n; ++i)
        if (SwatchRect(i).contains(pos)) return i;
    return -1;
}

int SwatchGrid::ContentHeight() const {
    const int n = static_cast<int>(editor_.colours().size());
    const int rows = (n + PerRow() - 1) / PerRow();
    return rows * kPitch + kPitch;
}

void SwatchGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const auto& colours = editor_.colours();
    for (int i = 0; i < static_cast<int>(colours.size()); ++i) {
        const QRect r = SwatchRect(i);
        p.fillRect(r, QColor(ColourName(colours[static_cast<std::size_t>(i)].colour)));
        const bool current = i == editor_.current();
        p.setPen(current ? QPen(Qt::red, 2) : QPen(Qt::black, 1));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void SwatchGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked(SwatchAt(event->position().toPoint()));
}

void SwatchGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = SwatchAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0) emit doubleClicked(index);
}

}  // namespace velmora
