#pragma once
// The operator's questions and messages as message boxes. Core operations
// reach it through the runtime's queue, so it runs on the UI thread only.
//
// Thread contract: UI thread.

#include <QPointer>
#include <QWidget>

#include "app/Prompter.h"

namespace velmora {

class QtPrompter final : public Prompter {
public:
    // Boxes are centred on `parent` once it is set (before the frame
    // exists they stand alone).
    void SetParent(QWidget* parent) { parent_ = parent; }

    bool AskYesNo(std::string_view text) override;
    void Tell(std::string_view text) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace velmora
