#include "media/ui/ProgramPropDialog.h"

#include <cmath>

#include <QVBoxLayout>

#include "ui/PropList.h"
#include "ui/DialogButtons.h"

namespace velmora {

namespace {

constexpr int kNameLimit = 40;  // characters of a program name
constexpr int kUnitMin = 50, kUnitMax = 5000;
constexpr int kPowerMin = 0, kPowerMax = 100;
constexpr int kNumMin = 60, kNumMax = 300;

// The integer a row's text reads as (accepted texts are numbers; a decimal
// one is cut, as a decimal conversion reads it); `fallback` for any other.
std::int32_t IntegerOf(const QString& text, std::int32_t fallback) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 2147483647.0) return fallback;
    return static_cast<std::int32_t>(std::trunc(value));
}

}  // namespace

bool IsProgramName(const QString& name) {
    if (name.trimmed().isEmpty()) return false;
    if (name.endsWith(u'.') || name.endsWith(u' ')) return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringView(u"\\/:*?\"<>|").contains(c)) return false;
    }
    return true;
}

ProgramPropDialog::ProgramPropDialog(Mode mode, const QString& name, const ProgParams& params, QWidget* parent)
    : QDialog(parent), mode_(mode), givenName_(name), given_(params), list_(new PropList(this)) {
    setWindowTitle(QStringLiteral("程控文件属性"));
    list_->SetColumnWidths(100, 120);

    list_->AddItem(PropItem::Category(QStringLiteral("主要")));
    if (mode_ == Mode::Create) {
        // The list accepts texts shorter than its limit, so 40 characters need 41.
        PropItem nameRow = PropItem::Text(QStringLiteral("名称"), name, kNameLimit + 1);
        nameRow.accepts = IsProgramName;
        list_->AddItem(std::move(nameRow));
        list_->AddItem(PropItem::Spin(QStringLiteral("单元格（MS）"), params.unitMS, kUnitMin, kUnitMax));
    } else {
        list_->AddItem(PropItem::Info(QStringLiteral("名称"), name));
        list_->AddItem(PropItem::Info(QStringLiteral("单元格（MS）"), QString::number(params.unitMS)));
    }
    list_->AddItem(PropItem::Spin(QStringLiteral("力度[0-100]"), params.power, kPowerMin, kPowerMax));
    list_->AddItem(PropItem::Spin(QStringLiteral("数目"), params.num, kNumMin, kNumMax));

    auto* buttons = MakeOkCancelButtons(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    list_->setMinimumSize(100 + 120, list_->RowHeight() * (list_->ItemCount() + 1) + 2);
    resize(sizeHint().width() + 40, sizeHint().height());
}

QString ProgramPropDialog::name() const {
    return mode_ == Mode::Create ? list_->GetItemValue(kRowName) : givenName_;
}

ProgParams ProgramPropDialog::params() const {
    ProgParams p;
    p.unitMS = mode_ == Mode::Create ? IntegerOf(list_->GetItemValue(kRowUnitMS), given_.unitMS) : given_.unitMS;
    p.power = IntegerOf(list_->GetItemValue(kRowPower), given_.power);
    p.num = IntegerOf(list_->GetItemValue(kRowNum), given_.num);
    return p;
}

PropList& ProgramPropDialog::list() { return *list_; }

void ProgramPropDialog::accept() {
    // Typing still in an editor counts, however the dialog was closed.
    list_->CommitEdit();
    QDialog::accept();
}

}  // namespace velmora
