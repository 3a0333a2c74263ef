#include "show/BlockFields.h"

#include <array>

namespace velmora {
namespace {

constexpr BlockField Time(const char* name, float TimeBlock::*member) {
    return {name, BlockFieldKind::Time, member, nullptr, nullptr, "0", 0, false};
}
constexpr BlockField Float(const char* name, float TimeBlock::*member, const char* def) {
    return {name, BlockFieldKind::Float, member, nullptr, nullptr, def, 0, false};
}
constexpr BlockField Int(const char* name, std::int32_t TimeBlock::*member, std::int32_t def,
                         bool repeated = false) {
    return {name, BlockFieldKind::Int, nullptr, member, nullptr, "", def, repeated};
}
constexpr BlockField IntText(const char* name, std::int32_t TimeBlock::*member) {
    return {name, BlockFieldKind::IntText, nullptr, member, nullptr, "0", 0, false};
}
constexpr BlockField Text(const char* name, std::string TimeBlock::*member, const char* def = "") {
    return {name, BlockFieldKind::Text, nullptr, nullptr, member, def, 0, false};
}

using TB = TimeBlock;

// Order and defaults are those of files written by the original installations.
const std::array kFields = {
    Time("start", &TB::start),
    Time("end", &TB::end),
    Int("cannel", &TB::cannel, 0),
    Int("bRunHorse", &TB::bRunHorse, 0),
    Int("dirRunHorse", &TB::dirRunHorse, 0),
    Int("IntervalRunHorse", &TB::IntervalRunHorse, 150),
    Int("ForceWav", &TB::ForceWav, 0),
    Text("Program", &TB::Program, "---"),
    Int("nSpecicalType", &TB::nSpecicalType, -1),
    Int("nInterval", &TB::nInterval, 0),
    Int("nTakeOrder", &TB::nTakeOrder, 0),
    Int("nStartDrift", &TB::nStartDrift, 0),
    Int("nDeltaInGroup", &TB::nDeltaInGroup, 0),
    Float("nBound", &TB::nBound, "0"),
    Float("nSpeed", &TB::nSpeed, "0"),
    Int("bPingpong", &TB::bPingpong, 0),
    Int("nWavMax", &TB::nWavMax, 0),
    Int("nInterval", &TB::nInterval, 0, /*repeated=*/true),
    Int("nWavMin", &TB::nWavMin, 0),
    Float("nBound1", &TB::nBound1, "0"),
    Int("nPeriod", &TB::nPeriod, 0),
    Int("nPeriod1", &TB::nPeriod1, 0),
    Text("szMotor", &TB::szMotor),
    Text("szFrame", &TB::szFrame),
    Float("fFrameParam", &TB::fFrameParam, "1"),
    IntText("nRiseUpTime", &TB::nRiseUpTime),
    IntText("nCutDownTime", &TB::nCutDownTime),
    Int("MaxValidZMotor", &TB::MaxValidZMotor, 360),
    Int("MinValidZMotor", &TB::MinValidZMotor, 0),
    Int("singleSection", &TB::singleSection, 0),
    Text("szMotor1", &TB::szMotor1),
    Int("singleSection1", &TB::singleSection1, 0),
    Text("szMotor2", &TB::szMotor2),
    Float("paramMotor1", &TB::paramMotor1, "1"),
    Float("paramMotor2", &TB::paramMotor2, "1"),
    Float("paramMotor3", &TB::paramMotor3, "1"),
    Int("forMotor1", &TB::forMotor1, 1),
    Int("forMotor2", &TB::forMotor2, 1),
    Int("forMotor3", &TB::forMotor3, 1),
    Int("delayMotor1", &TB::delayMotor1, 0),
    Int("delayMotor2", &TB::delayMotor2, 0),
    Int("delayMotor3", &TB::delayMotor3, 0),
    Text("szLight", &TB::szLight),
    Int("IntervalLight", &TB::IntervalLight, 0),
    Int("nLightType", &TB::nLightType, 0),
    Int("bLightTogether", &TB::bLightTogether, 0),
    Int("nLightdelay", &TB::nLightdelay, 0),
    Int("bSystime", &TB::bSystime, 0),
    Text("sz512Light", &TB::sz512Light),
};

}  // namespace

std::span<const BlockField> StoredBlockFields() { return kFields; }

}  // namespace velmora
