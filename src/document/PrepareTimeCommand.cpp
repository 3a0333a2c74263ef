#include "document/PrepareTimeCommand.h"

#include <mutex>

namespace velmora {

SetPrepareTimeCommand::SetPrepareTimeCommand(SceneEditTarget& target, std::int32_t ms)
    : SceneCommand(target), before_(target.scene.settings.g_nPrepareTime), after_(ms) {}

Change SetPrepareTimeCommand::Store(std::int32_t ms) {
    std::int32_t& field = target_.scene.settings.g_nPrepareTime;
    if (field == ms) return {};
    {
        // Settings change under the output lock, as every scene setting does.
        std::lock_guard lock(target_.outputLock);
        field = ms;
    }
    return Change::Of(Change::kSettings);
}

}  // namespace velmora
