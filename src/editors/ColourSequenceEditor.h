#pragma once
// The editing model of "颜色编辑器": an ordered list of colour swatches, one
// of them current, read from and written to a .color file, with undo.
//
// Colours are COLORREF in memory (red in the low byte); the file holds
// 0x00RRGGBB, and the bytes are exchanged only where the file is read or
// written.
//
// The two ways of reading a file differ as the editor always has: opening
// the editor on a file reads `Type` (absent: 0), the 打开 command reads
// `type` (absent: 500). Key names compare without regard to case, so both
// read the same key when it is there. Saving writes Num, type and color1..N
// into the file as it is, so keys beyond N of a longer sequence stay (Num
// limits what is read).
//
// Thread contract: one thread (the editor's).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "editors/ItemRow.h"
#include "scene/Colour.h"

namespace velmora {

class Profile;

struct COLORBLOCK {
    COLORREF colour = 0;
    std::int32_t selected = 0;
};

// The swatches and the file's type value, which the 灯光 dialog edits as
// the sequence's command interval: both are undone together.
struct ColourSequenceState : ItemRow<COLORBLOCK> {
    std::int32_t type = 0;
};

class ColourSequenceEditor : public ItemRowEditor<ColourSequenceState, COLORBLOCK, &COLORBLOCK::selected> {
public:
    static constexpr COLORREF kNewSwatch = 0x000000FF;  // red
    static constexpr std::int32_t kTypeAtOpening = 0;
    static constexpr std::int32_t kTypeByOpen = 500;

    const std::vector<COLORBLOCK>& colours() const { return state_.items; }
    std::int32_t type() const { return state_.type; }
    const std::string& fileName() const { return m_strFileName; }

    // Reads `profile` as the editor does when it opens on `fileName`, or as
    // 打开 does. Forgets the undo history. A count above the limit is cut
    // (the cut is told through *note when given).
    void LoadAtOpening(const Profile& profile, std::string fileName, std::string* note = nullptr);
    void LoadByOpen(const Profile& profile, std::string fileName, std::string* note = nullptr);

    // Writes the sequence into the file `folder`/`name` (".color" added
    // unless it ends so), keeping every other key of an existing file.
    // On success the file name becomes that name and the state is clean.
    // False with the reason otherwise; nothing else changes then.
    bool Save(const std::filesystem::path& folder, const std::string& name, std::string* error);

    // Edits besides moving and deleting the current swatch; each one undo
    // step, false (no step) when it changes nothing.
    bool Append();  // a red swatch at the end, unselected
    bool SetColour(int index, COLORREF colour);
    // The 灯光 dialog's "命令间隔(ms)", kept in the file's type value and
    // held to kMinInterval..kMaxInterval.
    bool SetType(std::int32_t type);

    static constexpr std::int32_t kMinInterval = 100;
    static constexpr std::int32_t kMaxInterval = 999999;

private:
    void Load(const Profile& profile, const char* typeKey, std::int32_t typeDefault, const char* colourKey,
              std::string fileName, std::string* note);

    std::string m_strFileName;
};


}  // namespace velmora
