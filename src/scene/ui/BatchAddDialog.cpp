#include "scene/ui/BatchAddDialog.h"

#include <cmath>

#include "app/Prompter.h"
#include "document/SceneDocument.h"
#include "runtime/Runtime.h"
#include "ui/PropList.h"

namespace velmora {

namespace {

const QString kMatrix = QStringLiteral("矩阵");
const QString kCircle = QStringLiteral("圆形");

// The whole number a spin row's text reads as; the rows only accept numbers
// within their bounds, so `fallback` is for a text that is none at all.
std::int32_t WholeOf(const QString& text, std::int32_t fallback) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 2147483647.0) return fallback;
    return static_cast<std::int32_t>(std::trunc(value));
}

}  // namespace

BatchAddDialog::BatchAddDialog(QWidget* parent) : SheetDialog(QStringLiteral("批量"), parent) {
    const BatchSettings defaults;
    PropList& rows = list();
    rows.AddItem(PropItem::Category(QStringLiteral("选项")));
    rows.AddItem(PropItem::Spin(QStringLiteral("每行"), defaults.perRow, kBatchMinCount, kBatchMaxCount));
    rows.AddItem(PropItem::Spin(QStringLiteral("每列"), defaults.perColumn, kBatchMinCount, kBatchMaxCount));
    rows.AddItem(PropItem::Combo(QStringLiteral("排练方式"), kMatrix, {kMatrix, kCircle}));
    rows.AddItem(PropItem::Spin(QStringLiteral("宽度"), defaults.width, kBatchMinExtent, kBatchMaxExtent));
    rows.AddItem(PropItem::Spin(QStringLiteral("高度"), defaults.height, kBatchMinExtent, kBatchMaxExtent));
    FitRows(rows.ItemCount());
}

BatchSettings BatchAddDialog::settings() const {
    const BatchSettings defaults;
    const PropList& rows = list();
    BatchSettings c;
    c.perRow = WholeOf(rows.GetItemValue(kRowPerRow), defaults.perRow);
    c.perColumn = WholeOf(rows.GetItemValue(kRowPerColumn), defaults.perColumn);
    // Any text but "矩阵" (the combo takes typed text too) means the circle.
    c.circle = rows.GetItemValue(kRowLayout) != kMatrix;
    c.width = WholeOf(rows.GetItemValue(kRowWidth), defaults.width);
    c.height = WholeOf(rows.GetItemValue(kRowHeight), defaults.height);
    return c;
}

bool RunBatchAdd(DesktopContext& context, QWidget* parent) {
    SceneDocument& doc = context.runtime.sceneDocument();
    if (doc.mode() == SceneDocument::kWatch) {
        context.prompter.Tell(kBatchInWatchMode);
        return false;
    }
    BatchAddDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    // The springs and their group are one step; the document says itself
    // why settings that place nothing are refused.
    return doc.BatchAdd(dialog.settings());
}

}  // namespace velmora
