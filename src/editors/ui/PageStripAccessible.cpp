#include "editors/ui/PageStripAccessible.h"

#include "editors/FrameAnimationEditor.h"
#include "editors/ui/PageStrip.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

class PageStripAccessible final : public PartsAccessible {
public:
    explicit PageStripAccessible(PageStripView* view)
        : PartsAccessible(view, QAccessible::List, QStringLiteral("页")), view_(view) {}

    int PartCount() const override { return view_->PageCount(); }
    QAccessible::Role PartRole(int) const override { return QAccessible::ListItem; }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t != QAccessible::Name) return {};
        const FRAME_PAGE& page = view_->editor().Page(index);
        QString name = QStringLiteral("第%1页 %2ms").arg(index + 1).arg(page.m_nDuration);
        if (page.m_bLoopStart != 0) name += QStringLiteral(" 循环开始");
        if (page.m_bLoopEnd != 0) name += QStringLiteral(" 循环结束");
        return name;
    }
    QRect PartRect(int index) const override { return view_->ColumnRect(index); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State s;
        s.selectable = true;
        s.selected = view_->editor().Page(index).m_reserved0 == 1;
        s.active = index == view_->editor().page();
        return s;
    }
    bool PartPressable(int) const override { return true; }
    void PressPart(int index) override { emit view_->clicked(index, false); }

private:
    PageStripView* view_;
};

}  // namespace

void InstallPageStripAccessible() { InstallAccessibleFactory<PageStripView, PageStripAccessible>(); }

}  // namespace velmora
