#include "scene/ui/SheetDialog.h"

#include <QVBoxLayout>

#include "ui/PropList.h"
#include "ui/DialogButtons.h"

namespace velmora {

namespace {
constexpr int kNameWidth = 110;
constexpr int kValueWidth = 170;
}  // namespace

SheetDialog::SheetDialog(const QString& caption, QWidget* parent) : QDialog(parent), list_(new PropList(this)) {
    setWindowTitle(caption);
    list_->SetColumnWidths(kNameWidth, kValueWidth);

    auto* buttons = MakeOkCancelButtons(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
}

std::string SheetDialog::Value(int row) const { return list_->GetItemValue(row).toStdString(); }

void SheetDialog::FitRows(int rows) {
    // The header row counts as one more, the frame as a couple of pixels.
    list_->setMinimumSize(kNameWidth + kValueWidth, list_->RowHeight() * (rows + 1) + 2);
    resize(sizeHint().width() + 40, sizeHint().height());
}

void SheetDialog::accept() {
    list_->CommitEdit();
    QDialog::accept();
}

}  // namespace velmora
