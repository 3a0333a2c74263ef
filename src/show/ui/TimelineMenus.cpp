#include "show/ui/TimelineMenus.h"

#include <QMenu>

#include "document/ShowDocument.h"
#include "engine/AssetCaches.h"
#include "engine/MusicWav.h"
#include "media/Transport.h"

namespace velmora {

void AddLayerMenu(QMenu& menu, ShowDocument& document, std::int32_t row) {
    QMenu* choose = menu.addMenu(QStringLiteral("选择"));
    ShowDocument* doc = &document;
    choose->addAction(QStringLiteral("NULL"), &menu, [doc, row] { doc->UnbindRow(row); });
    // Groups are named by ID, not by position: the scene may change while
    // the menu is open.
    for (const CSpringGroup& group : document.scene().groups) {
        const std::int32_t id = group.ID;
        QMenu* sub = choose->addMenu(QString::fromStdString(group.name));
        sub->addAction(QStringLiteral("选择组"), &menu, [doc, row, id] { doc->BindRow(row, id); });
        sub->addAction(QStringLiteral("展开组"), &menu, [doc, row, id] { doc->ExpandGroup(row, id); });
    }
    choose->addAction(QStringLiteral("子程序"), &menu, [doc, row] { doc->MakeProgramRow(row); });
}

void AddBlockMenu(QMenu& menu, ShowDocument& document, Prompter& prompter) {
    ShowDocument* doc = &document;
    Prompter* ask = &prompter;
    menu.addAction(QStringLiteral("删除"), &menu, [doc, ask] { doc->DeleteSelected(*ask); });
    menu.addAction(QStringLiteral("复制"), &menu, [doc] { doc->CopySelection(); });
    menu.addAction(QStringLiteral("锁定"), &menu, [doc] { doc->SetLocked(false, true); });
    menu.addAction(QStringLiteral("解锁"), &menu, [doc] { doc->SetLocked(false, false); });
}

void AddAreaMenu(QMenu& menu, ShowDocument& document, float pasteX) {
    ShowDocument* doc = &document;
    QAction* paste = menu.addAction(QStringLiteral("粘贴"), &menu, [doc, pasteX] { doc->Paste(pasteX); });
    paste->setEnabled(!document.clipboard().empty());
    menu.addAction(QStringLiteral("更新电机动作"), &menu, [doc] { doc->UpdateMotorActions(); });
    menu.addAction(QStringLiteral("更新CSV缓存动作"), &menu, [doc] { doc->caches().ClearLight512Cache(); });
    menu.addAction(QStringLiteral("全部上锁"), &menu, [doc] { doc->SetLocked(true, true); });
    menu.addAction(QStringLiteral("全部解锁"), &menu, [doc] { doc->SetLocked(true, false); });
}

void AddZoomItems(QMenu& menu, CMusicWav& wav, std::int32_t scale, std::function<void()> changed) {
    CMusicWav* target = &wav;
    const auto add = [&](const QString& text, std::int32_t next) {
        QAction* action = menu.addAction(text, &menu, [target, next, changed] {
            if (target->SetScale(next) && changed) changed();
        });
        action->setEnabled(next != scale);
    };
    add(QStringLiteral("放大"), ScaleFiner(scale));
    add(QStringLiteral("缩小"), ScaleCoarser(scale));
}

}  // namespace velmora
