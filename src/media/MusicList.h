#pragma once
// The music list: the ordered MP3 files the controller plays, the play-mode
// flags that choose what follows a piece, and their place in the scene file
// (section MusicList). The window draws this state and forwards clicks,
// drags and toolbar commands here.
//
// Thread contract: the owner's thread (UI or CLI main) only. The engine's
// end-of-piece hand-over reaches it through the playback object, which
// queues it to this thread.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/EntryStarter.h"

namespace velmora {

class Profile;
class Prompter;

inline constexpr const char* kDeleteQuestion = "确定删除？（此操作不可恢复！）";

class CMusicList {
public:
    struct music {
        std::string path;  // as stored
        std::string name;  // after the last '\' of path
        std::int32_t selected = 0;
    };

    static constexpr const char* kSection = "MusicList";
    static constexpr std::size_t kPathBuffer = 256;
    // A stored count beyond this is damage, not a playlist.
    static constexpr std::int32_t kMaxEntries = 100000;

    // `random` gives values like rand() (non-negative); null uses a generator
    // seeded from the system.
    explicit CMusicList(EntryStarter* starter = nullptr, std::function<int()> random = nullptr);

    // Set on the owner thread, at any time; called on it (DoubleClick, OnEndOfEntry).
    void SetStarter(EntryStarter* starter) { starter_ = starter; }

    // Chooses the next piece by the play-mode flags and starts it (the
    // result of the start is not looked at). direction: +1, -1 or 0.
    void Step(int direction);
    // The engine's end-of-piece hand-over (wParam = direction).
    void OnEndOfEntry(int direction) { Step(direction); }
    // Double-click on a row: start it; when it cannot be started, Step(+1).
    void DoubleClick(int row);

    // Appends files in the given order (no duplicate check).
    void Add(const std::vector<std::string>& paths);
    // Asks the delete question and, on Yes, removes the selected entries.
    // Only while the Delete button is enabled. Returns whether any was removed.
    bool DeleteSelected(Prompter& prompter);

    // Button down at content y (client y + scroll position).
    void Press(int y, bool ctrl);
    // Mouse move at content y.
    void Move(int y);
    // Button up or focus lost.
    void Release() { m_nDragRow = -1; }

    // Toolbar toggles; each returns the flag's new value (checked when 1).
    int ToggleRandom() { return m_bRandom = !m_bRandom; }
    int ToggleRepeat() { return m_bRepeat = !m_bRepeat; }
    int ToggleList() { return m_bList = !m_bList; }

    void LoadMusicList(const Profile& springIni);
    void SaveMusicList(Profile& springIni) const;

    bool DeleteEnabled() const { return deleteEnabled_; }

    std::vector<music> m_list;
    std::int32_t m_nCurrent = -1;
    std::int32_t m_bRandom = 0;
    std::int32_t m_bRepeat = 1;
    std::int32_t m_bList = 1;
    std::int32_t m_nDragRow = -1;
    bool m_bLayoutDirty = true;

private:
    bool Names(std::int64_t index) const { return index >= 0 && index < static_cast<std::int64_t>(m_list.size()); }
    bool Start(std::int32_t index);

    EntryStarter* starter_;
    std::function<int()> random_;
    bool deleteEnabled_ = false;
};

}  // namespace velmora
