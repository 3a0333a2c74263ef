#include "editors/ui/FrameSettingsDialog.h"

#include <QVBoxLayout>

#include "ui/DialogButtons.h"
#include "ui/PropList.h"

namespace velmora {

namespace {

// The rows after the heading, in the list's order.
struct SettingRow {
    const char* label;
    std::int32_t FrameSettings::*field;
    int minimum, maximum;
};

const SettingRow kRows[] = {
    {"帧间隔(ms)", &FrameSettings::m_nInterval, FrameAnimationEditor::kMinInterval, FrameAnimationEditor::kMaxInterval},
    {"页数", &FrameSettings::m_nPageCount, 1, kMaxFramePages},
    {"每行", &FrameSettings::m_nCols, 1, kFrameGrid},
    {"每列", &FrameSettings::m_nRows, 1, kFrameGrid},
    {"坡度最大值", &FrameSettings::m_nSlopeMax, 0, FrameAnimationEditor::kMaxLevel},
    {"坡度最小值", &FrameSettings::m_nSlopeMin, 0, FrameAnimationEditor::kMaxLevel},
    {"递增递减值", &FrameSettings::m_nStep, 0, FrameAnimationEditor::kMaxLevel},
};

}  // namespace

FrameSettingsDialog::FrameSettingsDialog(const FrameSettings& settings, QWidget* parent)
    : QDialog(parent), start_(settings), list_(new PropList(this)) {
    setWindowTitle(QStringLiteral("配置"));
    list_->SetColumnWidths(110, 120);
    list_->AddItem(PropItem::Category(QStringLiteral("主要")));
    for (const SettingRow& row : kRows)
        list_->AddItem(PropItem::Number(QString::fromUtf8(row.label), settings.*row.field, row.minimum, row.maximum));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(MakeOkCancelButtons(*this));
    list_->setMinimumSize(110 + 120, list_->RowHeight() * 9);
}

FrameSettings FrameSettingsDialog::settings() const {
    FrameSettings s = start_;
    int index = 1;
    for (const SettingRow& row : kRows) {
        bool ok = false;
        const int value = list_->GetItemValue(index++).trimmed().toInt(&ok);
        if (ok) s.*row.field = value;
    }
    return s;
}

void FrameSettingsDialog::accept() {
    // Typing still in an editor counts, however the dialog was closed.
    list_->CommitEdit();
    QDialog::accept();
}

}  // namespace velmora
