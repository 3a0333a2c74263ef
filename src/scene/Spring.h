#pragma once
// One output point of the fountain: a nozzle with its pump, valve, two motors
// and light. Field names are the scene file's key suffixes; m_-prefixed
// members are run-time state that is never stored.

#include <cstdint>
#include <string>
#include <vector>

#include "scene/Colour.h"
#include "scene/TrackPoint.h"

namespace velmora {

struct CSpring {
    // Address texts are cut to their 8-byte buffers (7 characters) on loading.
    static constexpr std::size_t kAddressBuffer = 8;
    static constexpr std::size_t kAddrBuffer = 64;

    std::int32_t m_nManualOn = -1;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t m_nSize = 10;
    std::int32_t ID = -1;
    std::int32_t m_bLit = 0;
    std::string COMID;               // analog output (pump)
    std::int32_t m_nOutLevel = 0;
    std::string ADDR;                // free text, not an address
    std::int32_t BLOCKID = -1;       // channel of the analog output
    std::string COMID1;              // switch output (valve)
    std::int32_t BLOCKID1 = -1;
    float m_fSwingZ = 0.0f;
    float m_fSwingY = 0.0f;
    float ORGANGLEY = 0.0f;          // initial jet angle, degrees
    std::int32_t BLOCKID2 = -1;      // Y-axis motor channel
    std::int32_t BLOCKID3 = -1;      // Z-axis motor channel
    std::string COMID2;              // Y-axis motor address
    std::string COMID3;              // Z-axis motor address
    std::uint32_t m_nSeqY = 123;     // 8-bit sequence number, 123..255
    std::uint32_t m_nSeqZ = 123;
    // Per motor output, the serial of the block and the step index of the
    // command last sent by the engine: a new sequence number goes out only
    // when either changes. Serials start at 1, steps at 0.
    std::int32_t m_nSerialY = 0;
    std::int64_t m_nStepY = -1;
    std::int32_t m_nSerialZ = 0;
    std::int64_t m_nStepZ = -1;
    COLORREF m_crColor = 0;
    std::int32_t BLOCKID_L = -1;     // light channel
    std::string COMID_L;             // light address
    std::int32_t m_nManualLevel = 0;
    COLORREF m_nManualColour = 0;
    TrackPoints m_stepsA;  // Y-axis track
    TrackPoints m_stepsB;  // Z-axis track
    std::int32_t m_nMotorCmd = 0;
    std::int32_t m_nMotorAxis = 0;
    std::int32_t m_nResendInterval = 200;
    std::int32_t m_nLastSend = 0;
};

}  // namespace velmora
