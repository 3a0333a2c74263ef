#include "editors/ui/MotorConfigDialog.h"

#include <QVBoxLayout>

#include "app/NumberText.h"
#include "editors/MotorProgramEditor.h"
#include "ui/DialogButtons.h"
#include "ui/PropList.h"

namespace velmora {

namespace {

constexpr int kNameColumn = 100;
constexpr int kValueColumn = 120;

// Characters an address text may hold: a host name or a dotted address.
bool IsAddressText(const QString& text) {
    if (text.trimmed().isEmpty()) return false;
    for (const QChar c : text.trimmed())
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u':') || c.unicode() > 0x7f) return false;
    return true;
}

std::int32_t Int(const PropList& list, int row) { return TextToInt(list.GetItemValue(row).toStdString()); }

}  // namespace

MotorConfigDialog::MotorConfigDialog(std::int32_t interval, const MotorTestSetup& setup, QWidget* parent)
    : QDialog(parent), list_(new PropList(this)) {
    setWindowTitle(QStringLiteral("配置"));
    const MotorTestSetup s = setup.Bounded();
    list_->SetColumnWidths(kNameColumn, kValueColumn);
    list_->AddItem(PropItem::Category(QStringLiteral("主要")));
    list_->AddItem(PropItem::Spin(QStringLiteral("命令间隔(ms)"), interval, MotorProgramEditor::kMinInterval,
                                  MotorProgramEditor::kMaxInterval));
    list_->AddItem(PropItem::Category(QStringLiteral("测试控制器")));
    PropItem address = PropItem::Text(QStringLiteral("地址"), QString::fromStdString(s.address),
                                      static_cast<int>(MotorTestSetup::kMaxAddress) + 1);
    address.accepts = IsAddressText;
    list_->AddItem(std::move(address));
    list_->AddItem(PropItem::Number(QStringLiteral("端口"), s.port, 1, 65535));
    list_->AddItem(PropItem::Number(QStringLiteral("站号"), s.unitID, 0, 255));
    list_->AddItem(PropItem::Number(QStringLiteral("起始地址"), s.startAddr, 1, 65536));
    list_->AddItem(PropItem::Spin(QStringLiteral("电机数"), s.motorCount, 1, MotorTestSetup::kMaxMotors));
    list_->AddItem(PropItem::Spin(QStringLiteral("错开(ms)"), s.stagger, 0, MotorTestSetup::kMaxStagger, 100));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(MakeOkCancelButtons(*this));
    list_->setMinimumSize(kNameColumn + kValueColumn + 4, list_->RowHeight() * (list_->ItemCount() + 1) + 2);
    resize(sizeHint().width() + 20, sizeHint().height());
}

std::int32_t MotorConfigDialog::interval() const { return Int(*list_, kRowInterval); }

MotorTestSetup MotorConfigDialog::setup() const {
    MotorTestSetup s;
    s.address = list_->GetItemValue(kRowAddress).trimmed().toStdString();
    s.port = Int(*list_, kRowPort);
    s.unitID = Int(*list_, kRowUnit);
    s.startAddr = Int(*list_, kRowStartAddr);
    s.motorCount = Int(*list_, kRowMotors);
    s.stagger = Int(*list_, kRowStagger);
    return s.Bounded();
}

void MotorConfigDialog::accept() {
    list_->CommitEdit();
    QDialog::accept();
}

}  // namespace velmora
