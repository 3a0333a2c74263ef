#pragma once
// One action on one timeline row. Field names are the show file's key names.
// Float fields stay 32-bit: the compiler and the engine truncate results that
// depend on float arithmetic.

#include <atomic>
#include <cstdint>
#include <string>

namespace velmora {

enum ActionType : std::int32_t {
    kActionNone = -1,
    kActionRotateZ = 1,    // "Z轴转动"
    kActionRotateY = 2,    // "Y轴转动"
    kActionFlatWave = 3,   // "平波"
    kActionTriangle = 4,   // "三角波"
    kActionSwingZ = 5,     // "Z轴摇头"
    kActionSwingY = 6,     // "Y轴摇头"
    kActionRectangle = 7,  // "矩形波"
    kActionFrame = 8,      // "帧动作"
    kActionLaser = 9,      // "激光命令"
    kActionRamp = 10,      // "斜波"
};

enum TakeOrder : std::int32_t {
    kTakeForward = 0,      // "正向"
    kTakeReverse = 1,      // "反向"
    kTakeBlossom = 2,      // "开花"
    kTakeGather = 3,       // "聚拢"
    kTakeBackForth = 4,    // "来回"
    kTakeOdd = 5,          // "单数"
    kTakeEven = 6,         // "双数"
};

// Serial numbers are drawn by every constructed block, whichever thread builds it.
std::int32_t NextBlockSerial();

struct TimeBlock {
    static constexpr std::size_t kTextBuffer = 64;

    TimeBlock() : m_nSerial(NextBlockSerial()) {}

    float start = 0.0f;
    float end = 0.0f;
    std::int32_t cannel = 0;
    std::int32_t bRunHorse = 0;
    std::int32_t dirRunHorse = 0;
    std::int32_t IntervalRunHorse = 150;
    std::int32_t ForceWav = 0;
    std::string Program = "---";
    std::int32_t nSpecicalType = kActionNone;
    std::int32_t nTakeOrder = kTakeForward;
    float nSpeed = 15.0f;
    float nBound = 45.0f;
    std::int32_t bPingpong = 0;
    std::int32_t nInterval = 0;
    std::int32_t nWavMax = 0;
    std::int32_t nWavMin = 0;
    float nBound1 = 0.0f;
    std::int32_t nPeriod = 0;
    std::int32_t nPeriod1 = 0;
    std::int32_t nStartDrift = 0;
    std::string szMotor;
    std::int32_t m_nSerial;
    std::int32_t m_bLocked = 0;
    std::string szFrame;
    std::int32_t MaxValidZMotor = 360;
    std::int32_t MinValidZMotor = 0;
    std::int32_t singleSection = 0;
    std::int32_t singleSection1 = 0;
    std::string szMotor1;
    std::string szMotor2;
    float paramMotor1 = 1.0f;
    float paramMotor2 = 1.0f;
    float paramMotor3 = 1.0f;
    std::int32_t forMotor1 = 1;
    std::int32_t forMotor2 = 1;
    std::int32_t forMotor3 = 1;
    std::int32_t delayMotor1 = 0;
    std::int32_t delayMotor2 = 0;
    std::int32_t delayMotor3 = 0;
    std::string szLight;
    std::int32_t IntervalLight = 0;
    std::int32_t nLightType = 0;
    std::int32_t bLightTogether = 1;
    std::int32_t nLightdelay = 100;
    std::int32_t nDeltaInGroup = 0;
    std::int32_t bSystime = 0;
    float fFrameParam = 1.0f;
    std::int32_t nRiseUpTime = 0;
    std::int32_t nCutDownTime = 0;
    std::string sz512Light;
};

}  // namespace velmora
