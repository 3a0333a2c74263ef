#include "comm/ui/ChannelDialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "document/SceneDocument.h"
#include "runtime/Runtime.h"
#include "ui/PropList.h"
#include "ui/DialogButtons.h"

namespace velmora {

namespace {

// "at most 40 characters typed": the list accepts texts shorter than this.
constexpr int kIpTyped = static_cast<int>(ApplyChannelsCommand::kMaxTypedIp) + 1;
constexpr int kStartMin = 1, kStartMax = 99999;
constexpr int kPrevMin = -1;
constexpr int kValueColumn = 180;
constexpr int kInitialHeight = 520;

QString Q(const std::string& text) { return QString::fromStdString(text); }

const QStringList& RegTypeChoices() {
    static const QStringList choices{QStringLiteral("--"), QStringLiteral("寄存器"), QStringLiteral("电机"),
                                     QStringLiteral("灯光"), QStringLiteral("摇头灯")};
    return choices;
}

bool Same(const ChannelSheet& a, const ChannelSheet& b) {
    return a.IP == b.IP && a.port == b.port && a.regType == b.regType && a.tagNum == b.tagNum &&
           a.deviceID == b.deviceID && a.nStartNum == b.nStartNum && a.nPrevChannel == b.nPrevChannel;
}

}  // namespace

ChannelDialog::ChannelDialog(QWidget* parent) : QDialog(parent), list_(new PropList(this)) {
    setWindowTitle(QStringLiteral("通道"));
    list_->SetColumnWidths(kNameColumn, kValueColumn);

    auto* buttons = MakeOkCancelButtons(*this);

    auto* strip = new QWidget(this);
    strip->setFixedHeight(kButtonStrip);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(10, 0, 10, 0);
    stripLayout->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(list_, 1);
    layout->addWidget(strip);
    resize(list_->sizeHint().width() + 20, kInitialHeight);
}

void ChannelDialog::Fill(const ChannelTable& channels) {
    list_->Clear();
    shown_.clear();
    overLimit_.clear();
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelInfo& channel = channels[static_cast<std::size_t>(n - 1)];
        const ChannelSheet s = ChannelSheetOf(channel);
        list_->AddItem(PropItem::Category(QStringLiteral("通道%1").arg(n)));
        list_->AddItem(PropItem::Text(QStringLiteral("IP地址"), Q(s.IP), kIpTyped));
        list_->AddItem(PropItem::Text(QStringLiteral("端口号"), Q(s.port)));
        list_->AddItem(PropItem::Combo(QStringLiteral("数据类型"), Q(s.regType), RegTypeChoices()));
        list_->AddItem(PropItem::Number(QStringLiteral("测点数目"), Q(s.tagNum), 1, ApplyChannelsCommand::kMaxTagNum));
        list_->AddItem(PropItem::Text(QStringLiteral("设备号"), Q(s.deviceID)));
        list_->AddItem(PropItem::Spin(QStringLiteral("开始地址"), channel.nStartNum, kStartMin, kStartMax));
        list_->AddItem(PropItem::Spin(QStringLiteral("后置通道"), channel.nPrevChannel, kPrevMin, kChannelCount));
        shown_.push_back(s);
        overLimit_.push_back(channel.tagNum > ApplyChannelsCommand::kMaxTagNum);
    }
    list_->EnsureVisible(0);
}

ChannelSheet ChannelDialog::Sheet(int number) const {
    auto value = [&](Field field) { return list_->GetItemValue(Row(number, field)).toStdString(); };
    return ChannelSheet{value(kIp),       value(kPort),     value(kRegType),    value(kTagNum),
                        value(kDeviceID), value(kStartNum), value(kPrevChannel)};
}

std::vector<std::pair<int, ChannelSheet>> ChannelDialog::ChangedSheets() const {
    std::vector<std::pair<int, ChannelSheet>> changed;
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        ChannelSheet now = Sheet(number);
        if (overLimit_[i] || !Same(now, shown_[i])) changed.emplace_back(number, std::move(now));
    }
    return changed;
}

void ChannelDialog::accept() {
    // Typing still open in a cell counts, however OK was reached.
    list_->CommitEdit();
    QDialog::accept();
}

bool RunChannelDialog(DesktopContext& context, ChannelDialog& dialog) {
    SceneDocument& doc = context.runtime.sceneDocument();
    dialog.Fill(doc.scene().g_Channels);
    if (dialog.exec() != QDialog::Accepted) return false;
    const auto changed = dialog.ChangedSheets();
    return !changed.empty() && doc.ApplyChannels(changed);
}

}  // namespace velmora
