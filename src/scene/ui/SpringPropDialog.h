#pragma once
// "属性" of one spring: its channels and addresses for the pump, the valve,
// the two motors and the light, its initial angle, and the two motor
// zeroing pickers. A channel below 1 shows "---", as does an address without
// a register number; a "---" left as it is keeps the field on OK.
//
// The dialog only edits texts. OK leaves them in sheet(); the scene changes
// through OpenSpringProperties (one undoable step of the scene document),
// where the core applies the "---" keeps, the 7-character address limit and
// the whole-degree angle.
//
// The pickers "Y轴" (axis 1) and "Z轴" (axis 0) act at once, not on OK: they
// call the zeroing hook given at construction, which opens the motor
// fine-tune dialog. Without a hook they open it themselves (not live: the
// engine issues the command).
//
// Thread contract: UI thread.

#include <cstdint>
#include <functional>

#include "document/SpringCommands.h"
#include "scene/ui/SheetDialog.h"
#include "ui/DesktopContext.h"

namespace velmora {

struct CSpring;

// Opens the motor fine-tune dialog over `parent` for the spring `springId`
// and `axis` (1 = Y-axis motor, BLOCKID2/COMID2; 0 = Z-axis motor).
using MotorZeroingHook = std::function<void(QWidget* parent, std::int32_t springId, int axis)>;

class SpringPropDialog final : public SheetDialog {
    Q_OBJECT

public:
    // Row positions in the list.
    static constexpr int kRowName = 1;
    static constexpr int kRowChannel = 3, kRowAddress = 4;     // "模拟量"
    static constexpr int kRowChannel1 = 6, kRowAddress1 = 7;   // "开关量"
    static constexpr int kRowAngle = 8;
    static constexpr int kRowChannel2 = 10, kRowAddress2 = 11; // "Y轴电机"
    static constexpr int kRowChannel3 = 13, kRowAddress3 = 14; // "Z轴电机"
    static constexpr int kRowZeroY = 16, kRowZeroZ = 17;       // "电机标零"
    static constexpr int kRowChannelL = 19, kRowAddressL = 20; // "灯光"

    SpringPropDialog(DesktopContext& context, const CSpring& spring, QWidget* parent = nullptr,
                     MotorZeroingHook zeroing = {});

    std::int32_t springId() const { return springId_; }
    // The rows OK reads back, as texts.
    SpringSheet sheet() const;

signals:
    // A zeroing picker was used (axis 1 = Y, 0 = Z), before the hook runs.
    void zeroingRequested(int axis);

private:
    void Zero(int axis);

    DesktopContext& context_;
    std::int32_t springId_;
    MotorZeroingHook zeroing_;
};

// Runs the sheet over `parent` on the spring `springId` and, on OK, hands it
// to the scene document. True when OK changed the spring; false for Cancel,
// an unchanged sheet, or no such spring (also when it went away while the
// dialog was open).
bool OpenSpringProperties(DesktopContext& context, std::int32_t springId, QWidget* parent,
                          MotorZeroingHook zeroing = {});

}  // namespace velmora
