#pragma once
// The values of one motor step in a property list: the heading "主要", the
// step's kind as an information row "动作类型", then its three values as spin
// rows limited to -99999..99999 and labelled by the kind ("速度", "位移",
// "---" for a move). The kind never changes here; the caller stores the
// values read back on OK as one edit.
//
// Thread contract: UI thread.

#include <array>
#include <cstdint>

#include <QDialog>

#include "comm/MotorBlock.h"

namespace velmora {

class PropList;

class MotorStepDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRowAct = 1;
    static constexpr int kRowFirstValue = 2;

    explicit MotorStepDialog(const MotorBlock_struct& step, QWidget* parent = nullptr);

    // p0, p1, p2 as the rows hold them (decimal text to integer).
    std::array<std::int32_t, 3> values() const;
    PropList& list() { return *list_; }

    void accept() override;

private:
    PropList* list_;
};

}  // namespace velmora
