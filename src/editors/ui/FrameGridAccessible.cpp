#include "editors/ui/FrameGridAccessible.h"

#include <algorithm>

#include "editors/FrameAnimationEditor.h"
#include "editors/ui/FrameGrid.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

class FrameGridAccessible final : public PartsAccessible {
public:
    explicit FrameGridAccessible(FrameGrid* grid)
        : PartsAccessible(grid, QAccessible::List, QStringLiteral("帧")), grid_(grid) {}

    int PartCount() const override { return Cols() * grid_->editor().settings().m_nRows; }
    QAccessible::Role PartRole(int) const override { return QAccessible::ListItem; }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return QStringLiteral("行%1 列%2 电平%3").arg(Row(index) + 1).arg(Col(index) + 1).arg(Level(index));
        if (t == QAccessible::Value) return QString::number(Level(index));
        return {};
    }
    QRect PartRect(int index) const override { return FrameGrid::CellRect(Row(index), Col(index)); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State s;
        s.selectable = true;
        s.selected = CellSelected(grid_->editor().Cell(Row(index), Col(index)));
        return s;
    }
    bool PartPressable(int) const override { return true; }
    void PressPart(int index) override { emit grid_->clicked(Row(index), Col(index), false, false); }
    QVariant PartMinimum(int) const override { return 0; }
    QVariant PartMaximum(int) const override { return FrameAnimationEditor::kMaxLevel; }
    QVariant PartValue(int index) const override { return Level(index); }
    void SetPartValue(int index, const QVariant& value) override {
        bool ok = false;
        const int level = value.toInt(&ok);
        if (ok) emit grid_->levelEntered(Row(index), Col(index), level);
    }

private:
    int Cols() const { return std::max(1, grid_->editor().settings().m_nCols); }
    int Row(int index) const { return index / Cols(); }
    int Col(int index) const { return index % Cols(); }
    int Level(int index) const { return grid_->editor().Cell(Row(index), Col(index)).m_nLevel; }

    FrameGrid* grid_;
};

}  // namespace

void InstallFrameGridAccessible() { InstallAccessibleFactory<FrameGrid, FrameGridAccessible>(); }

}  // namespace velmora
