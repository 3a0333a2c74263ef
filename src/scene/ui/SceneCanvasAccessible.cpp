#include "scene/ui/SceneCanvasAccessible.h"

#include "runtime/Runtime.h"
#include "scene/ui/SceneCanvas.h"
#include "ui/AccessibleParts.h"

namespace velmora {

QString SpringAccessibleName(const CSpring& spring) {
    const std::pair<std::int32_t, const std::string*> outputs[] = {
        {spring.BLOCKID1, &spring.COMID1}, {spring.BLOCKID, &spring.COMID}, {spring.BLOCKID_L, &spring.COMID_L},
        {spring.BLOCKID2, &spring.COMID2}, {spring.BLOCKID3, &spring.COMID3},
    };
    for (const auto& [channel, address] : outputs) {
        if (channel >= 1 && !address->empty())
            return QStringLiteral("喷头 %1 CH[%2].%3").arg(spring.ID).arg(channel).arg(QString::fromStdString(*address));
    }
    return QStringLiteral("喷头 %1 未连接").arg(spring.ID);
}

namespace {

const QString kPropertiesAction = QStringLiteral("属性");

// Each spring a selectable item; pressing it selects it as a click on its
// circle would (only the selection changes: nothing is dragged).
class SceneCanvasAccessible final : public PartsAccessible {
public:
    explicit SceneCanvasAccessible(SceneCanvas* canvas)
        : PartsAccessible(canvas, QAccessible::Pane, QStringLiteral("场景编辑器")), canvas_(canvas) {}
    int PartCount() const override { return static_cast<int>(Springs().size()); }
    QAccessible::Role PartRole(int) const override { return QAccessible::ListItem; }
    QString PartText(int index, QAccessible::Text t) const override {
        const CSpring* spring = Spring(index);
        if (spring == nullptr) return {};
        if (t == QAccessible::Name) return SpringAccessibleName(*spring);
        if (t == QAccessible::Description) {
            const QString place = QStringLiteral("(%1, %2)").arg(spring->x).arg(spring->y);
            return spring->ADDR.empty() ? place : QString::fromStdString(spring->ADDR) + QLatin1Char(' ') + place;
        }
        return {};
    }
    QRect PartRect(int index) const override { return canvas_->SpringRect(static_cast<std::size_t>(index)); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State state;
        const CSpring* spring = Spring(index);
        if (spring == nullptr) return state;
        state.selectable = true;
        state.selected = canvas_->document().IsSpringSelected(spring->ID);
        if (!canvas_->ClientRect().intersects(PartRect(index))) state.offscreen = true;
        return state;
    }
    bool PartPressable(int index) const override { return Spring(index) != nullptr; }
    void PressPart(int index) override {
        const CSpring* spring = Spring(index);
        if (spring == nullptr) return;
        SceneDocument& doc = canvas_->document();
        doc.PressAt(spring->ID, spring->x, spring->y, false);
        doc.EndDrag();
        canvas_->update();
    }
    // "属性": the spring's property sheet, as the menu opens it on a spring
    // the right click selected.
    QStringList PartActions(int index) const override {
        return Spring(index) != nullptr ? QStringList{kPropertiesAction} : QStringList{};
    }
    void DoPartAction(int index, const QString& name) override {
        if (name != kPropertiesAction || Spring(index) == nullptr) return;
        PressPart(index);
        canvas_->OpenProperties();
    }

private:
    const std::vector<CSpring>& Springs() const { return canvas_->document().scene().springs; }
    const CSpring* Spring(int index) const {
        if (index < 0 || index >= static_cast<int>(Springs().size())) return nullptr;
        return &Springs()[static_cast<std::size_t>(index)];
    }

    SceneCanvas* canvas_;
};

}  // namespace

void InstallSceneCanvasAccessible() { InstallAccessibleFactory<SceneCanvas, SceneCanvasAccessible>(); }

}  // namespace velmora
