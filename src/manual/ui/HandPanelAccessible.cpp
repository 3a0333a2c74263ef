#include "manual/ui/HandPanelAccessible.h"

#include "manual/ui/HandPanelPane.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

class HandPanelAccessible final : public PartsAccessible {
public:
    explicit HandPanelAccessible(HandPanelCanvas* canvas)
        : PartsAccessible(canvas, QAccessible::Grouping, canvas->accessibleName()), canvas_(canvas) {}

    int PartCount() const override { return static_cast<int>(Pane().cells().size()); }
    QAccessible::Role PartRole(int /*index*/) const override { return QAccessible::Button; }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t == QAccessible::Name) return Pane().CellName(index);
        if (t == QAccessible::Description) return Pane().CellDescription(index);
        return {};
    }
    QRect PartRect(int index) const override { return canvas_->CellRect(index); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        const QRect cell = PartRect(index);
        if (cell.isEmpty() || cell.bottom() < 0 || cell.top() >= canvas_->height()) state.offscreen = true;
        // Plain push buttons: whether the group is on is in the description,
        // as the engine reports it, not a state the button keeps.
        const HandCellView* view = Cell(index);
        state.disabled = view != nullptr && !view->live;
        state.focusable = true;
        state.focused = index == Pane().currentCell() && canvas_->hasFocus();
        return state;
    }
    bool PartPressable(int index) const override {
        const HandCellView* view = Cell(index);
        return view != nullptr && view->live;
    }
    void PressPart(int index) override { Pane().ToggleCell(index); }
    // Both actions are those of the mouse, which a locked cell ignores.
    QStringList PartActions(int index) const override {
        if (!PartPressable(index)) return {};
        return {QAccessibleActionInterface::showMenuAction()};
    }
    void DoPartAction(int index, const QString& name) override {
        if (name == QAccessibleActionInterface::showMenuAction()) Pane().OpenGroupDebug(index);
    }

private:
    HandPanelPane& Pane() const { return canvas_->pane(); }
    const HandCellView* Cell(int index) const {
        const auto& cells = Pane().cells();
        if (index < 0 || index >= static_cast<int>(cells.size())) return nullptr;
        return &cells[static_cast<std::size_t>(index)];
    }

    HandPanelCanvas* canvas_;
};

}  // namespace

void InstallHandPanelAccessible() { InstallAccessibleFactory<HandPanelCanvas, HandPanelAccessible>(); }

}  // namespace velmora
