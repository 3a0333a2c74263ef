#include "document/Document.h"

#include <algorithm>

namespace velmora {

bool Document::Execute(std::unique_ptr<Command> command) {
    if (!command) return false;
    const Change change = command->Apply();
    if (change.empty()) return false;
    stack_.Push(std::move(command));
    Finish(change);
    return true;
}

bool Document::Undo() {
    Command* command = stack_.NextUndo();
    if (!command) return false;
    const Change change = command->Revert();
    stack_.Undone();
    Finish(change);
    return true;
}

bool Document::Redo() {
    Command* command = stack_.NextRedo();
    if (!command) return false;
    const Change change = command->Apply();
    stack_.Redone();
    Finish(change);
    return true;
}

std::size_t Document::AddListener(Listener listener) {
    const std::size_t id = nextListener_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void Document::RemoveListener(std::size_t id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void Document::MarkSaved() {
    stack_.SetClean();
    SetModified(false);
}

void Document::ResetHistory() {
    stack_.Clear();
    SetModified(false);
}

void Document::Changed(const Change& change) {
    Finish(change);
}

void Document::SetModified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    ModifiedChanged(modified);
}

void Document::Finish(const Change& change) {
    ++revision_;
    SetModified(!stack_.IsClean());
    AfterChange(change);
    // A listener may add or remove listeners; it works on a copy.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener(change);
}

}  // namespace velmora
