#pragma once
// "电机微调面板": jogs one motor of one spring with the arrow control's knob
// and sets its zero position with "标零". Opened from a spring's property
// sheet (the command goes out with the engine's next tick) or live from the
// group debug panel, where the dialog also issues the command itself every
// 20 ms and its title names the spring's Y-motor channel and address.
//
// "标零" requests the zero setting for one second, during which the knob
// and the button are disabled; the second is counted on the clock by the
// dialog's timer, so the window keeps painting and answering meanwhile.
//
// However the dialog ends (OK, the close box, Escape, its parent going away,
// the spring deleted or the scene reloaded under it), the motor command it
// requested is withdrawn.
//
// Thread contract: UI thread.

#include <cstdint>
#include <memory>

#include <QDialog>
#include <QTimer>

#include "ui/DesktopContext.h"

class QPushButton;

namespace velmora {

class ArrowControl;
class MotorFineTune;

class MotorFineTuneDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kLiveIntervalMs = 20;
    static constexpr int kControlTop = 20;

    // `axis` 1: the Y-axis motor (BLOCKID2/COMID2); 0: the Z-axis motor.
    MotorFineTuneDialog(DesktopContext& context, std::int32_t springId, int axis, bool live,
                        QWidget* parent = nullptr);
    ~MotorFineTuneDialog() override;

    ArrowControl& arrows() { return *arrows_; }
    QPushButton& zeroButton() { return *zero_; }
    MotorFineTune& tune() { return *tune_; }
    bool live() const { return live_; }
    // The timer that issues the command (live) and ends the zeroing.
    const QTimer& timer() const { return timer_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void StartZeroing();
    void OnTimer();
    void UpdateTimer();
    void OnSceneChanged();

    DesktopContext& context_;
    std::unique_ptr<MotorFineTune> tune_;
    bool live_;
    ArrowControl* arrows_;
    QPushButton* zero_;
    QTimer timer_;
    std::size_t listener_ = 0;
};

// Runs the dialog modally over `parent`; returns when it is closed.
void OpenMotorFineTune(DesktopContext& ctx, std::int32_t springId, int axis, bool live, QWidget* parent);

}  // namespace velmora
