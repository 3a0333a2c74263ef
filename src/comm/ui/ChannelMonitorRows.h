#pragma once
// What the channel monitor shows of one channel, apart from drawing it: the
// address label, the sender's status line and the link's figures put into
// short texts, whether the link counts as down, and the order the rows go
// in. Qt-free so that the rules can be checked without a window.
//
// Thread contract: UI thread (the channel table is edited there); the
// health records and status lines are thread-safe copies.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "comm/ChannelHealth.h"
#include "scene/ChannelInfo.h"

namespace velmora {

class CModbusTCPThread;

// The link figures, one text per column after the status line.
enum MonitorColumn : int {
    kColLink = 0,   // "已连接", "断开"…
    kColCounts,     // sent/received
    kColFailed,
    kColReconnects,
    kColRtt,        // last round trip, ms
    kColP99,        // p99 over the last minute, ms
    kColLastReply,  // time since the last good reply
    kColError,      // last error text
    kMonitorColumnCount
};

// What is wrong with a configured channel's link, worst first.
enum class MonitorFault : int {
    None = 0,
    Down,     // no exchange goes through (refused, silent, hung up, garbled)
    Refused,  // the controller answers, with an exception: nothing is written
    Slow,     // answers take longer than a send cycle: the channel falls behind
};

struct MonitorRow {
    int number = 0;                // channel number 1..100
    std::string label;             // "[n]IP"
    std::string status;            // the sender's status line, as it wrote it
    bool configured = false;       // an address other than 0.0.0.0
    bool down = false;             // configured and the health record says the link is not up
    MonitorFault fault = MonitorFault::None;
    ChannelHealthRecord health;
};

// Every drawn column of a row: "[n]IP", the status line, then the link figures.
inline constexpr int kMonitorTableColumns = 2 + kMonitorColumnCount;

// A round trip this long (the channels' send cycle) makes a channel skip cycles.
inline constexpr std::int64_t kSlowRoundTripUs = 21'000;

// An address of "0.0.0.0" (or none) means the channel is not in use.
bool ChannelConfigured(const ChannelInfo& channel);

// A configured channel is down when its last connect or exchange failed, and
// stays down while it connects again until an exchange goes through: a
// controller that accepts connects but never answers is not up. A first
// connect is not a failure yet; a channel whose sender does not run tells
// nothing.
bool ChannelDown(bool configured, const ChannelHealthRecord& health);

// Down, else refused (the last reply was an exception), else slow (the last
// round trip and the minute's median both reach a send cycle), else none.
MonitorFault ChannelFault(bool configured, const ChannelHealthRecord& health);

// The column titles, in column order.
const std::array<const char*, kMonitorColumnCount>& MonitorColumnTitles();

// The texts of the link columns at wall-clock time `nowUnixMs`.
std::array<std::string, kMonitorColumnCount> MonitorCells(const MonitorRow& row, std::int64_t nowUnixMs);

// The titles of every drawn column ("通道", "状态", then the link columns),
// and a row's texts in the same order.
const std::array<const char*, kMonitorTableColumns>& MonitorTableTitles();
std::array<std::string, kMonitorTableColumns> MonitorRowTexts(const MonitorRow& row, std::int64_t nowUnixMs);

// The cells joined into one line, for assistive technology.
std::string MonitorSummary(const MonitorRow& row, std::int64_t nowUnixMs);

// Reads every channel's row: the label from the table, the status line and
// health from its sender.
std::vector<MonitorRow> ReadMonitorRows(const ChannelTable& channels, std::span<const CModbusTCPThread> senders);

// Channel order, or faulty channels first (each part in channel order).
void OrderMonitorRows(std::vector<MonitorRow>& rows, bool faultsFirst);

}  // namespace velmora
