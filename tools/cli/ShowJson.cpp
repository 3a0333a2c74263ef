#include "Json.h"

namespace velmora::cli {

namespace {

nlohmann::ordered_json BlockToJson(const TimeBlock& b) {
    return {
        {"start", JsonFloat(b.start)}, {"end", JsonFloat(b.end)}, {"cannel", b.cannel},
        {"bRunHorse", b.bRunHorse}, {"dirRunHorse", b.dirRunHorse},
        {"IntervalRunHorse", b.IntervalRunHorse}, {"ForceWav", b.ForceWav},
        {"Program", b.Program}, {"nSpecicalType", b.nSpecicalType}, {"nInterval", b.nInterval},
        {"nTakeOrder", b.nTakeOrder}, {"nStartDrift", b.nStartDrift},
        {"nDeltaInGroup", b.nDeltaInGroup}, {"nBound", JsonFloat(b.nBound)}, {"nSpeed", JsonFloat(b.nSpeed)},
        {"bPingpong", b.bPingpong}, {"nWavMax", b.nWavMax}, {"nWavMin", b.nWavMin},
        {"nBound1", JsonFloat(b.nBound1)}, {"nPeriod", b.nPeriod}, {"nPeriod1", b.nPeriod1},
        {"szMotor", b.szMotor}, {"szFrame", b.szFrame}, {"fFrameParam", JsonFloat(b.fFrameParam)},
        {"nRiseUpTime", b.nRiseUpTime}, {"nCutDownTime", b.nCutDownTime},
        {"MaxValidZMotor", b.MaxValidZMotor}, {"MinValidZMotor", b.MinValidZMotor},
        {"singleSection", b.singleSection}, {"szMotor1", b.szMotor1},
        {"singleSection1", b.singleSection1}, {"szMotor2", b.szMotor2},
        {"paramMotor1", JsonFloat(b.paramMotor1)}, {"paramMotor2", JsonFloat(b.paramMotor2)},
        {"paramMotor3", JsonFloat(b.paramMotor3)}, {"forMotor1", b.forMotor1}, {"forMotor2", b.forMotor2},
        {"forMotor3", b.forMotor3}, {"delayMotor1", b.delayMotor1},
        {"delayMotor2", b.delayMotor2}, {"delayMotor3", b.delayMotor3}, {"szLight", b.szLight},
        {"IntervalLight", b.IntervalLight}, {"nLightType", b.nLightType},
        {"bLightTogether", b.bLightTogether}, {"nLightdelay", b.nLightdelay},
        {"bSystime", b.bSystime}, {"sz512Light", b.sz512Light},
    };
}

}  // namespace

nlohmann::ordered_json ShowToJson(const Show& show) {
    auto layers = nlohmann::ordered_json::array();
    for (const Layer& l : show.layers)
        layers.push_back({{"name", l.name}, {"GroupID", l.GroupID}, {"type", l.type}});
    auto blocks = nlohmann::ordered_json::array();
    for (const TimeBlock& b : show.blocks) blocks.push_back(BlockToJson(b));
    return {{"mutiMusic", JsonFloat(show.g_fMusicMultiplier)}, {"layers", std::move(layers)},
            {"blocks", std::move(blocks)}};
}

}  // namespace velmora::cli
