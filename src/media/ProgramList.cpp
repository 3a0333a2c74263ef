#include "media/ProgramList.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "app/AtomicFile.h"
#include "app/Log.h"
#include "app/Profile.h"
#include "app/Prompter.h"
#include "app/Workspace.h"
#include "media/ListRows.h"
#include "media/MusicList.h"

namespace velmora {

namespace {

std::string Key(std::size_t i) {
    char key[32];
    std::snprintf(key, sizeof key, "pro%d_path", static_cast<int>(i));
    return key;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A name that can be a file in the Program folder: not empty, no separator
// and no control characters, not "." or "..".
bool UsableFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c == '/' || c == '\\' || c < 0x20) return false;
    }
    return true;
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

}  // namespace

std::filesystem::path CProgramList::FileOf(const std::string& storedPath) const {
    std::error_code ec;
    if (storedPath.empty() || std::filesystem::exists(storedPath, ec)) return storedPath;
    // A path stored by another installation names the file in the Program folder.
    return ResolveStored(programDir_, storedPath);
}

CProgramList::CProgramList(std::filesystem::path programDir, EntryStarter* starter)
    : programDir_(std::move(programDir)), starter_(starter) {}

bool CProgramList::Start(std::int32_t index) {
    if (!starter_ || !Names(index)) return false;
    const program entry = m_list[static_cast<std::size_t>(index)];
    ProgramSettings settings;
    settings.cellMs = entry.unitMS;
    settings.lengthMs = static_cast<double>(entry.unitMS) * static_cast<double>(entry.num);
    settings.level = entry.power;
    return starter_->StartEntry(entry.path, 1, settings);
}

void CProgramList::Step(int direction) {
    if (m_list.empty()) return;
    const auto count = static_cast<std::int64_t>(m_list.size());
    if (direction > 0) {
        const std::int64_t next = static_cast<std::int64_t>(m_nCurrent) + 1;
        m_nCurrent = static_cast<std::int32_t>(Names(next) ? next : 0);
    } else if (direction < 0) {
        const std::int64_t previous = static_cast<std::int64_t>(m_nCurrent) - 1;
        m_nCurrent = static_cast<std::int32_t>(Names(previous) ? previous : count - 1);
    }
    m_bLayoutDirty = true;
    Start(m_nCurrent);
}

void CProgramList::DoubleClick(int row) {
    if (!Names(row)) return;
    m_nCurrent = row;
    m_bLayoutDirty = true;
    if (!Start(row)) Step(+1);
}

bool CProgramList::NewProgram(const std::string& name, const ProgParams& params, Prompter& prompter,
                              std::string* error) {
    auto refuse = [&](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    if (!UsableFileName(name) || Utf8Length(name) > kMaxNameLength) {
        prompter.Tell(kBadProgramNameMessage);
        return refuse("not a usable program name: '" + name + "'");
    }
    if (params.unitMS < kMinUnitMS || params.unitMS > kMaxUnitMS || params.num < kMinNum || params.num > kMaxNum ||
        params.power < kMinPower || params.power > kMaxPower)
        return refuse("program parameters outside their limits");
    const std::string fileName = name + ".prog";
    for (const program& e : m_list) {
        if (EqualsIgnoringCase(e.name, fileName)) {
            prompter.Tell(kDuplicateProgramMessage);
            return refuse(kDuplicateProgramMessage);
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(programDir_, ec);
    const std::filesystem::path path = programDir_ / fileName;
    std::filesystem::path show = path;
    show += ".tlf";
    // A new program starts empty: a .prog or show file of that name left on
    // disk (an entry deleted from the list keeps its files) is replaced.
    if (!CreateProgFile(path, params, error) || !WriteFileAtomically(show, "", error)) return false;
    m_list.push_back({path.string(), fileName, 0, params.unitMS, params.num, params.power});
    m_bLayoutDirty = true;
    return true;
}

CProgramList::program* CProgramList::FirstSelected() {
    for (program& e : m_list) {
        if (e.selected) return &e;
    }
    return nullptr;
}

std::optional<ProgParams> CProgramList::PropertiesOfSelection() const {
    for (const program& e : m_list) {
        if (e.selected) return ReadProgFile(FileOf(e.path));
    }
    return std::nullopt;
}

bool CProgramList::ApplyProperties(const ProgParams& params, Prompter& prompter, std::string* error) {
    program* entry = FirstSelected();
    if (!entry) return false;
    if (params.num < kMinNum || params.num > kMaxNum || params.power < kMinPower || params.power > kMaxPower) {
        if (error) *error = "program parameters outside their limits";
        return false;
    }
    // The cell length is shown but not editable once a program exists.
    const std::filesystem::path file = FileOf(entry->path);
    if (file.empty()) {
        if (error) *error = "the entry names no file";
        return false;
    }
    ProgParams applied = ReadProgFile(file);
    applied.num = params.num;
    applied.power = params.power;
    entry->unitMS = applied.unitMS;
    entry->num = applied.num;
    entry->power = applied.power;
    const bool written = WriteProgFile(file, applied, error);
    prompter.Tell(kProgramParamsLaterMessage);
    return written;
}

bool CProgramList::DeleteSelected(Prompter& prompter) {
    if (!deleteEnabled_) return false;
    if (!prompter.AskYesNo(kDeleteQuestion)) return false;
    const std::size_t removed = ListRows<program>::RemoveSelected(m_list);
    m_bLayoutDirty = true;
    deleteEnabled_ = false;
    return removed > 0;
}

void CProgramList::Press(int y, bool ctrl) {
    deleteEnabled_ = ListRows<program>::Select(m_list, m_nDragRow, y, ctrl);
    m_bLayoutDirty = true;
}

void CProgramList::Move(int y) {
    if (ListRows<program>::Drag(m_list, m_nDragRow, m_nCurrent, y)) m_bLayoutDirty = true;
}

bool CProgramList::PropertiesEnabled() const {
    return ListRows<program>::SelectedCount(m_list) == 1;
}

void CProgramList::LoadProgramList(const Profile& springIni) {
    std::int32_t count = springIni.GetInt(kSection, "ProgramCount", 0);
    if (count > kMaxEntries) {
        LogMessage("ProgramList: ProgramCount %d capped at %d", count, kMaxEntries);
        count = kMaxEntries;
    }
    m_bLayoutDirty = true;
    if (count < 1) return;
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        std::string path = springIni.GetString(kSection, Key(i), "", kPathBuffer);
        const std::filesystem::path file = FileOf(path);
        const ProgParams p = file.empty() ? ProgParams{} : ReadProgFile(file);
        std::string name = ListEntryName(path);
        m_list.push_back({std::move(path), std::move(name), 0, p.unitMS, p.num, p.power});
    }
}

void CProgramList::SaveProgramList(Profile& springIni) const {
    springIni.SetInt(kSection, "Programcount", static_cast<std::int32_t>(m_list.size()));
    for (std::size_t i = 0; i < m_list.size(); ++i) springIni.SetString(kSection, Key(i), m_list[i].path);
}

}  // namespace velmora
