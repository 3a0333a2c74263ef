#include "scene/ui/GroupListAccessible.h"

#include "scene/ui/GroupListPane.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

class GroupListAccessible final : public PartsAccessible {
public:
    explicit GroupListAccessible(GroupListCanvas* canvas)
        : PartsAccessible(canvas, QAccessible::Tree, canvas->accessibleName()), canvas_(canvas) {}

    int PartCount() const override { return static_cast<int>(Pane().rows().size()); }
    QAccessible::Role PartRole(int /*index*/) const override { return QAccessible::TreeItem; }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t == QAccessible::Name) return Pane().RowName(index);
        if (t == QAccessible::Description && IsGroup(index)) return Pane().RowText(index);
        return {};
    }
    QRect PartRect(int index) const override { return canvas_->BandRect(index); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        const QRect band = PartRect(index);
        if (band.bottom() < 0 || band.top() >= canvas_->height()) state.offscreen = true;
        state.selectable = true;
        state.focusable = true;
        state.selected = Pane().selectedRow() == index;
        state.focused = state.selected && canvas_->hasFocus();
        if (IsGroup(index)) {
            state.expandable = true;
            const bool collapsed = Pane().IsCollapsed(Pane().rows()[static_cast<std::size_t>(index)].groupID);
            state.collapsed = collapsed;
            state.expanded = !collapsed;
        }
        return state;
    }
    bool PartPressable(int /*index*/) const override { return true; }
    void PressPart(int index) override { Pane().SelectRow(index); }

private:
    GroupListPane& Pane() const { return canvas_->pane(); }
    bool IsGroup(int index) const {
        const auto& rows = Pane().rows();
        return index >= 0 && index < static_cast<int>(rows.size()) &&
               rows[static_cast<std::size_t>(index)].kind == GroupRow::kGroup;
    }

    GroupListCanvas* canvas_;
};

}  // namespace

void InstallGroupListAccessible() { InstallAccessibleFactory<GroupListCanvas, GroupListAccessible>(); }

}  // namespace velmora
