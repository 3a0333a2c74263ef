#include "editors/ui/IntervalDialog.h"

#include "app/NumberText.h"
#include "ui/PropList.h"

namespace velmora {

namespace {
constexpr int kRowInterval = 1;
}  // namespace

IntervalDialog::IntervalDialog(const QString& caption, std::int32_t interval, QWidget* parent)
    : SheetDialog(caption, parent), given_(interval) {
    list().AddItem(PropItem::Category(QStringLiteral("主要")));
    list().AddItem(PropItem::Number(QStringLiteral("命令间隔(ms)"), interval, kMinimum, kMaximum));
    FitRows(2);
}

std::int32_t IntervalDialog::interval() const {
    // The list only takes numbers within the range; the row may still hold
    // the given value when that was outside it (a sequence's type 0).
    const std::string text = Value(kRowInterval);
    return text.empty() ? given_ : TextToInt(text);
}

std::optional<std::int32_t> IntervalDialog::Ask(const QString& caption, std::int32_t interval, QWidget* parent) {
    IntervalDialog dialog(caption, interval, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.interval();
}

}  // namespace velmora
