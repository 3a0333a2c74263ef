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

struct MonitorRow {
    int number = 0;                // channel number 1..100
    std::string label;             // "[n]IP"
    std::string status;            // the sender's status line, as it wrote it
    bool configured = false;       // an address other than 0.0.0.0
    bool down = false;             // configured and the health record says the link is not up
    ChannelHealthRecord health;
};

// An address of "0.0.0.0" (or none) means the channel is not in use.
bool ChannelConfigured(const ChannelInfo& channel);

// A configured channel is down when its last connect or exchange failed, or
// when it is connecting again after such a failure. A first connect is not
// a failure yet; a channel whose sender does not run tells nothing.
bool ChannelDown(bool configured, const ChannelHealthRecord& health);

// The column titles, in column order.
const std::array<const char*, kMonitorColumnCount>& MonitorColumnTitles();

// The texts of the link columns at wall-clock time `nowUnixMs`.
std::array<std::string, kMonitorColumnCount> MonitorCells(const MonitorRow& row, std::int64_t nowUnixMs);

// The cells joined into one line, for assistive technology.
std::string MonitorSummary(const MonitorRow& row, std::int64_t nowUnixMs);

// Reads every channel's row: the label from the table, the status line and
// health from its sender.
std::vector<MonitorRow> ReadMonitorRows(const ChannelTable& channels, std::span<const CModbusTCPThread> senders);

// Channel order, or down channels first (each part in channel order).
void OrderMonitorRows(std::vector<MonitorRow>& rows, bool downFirst);

}  // namespace velmora
