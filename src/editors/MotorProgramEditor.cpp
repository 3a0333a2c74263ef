#include "editors/MotorProgramEditor.h"

#include <algorithm>
#include <utility>

#include "app/Profile.h"
#include "engine/MotorLoops.h"

namespace velmora {

namespace {

constexpr const char* kMain = "Main";

std::string StepSection(std::size_t i) { return "MOB" + std::to_string(i); }

}  // namespace

const char* MotorStepGlyph(std::int32_t act) {
    switch (act) {
        case kMotorMove: return "1";
        case kMotorRest: return "3";
        case kMotorLoopStart: return "{";
        case kMotorLoopEnd: return "}";
        case kMotorReset: return "5";
        default: return "?";
    }
}

std::array<std::string, 3> MotorStepLabels(std::int32_t act) {
    switch (act) {
        case kMotorRest: return {"时间", "---", "---"};
        case kMotorMove: return {"速度", "位移", "---"};
        case kMotorReset: return {"---", "脉冲/周", "---"};
        case kMotorLoopStart: return {"循环", "速度偏移", "位移偏移"};
        default: return {"参数0", "参数1", "参数2"};
    }
}

std::string MotorStepName(const MotorBlock_struct& step) {
    std::string name;
    switch (step.Act) {
        case kMotorMove: name = "移动"; break;
        case kMotorRest: name = "休息"; break;
        case kMotorLoopStart: name = "循环"; break;
        case kMotorLoopEnd: return "循环结束";  // its values are never used
        case kMotorReset: name = "复位"; break;
        default: name = "动作" + std::to_string(step.Act); break;
    }
    const std::array<std::string, 3> labels = MotorStepLabels(step.Act);
    const std::array<std::int32_t, 3> values{step.p0, step.p1, step.p2};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i] == "---") continue;
        name += " " + labels[i] + std::to_string(values[i]);
    }
    return name;
}

void MotorProgramEditor::Load(const Profile& profile, std::string fileName, std::string* note) {
    MotorProgramState loaded;
    const std::int32_t num = profile.GetInt(kMain, "Num", 0);
    const auto limit = static_cast<std::int32_t>(kMaxMotorSteps);
    const std::int32_t count = std::clamp(num, 0, limit);
    if (count < num && note != nullptr)
        *note = "步数 " + std::to_string(num) + " 超出上限，只读入 " + std::to_string(count) + " 步";
    loaded.interval = profile.GetInt(kMain, "Interval", kDefaultInterval);
    loaded.items.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string section = StepSection(static_cast<std::size_t>(i));
        MotorBlock_struct step;
        step.Act = profile.GetInt(section, "Act", 0);
        step.p0 = profile.GetInt(section, "p0", 0);
        step.p1 = profile.GetInt(section, "p1", 0);
        step.p2 = profile.GetInt(section, "p2", 0);
        loaded.items.push_back(step);
    }
    state_ = std::move(loaded);
    m_listCompiled.clear();
    m_bShowCompiled = false;
    m_strFileName = std::move(fileName);
    history_.Reset();
}

bool MotorProgramEditor::Save(const std::filesystem::path& folder, const std::string& name, std::string* error) {
    return SaveKeys(
        folder, name, ".motor",
        [this](Profile& profile) {
            profile.SetInt(kMain, "Num", static_cast<std::int32_t>(state_.items.size()));
            profile.SetInt(kMain, "Interval", state_.interval);
            for (std::size_t i = 0; i < state_.items.size(); ++i) {
                const std::string section = StepSection(i);
                const MotorBlock_struct& step = state_.items[i];
                profile.SetInt(section, "Act", step.Act);
                profile.SetInt(section, "p0", step.p0);
                profile.SetInt(section, "p1", step.p1);
                profile.SetInt(section, "p2", step.p2);
            }
        },
        &m_strFileName, error);
}

bool MotorProgramEditor::Append(std::initializer_list<MotorBlock_struct> steps) {
    if (state_.items.size() + steps.size() > kMaxMotorSteps) return false;
    history_.Record(state_);
    state_.items.insert(state_.items.end(), steps.begin(), steps.end());
    return true;
}

bool MotorProgramEditor::AppendMove() { return Append({{kMotorMove, 100, 1000, 0, 0}}); }
bool MotorProgramEditor::AppendRest() { return Append({{kMotorRest, 1000, 0, 0, 0}}); }
bool MotorProgramEditor::AppendLoop() {
    return Append({{kMotorLoopStart, 5, 0, 0, 0}, {kMotorLoopEnd, 100, 1000, 0, 0}});
}
bool MotorProgramEditor::AppendReset(std::int32_t pulsesPerRound) {
    return Append({{kMotorReset, 0, pulsesPerRound, 0, 0}});
}

bool MotorProgramEditor::SetParameters(int index, std::int32_t p0, std::int32_t p1, std::int32_t p2) {
    if (!state_.Valid(index)) return false;
    p0 = std::clamp(p0, kMinParameter, kMaxParameter);
    p1 = std::clamp(p1, kMinParameter, kMaxParameter);
    p2 = std::clamp(p2, kMinParameter, kMaxParameter);
    const MotorBlock_struct& step = state_.items[static_cast<std::size_t>(index)];
    if (step.p0 == p0 && step.p1 == p1 && step.p2 == p2) return false;
    history_.Record(state_);
    MotorBlock_struct& edited = state_.items[static_cast<std::size_t>(index)];
    edited.p0 = p0;
    edited.p1 = p1;
    edited.p2 = p2;
    return true;
}

bool MotorProgramEditor::SetInterval(std::int32_t interval) {
    interval = std::clamp(interval, kMinInterval, kMaxInterval);
    if (interval == state_.interval) return false;
    history_.Record(state_);
    state_.interval = interval;
    return true;
}

MotorProgramEditor::CheckResult MotorProgramEditor::Check() {
    m_bShowCompiled = !m_bShowCompiled;
    m_listCompiled = state_.items;
    for (MotorBlock_struct& step : m_listCompiled) step.m_bSelected = 0;
    switch (ExpandMotorLoops(m_listCompiled, kMaxMotorSteps, LoopIncrement::Plain)) {
        case LoopResult::Ok: return {true, {}};
        case LoopResult::Unmatched: return {false, "Complier ERROR!"};
        case LoopResult::TooLong:
            return {false, "循环展开后超过 " + std::to_string(kMaxMotorSteps) + " 步"};
    }
    return {false, "Complier ERROR!"};
}


}  // namespace velmora
