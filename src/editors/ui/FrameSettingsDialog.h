#pragma once
// "配置": the frame animation's settings in a property list under the
// heading "主要" — frame interval, page count, cells per row and per
// column, the slope limits and the increase/decrease step — each row
// refusing numbers outside its range. OK leaves the values in settings();
// the caller hands them to the editor as one undo step.
//
// Thread contract: UI thread.

#include <QDialog>

#include "editors/FrameAnimationEditor.h"

namespace velmora {

class PropList;

class FrameSettingsDialog final : public QDialog {
    Q_OBJECT
public:
    explicit FrameSettingsDialog(const FrameSettings& settings, QWidget* parent = nullptr);

    PropList& list() { return *list_; }
    // The rows read back (a row left unreadable keeps the value it opened with).
    FrameSettings settings() const;

    void accept() override;

private:
    FrameSettings start_;
    PropList* list_;
};

}  // namespace velmora
