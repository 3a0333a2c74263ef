#pragma once
// The frame the scene's property dialogs share: one property list over the
// buttons "确定" and "取消". Subclasses add the rows and read them back by
// position. OK commits typing still open in an editor first, so a value
// typed without leaving its cell counts however the dialog is closed;
// Cancel (or Escape, or closing the window) drops it.
//
// Thread contract: UI thread.

#include <string>

#include <QDialog>

namespace velmora {

class PropList;

class SheetDialog : public QDialog {
    Q_OBJECT

public:
    PropList& list() { return *list_; }
    const PropList& list() const { return *list_; }
    // The value text of row `row`, as UTF-8 (empty for no such row).
    std::string Value(int row) const;

    void accept() override;

protected:
    SheetDialog(const QString& caption, QWidget* parent);
    // Sizes the list to show `rows` rows (plus its header) without
    // scrolling; call once the rows are added.
    void FitRows(int rows);

private:
    PropList* list_;
};

}  // namespace velmora
