#include "app/QueuedPrompter.h"

#include "app/Log.h"

namespace velmora {

QueuedPrompter::QueuedPrompter(Prompter& target) : target_(&target), owner_(std::this_thread::get_id()) {}

void QueuedPrompter::Tell(std::string_view text) {
    if (OnOwnerThread()) {
        // Messages raised earlier on other threads come first.
        Drain();
        target_->Tell(text);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= kMaxQueued) {
            LogMessage("operator message dropped (queue full): %.*s", static_cast<int>(text.size()), text.data());
            return;
        }
        queue_.emplace_back(text);
    }
    if (wakeOwner_) wakeOwner_();
}

bool QueuedPrompter::AskYesNo(std::string_view text) {
    if (!OnOwnerThread()) {
        LogMessage("question asked off the owner thread, answered No: %.*s", static_cast<int>(text.size()),
                   text.data());
        return false;
    }
    Drain();
    return target_->AskYesNo(text);
}

std::size_t QueuedPrompter::Drain() {
    std::deque<std::string> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(queue_);
    }
    // Told outside the lock: the target may take as long as the operator likes.
    for (const std::string& text : taken) target_->Tell(text);
    return taken.size();
}

std::size_t QueuedPrompter::Pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace velmora
