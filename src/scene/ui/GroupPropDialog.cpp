#include "scene/ui/GroupPropDialog.h"

#include <algorithm>

#include "document/SceneDocument.h"
#include "runtime/Runtime.h"
#include "scene/SpringGroup.h"
#include "ui/PropList.h"

namespace velmora {

namespace {

constexpr int kChannelMin = 0;  // 0 takes the channel away ("---")
constexpr int kChannelMax = 100;
constexpr int kPreTimeMin = 0;
constexpr int kPreTimeMax = 99999;  // ms
constexpr int kTextLimit = 40;

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

GroupPropDialog::GroupPropDialog(const CSpringGroup& group, QWidget* parent)
    : SheetDialog(QStringLiteral("属性"), parent), groupId_(group.ID) {
    const GroupSheet s = GroupSheetOf(group);
    PropList& rows = list();
    rows.AddItem(PropItem::Category(QStringLiteral("主要")));
    rows.AddItem(PropItem::Text(QStringLiteral("名称"), Q(s.name), kTextLimit));
    rows.AddItem(PropItem::Number(QStringLiteral("通道号"), Q(s.BLOCKID), kChannelMin, kChannelMax));
    rows.AddItem(PropItem::Text(QStringLiteral("通讯位置"), Q(s.COMID), kTextLimit));
    rows.AddItem(PropItem::Number(QStringLiteral("提前时间"), Q(s.nPreTime), kPreTimeMin, kPreTimeMax));
    rows.AddItem(PropItem::Check(QStringLiteral("强制手操"), group.bMannual == 1));
    rows.AddItem(PropItem::Category(QStringLiteral("组内元素")));
    for (const auto& [label, value] : GroupMemberRows(group)) rows.AddItem(PropItem::Info(Q(label), Q(value)));
    // Large groups scroll; the dialog stays a dialog.
    FitRows(std::min(rows.ItemCount(), 24));
}

GroupSheet GroupPropDialog::sheet() const {
    GroupSheet s;
    s.name = Value(kRowName);
    s.BLOCKID = Value(kRowChannel);
    s.COMID = Value(kRowAddress);
    s.nPreTime = Value(kRowPreTime);
    s.bMannual = Value(kRowManual);
    return s;
}

bool OpenGroupProperties(DesktopContext& context, std::int32_t groupId, QWidget* parent) {
    SceneDocument& doc = context.runtime.sceneDocument();
    const CSpringGroup* group = doc.scene().FindGroup(groupId);
    if (group == nullptr) return false;
    GroupPropDialog dialog(*group, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    return doc.EditGroup(groupId, dialog.sheet());
}

}  // namespace velmora
