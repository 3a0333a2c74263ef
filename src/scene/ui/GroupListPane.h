#pragma once
// The group element panel: every group of the scene with its member springs
// and their device addresses, in a custom-painted list under a 28-pixel
// toolbar ("属性", "删除") with a 20-pixel scroll bar at its right. The
// operator selects a row, drags a member up or down within its group,
// collapses or expands a group at its "+"/"-" glyph, opens the group's or the
// member's properties, deletes a group or removes a member from one.
//
// Every edit goes through the scene document (so it can be undone and the
// engine never sees half of it); the pane keeps only view state: the
// selected row, which groups are collapsed, and the member drag in progress.
// It repaints when the document says something changed.
//
// Thread contract: UI thread.

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include <QFont>
#include <QWidget>

#include "scene/ui/GroupListRows.h"
#include "ui/DesktopContext.h"

class QAction;
class QScrollBar;
class QToolBar;

namespace velmora {

inline constexpr int kGroupToolBarHeight = 28;
inline constexpr int kGroupScrollBarWidth = 20;
inline constexpr int kGroupLineStep = 10;
inline constexpr int kGroupWheelStep = 30;
inline constexpr int kGroupNameX = 12;
inline constexpr int kMemberTextX = 20;
inline constexpr const char* kGroupPropertiesText = "属性";
inline constexpr const char* kGroupDeleteText = "删除";
inline constexpr const char* kDeleteGroupQuestion = "确定删除？（此操作不可恢复！）";
inline constexpr const char* kRemoveMemberQuestion = "确定从组内移除？（此操作不会删除原始点！）";

class SceneDocument;
class GroupListPane;

// The painted rows; its accessible interface is the rows.
class GroupListCanvas final : public QWidget {
    Q_OBJECT
public:
    explicit GroupListCanvas(GroupListPane& pane);

    GroupListPane& pane() const { return pane_; }
    // The row whose band holds content y, -1 for the gaps and below the list.
    int RowAt(int contentY) const;
    // The row's band in canvas coordinates (may lie outside the visible part).
    QRect BandRect(int row) const;
    // Where a group row's "+"/"-" glyph takes the release that toggles it.
    QRect ExpanderRect(int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    GroupListPane& pane_;
};

class GroupListPane final : public QWidget {
    Q_OBJECT
public:
    GroupListPane(DesktopContext& context, const QString& title, QWidget* parent = nullptr);
    ~GroupListPane() override;

    DesktopContext& context() const { return context_; }
    QToolBar* toolBar() const { return toolBar_; }
    QAction* propertiesCommand() const { return properties_; }
    QAction* deleteCommand() const { return delete_; }
    GroupListCanvas* canvas() const { return canvas_; }
    QScrollBar* scrollBar() const { return scrollBar_; }
    int scrollPosition() const;

    const std::vector<GroupRow>& rows() const { return rows_; }
    // The selected row as it is now, -1 when none or when what was selected
    // is gone (a stale selection, on which the commands do nothing).
    int selectedRow() const;
    bool IsCollapsed(std::int32_t groupID) const { return collapsed_.contains(groupID); }
    // What a row shows (a group's name, a member's addresses).
    QString RowText(int row) const;
    // A group row's name with its member count, as assistive technology reads it.
    QString RowName(int row) const;

    // Selects the row (or nothing for -1), as a click on it does.
    void SelectRow(int row);
    // Collapses or expands the group of a group row.
    void ToggleRow(int row);
    // "属性" and "删除" on the selected row.
    void OpenProperties();
    void DeleteSelected();

protected:
    void showEvent(QShowEvent* event) override;

private:
    friend class GroupListCanvas;

    SceneDocument& document() const;
    void Refresh();
    void UpdateScrollRange();
    void UpdateCommands();
    void Scroll(int pixels);
    void ScrollIntoView(int row);
    void Press(int contentY);
    void DragTo(int contentY);
    void Release(const QPoint& canvasPos);
    void MoveSelection(int step);
    void Collapse(bool collapse);
    void NotifySelection(int row);
    // Keeps the selected row's index with the selection and the rows.
    void SetSelected(std::optional<GroupRow> row);

    DesktopContext& context_;
    QToolBar* toolBar_;
    QAction* properties_;
    QAction* delete_;
    GroupListCanvas* canvas_;
    QScrollBar* scrollBar_;
    QFont font_;
    std::size_t listener_ = 0;

    std::vector<GroupRow> rows_;
    std::set<std::int32_t> collapsed_;  // view state: the scene file keeps no such flag
    std::optional<GroupRow> selected_;
    int selectedRow_ = -1;
    bool dragging_ = false;
    std::uint64_t dragGesture_ = 0;
};

}  // namespace velmora
