#pragma once
// "配置" of the motor program editor: under "主要" the program's interval
// "命令间隔(ms)" (100..999999), and under "测试控制器" where the test run
// sends ("地址", "端口", "站号", "起始地址", "电机数" 1..16, "错开(ms)").
// The caller keeps the interval as an edit of the program and the
// controller rows as the installation's settings.
//
// Thread contract: UI thread.

#include <cstdint>

#include <QDialog>

#include "editors/MotorTestSetup.h"

namespace velmora {

class PropList;

class MotorConfigDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRowInterval = 1;
    static constexpr int kRowAddress = 3;
    static constexpr int kRowPort = 4;
    static constexpr int kRowUnit = 5;
    static constexpr int kRowStartAddr = 6;
    static constexpr int kRowMotors = 7;
    static constexpr int kRowStagger = 8;

    MotorConfigDialog(std::int32_t interval, const MotorTestSetup& setup, QWidget* parent = nullptr);

    std::int32_t interval() const;
    MotorTestSetup setup() const;
    PropList& list() { return *list_; }

    void accept() override;

private:
    PropList* list_;
};

}  // namespace velmora
