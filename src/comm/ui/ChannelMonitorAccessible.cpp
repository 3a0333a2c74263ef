#include "comm/ui/ChannelMonitorAccessible.h"

#include <vector>

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include "comm/ui/ChannelMonitorPane.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

class MonitorTableAccessible;

// One header or body cell. It keeps only its place: what it says is read
// from the pane each time, so it is always current.
class MonitorCellAccessible final : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    // `row` -1 is the column header.
    MonitorCellAccessible(MonitorTableAccessible* table, ChannelMonitorCanvas* canvas, int row, int column)
        : table_(table), canvas_(canvas), row_(row), column_(column) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return canvas_ ? canvas_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return row_ < 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override;

    int row() const { return row_; }
    int column() const { return column_; }

private:
    MonitorTableAccessible* table_;  // outlives its cells: it deletes them first
    QPointer<ChannelMonitorCanvas> canvas_;
    int row_;
    int column_;
};

class MonitorTableAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit MonitorTableAccessible(ChannelMonitorCanvas* canvas)
        : QAccessibleWidget(canvas, QAccessible::Table, canvas->accessibleName()), canvas_(canvas) {}
    ~MonitorTableAccessible() override {
        for (std::vector<QAccessible::Id>* ids : {&headers_, &cells_})
            for (const QAccessible::Id id : *ids)
                if (id != 0) QAccessible::deleteAccessibleInterface(id);
    }

    ChannelMonitorCanvas* canvas() const { return canvas_; }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return canvas_->accessibleName();
        return QAccessibleWidget::text(t);
    }

    // Children: the column headers, then the cells row by row. A hidden
    // pane (behind another tab, or closed) offers none to walk, so a reader
    // searching the window does not wade through a thousand unseen cells;
    // the table itself still answers for every cell.
    int childCount() const override { return canvas_->isVisible() ? columnCount() * (rowCount() + 1) : 0; }
    QAccessibleInterface* child(int index) const override {
        const int columns = columnCount();
        if (index < 0 || index >= columns * (rowCount() + 1)) return nullptr;
        if (index < columns) return headerAt(index);
        return cellAt(index / columns - 1, index % columns);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* cell = dynamic_cast<const MonitorCellAccessible*>(child);
        if (cell == nullptr || cell->parent() != this) return -1;
        return (cell->row() + 1) * columnCount() + cell->column();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = canvas_->mapFromGlobal(QPoint(x, y));
        if (!canvas_->rect().contains(local)) return nullptr;
        const int row = (local.y() + canvas_->pane().scrollY()) / kMonitorRowHeight;
        for (int c = 0; c < columnCount(); ++c)
            if (canvas_->CellRect(row, c).contains(local)) return cellAt(row, c);
        return nullptr;
    }

    // Table.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
        return Cached(cells_, static_cast<std::size_t>(row * columnCount() + column), row, column);
    }
    int columnCount() const override { return kMonitorTableColumns; }
    int rowCount() const override { return static_cast<int>(canvas_->pane().rows().size()); }
    QString columnDescription(int column) const override {
        if (column < 0 || column >= columnCount()) return {};
        return QString::fromUtf8(MonitorTableTitles()[static_cast<std::size_t>(column)]);
    }
    QString rowDescription(int row) const override { return canvas_->pane().RowSummary(row); }
    // The monitor is read, not edited: nothing is selected.
    int selectedCellCount() const override { return 0; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<QAccessibleInterface*> selectedCells() const override { return {}; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

    QAccessibleInterface* headerAt(int column) const {
        if (column < 0 || column >= columnCount()) return nullptr;
        return Cached(headers_, static_cast<std::size_t>(column), -1, column);
    }

private:
    // Cells are made when first asked for and registered, so the bridge
    // hands out the same object for the same place every time.
    QAccessibleInterface* Cached(std::vector<QAccessible::Id>& ids, std::size_t slot, int row, int column) const {
        if (ids.size() <= slot) ids.resize(slot + 1, 0);
        if (ids[slot] == 0) {
            auto* cell = new MonitorCellAccessible(const_cast<MonitorTableAccessible*>(this), canvas_, row, column);
            ids[slot] = QAccessible::registerAccessibleInterface(cell);
        }
        return QAccessible::accessibleInterface(ids[slot]);
    }

    ChannelMonitorCanvas* canvas_;
    mutable std::vector<QAccessible::Id> headers_;
    mutable std::vector<QAccessible::Id> cells_;
};

bool MonitorCellAccessible::isValid() const {
    return canvas_ && row_ < table_->rowCount() && column_ < table_->columnCount();
}

QAccessibleInterface* MonitorCellAccessible::parent() const { return table_; }
QAccessibleInterface* MonitorCellAccessible::table() const { return table_; }

QString MonitorCellAccessible::text(QAccessible::Text t) const {
    if (!isValid()) return {};
    if (t == QAccessible::Name) {
        if (row_ < 0) return table_->columnDescription(column_);
        return canvas_->pane().CellText(row_, column_);
    }
    // The row's link figures in one line, on the cell a reader lands on first.
    if (t == QAccessible::Description && row_ >= 0 && column_ == 0) return canvas_->pane().RowSummary(row_);
    return {};
}

QRect MonitorCellAccessible::rect() const {
    if (!isValid()) return {};
    if (row_ < 0) {
        QWidget* header = canvas_->pane().header();
        const QRect cell = canvas_->CellRect(0, column_);
        return QRect(header->mapToGlobal(QPoint(cell.left(), 0)), QSize(cell.width(), header->height()));
    }
    const QRect local = canvas_->CellRect(row_, column_);
    return QRect(canvas_->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State MonitorCellAccessible::state() const {
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    state.readOnly = true;
    if (row_ >= 0) {
        const QRect cell = canvas_->CellRect(row_, column_);
        if (!cell.intersects(canvas_->rect())) state.offscreen = true;
    }
    if (!canvas_->isVisible()) state.invisible = true;
    return state;
}

QList<QAccessibleInterface*> MonitorCellAccessible::columnHeaderCells() const {
    if (!isValid() || row_ < 0) return {};
    return {table_->headerAt(column_)};
}

}  // namespace

void InstallChannelMonitorAccessible() {
    InstallAccessibleFactory<ChannelMonitorCanvas, MonitorTableAccessible>();
}

}  // namespace velmora
