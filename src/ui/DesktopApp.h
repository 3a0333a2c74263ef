#pragma once
// The desktop program's start-up and close sequence around one Runtime:
// config, log, lists and scene; the frame with its panes; the main view,
// whose creation starts the senders, the engine and the 1 ms pacer; the 5 ms
// update of the playback clock and the delivery of queued operator messages
// on the UI thread. Closing stops the engine, saves the open show (asking
// when it was modified), destroys the panes, then stops the senders in
// parallel and saves the lists.
//
// Thread contract: UI thread.

#include <filesystem>
#include <memory>
#include <optional>

#include <QObject>
#include <QTimer>

#include "runtime/Runtime.h"
#include "ui/DesktopContext.h"
#include "ui/QtPrompter.h"

namespace velmora {

class MainFrame;

class DesktopApp final : public QObject {
    Q_OBJECT
public:
    // `prompter` replaces the message boxes (tests script the answers).
    explicit DesktopApp(const std::optional<std::filesystem::path>& workspaceOption, Prompter* prompter = nullptr,
                        QObject* parent = nullptr);
    ~DesktopApp() override;

    // Builds and shows the frame and starts playback. Problems with the
    // workspace are told in a message box and the program goes on with the
    // defaults; false only when the engine could not be started at all.
    bool Start();
    // The close sequence's first steps, run by the frame before it closes:
    // the engine stops and the open entry's show is saved.
    bool BeforeClose();
    // After the event loop: the frame's panes are gone, the senders stop in
    // parallel and the lists are saved. Safe to call twice.
    void Finish();

    Runtime& runtime() { return runtime_; }
    MainFrame* frame() const { return frame_.get(); }
    DesktopContext& context() { return context_; }

public slots:
    void RaiseWindow();

private:
    void Update();
    void DeliverMessages();

    Runtime runtime_;
    QtPrompter boxes_;
    Prompter& prompter_;
    DesktopContext context_;
    std::unique_ptr<MainFrame> frame_;
    QTimer updateTimer_;
    bool delivering_ = false;
    bool finished_ = false;
};

}  // namespace velmora
