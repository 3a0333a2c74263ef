#include "manual/ui/MovingHeadPane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/NumberText.h"
#include "ui/PropList.h"

namespace velmora {

namespace {

constexpr int kNameWidth = 150;
constexpr int kValueWidth = 300;
constexpr int kByteMax = 255;

QString Hex(const MovingHeadParams& params) {
    return QString::fromStdString(MovingHeadHex(ComposeMovingHeadRecord(params)));
}

}  // namespace

MovingHeadPane::MovingHeadPane(DesktopContext& context, const QString& title, QWidget* parent)
    : QWidget(parent), list_(new PropList(this)) {
    (void)context;  // the pane only computes text
    setAccessibleName(title);
    list_->SetColumnWidths(kNameWidth, kValueWidth);
    list_->AddItem(PropItem::Category(QStringLiteral("参数")));
    for (const char* name : {"X轴", "Y轴", "XY轴速度", "开光", "颜色", "半色", "复位"})
        list_->AddItem(PropItem::Spin(QString::fromUtf8(name), 0, 0, kByteMax));
    list_->AddItem(PropItem::Category(QStringLiteral("输出")));
    list_->AddItem(PropItem::Text(QStringLiteral("16进制"), Hex({})));

    copy_ = new QAction(QStringLiteral("复制"), this);
    connect(copy_, &QAction::triggered, this, &MovingHeadPane::CopyHex);
    list_->addAction(copy_);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);

    copyButton_ = new QPushButton(copy_->text(), this);
    copyButton_->setAccessibleName(copy_->text());
    connect(copyButton_, &QPushButton::clicked, this, &MovingHeadPane::CopyHex);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(copyButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(list_, &PropList::valueChanged, this, &MovingHeadPane::OnValueChanged);
}

MovingHeadParams MovingHeadPane::params() const {
    auto value = [this](int row) { return TextToInt(list_->GetItemValue(row).toStdString()); };
    MovingHeadParams p;
    p.x = value(1);
    p.y = value(2);
    p.xySpeed = value(3);
    p.shutter = value(4);
    p.colour = value(5);
    p.halfColour = value(6);
    p.reset = value(7);
    return p;
}

QString MovingHeadPane::hexText() const { return list_->GetItemValue(kRowHex); }

void MovingHeadPane::OnValueChanged(int index) {
    // The output row's own edits are the operator's to keep (or copy).
    if (index < kRowFirstParam || index > kRowLastParam) return;
    list_->SetItemValue(kRowHex, Hex(params()));
}

void MovingHeadPane::CopyHex() {
    list_->CommitEdit();
    QApplication::clipboard()->setText(hexText());
}

}  // namespace velmora
