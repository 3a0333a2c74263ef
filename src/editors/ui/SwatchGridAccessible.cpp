#include "editors/ui/SwatchGridAccessible.h"

#include "editors/ColourSequenceEditor.h"
#include "editors/ui/SwatchGrid.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

const QString kEditAction = QStringLiteral("编辑");

class SwatchGridAccessible final : public PartsAccessible {
public:
    explicit SwatchGridAccessible(SwatchGrid* grid)
        : PartsAccessible(grid, QAccessible::List, QStringLiteral("颜色序列")), grid_(grid) {}

    int PartCount() const override { return static_cast<int>(grid_->editor().colours().size()); }
    QAccessible::Role PartRole(int) const override { return QAccessible::ListItem; }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t != QAccessible::Name) return {};
        return ColourName(grid_->editor().colours()[static_cast<std::size_t>(index)].colour);
    }
    QRect PartRect(int index) const override { return grid_->SwatchRect(index); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State s;
        s.selectable = true;
        s.selected = index == grid_->editor().current();
        return s;
    }
    bool PartPressable(int) const override { return true; }
    void PressPart(int index) override { emit grid_->clicked(index); }
    QStringList PartActions(int) const override { return {kEditAction}; }
    void DoPartAction(int index, const QString& name) override {
        if (name == kEditAction) emit grid_->doubleClicked(index);
    }

private:
    SwatchGrid* grid_;
};

}  // namespace

void InstallSwatchGridAccessible() { InstallAccessibleFactory<SwatchGrid, SwatchGridAccessible>(); }

}  // namespace velmora
