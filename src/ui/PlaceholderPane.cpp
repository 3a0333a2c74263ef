#include "ui/PlaceholderPane.h"

#include <QLabel>
#include <QVBoxLayout>

namespace velmora {

PlaceholderPane::PlaceholderPane(const QString& title, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(title, this);
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    heading->setFont(font);
    auto* note = new QLabel(QStringLiteral("此窗格尚未实现。"), this);
    note->setWordWrap(true);
    layout->addWidget(heading);
    layout->addWidget(note);
    layout->addStretch(1);
}

}  // namespace velmora
