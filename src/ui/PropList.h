#pragma once
// The property list of every property dialog: a two-column grid ("name",
// "value") of PropItem rows whose value cells are edited in place by a small
// editor laid exactly over the cell. A click on a value cell opens the
// editor of the row's kind; leaving it (or Enter) commits by the row's rules
// (PropRules.h), Escape drops the typing. A spin step, an entry taken from a
// drop-down and a pop-up editor's result take effect at once. Rejected input leaves the old value
// without a message. Headings (kind 0) and information rows (kind 6) never
// open an editor, and a read-only list opens none at all.
//
// Every row is an accessible child of the list, named by its label with the
// value text as its value and description; editors are real widgets named by
// the row's label.
//
// Thread contract: UI thread.

#include <vector>

#include <QWidget>

#include "ui/PropItem.h"

class QScrollBar;

namespace velmora {

class PropEditor;

class PropList final : public QWidget {
    Q_OBJECT

public:
    explicit PropList(QWidget* parent = nullptr);
    ~PropList() override;

    // Appends a row; returns its position.
    int AddItem(PropItem item);
    // Removes every row (an open editor is dropped, not committed).
    void Clear();
    int ItemCount() const { return static_cast<int>(items_.size()); }
    // The row at `index` (0 = first added); the index must name a row.
    const PropItem& Item(int index) const;
    // The value text of the row at `index`; empty when there is no such row.
    QString GetItemValue(int index) const;
    // Sets a row's value from the program (no value-changed signal).
    void SetItemValue(int index, const QString& value);
    // Applies `text` to a row as if typed into its editor and committed:
    // false when the row's rules refuse it (or the list is read-only).
    bool EnterText(int index, const QString& text);

    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return readOnly_; }
    void SetColumnWidths(int nameWidth, int valueWidth);
    // The drawn width of column 0 (name) or 1 (value; it fills the rest of
    // the list when that is wider).
    int ColumnWidth(int column) const;

    // The selected row, -1 for none.
    int CurrentRow() const { return current_; }
    // Selects a row as a click would, emitting selectionChanged on a change.
    void SelectRow(int index);
    // What a click on the row's value cell does: selects the row and opens its
    // editor. False when the row has no editor or the list is read-only.
    bool OpenEditor(int index);
    // Commits or drops the typing of the open editor and hides it.
    void CommitEdit();
    void CancelEdit();
    // The open editor, or nullptr.
    PropEditor* OpenedEditor() const;
    int EditedRow() const { return editRow_; }

    // Rectangles in the list's coordinates (empty for no such row).
    QRect RowRect(int index) const;
    QRect NameRect(int index) const;
    QRect ValueRect(int index) const;
    int RowHeight() const { return rowHeight_; }
    // Scrolls so the row is in view.
    void EnsureVisible(int index);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // After an accepted change that differs from the old value.
    void valueChanged(int index);
    // After the selected row changed (by the user).
    void selectionChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int HeaderHeight() const { return rowHeight_; }
    int ScrollY() const;
    int RowAt(int y) const;
    QRect Viewport() const;
    void UpdateScrollBar();
    void CloseEditor(bool commit);
    void Commit(int index, const QString& accepted);
    void RunButton();
    void Step(int steps);
    void OnFocusChanged(QWidget* old, QWidget* now);
    bool NearDivider(const QPoint& pos) const;
    void NotifyAccessibility(int index, int eventType);

    std::vector<PropItem> items_;
    bool readOnly_ = false;
    int nameWidth_ = 100;
    int valueWidth_ = 120;
    int rowHeight_ = 22;
    int current_ = -1;
    int editRow_ = -1;
    bool draggingDivider_ = false;
    QScrollBar* scroll_;
    PropEditor* editor_;
};

}  // namespace velmora
