#include "manual/ui/GroupDebugAccessible.h"

#include "manual/ui/GroupDebugTool.h"
#include "manual/ui/GroupMemberSelector.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

class MemberSelectorAccessible final : public PartsAccessible {
public:
    explicit MemberSelectorAccessible(GroupMemberSelector* selector)
        : PartsAccessible(selector, QAccessible::List, selector->accessibleName()), selector_(selector) {}

    int PartCount() const override { return static_cast<int>(selector_->state().debug.memberCount()); }
    QAccessible::Role PartRole(int /*index*/) const override { return QAccessible::ListItem; }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t == QAccessible::Name) return selector_->CellName(Index(index));
        if (t == QAccessible::Description) return selector_->CellDescription(Index(index));
        return {};
    }
    QRect PartRect(int index) const override { return selector_->CellRect(Index(index)); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        const QRect cell = PartRect(index);
        if (cell.bottom() < 0 || cell.top() >= selector_->height()) state.offscreen = true;
        state.selectable = true;
        state.selected = selector_->state().debug.IsSelected(Index(index));
        return state;
    }
    bool PartPressable(int /*index*/) const override { return true; }
    void PressPart(int index) override { selector_->PressCell(Index(index)); }

private:
    static std::size_t Index(int index) { return static_cast<std::size_t>(index); }
    GroupMemberSelector* selector_;
};

class DebugToolAccessible final : public PartsAccessible {
public:
    explicit DebugToolAccessible(GroupDebugTool* tool)
        : PartsAccessible(tool, QAccessible::Pane, tool->accessibleName()), tool_(tool) {}

    int PartCount() const override { return kDebugControlCount; }
    QAccessible::Role PartRole(int index) const override {
        switch (Control(index)) {
            case DebugControl::Slider: return QAccessible::Slider;
            case DebugControl::LevelValue:
            case DebugControl::PumpState:
            case DebugControl::GroupState: return QAccessible::StaticText;
            default: return QAccessible::Button;
        }
    }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t == QAccessible::Name) return tool_->AccessibleName(Control(index));
        if (t == QAccessible::Description) return tool_->ControlDescription(Control(index));
        if (t == QAccessible::Value && Control(index) == DebugControl::Slider) return tool_->LevelText();
        return {};
    }
    QRect PartRect(int index) const override { return GroupDebugTool::ControlRect(Control(index)); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        const DebugControl control = Control(index);
        const GroupDebug& debug = tool_->state().debug;
        if (control == DebugControl::Slider && !debug.AnySelected()) state.disabled = true;
        if (control == DebugControl::Red || control == DebugControl::Green || control == DebugControl::Blue) {
            state.checkable = true;
            const ColourChannel channel = control == DebugControl::Red     ? ColourChannel::Red
                                          : control == DebugControl::Green ? ColourChannel::Green
                                                                           : ColourChannel::Blue;
            state.checked = debug.ChannelOn(channel);
        }
        if (control == DebugControl::GroupState || control == DebugControl::PumpState) state.readOnly = true;
        return state;
    }
    bool PartPressable(int index) const override { return GroupDebugTool::Pressable(Control(index)); }
    void PressPart(int index) override { tool_->Press(Control(index)); }

    // Only the level slider carries a value; a null minimum says so to the others.
    QVariant PartValue(int index) const override {
        if (Control(index) != DebugControl::Slider) return {};
        const std::optional<std::int32_t> level = tool_->state().debug.ShownLevel();
        return level ? QVariant(*level) : QVariant();
    }
    QVariant PartMinimum(int index) const override {
        return Control(index) == DebugControl::Slider ? QVariant(0) : QVariant();
    }
    QVariant PartMaximum(int index) const override {
        return Control(index) == DebugControl::Slider ? QVariant(GroupDebug::kMaxLevel) : QVariant();
    }
    void SetPartValue(int index, const QVariant& value) override {
        if (Control(index) != DebugControl::Slider) return;
        bool ok = false;
        const int level = value.toInt(&ok);
        if (ok) tool_->SetSliderLevel(level);
    }

private:
    static DebugControl Control(int index) { return static_cast<DebugControl>(index); }
    GroupDebugTool* tool_;
};

}  // namespace

void InstallGroupDebugAccessible() {
    InstallAccessibleFactory<GroupMemberSelector, MemberSelectorAccessible>();
    InstallAccessibleFactory<GroupDebugTool, DebugToolAccessible>();
}

}  // namespace velmora
