#include "scene/ui/SheetDialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/PropList.h"

namespace velmora {

namespace {
constexpr int kNameWidth = 110;
constexpr int kValueWidth = 170;
}  // namespace

SheetDialog::SheetDialog(const QString& caption, QWidget* parent) : QDialog(parent), list_(new PropList(this)) {
    setWindowTitle(caption);
    list_->SetColumnWidths(kNameWidth, kValueWidth);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SheetDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SheetDialog::reject);

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
