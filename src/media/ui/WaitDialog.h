#pragma once
// The "等待" dialog shown while a music file is analysed before its show
// starts: the file's path and two progress bars, ticked every 70 ms inside
// the dialog's own event loop, so the window keeps painting and nothing
// sleeps. Closing it (Esc, the close button, "取消") stops the analysis; the
// records made so far are the result.
//
// Thread contract: UI thread. The analysis runs on its own worker; the
// dialog polls it without waiting.

#include <filesystem>
#include <functional>
#include <vector>

#include <QDialog>
#include <QTimer>

#include "media/WaitProcess.h"

class QPushButton;

namespace velmora {

class WaitDialog final : public QDialog {
    Q_OBJECT
public:
    using Progress = std::function<void(double fraction)>;
    using Records = std::vector<CMP3Player::spectum>;

    static constexpr int kTextTop = 10;
    static constexpr int kBarTop = 30;
    static constexpr int kBarHeight = 20;
    static constexpr int kInnerBarTop = 40;
    static constexpr int kInnerBarHeight = 10;

    // `progress`, when given, hears the progress 0..1 on every tick.
    WaitDialog(std::vector<std::filesystem::path> files, Progress progress = nullptr, QWidget* parent = nullptr);
    ~WaitDialog() override;

    // Runs the dialog modally over the analysis of `path` and returns its
    // records: all of them, or those made before the dialog was closed.
    static Records Analyse(const std::filesystem::path& path, const Progress& progress, QWidget* parent);

    // Starts the analysis and the 70 ms ticks (exec does it too).
    void Begin();
    const WaitProcess& process() const { return process_; }
    QPushButton* cancelButton() const { return cancel_; }

    int exec() override;

public slots:
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Tick();

    WaitProcess process_;
    Progress progress_;
    QTimer timer_;
    QPushButton* cancel_;
    bool begun_ = false;
};

}  // namespace velmora
