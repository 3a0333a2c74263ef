#pragma once
// Undo and redo for an asset editor whose whole state is small enough to
// keep whole: each edit records the state it started from, so undo is a
// swap and no edit needs an inverse of its own. The modified flag follows
// the position against the last save, as the show and scene documents do.
//
// Thread contract: one thread (the editor's).

#include <cstddef>
#include <utility>
#include <vector>

namespace velmora {

template <class State>
class EditHistory {
public:
    // Older steps are let go beyond this many.
    static constexpr std::size_t kMaxSteps = 200;

    // Call before changing `current`: remembers it as the state to go back to.
    void Record(const State& current) {
        redo_.clear();
        undo_.push_back(current);
        if (undo_.size() > kMaxSteps) {
            undo_.erase(undo_.begin());
            // The saved state fell out of reach: no undo gets back to it.
            if (cleanDepth_ >= 0) cleanDepth_ = cleanDepth_ == 0 ? kLost : cleanDepth_ - 1;
        }
        if (cleanDepth_ >= static_cast<std::ptrdiff_t>(undo_.size())) cleanDepth_ = kLost;
    }

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }

    // Puts the state before the last edit into `current`; false when none.
    bool Undo(State& current) {
        if (undo_.empty()) return false;
        redo_.push_back(std::move(current));
        current = std::move(undo_.back());
        undo_.pop_back();
        return true;
    }
    bool Redo(State& current) {
        if (redo_.empty()) return false;
        undo_.push_back(std::move(current));
        current = std::move(redo_.back());
        redo_.pop_back();
        return true;
    }

    // The current state is what the file holds (after a load or a save).
    void MarkClean() { cleanDepth_ = static_cast<std::ptrdiff_t>(undo_.size()); }
    bool IsModified() const { return cleanDepth_ != static_cast<std::ptrdiff_t>(undo_.size()); }

    // Forgets every step (a new file was opened).
    void Reset() {
        undo_.clear();
        redo_.clear();
        cleanDepth_ = 0;
    }

private:
    static constexpr std::ptrdiff_t kLost = -1;

    std::vector<State> undo_;
    std::vector<State> redo_;
    // The number of undo steps at which the state is the saved one; kLost
    // when no sequence of undo and redo reaches it any more.
    std::ptrdiff_t cleanDepth_ = 0;
};

}  // namespace velmora
