#include "editors/ColourSequenceEditor.h"

#include <algorithm>
#include <utility>

#include "app/Profile.h"
#include "engine/ColourSequenceFile.h"

namespace velmora {

namespace {

constexpr const char* kSection = "Main";

std::int32_t LightBlockToFileColour(COLORREF colour) {
    // The same exchange of red and blue as reading, the top byte dropped.
    return static_cast<std::int32_t>(FileColourToLightBlock(static_cast<std::int32_t>(colour)));
}

}  // namespace

void ColourSequenceEditor::Load(const Profile& profile, const char* typeKey, std::int32_t typeDefault,
                                const char* colourKey, std::string fileName, std::string* note) {
    ColourSequenceState loaded;
    const std::int32_t num = profile.GetInt(kSection, "Num", 0);
    const std::int32_t count = std::clamp(num, 0, kMaxColours);
    if (count < num && note != nullptr)
        *note = "颜色数目 " + std::to_string(num) + " 超出上限，只读入 " + std::to_string(count) + " 个";
    loaded.items.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::int32_t value = profile.GetInt(kSection, colourKey + std::to_string(i), 0);
        loaded.items.push_back({FileColourToLightBlock(value), 0});
    }
    loaded.type = profile.GetInt(kSection, typeKey, typeDefault);
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
    return SaveKeys(
        folder, name, ".color",
        [this](Profile& profile) {
            profile.SetInt(kSection, "Num", static_cast<std::int32_t>(state_.items.size()));
            profile.SetInt(kSection, "type", state_.type);
            for (std::size_t i = 0; i < state_.items.size(); ++i)
                profile.SetInt(kSection, "color" + std::to_string(i + 1), LightBlockToFileColour(state_.items[i].colour));
        },
        &m_strFileName, error);
}

bool ColourSequenceEditor::Append() {
    history_.Record(state_);
    state_.items.push_back({kNewSwatch, 0});
    return true;
}

bool ColourSequenceEditor::SetColour(int index, COLORREF colour) {
    if (!state_.Valid(index)) return false;
    if (state_.items[static_cast<std::size_t>(index)].colour == colour) return false;
    history_.Record(state_);
    state_.items[static_cast<std::size_t>(index)].colour = colour;
    return true;
}

bool ColourSequenceEditor::SetType(std::int32_t type) {
    type = std::clamp(type, kMinInterval, kMaxInterval);
    if (type == state_.type) return false;
    history_.Record(state_);
    state_.type = type;
    return true;
}

}  // namespace velmora
