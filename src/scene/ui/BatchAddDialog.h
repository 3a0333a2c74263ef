#pragma once
// "批量": many springs at once, as a matrix of 每行 × 每列 springs or as 每列
// springs around a circle (an ellipse when width and height differ), all
// then made one default group. The dialog only collects the five values;
// RunBatchAdd hands them to the scene document, which places the springs and
// makes the group as one undoable step.
//
// Thread contract: UI thread.

#include "scene/BatchPlacement.h"
#include "scene/ui/SheetDialog.h"
#include "ui/DesktopContext.h"

namespace velmora {

// Said instead of opening the dialog while the canvas is in watch mode, where
// no spring may be added.
inline constexpr const char* kBatchInWatchMode = "监视模式下不能添加喷头，请先切换到编辑模式";

class BatchAddDialog final : public SheetDialog {
    Q_OBJECT

public:
    // Row positions in the list.
    static constexpr int kRowPerRow = 1;
    static constexpr int kRowPerColumn = 2;
    static constexpr int kRowLayout = 3;
    static constexpr int kRowWidth = 4;
    static constexpr int kRowHeight = 5;

    explicit BatchAddDialog(QWidget* parent = nullptr);

    // The five values as read back on OK.
    BatchSettings settings() const;
};

// Opens the dialog over `parent` and, on OK, adds the springs and their
// group. True when the scene changed; false for Cancel, and in watch mode,
// where the operator is told why instead.
bool RunBatchAdd(DesktopContext& context, QWidget* parent);

}  // namespace velmora
