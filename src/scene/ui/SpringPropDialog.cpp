#include "scene/ui/SpringPropDialog.h"

#include <utility>

#include "document/SceneDocument.h"
#include "manual/ui/MotorFineTuneDialog.h"
#include "runtime/Runtime.h"
#include "scene/Spring.h"
#include "ui/PropList.h"

namespace velmora {

namespace {

// Channels are numbered 1..100; 0 takes a channel away (shown "---").
constexpr int kChannelMin = 0;
constexpr int kChannelMax = 100;
constexpr int kAngleMin = -360;
constexpr int kAngleMax = 360;
// Text rows of the property dialogs hold texts shorter than 40 characters.
// The address limit is the core's on OK: a longer text keeps the old one.
constexpr int kTextLimit = 40;

QString Q(const std::string& text) { return QString::fromStdString(text); }

PropItem Channel(const std::string& text) {
    return PropItem::Number(QStringLiteral("通道号"), Q(text), kChannelMin, kChannelMax);
}

PropItem Address(const std::string& text) { return PropItem::Text(QStringLiteral("通讯位置"), Q(text), kTextLimit); }

}  // namespace

SpringPropDialog::SpringPropDialog(DesktopContext& context, const CSpring& spring, QWidget* parent,
                                   MotorZeroingHook zeroing)
    : SheetDialog(QStringLiteral("属性"), parent),
      context_(context),
      springId_(spring.ID),
      zeroing_(std::move(zeroing)) {
    const SpringSheet s = SpringSheetOf(spring);
    PropList& rows = list();
    rows.AddItem(PropItem::Category(QStringLiteral("主要")));
    rows.AddItem(PropItem::Info(QStringLiteral("名称"), QString::number(spring.ID)));
    rows.AddItem(PropItem::Category(QStringLiteral("模拟量")));
    rows.AddItem(Channel(s.BLOCKID));
    rows.AddItem(Address(s.COMID));
    rows.AddItem(PropItem::Category(QStringLiteral("开关量")));
    rows.AddItem(Channel(s.BLOCKID1));
    rows.AddItem(Address(s.COMID1));
    rows.AddItem(PropItem::Number(QStringLiteral("初始角度"), Q(s.ORGANGLEY), kAngleMin, kAngleMax));
    rows.AddItem(PropItem::Category(QStringLiteral("Y轴电机")));
    rows.AddItem(Channel(s.BLOCKID2));
    rows.AddItem(Address(s.COMID2));
    rows.AddItem(PropItem::Category(QStringLiteral("Z轴电机")));
    rows.AddItem(Channel(s.BLOCKID3));
    rows.AddItem(Address(s.COMID3));
    rows.AddItem(PropItem::Category(QStringLiteral("电机标零")));
    // The pickers produce no value: the fine-tune dialog drives the motor
    // itself, so an empty result leaves the row as it is.
    rows.AddItem(PropItem::Popup(QStringLiteral("Y轴"), QString(), [this](QWidget*, const QString&) {
        Zero(1);
        return QString();
    }));
    rows.AddItem(PropItem::Popup(QStringLiteral("Z轴"), QString(), [this](QWidget*, const QString&) {
        Zero(0);
        return QString();
    }));
    rows.AddItem(PropItem::Category(QStringLiteral("灯光")));
    rows.AddItem(Channel(s.BLOCKID_L));
    rows.AddItem(Address(s.COMID_L));
    FitRows(rows.ItemCount());
}

SpringSheet SpringPropDialog::sheet() const {
    SpringSheet s;
    s.BLOCKID = Value(kRowChannel);
    s.COMID = Value(kRowAddress);
    s.BLOCKID1 = Value(kRowChannel1);
    s.COMID1 = Value(kRowAddress1);
    s.ORGANGLEY = Value(kRowAngle);
    s.BLOCKID2 = Value(kRowChannel2);
    s.COMID2 = Value(kRowAddress2);
    s.BLOCKID3 = Value(kRowChannel3);
    s.COMID3 = Value(kRowAddress3);
    s.BLOCKID_L = Value(kRowChannelL);
    s.COMID_L = Value(kRowAddressL);
    return s;
}

void SpringPropDialog::Zero(int axis) {
    emit zeroingRequested(axis);
    if (zeroing_)
        zeroing_(this, springId_, axis);
    else
        OpenMotorFineTune(context_, springId_, axis, false, this);
}

bool OpenSpringProperties(DesktopContext& context, std::int32_t springId, QWidget* parent,
                          MotorZeroingHook zeroing) {
    SceneDocument& doc = context.runtime.sceneDocument();
    const CSpring* spring = doc.scene().FindSpring(springId);
    if (spring == nullptr) return false;
    SpringPropDialog dialog(context, *spring, parent, std::move(zeroing));
    if (dialog.exec() != QDialog::Accepted) return false;
    // The dialog ran its own event loop; the document finds the spring by ID
    // again and does nothing when it is gone.
    return doc.EditSpring(springId, dialog.sheet());
}

}  // namespace velmora
