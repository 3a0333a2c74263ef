#pragma once
// The undo history of one document: applied commands below the index, undone
// ones above it, a clean index marking the state last saved or loaded, and a
// depth limit beyond which the oldest steps are forgotten.
//
// Thread contract: owner thread only.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/Command.h"

namespace velmora {

class UndoStack {
public:
    static constexpr std::size_t kDefaultLimit = 500;

    // Keeps an applied command: drops whatever was undone above the index,
    // merges it into the step below when both belong to one gesture (never
    // into the saved state), and forgets the oldest step past the limit.
    void Push(std::unique_ptr<Command> command);

    bool CanUndo() const { return index_ > 0; }
    bool CanRedo() const { return index_ < commands_.size(); }
    // The command the next Undo reverts / Redo applies; nullptr when none.
    // The caller runs it and then calls Undone()/Redone().
    Command* NextUndo() { return CanUndo() ? commands_[index_ - 1].get() : nullptr; }
    Command* NextRedo() { return CanRedo() ? commands_[index_].get() : nullptr; }
    void Undone() { if (CanUndo()) --index_; }
    void Redone() { if (CanRedo()) ++index_; }
    std::string UndoText() const { return CanUndo() ? commands_[index_ - 1]->Text() : std::string(); }
    std::string RedoText() const { return CanRedo() ? commands_[index_]->Text() : std::string(); }

    // The present state is the saved one.
    void SetClean() { clean_ = index_; }
    // True when every step between the saved state and the present one
    // leaves the file as it is (view state only), so the document is unmodified.
    bool IsClean() const;
    // Forgets every step (a new file is loaded); the empty history is clean.
    void Clear();

    void SetLimit(std::size_t limit);
    std::size_t limit() const { return limit_; }
    std::size_t size() const { return commands_.size(); }
    std::size_t index() const { return index_; }

private:
    std::vector<std::unique_ptr<Command>> commands_;
    std::size_t index_ = 0;
    std::optional<std::size_t> clean_ = 0;  // none: the saved state is gone from the history
    std::size_t limit_ = kDefaultLimit;
};

}  // namespace velmora
