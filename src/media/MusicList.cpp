#include "media/MusicList.h"

#include <cstdio>
#include <random>

#include "app/Log.h"
#include "app/Profile.h"
#include "app/Prompter.h"
#include "media/ListRows.h"

namespace velmora {

namespace {

std::function<int()> SystemRandom() {
    auto engine = std::make_shared<std::minstd_rand>(std::random_device{}());
    return [engine] { return static_cast<int>((*engine)() & 0x7fffffff); };
}

std::string Key(const char* format, std::size_t i) {
    char key[32];
    std::snprintf(key, sizeof key, format, static_cast<int>(i));
    return key;
}

}  // namespace

CMusicList::CMusicList(EntryStarter* starter, std::function<int()> random)
    : starter_(starter), random_(random ? std::move(random) : SystemRandom()) {}

bool CMusicList::Start(std::int32_t index) {
    if (!starter_ || !Names(index)) return false;
    // The entry is copied: the start may re-enter the list.
    const std::string path = m_list[static_cast<std::size_t>(index)].path;
    return starter_->StartEntry(path, 0, ProgramSettings{});
}

void CMusicList::Step(int direction) {
    if (m_list.empty()) return;
    if (m_bList == 0) {
        if (m_bRepeat == 1 && Names(m_nCurrent)) Start(m_nCurrent);
        return;
    }
    const auto count = static_cast<std::int64_t>(m_list.size());
    std::int64_t next = static_cast<std::int64_t>(m_nCurrent) + 1;
    std::int64_t previous = static_cast<std::int64_t>(m_nCurrent) - 1;
    if (m_bRandom == 1) {
        // Two draws, previous first, whatever the direction.
        previous = static_cast<std::int64_t>(static_cast<unsigned>(random_())) % count;
        next = static_cast<std::int64_t>(static_cast<unsigned>(random_())) % count;
    }
    std::int64_t chosen;
    if (direction > 0) {
        if (Names(next)) {
            chosen = next;
        } else if (m_bRepeat == 0) {
            return;
        } else {
            chosen = 0;
        }
    } else if (direction < 0) {
        if (Names(previous)) {
            chosen = previous;
        } else if (m_bRepeat == 0) {
            return;
        } else {
            chosen = count - 1;
        }
    } else {
        m_bLayoutDirty = true;
        return;
    }
    m_nCurrent = static_cast<std::int32_t>(chosen);
    m_bLayoutDirty = true;
    Start(m_nCurrent);
}

void CMusicList::DoubleClick(int row) {
    if (!Names(row)) return;
    m_nCurrent = row;
    m_bLayoutDirty = true;
    if (!Start(row)) Step(+1);
}

void CMusicList::Add(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) m_list.push_back({path, ListEntryName(path), 0});
    m_bLayoutDirty = true;
}

bool CMusicList::DeleteSelected(Prompter& prompter) {
    if (!deleteEnabled_) return false;
    if (!prompter.AskYesNo(kDeleteQuestion)) return false;
    const std::size_t removed = ListRows<music>::RemoveSelected(m_list);
    m_bLayoutDirty = true;
    deleteEnabled_ = false;
    return removed > 0;
}

void CMusicList::Press(int y, bool ctrl) {
    deleteEnabled_ = ListRows<music>::Select(m_list, m_nDragRow, y, ctrl);
    m_bLayoutDirty = true;
}

void CMusicList::Move(int y) {
    if (ListRows<music>::Drag(m_list, m_nDragRow, m_nCurrent, y)) m_bLayoutDirty = true;
}

void CMusicList::LoadMusicList(const Profile& springIni) {
    std::int32_t count = springIni.GetInt(kSection, "MusicCount", 0);
    if (count > kMaxEntries) {
        LogMessage("MusicList: MusicCount %d capped at %d", count, kMaxEntries);
        count = kMaxEntries;
    }
    m_bLayoutDirty = true;
    if (count < 1) return;
    m_list.reserve(m_list.size() + static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        std::string path = springIni.GetString(kSection, Key("mu%d_path", i), "", kPathBuffer);
        std::string name = ListEntryName(path);
        m_list.push_back({std::move(path), std::move(name), 0});
    }
}

void CMusicList::SaveMusicList(Profile& springIni) const {
    springIni.SetInt(kSection, "Musiccount", static_cast<std::int32_t>(m_list.size()));
    for (std::size_t i = 0; i < m_list.size(); ++i) springIni.SetString(kSection, Key("mu%d_path", i), m_list[i].path);
}

}  // namespace velmora
