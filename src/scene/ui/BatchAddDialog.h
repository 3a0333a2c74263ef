#pragma once
// "批量": many springs at once, as a matrix of 每行 × 每列 springs or as 每列
// springs around a circle (an ellipse when width and height differ), all
// then made one default group. The dialog only collects the five values;
// RunBatchAdd hands them to the scene document, which places the springs and
// makes the group as one undoable step.
//
// Thread contract: UI thread.

#include <cstdint>

#include "scene/ui/SheetDialog.h"
#include "ui/DesktopContext.h"

namespace velmora {

// Said instead of opening the dialog while the canvas is in watch mode, where
// no spring may be added.
inline constexpr const char* kBatchInWatchMode = "监视模式下不能添加喷头，请先切换到编辑模式";

// The dialog's five values, read back on OK.
struct BatchChoice {
    std::int32_t perRow = 5;     // "每行": C
    std::int32_t perColumn = 5;  // "每列": R
    bool circle = false;         // "排练方式" other than "矩阵"
    std::int32_t width = 100;    // "宽度": W, canvas pixels
    std::int32_t height = 100;   // "高度": H
};

class BatchAddDialog final : public SheetDialog {
    Q_OBJECT

public:
    // Row positions in the list.
    static constexpr int kRowPerRow = 1;
    static constexpr int kRowPerColumn = 2;
    static constexpr int kRowLayout = 3;
    static constexpr int kRowWidth = 4;
    static constexpr int kRowHeight = 5;

    static constexpr int kCountMin = 1, kCountMax = 50;
    static constexpr int kSizeMin = 1, kSizeMax = 500;

    explicit BatchAddDialog(QWidget* parent = nullptr);

    BatchChoice choice() const;
};

// Opens the dialog over `parent` and, on OK, adds the springs and their
// group. True when the scene changed; false for Cancel, and in watch mode,
// where the operator is told why instead.
bool RunBatchAdd(DesktopContext& context, QWidget* parent);

}  // namespace velmora
