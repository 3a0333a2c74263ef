#include "comm/ui/ChannelMonitorAccessible.h"

#include "comm/ui/ChannelMonitorPane.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

class ChannelMonitorAccessible final : public PartsAccessible {
public:
    explicit ChannelMonitorAccessible(ChannelMonitorCanvas* canvas)
        : PartsAccessible(canvas, QAccessible::List, canvas->accessibleName()), canvas_(canvas) {}

    int PartCount() const override { return static_cast<int>(canvas_->pane().rows().size()); }
    QAccessible::Role PartRole(int /*index*/) const override { return QAccessible::ListItem; }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t == QAccessible::Name) return canvas_->pane().RowName(index);
        if (t == QAccessible::Description) return canvas_->pane().RowSummary(index);
        return {};
    }
    QRect PartRect(int index) const override { return canvas_->RowRect(index); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        const QRect band = PartRect(index);
        if (band.bottom() < 0 || band.top() >= canvas_->height()) state.offscreen = true;
        state.readOnly = true;
        return state;
    }

private:
    ChannelMonitorCanvas* canvas_;
};

}  // namespace

void InstallChannelMonitorAccessible() {
    InstallAccessibleFactory<ChannelMonitorCanvas, ChannelMonitorAccessible>();
}

}  // namespace velmora
