#pragma once
// "属性": the properties of one time block in a property list. The rows
// follow the block's action type; any accepted change reads every row back
// into the dialog's copy of the block and rebuilds the list, so choosing
// another action type shows that type's rows at once while the values typed
// before stay in the copy. Motor programs, frame animations and colour
// sequences are picked from the files of the workspace's asset folders (a
// name may also be typed) or made in their editors, which the row's button
// opens on the named file; the 512-light table with a file dialog on the
// "512Light" folder; the block stores bare file names.
//
// OK leaves the result in edited(); the show itself changes only through
// EditBlockProperties (one undoable step of the show document).
//
// Thread contract: UI thread.

#include <cstddef>
#include <string>
#include <vector>

#include <QDialog>

#include "show/BlockRows.h"
#include "show/TimeBlock.h"
#include "ui/DesktopContext.h"

namespace velmora {

class PropList;

class BlockPropertiesDialog final : public QDialog {
    Q_OBJECT

public:
    // Edits a copy of the show's block `blockIndex` (a default block when
    // there is no such block).
    BlockPropertiesDialog(DesktopContext& context, std::size_t blockIndex, QWidget* parent = nullptr);

    // The copy with every row's current value read back.
    TimeBlock edited() const;
    PropList& list() { return *list_; }
    // The rows the list shows now.
    const std::vector<BlockRow>& rows() const { return rows_; }

    void accept() override;

private:
    void Rebuild();
    void OnValueChanged(int index);
    std::vector<std::string> Values() const;

    DesktopContext& context_;
    TimeBlock copy_;
    std::int32_t scale_;
    std::vector<std::string> programNames_;
    std::vector<BlockRow> rows_;
    PropList* list_;
};

// Runs the dialog over `parent` on the show's block `blockIndex` and, on
// OK, hands the result to the show document. True when the document took
// it; false for Cancel, no such block, or a show replaced while the dialog
// was open.
bool EditBlockProperties(DesktopContext& context, std::size_t blockIndex, QWidget* parent);

}  // namespace velmora
