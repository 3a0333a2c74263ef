#pragma once
// The row of items an asset editor shows (steps, swatches) with one current
// item whose mark the row draws: selecting, moving the current item one
// place and deleting it, shared by the editors that keep such a row.
//
// Thread contract: one thread (the editor's).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Profile.h"
#include "editors/EditHistory.h"

namespace velmora {

// `name` with `extension` (".motor") added unless it already ends so.
inline std::string WithExtension(const std::string& name, const std::string& extension) {
    if (name.size() >= extension.size() && name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
        return name;
    return name + extension;
}

template <class T>
struct ItemRow {
    std::vector<T> items;
    int current = -1;  // -1: none

    bool Valid(int index) const { return index >= 0 && index < static_cast<int>(items.size()); }

    // Marks item `index` alone (out of range: none) through the item's `mark` field.
    void Select(int index, std::int32_t T::*mark) {
        current = Valid(index) ? index : -1;
        for (std::size_t i = 0; i < items.size(); ++i) items[i].*mark = static_cast<int>(i) == current ? 1 : 0;
    }

    // Whether the current item can move `by` (-1 forward, +1 back) and
    // moving it; the mark travels with the item.
    bool CanMove(int by) const { return Valid(current) && Valid(current + by); }
    void Move(int by) {
        std::swap(items[static_cast<std::size_t>(current)], items[static_cast<std::size_t>(current + by)]);
        current += by;
    }

    // Removes the current item; the following one takes its index and is
    // marked. Past the end the index would name nothing, so it becomes -1.
    void DeleteCurrent(std::int32_t T::*mark) {
        items.erase(items.begin() + current);
        Select(current, mark);
    }
};

// An editor of such a row with undo: `State` is an ItemRow<T> with whatever
// else the editor keeps beside it; `Mark` the items' selection field.
template <class State, class T, std::int32_t T::*Mark>
class ItemRowEditor {
public:
    // Index of the current item, -1 when none.
    int current() const { return state_.current; }

    // Selection is view state: not an undo step.
    void Select(int index) { state_.Select(index, Mark); }

    // Edits; each one undo step, false (no step) when nothing changes.
    bool MoveForward() { return Move(-1); }
    bool MoveBack() { return Move(+1); }
    bool DeleteCurrent() {
        if (!state_.Valid(state_.current)) return false;
        history_.Record(state_);
        state_.DeleteCurrent(Mark);
        return true;
    }

    bool Undo() { return history_.Undo(state_); }
    bool Redo() { return history_.Redo(state_); }
    bool CanUndo() const { return history_.CanUndo(); }
    bool CanRedo() const { return history_.CanRedo(); }
    bool IsModified() const { return history_.IsModified(); }

protected:
    // Writes the editor's keys (`write`) into `folder`/`name` + `extension`
    // key by key: an existing file is never emptied first, and one that
    // cannot be read is not written over at all. On success the state is
    // the saved one and *file the name written; false with the reason.
    bool SaveKeys(const std::filesystem::path& folder, const std::string& name, const std::string& extension,
                  const std::function<void(Profile&)>& write, std::string* file, std::string* error) {
        const std::string written = WithExtension(name, extension);
        Profile profile;
        std::string reason;
        bool saved = profile.Load(folder / written, &reason) || !profile.existed();
        if (saved) {
            write(profile);
            saved = profile.SaveAs(folder / written, &reason);
        }
        if (!saved) {
            if (error != nullptr) *error = reason;
            return false;
        }
        *file = written;
        history_.MarkClean();
        return true;
    }

    bool Move(int by) {
        if (!state_.CanMove(by)) return false;
        history_.Record(state_);
        state_.Move(by);
        return true;
    }

    State state_;
    EditHistory<State> history_;
};


}  // namespace velmora
