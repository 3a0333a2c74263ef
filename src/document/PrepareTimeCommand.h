#pragma once
// The transport's preparation-time buttons: g_nPrepareTime, the time the
// show leads the music, set to a new value as one undoable scene edit.

#include <cstdint>

#include "document/SceneEditTarget.h"

namespace velmora {

class SetPrepareTimeCommand final : public SceneCommand {
public:
    SetPrepareTimeCommand(SceneEditTarget& target, std::int32_t ms);
    Change Apply() override { return Store(after_); }
    Change Revert() override { return Store(before_); }
    std::string Text() const override { return "准备时间"; }

private:
    Change Store(std::int32_t ms);

    std::int32_t before_;
    std::int32_t after_;
};

}  // namespace velmora
