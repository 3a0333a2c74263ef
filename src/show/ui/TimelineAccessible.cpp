#include "show/ui/TimelineAccessible.h"

#include "document/ShowDocument.h"
#include "runtime/Runtime.h"
#include "show/ui/BlockLooks.h"
#include "show/ui/TimelineArea.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

// The layer rows, then the blocks, as accessible items: a row by its name,
// a block by its row, kind and times, selected and locked as states (a
// locked block reads as read-only: it cannot be moved or resized). Pressing
// a block selects it as a click on its body would.
class TimelineAccessible final : public PartsAccessible {
public:
    explicit TimelineAccessible(TimelineArea* area)
        : PartsAccessible(area, QAccessible::Pane, QStringLiteral("时间轴")), area_(area) {}
    int PartCount() const override { return area_->rowCount() + static_cast<int>(Blocks().size()); }
    QAccessible::Role PartRole(int index) const override {
        return index < area_->rowCount() ? QAccessible::ListItem : QAccessible::Cell;
    }
    QString PartText(int index, QAccessible::Text t) const override {
        const int rows = area_->rowCount();
        if (index < rows) {
            if (t == QAccessible::Name) return area_->RowName(index);
            if (t == QAccessible::Description) return QStringLiteral("第%1层").arg(index + 1);
            return {};
        }
        const TimeBlock* block = Block(index);
        if (block == nullptr) return {};
        if (t == QAccessible::Name) {
            const double scale = Runtime().show.m_nScale;
            const char* label = LookOf(*block, false).label;
            return QStringLiteral("第%1层 %2 %3–%4")
                .arg(block->cannel + 1)
                .arg(*label ? QString::fromLatin1(label) : QStringLiteral("时间块"))
                .arg(TimeText(block->start * scale), TimeText(block->end * scale));
        }
        if (t == QAccessible::Description) return block->m_bLocked ? QStringLiteral("已锁定") : QString();
        return {};
    }
    QRect PartRect(int index) const override {
        if (index < area_->rowCount()) return area_->NameCell(index);
        return area_->BlockRect(static_cast<std::size_t>(index - area_->rowCount())).toAlignedRect();
    }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        const QRect rect = PartRect(index);
        const bool block = index >= area_->rowCount();
        const bool outside = rect.bottom() < 0 || rect.top() >= area_->height() ||
                             (block && (rect.right() < TimelineArea::kNameColumn ||
                                        rect.left() >= TimelineArea::kNameColumn + area_->visibleWidth()));
        if (outside) state.offscreen = true;
        if (const TimeBlock* block = Block(index)) {
            const std::size_t i = static_cast<std::size_t>(index - area_->rowCount());
            state.selectable = true;
            state.selected = Runtime().showDocument().IsSelected(i);
            state.readOnly = block->m_bLocked != 0;
        }
        return state;
    }
    bool PartPressable(int index) const override { return Block(index) != nullptr; }
    void PressPart(int index) override {
        if (Block(index) == nullptr) return;
        Runtime().showDocument().PressBlock(static_cast<std::size_t>(index - area_->rowCount()));
        area_->update();
    }

private:
    velmora::Runtime& Runtime() const { return area_->context().runtime; }
    const std::vector<TimeBlock>& Blocks() const { return Runtime().show.blocks; }
    const TimeBlock* Block(int index) const {
        const int k = index - area_->rowCount();
        if (k < 0 || k >= static_cast<int>(Blocks().size())) return nullptr;
        return &Blocks()[static_cast<std::size_t>(k)];
    }

    TimelineArea* area_;
};

}  // namespace

void InstallTimelineAccessible() { InstallAccessibleFactory<TimelineArea, TimelineAccessible>(); }

}  // namespace velmora
