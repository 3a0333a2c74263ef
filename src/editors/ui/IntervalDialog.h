#pragma once
// The one-row sheet "主要" / "命令间隔(ms)" the asset editors share: the
// colour editor's 灯光 button edits the sequence's interval with it. The
// list refuses a value outside 100..999999.
//
// Thread contract: UI thread.

#include <cstdint>
#include <optional>

#include "scene/ui/SheetDialog.h"

namespace velmora {

class IntervalDialog final : public SheetDialog {
    Q_OBJECT

public:
    static constexpr std::int32_t kMinimum = 100;
    static constexpr std::int32_t kMaximum = 999999;

    IntervalDialog(const QString& caption, std::int32_t interval, QWidget* parent = nullptr);

    // The interval as read back from the list.
    std::int32_t interval() const;

    // Runs the sheet over `parent`; the interval on OK, nothing on Cancel.
    static std::optional<std::int32_t> Ask(const QString& caption, std::int32_t interval, QWidget* parent);

private:
    std::int32_t given_;
};

}  // namespace velmora
