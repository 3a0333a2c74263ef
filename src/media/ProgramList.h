#pragma once
// The program-control list: .prog entries that run a show on a fixed time
// grid without music, their creation and parameters, and their place in the
// scene file (section ProgramList). A running program repeats until
// something else is started. The window draws this state and forwards its
// clicks, drags and toolbar commands here; the properties dialog edits a
// ProgParams.
//
// Thread contract: the owner's thread (UI or CLI main) only.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "media/EntryStarter.h"
#include "media/ProgFile.h"

namespace velmora {

class Profile;
class Prompter;

inline constexpr const char* kDuplicateProgramMessage = "不能添加重名的程控文件";
inline constexpr const char* kProgramParamsLaterMessage = "参数将在下一次播放此程控文件时生效";
inline constexpr const char* kBadProgramNameMessage = "程控文件名称无效";

class CProgramList {
public:
    struct program {
        std::string path;
        std::string name;
        std::int32_t selected = 0;
        std::int32_t unitMS = ProgParams::kDefaultUnitMS;
        std::int32_t num = ProgParams::kDefaultNum;
        std::int32_t power = ProgParams::kDefaultPower;
    };

    // The limits of the properties dialog.
    static constexpr std::size_t kMaxNameLength = 40;
    static constexpr std::int32_t kMinUnitMS = 50, kMaxUnitMS = 5000;
    static constexpr std::int32_t kMinPower = 0, kMaxPower = 100;
    static constexpr std::int32_t kMinNum = 60, kMaxNum = 300;
    static constexpr const char* kDefaultName = "NewProgram";

    static constexpr const char* kSection = "ProgramList";
    static constexpr std::size_t kPathBuffer = 256;
    static constexpr std::int32_t kMaxEntries = 100000;

    // `programDir` is where new programs are created (the workspace's
    // Program folder).
    explicit CProgramList(std::filesystem::path programDir, EntryStarter* starter = nullptr);

    // Set on the owner thread, at any time; called on it (DoubleClick, OnEndOfEntry).
    void SetStarter(EntryStarter* starter) { starter_ = starter; }

    // +1 / -1 wrap around the list; 0 restarts the current entry.
    void Step(int direction);
    // The engine's end-of-program hand-over: the current entry again.
    void OnEndOfEntry(int /*direction*/) { Step(0); }
    void DoubleClick(int row);

    // New program from the values the creating dialog returned: refuses a
    // name already listed (ignoring case) with "不能添加重名的程控文件", and
    // values outside the dialog's limits; creates NAME.prog and NAME.prog.tlf
    // in the Program folder and appends the entry.
    bool NewProgram(const std::string& name, const ProgParams& params, Prompter& prompter,
                    std::string* error = nullptr);

    // The values the editing dialog opens with: the first selected entry's
    // file (defaults for missing keys); nullopt when nothing is selected.
    std::optional<ProgParams> PropertiesOfSelection() const;
    // The editing dialog's OK: copies the values into the first selected
    // entry, writes them into its .prog file and tells the operator they
    // apply from the next start. Only power and num are editable there.
    bool ApplyProperties(const ProgParams& params, Prompter& prompter, std::string* error = nullptr);

    bool DeleteSelected(Prompter& prompter);
    void Press(int y, bool ctrl);
    void Move(int y);
    void Release() { m_nDragRow = -1; }

    void LoadProgramList(const Profile& springIni);
    void SaveProgramList(Profile& springIni) const;

    bool DeleteEnabled() const { return deleteEnabled_; }
    // Exactly one entry selected.
    bool PropertiesEnabled() const;
    const std::filesystem::path& programDir() const { return programDir_; }

    std::vector<program> m_list;
    std::int32_t m_nCurrent = -1;
    std::int32_t m_nDragRow = -1;
    bool m_bLayoutDirty = true;

private:
    bool Names(std::int64_t index) const { return index >= 0 && index < static_cast<std::int64_t>(m_list.size()); }
    bool Start(std::int32_t index);
    program* FirstSelected();
    // The .prog file an entry's stored path names here.
    std::filesystem::path FileOf(const std::string& storedPath) const;

    std::filesystem::path programDir_;
    EntryStarter* starter_;
    bool deleteEnabled_ = false;
};

}  // namespace velmora
