#pragma once
// One output point of the fountain: a nozzle with its pump, valve, two motors
// and light. Field names are the scene file's key suffixes; m_-prefixed
// members are run-time state that is never stored.
//
// Thread contract, one writer per field:
// - Stored fields (ID, addresses, x, y, ...): the owner thread (UI or CLI
//   main), which replaces or edits them under the output lock while the
//   engine runs; other threads read them only under that lock.
// - Engine outputs (m_bLit, m_nOutLevel, m_crColor, m_fSwingZ/Y, m_nSeqY/Z,
//   the serial and step fields, m_nLastSend, and the tracks m_stepsA/B that
//   the compiler swaps in under the lock): written by the engine thread
//   inside its tick, under the output lock; any other thread reads them
//   under that lock (or from the engine's published snapshot), never
//   writes them.
// - Hand requests (HandRequest fields): set by the panels on the owner
//   thread without the lock, read by the engine once per tick.

#include <cstdint>
#include <string>
#include <vector>

#include "scene/Colour.h"
#include "scene/HandRequest.h"
#include "scene/TrackPoint.h"

namespace velmora {

struct CSpring {
    // Address texts are cut to their 8-byte buffers (7 characters) on loading.
    static constexpr std::size_t kAddressBuffer = 8;
    static constexpr std::size_t kAddrBuffer = 64;

    HandRequest<std::int32_t> m_nManualOn = -1;  // 1 while switched on by hand (debug panel)
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
    HandRequest<std::int32_t> m_nManualLevel = 0;  // 0..128 while driven by hand
    HandRequest<COLORREF> m_nManualColour = 0;
    TrackPoints m_stepsA;  // Y-axis track
    TrackPoints m_stepsB;  // Z-axis track
    // The hand motor command (fine-tune dialog): 0 none; its axis (non-zero:
    // the Y output) and how often its sequence number advances, ms.
    HandRequest<std::int32_t> m_nMotorCmd = 0;
    HandRequest<std::int32_t> m_nMotorAxis = 0;
    HandRequest<std::int32_t> m_nResendInterval = 200;
    std::int32_t m_nLastSend = 0;  // engine output: clock of the last advance
};

}  // namespace velmora
