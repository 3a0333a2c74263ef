#include "editors/ColourSequenceEditor.h"

#include <algorithm>
#include <utility>

#include "app/Profile.h"
#include "engine/ColourSequenceFile.h"

namespace velmora {

namespace {

constexpr const char* kSection = "Main";
constexpr std::string_view kExtension = ".color";

std::int32_t LightBlockToFileColour(COLORREF colour) {
    // The same exchange of red and blue as reading, the top byte dropped.
    return static_cast<std::int32_t>(FileColourToLightBlock(static_cast<std::int32_t>(colour)));
}

}  // namespace

std::string ColourFileName(const std::string& name) {
    if (name.size() >= kExtension.size() && name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) == 0)
        return name;
    return name + std::string(kExtension);
}

void ColourSequenceEditor::Load(const Profile& profile, const char* typeKey, std::int32_t typeDefault,
                                const char* colourKey, std::string fileName, std::string* note) {
    State loaded;
    const std::int32_t num = profile.GetInt(kSection, "Num", 0);
    const std::int32_t count = std::clamp(num, 0, kMaxColours);
    if (count < num && note != nullptr)
        *note = "颜色数目 " + std::to_string(num) + " 超出上限，只读入 " + std::to_string(count) + " 个";
    loaded.colours.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::int32_t value = profile.GetInt(kSection, colourKey + std::to_string(i), 0);
        loaded.colours.push_back({FileColourToLightBlock(value), 0});
    }
    m_nType = profile.GetInt(kSection, typeKey, typeDefault);
    m_strFileName = std::move(fileName);
    state_ = std::move(loaded);
    history_.Reset();
}

void ColourSequenceEditor::LoadAtOpening(const Profile& profile, std::string fileName, std::string* note) {
    Load(profile, "Type", kTypeAtOpening, "Color", std::move(fileName), note);
}

void ColourSequenceEditor::LoadByOpen(const Profile& profile, std::string fileName, std::string* note) {
    Load(profile, "type", kTypeByOpen, "color", std::move(fileName), note);
}

bool ColourSequenceEditor::Save(const std::filesystem::path& folder, const std::string& name, std::string* error) {
    const std::string file = ColourFileName(name);
    const std::filesystem::path path = folder / file;
    Profile profile;
    std::string reason;
    // An existing file is written over key by key, never emptied first; one
    // that cannot be read is not written over at all.
    if (!profile.Load(path, &reason) && profile.existed()) {
        if (error != nullptr) *error = reason;
        return false;
    }
    profile.SetInt(kSection, "Num", static_cast<std::int32_t>(state_.colours.size()));
    profile.SetInt(kSection, "type", m_nType);
    for (std::size_t i = 0; i < state_.colours.size(); ++i)
        profile.SetInt(kSection, "color" + std::to_string(i + 1), LightBlockToFileColour(state_.colours[i].colour));
    if (!profile.SaveAs(path, &reason)) {
        if (error != nullptr) *error = reason;
        return false;
    }
    m_strFileName = file;
    history_.MarkClean();
    return true;
}

void ColourSequenceEditor::MarkCurrent() {
    for (std::size_t i = 0; i < state_.colours.size(); ++i)
        state_.colours[i].selected = static_cast<int>(i) == state_.current ? 1 : 0;
}

void ColourSequenceEditor::Select(int index) {
    state_.current = index >= 0 && index < static_cast<int>(state_.colours.size()) ? index : -1;
    MarkCurrent();
}

bool ColourSequenceEditor::Append() {
    history_.Record(state_);
    state_.colours.push_back({kNewSwatch, 0});
    return true;
}

bool ColourSequenceEditor::MoveForward() {
    const int i = state_.current;
    if (i < 1 || i >= static_cast<int>(state_.colours.size())) return false;
    history_.Record(state_);
    std::swap(state_.colours[static_cast<std::size_t>(i)], state_.colours[static_cast<std::size_t>(i - 1)]);
    state_.current = i - 1;
    return true;
}

bool ColourSequenceEditor::MoveBack() {
    const int i = state_.current;
    if (i < 0 || i + 1 >= static_cast<int>(state_.colours.size())) return false;
    history_.Record(state_);
    std::swap(state_.colours[static_cast<std::size_t>(i)], state_.colours[static_cast<std::size_t>(i + 1)]);
    state_.current = i + 1;
    return true;
}

bool ColourSequenceEditor::DeleteCurrent() {
    const int i = state_.current;
    if (i < 0 || i >= static_cast<int>(state_.colours.size())) return false;
    history_.Record(state_);
    state_.colours.erase(state_.colours.begin() + i);
    // The index stays; past the end it names nothing.
    if (i >= static_cast<int>(state_.colours.size())) state_.current = -1;
    MarkCurrent();
    return true;
}

bool ColourSequenceEditor::SetColour(int index, COLORREF colour) {
    if (index < 0 || index >= static_cast<int>(state_.colours.size())) return false;
    if (state_.colours[static_cast<std::size_t>(index)].colour == colour) return false;
    history_.Record(state_);
    state_.colours[static_cast<std::size_t>(index)].colour = colour;
    return true;
}

bool ColourSequenceEditor::Undo() { return history_.Undo(state_); }
bool ColourSequenceEditor::Redo() { return history_.Redo(state_); }

}  // namespace velmora
