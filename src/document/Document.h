#pragma once
// What the show and scene documents share: running commands through the
// undo stack, the modified flag and revision counter, and the listeners told
// once after every change.
//
// Thread contract: owner thread (UI or CLI main) only. Listeners run on that
// thread, synchronously; the Qt side queues them on to its widgets.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/Command.h"
#include "document/UndoStack.h"

namespace velmora {

class Document {
public:
    using Listener = std::function<void(const Change&)>;

    virtual ~Document() = default;

    // Applies the command and keeps it on the undo stack. False, keeping
    // nothing, when it found nothing to do.
    bool Execute(std::unique_ptr<Command> command);
    bool Undo();
    bool Redo();
    bool CanUndo() const { return stack_.CanUndo(); }
    bool CanRedo() const { return stack_.CanRedo(); }
    std::string UndoText() const { return stack_.UndoText(); }
    std::string RedoText() const { return stack_.RedoText(); }
    void SetUndoLimit(std::size_t limit) { stack_.SetLimit(limit); }
    const UndoStack& undoStack() const { return stack_; }

    bool IsModified() const { return modified_; }
    // Counts every applied, undone or redone change, and every load.
    std::uint64_t Revision() const { return revision_; }

    // Returns an identifier for RemoveListener.
    std::size_t AddListener(Listener listener);
    void RemoveListener(std::size_t id);

protected:
    // Rebuilds what the change invalidated (motor tracks, the output image)
    // before the listeners hear of it.
    virtual void AfterChange(const Change& change) = 0;
    // Mirrors the modified flag into the record the file layer reads.
    virtual void ModifiedChanged(bool modified) { (void)modified; }

    // The present state is the file's (after a save or a load).
    void MarkSaved();
    // A new file was loaded: the history is gone and the state is clean.
    void ResetHistory();
    // A change made outside a command (a load): bump, rebuild and notify.
    void Changed(const Change& change);
    // For edits the undo stack must not record but that still change the
    // file (none of ours today; kept explicit for the save path's rescale).
    void SetModified(bool modified);

private:
    void Finish(const Change& change);

    UndoStack stack_;
    bool modified_ = false;
    std::uint64_t revision_ = 0;
    std::vector<std::pair<std::size_t, Listener>> listeners_;
    std::size_t nextListener_ = 1;
};

}  // namespace velmora
