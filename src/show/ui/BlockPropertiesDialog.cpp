#include "show/ui/BlockPropertiesDialog.h"

#include <QFileInfo>
#include <QVBoxLayout>

#include "app/Workspace.h"
#include "editors/ui/AssetEditors.h"
#include "media/ProgramList.h"
#include "runtime/Runtime.h"
#include "show/AssetChoices.h"
#include "ui/PropList.h"
#include "ui/DialogButtons.h"

namespace velmora {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QStringList QList(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& text : texts) list << Q(text);
    return list;
}

QString FolderOf(const Workspace& workspace, const char* name) {
    return QString::fromStdString(workspace.AssetDir(name).string());
}

// The file dialog opens in the "512Light" folder (on the chosen file when it
// is there); the block keeps the file's name only, as every asset name.
PropItem CsvPicker(const BlockRow& row, const Workspace& workspace) {
    const QString folder = FolderOf(workspace, "512Light");
    PropItem item = PropItem::FileName(Q(row.label), Q(row.value), folder, QStringLiteral("CSV Files (*.csv)"));
    PropPopupEditor pick = item.editor;
    item.editor = [pick, folder](QWidget* parent, const QString& current) {
        const std::string name = StoredFileName(current.toStdString());
        const QString start = name.empty() ? QString() : folder + QLatin1Char('/') + Q(name);
        const QString chosen = pick(parent, start);
        return chosen.isEmpty() ? chosen : QFileInfo(chosen).fileName();
    };
    return item;
}

PropItem ItemFor(const BlockRow& row, DesktopContext& context) {
    const Workspace& workspace = context.runtime.workspace();
    switch (row.kind) {
        case BlockRowKind::Heading: return PropItem::Category(Q(row.label));
        case BlockRowKind::ReadOnly: return PropItem::Info(Q(row.label), Q(row.value));
        case BlockRowKind::Choice: return PropItem::List(Q(row.label), Q(row.value), QList(row.choices));
        case BlockRowKind::Number:
        case BlockRowKind::Decimal: return PropItem::Number(Q(row.label), Q(row.value), row.minimum, row.maximum);
        case BlockRowKind::MotorPicker: return AssetPickerRow(context, AssetKind::Motor, Q(row.label), Q(row.value));
        case BlockRowKind::FramePicker: return AssetPickerRow(context, AssetKind::Frame, Q(row.label), Q(row.value));
        case BlockRowKind::LightPicker: return AssetPickerRow(context, AssetKind::Colour, Q(row.label), Q(row.value));
        case BlockRowKind::CsvFile: return CsvPicker(row, workspace);
    }
    return PropItem::Category(Q(row.label));
}

}  // namespace

BlockPropertiesDialog::BlockPropertiesDialog(DesktopContext& context, std::size_t blockIndex, QWidget* parent)
    : QDialog(parent), context_(context), scale_(context.runtime.show.m_nScale), list_(new PropList(this)) {
    setWindowTitle(QStringLiteral("属性"));
    const auto& blocks = context_.runtime.show.blocks;
    if (blockIndex < blocks.size()) copy_ = blocks[blockIndex];
    for (const CProgramList::program& entry : context_.runtime.g_pProgramList->m_list)
        programNames_.push_back(entry.name);

    list_->SetColumnWidths(120, 160);
    connect(list_, &PropList::valueChanged, this, &BlockPropertiesDialog::OnValueChanged);
    Rebuild();

    auto* buttons = MakeOkCancelButtons(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    list_->setMinimumSize(120 + 160, list_->RowHeight() * 24);
    resize(sizeHint().width() + 40, sizeHint().height());
}

std::vector<std::string> BlockPropertiesDialog::Values() const {
    std::vector<std::string> values;
    values.reserve(static_cast<std::size_t>(list_->ItemCount()));
    for (int i = 0; i < list_->ItemCount(); ++i) values.push_back(list_->GetItemValue(i).toStdString());
    return values;
}

TimeBlock BlockPropertiesDialog::edited() const {
    TimeBlock block = copy_;
    ReadBlockRows(rows_, Values(), block);
    return block;
}

void BlockPropertiesDialog::Rebuild() {
    rows_ = BlockRowsFor(copy_, scale_, programNames_);
    list_->Clear();
    for (const BlockRow& row : rows_) list_->AddItem(ItemFor(row, context_));
}

void BlockPropertiesDialog::OnValueChanged(int index) {
    if (index == static_cast<int>(ActionTypeRow()))
        copy_.nSpecicalType = ActionTypeOf(list_->GetItemValue(index).toStdString());
    else
        ReadBlockRows(rows_, Values(), copy_);
    Rebuild();
    list_->EnsureVisible(index);
}

void BlockPropertiesDialog::accept() {
    // Typing still in an editor counts, however the dialog was closed.
    list_->CommitEdit();
    copy_ = edited();
    QDialog::accept();
}

bool EditBlockProperties(DesktopContext& context, std::size_t blockIndex, QWidget* parent) {
    if (blockIndex >= context.runtime.show.blocks.size()) return false;
    BlockPropertiesDialog dialog(context, blockIndex, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    // The dialog ran its own event loop: another entry's show may have been
    // loaded meanwhile. The edit belongs to the block it was opened on only.
    const auto& blocks = context.runtime.show.blocks;
    const TimeBlock edited = dialog.edited();
    if (blockIndex >= blocks.size() || blocks[blockIndex].m_nSerial != edited.m_nSerial) return false;
    // Even an unchanged block is applied: OK is how the operator has the
    // block's motor program or frame animation read again after editing it.
    return context.runtime.showDocument().SetBlockProperties(blockIndex, edited);
}

}  // namespace velmora
