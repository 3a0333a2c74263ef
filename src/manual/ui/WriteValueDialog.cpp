#include "manual/ui/WriteValueDialog.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/DialogButtons.h"

namespace velmora {

namespace {
constexpr int kFieldWidth = 220;
}  // namespace

WriteValueDialog::WriteValueDialog(const QString& text, QWidget* parent)
    : QDialog(parent), field_(new QLineEdit(text, this)) {
    setWindowTitle(QStringLiteral("写值"));
    setAccessibleName(windowTitle());
    // The line has no label of its own; it is the value being written.
    field_->setAccessibleName(QStringLiteral("值"));
    field_->setMinimumWidth(kFieldWidth);
    field_->selectAll();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(field_);
    layout->addWidget(MakeOkCancelButtons(*this));
}

QString WriteValueDialog::text() const { return field_->text(); }

std::optional<QString> WriteValueDialog::Ask(const QString& text, QWidget* parent) {
    WriteValueDialog dialog(text, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.text();
}

}  // namespace velmora
