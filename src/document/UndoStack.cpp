#include "document/UndoStack.h"

#include <algorithm>

namespace velmora {

void UndoStack::Push(std::unique_ptr<Command> command) {
    if (!command) return;
    if (CanRedo()) {
        // The undone steps cannot come back once something new is done; if
        // the saved state was among them it is out of reach now.
        if (clean_ && *clean_ > index_) clean_.reset();
        commands_.erase(commands_.begin() + static_cast<std::ptrdiff_t>(index_), commands_.end());
    }
    const bool topIsSaved = clean_ && *clean_ == index_;
    if (!topIsSaved && index_ > 0 && command->MergeKey() != 0 &&
        commands_[index_ - 1]->MergeKey() == command->MergeKey() && commands_[index_ - 1]->MergeWith(*command))
        return;
    commands_.push_back(std::move(command));
    ++index_;
    if (commands_.size() > limit_) {
        const std::size_t drop = commands_.size() - limit_;
        commands_.erase(commands_.begin(), commands_.begin() + static_cast<std::ptrdiff_t>(drop));
        index_ -= std::min(index_, drop);
        if (clean_) {
            if (*clean_ < drop) clean_.reset();
            else *clean_ -= drop;
        }
    }
}

bool UndoStack::IsClean() const {
    if (!clean_) return false;
    const std::size_t from = std::min(*clean_, index_);
    const std::size_t to = std::max(*clean_, index_);
    for (std::size_t i = from; i < to; ++i)
        if (commands_[i]->ChangesFile()) return false;
    return true;
}

void UndoStack::Clear() {
    commands_.clear();
    index_ = 0;
    clean_ = 0;
}

void UndoStack::SetLimit(std::size_t limit) {
    limit_ = std::max<std::size_t>(limit, 1);
    if (commands_.size() > limit_) {
        // Keep the newest steps; what is undone above the index goes first.
        if (CanRedo()) {
            if (clean_ && *clean_ > index_) clean_.reset();
            commands_.erase(commands_.begin() + static_cast<std::ptrdiff_t>(index_), commands_.end());
        }
        if (commands_.size() > limit_) {
            const std::size_t drop = commands_.size() - limit_;
            commands_.erase(commands_.begin(), commands_.begin() + static_cast<std::ptrdiff_t>(drop));
            index_ -= drop;
            if (clean_) {
                if (*clean_ < drop) clean_.reset();
                else *clean_ -= drop;
            }
        }
    }
}

}  // namespace velmora
