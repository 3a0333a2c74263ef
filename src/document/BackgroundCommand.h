#pragma once
// The scene pane's "背景": the picture drawn under the canvas (BGBMP) set to
// another path, or cleared with an empty one, as one undoable scene edit.

#include <string>

#include "document/SceneEditTarget.h"

namespace velmora {

class SetBackgroundCommand final : public SceneCommand {
public:
    SetBackgroundCommand(SceneEditTarget& target, std::string path);
    Change Apply() override { return Store(after_); }
    Change Revert() override { return Store(before_); }
    std::string Text() const override { return "背景"; }

private:
    Change Store(const std::string& path);

    std::string before_;
    std::string after_;
};

}  // namespace velmora
