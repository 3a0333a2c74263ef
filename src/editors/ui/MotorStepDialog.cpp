#include "editors/ui/MotorStepDialog.h"

#include <QVBoxLayout>

#include "app/NumberText.h"
#include "editors/MotorProgramEditor.h"
#include "ui/DialogButtons.h"
#include "ui/PropList.h"

namespace velmora {

namespace {
constexpr int kColumn = 100;
}  // namespace

MotorStepDialog::MotorStepDialog(const MotorBlock_struct& step, QWidget* parent)
    : QDialog(parent), list_(new PropList(this)) {
    setWindowTitle(QStringLiteral("电机动作属性"));
    list_->SetColumnWidths(kColumn, kColumn);
    list_->AddItem(PropItem::Category(QStringLiteral("主要")));
    list_->AddItem(PropItem::Info(QStringLiteral("动作类型"), QString::number(step.Act)));
    const std::array<std::string, 3> labels = MotorStepLabels(step.Act);
    const std::array<std::int32_t, 3> values{step.p0, step.p1, step.p2};
    for (std::size_t i = 0; i < labels.size(); ++i)
        list_->AddItem(PropItem::Spin(QString::fromStdString(labels[i]), values[i], MotorProgramEditor::kMinParameter,
                                      MotorProgramEditor::kMaxParameter));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(MakeOkCancelButtons(*this));
    list_->setMinimumSize(2 * kColumn + 4, list_->RowHeight() * (list_->ItemCount() + 1) + 2);
    resize(sizeHint().width() + 20, sizeHint().height());
}

std::array<std::int32_t, 3> MotorStepDialog::values() const {
    std::array<std::int32_t, 3> out{};
    for (int i = 0; i < 3; ++i) out[static_cast<std::size_t>(i)] = TextToInt(list_->GetItemValue(kRowFirstValue + i).toStdString());
    return out;
}

void MotorStepDialog::accept() {
    // Typing still in an editor counts, however the dialog was closed.
    list_->CommitEdit();
    QDialog::accept();
}

}  // namespace velmora
