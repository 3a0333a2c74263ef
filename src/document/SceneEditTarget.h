#pragma once
// What a scene command edits: the scene itself, the output image and the lock
// that the engine and the senders read them under, the views' selection, and
// the way to tell a channel's sender to connect again.
//
// Thread contract: owner thread only; `outputLock` is taken around every
// change that the engine or a sender reads.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "comm/ChannelImage.h"
#include "document/Command.h"
#include "document/SceneSelection.h"
#include "scene/Scene.h"

namespace velmora {

struct SceneEditTarget {
    Scene& scene;
    OutputImage& output;
    std::mutex& outputLock;
    SceneSelection& selection;
    // Raises the reconnect flag of channel number n's sender (1..100).
    std::function<void(int)> reconnect;
};

// A scene edit that may have something to tell the operator when it is first
// applied ("组内元素太多！"); the document passes the texts to its prompter.
class SceneCommand : public Command {
public:
    const std::vector<std::string>& Notices() const { return notices_; }

protected:
    explicit SceneCommand(SceneEditTarget& target) : target_(target) {}

    SceneEditTarget& target_;
    std::vector<std::string> notices_;
};

}  // namespace velmora
