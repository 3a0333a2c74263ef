#pragma once
// Helpers for the list pane tests: a starter that records what the lists
// start, real mouse clicks on a playlist's rows, and reading a list back
// from the scene file as the next start-up would.

#include <filesystem>
#include <string>
#include <vector>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QScrollBar>
#include <QTest>

#include "app/Profile.h"
#include "media/EntryStarter.h"
#include "media/ListRows.h"
#include "media/ui/PlaylistAccessible.h"
#include "media/ui/PlaylistView.h"

namespace velmora {

class RecordingStarter final : public EntryStarter {
public:
    struct Start {
        std::string path;
        int programMode;
        ProgramSettings settings;
    };
    bool StartEntry(const std::string& path, int programMode, const ProgramSettings& settings) override {
        starts.push_back({path, programMode, settings});
        for (const std::string& refused : refuse) {
            if (refused == path) return false;
        }
        return true;
    }
    std::vector<Start> starts;
    std::vector<std::string> refuse;  // paths whose start fails
};

// A point on the row's bar (its middle), in canvas coordinates.
inline QPoint RowPoint(const PlaylistView& view, int row) {
    return QPoint(40, row * kListRowHeight + 9 - view.scrollPosition());
}

inline void ClickRow(PlaylistView& view, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(view.canvas(), Qt::LeftButton, modifiers, RowPoint(view, row));
}

inline void DoubleClickRow(PlaylistView& view, int row) {
    // As a real double-click arrives: press, release, then the double-click.
    ClickRow(view, row);
    QTest::mouseDClick(view.canvas(), Qt::LeftButton, Qt::NoModifier, RowPoint(view, row));
}

// Drags row `from` by the mouse until the pointer is over row `to`.
inline void DragRow(PlaylistView& view, int from, int to) {
    QTest::mousePress(view.canvas(), Qt::LeftButton, Qt::NoModifier, RowPoint(view, from));
    const int step = to > from ? 1 : -1;
    for (int row = from + step; row != to + step; row += step) QTest::mouseMove(view.canvas(), RowPoint(view, row));
    QTest::mouseRelease(view.canvas(), Qt::LeftButton, Qt::NoModifier, RowPoint(view, to));
}

template <class List>
std::vector<int> SelectedRows(const List& list) {
    std::vector<int> rows;
    for (std::size_t i = 0; i < list.m_list.size(); ++i) {
        if (list.m_list[i].selected) rows.push_back(static_cast<int>(i));
    }
    return rows;
}

// The stored paths of a list section as the next start-up reads them.
inline std::vector<std::string> StoredPaths(const std::filesystem::path& springIni, const char* section,
                                            const char* countKey, const char* pathKey) {
    Profile profile;
    if (!profile.Load(springIni)) return {};
    std::vector<std::string> paths;
    const int count = profile.GetInt(section, countKey, 0);
    for (int i = 0; i < count; ++i) paths.push_back(profile.GetString(section, pathKey + std::to_string(i) + "_path", ""));
    return paths;
}

template <class List>
std::vector<std::string> Paths(const List& list) {
    std::vector<std::string> paths;
    for (const auto& entry : list.m_list) paths.push_back(entry.path);
    return paths;
}

inline QAccessibleInterface* RowInterface(PlaylistView& view, int row) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view.canvas());
    return list ? list->child(row) : nullptr;
}

}  // namespace velmora
