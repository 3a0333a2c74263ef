#pragma once
// The row logic both playlists share: 23-pixel rows, selection by click
// (with Ctrl toggling), and dragging a row up or down one place at a time
// while keeping the index of the playing entry on the same entry.
//
// Thread contract: the list's owner thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

inline constexpr int kListRowHeight = 23;

// The text a list shows for a stored path: what follows its last '\' (or
// '/'), the whole path when it has neither.
std::string ListEntryName(std::string_view path);

// Entries are any records with an int `selected`.
template <class Entry>
struct ListRows {
    // Button down at content y (y + scroll position). Returns whether a row
    // was hit (which enables the Delete button).
    static bool Select(std::vector<Entry>& list, int& dragRow, int y, bool ctrl) {
        if (!ctrl) {
            for (Entry& e : list) e.selected = 0;
            dragRow = -1;
        }
        const int row = y >= 0 ? y / kListRowHeight : -1;
        // Each row's bar is 18 pixels of its 23; the gap below belongs to no row.
        if (row < 0 || row >= static_cast<int>(list.size()) || y - row * kListRowHeight >= 18) {
            for (Entry& e : list) e.selected = 0;
            dragRow = -1;
            return false;
        }
        Entry& e = list[static_cast<std::size_t>(row)];
        e.selected = ctrl ? (e.selected ? 0 : 1) : 1;
        dragRow = row;
        return true;
    }

    // Mouse move at content y while dragging. Returns whether a row moved.
    static bool Drag(std::vector<Entry>& list, int& dragRow, int& current, int y) {
        const int r = dragRow;
        const int count = static_cast<int>(list.size());
        if (r < 0 || r >= count) return false;
        if (y < kListRowHeight * r && r > 0) {
            std::swap(list[static_cast<std::size_t>(r)], list[static_cast<std::size_t>(r - 1)]);
            if (current == r - 1) {
                current = r;
            } else if (current == r) {
                current = r - 1;
            }
            dragRow = r - 1;
            return true;
        }
        if (y > kListRowHeight * r + kListRowHeight && r + 1 < count) {
            std::swap(list[static_cast<std::size_t>(r)], list[static_cast<std::size_t>(r + 1)]);
            if (current == r + 1) {
                current = r;
            } else if (current == r) {
                current = r + 1;
            }
            dragRow = r + 1;
            return true;
        }
        return false;
    }

    // Removes every selected entry; the playing index is left as it is.
    static std::size_t RemoveSelected(std::vector<Entry>& list) {
        const std::size_t before = list.size();
        std::erase_if(list, [](const Entry& e) { return e.selected != 0; });
        return before - list.size();
    }

    static int SelectedCount(const std::vector<Entry>& list) {
        int n = 0;
        for (const Entry& e : list) n += e.selected ? 1 : 0;
        return n;
    }
};

}  // namespace velmora
