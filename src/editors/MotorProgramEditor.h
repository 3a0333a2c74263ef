#pragma once
// The editing model of the motor program editor: a row of steps (moves,
// rests, resets, loop markers) with one of them current, the editor's own
// check that expands the loops by plain addition, and the .motor file as
// the editor reads and writes it, with undo.
//
// Saving writes Num, Interval and the sections MOB0..MOB<N-1> into the file
// as it is, so sections of a longer program written earlier stay behind
// (readers stop at Num).
//
// Thread contract: one thread (the editor's). The test run gets its own
// copy of the checked list (compiled()).

#include <array>
#include <cstdint>
#include <initializer_list>
#include <filesystem>
#include <string>
#include <vector>

#include "comm/MotorBlock.h"
#include "engine/MotorProgramFile.h"
#include "editors/ItemRow.h"

namespace velmora {

class Profile;

struct MotorProgramState : ItemRow<MotorBlock_struct> {
    std::int32_t interval = kDefaultMotorInterval;
};

class MotorProgramEditor
    : public ItemRowEditor<MotorProgramState, MotorBlock_struct, &MotorBlock_struct::m_bSelected> {
public:
    static constexpr std::int32_t kDefaultInterval = kDefaultMotorInterval;
    static constexpr std::int32_t kMinInterval = 100;
    static constexpr std::int32_t kMaxInterval = 999999;
    static constexpr std::int32_t kMinParameter = -99999;
    static constexpr std::int32_t kMaxParameter = 99999;

    struct CheckResult {
        bool ok = false;
        std::string message;  // the operator's message when not ok
    };

    const std::vector<MotorBlock_struct>& program() const { return state_.items; }
    const std::vector<MotorBlock_struct>& compiled() const { return m_listCompiled; }
    // What the row shows: the checked list after a check that flipped the view on.
    const std::vector<MotorBlock_struct>& shown() const { return m_bShowCompiled ? m_listCompiled : state_.items; }
    bool showCompiled() const { return m_bShowCompiled; }
    std::int32_t interval() const { return state_.interval; }
    const std::string& fileName() const { return m_strFileName; }

    // Reads `profile` as a .motor file (Num 0 or absent: an empty program).
    // Forgets the undo history and shows the editing view. A count above the
    // limit is cut and told through *note when given.
    void Load(const Profile& profile, std::string fileName, std::string* note = nullptr);

    // Writes the program into `folder`/`name` (".motor" added unless it ends
    // so), keeping every other key of an existing file. On success the
    // file name becomes that name and the state is clean; false with the
    // reason otherwise, and nothing else changes.
    bool Save(const std::filesystem::path& folder, const std::string& name, std::string* error);

    // Edits besides moving and deleting the current step: each one undo
    // step, false (no step) when nothing changes.
    bool AppendMove();
    bool AppendRest();
    bool AppendLoop();  // a loop start, then a loop end
    bool AppendReset(std::int32_t pulsesPerRound);
    // The step dialog's three values (its kind never changes); clamped to
    // the dialog's bounds.
    bool SetParameters(int index, std::int32_t p0, std::int32_t p1, std::int32_t p2);
    bool SetInterval(std::int32_t interval);  // clamped to 100..999999

    // "编译": flips the view, copies the program and expands its loops. On a
    // loop end without a start the list stays as far as it was expanded and
    // the message is "Complier ERROR!".
    CheckResult Check();

private:
    bool Append(std::initializer_list<MotorBlock_struct> steps);

    std::vector<MotorBlock_struct> m_listCompiled;
    bool m_bShowCompiled = false;
    std::string m_strFileName;
};

// The kind's glyph in a step box: "1" move, "3" rest, "{" loop start, "}"
// loop end, "5" reset; "?" for any other action code.
const char* MotorStepGlyph(std::int32_t act);

// The labels of the step dialog's three value rows for a kind.
std::array<std::string, 3> MotorStepLabels(std::int32_t act);

// What a step is called where it is read out rather than drawn: its kind
// ("移动", "休息", "循环", "循环结束", "复位", "动作N") and the values the
// kind uses, each after its label: "移动 速度100 位移1000".
std::string MotorStepName(const MotorBlock_struct& step);


}  // namespace velmora
