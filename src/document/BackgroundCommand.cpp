#include "document/BackgroundCommand.h"

#include <mutex>
#include <utility>

namespace velmora {

SetBackgroundCommand::SetBackgroundCommand(SceneEditTarget& target, std::string path)
    : SceneCommand(target), before_(target.scene.settings.BGBMP), after_(std::move(path)) {}

Change SetBackgroundCommand::Store(const std::string& path) {
    std::string& field = target_.scene.settings.BGBMP;
    if (field == path) return {};
    {
        // Every scene setting changes under the output lock, this one included,
        // so a reader holding it sees one whole path.
        std::lock_guard lock(target_.outputLock);
        field = path;
    }
    return Change::Of(Change::kSettings);
}

}  // namespace velmora
