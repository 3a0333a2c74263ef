#include "comm/ui/ChannelMonitorRows.h"

#include <algorithm>
#include <cstdio>

#include "comm/ModbusTCPThread.h"

namespace velmora {

namespace {

constexpr const char* kNone = "-";

std::string Milliseconds(std::int64_t us) {
    if (us < 0) return kNone;
    char text[32];
    // Loopback and LAN round trips are well under 10 ms: a tenth tells them apart.
    if (us < 10'000) std::snprintf(text, sizeof text, "%.1f", static_cast<double>(us) / 1000.0);
    else std::snprintf(text, sizeof text, "%lld", static_cast<long long>((us + 500) / 1000));
    return text;
}

std::string Ago(std::int64_t thenUnixMs, std::int64_t nowUnixMs) {
    if (thenUnixMs < 0) return kNone;
    // A wall clock set back must not show a reply from the future.
    const long long seconds = std::max<std::int64_t>(0, nowUnixMs - thenUnixMs) / 1000;
    char text[32];
    if (seconds < 60) std::snprintf(text, sizeof text, "%lld秒前", seconds);
    else if (seconds < 3600) std::snprintf(text, sizeof text, "%lld分前", seconds / 60);
    else std::snprintf(text, sizeof text, "%lld时前", seconds / 3600);
    return text;
}

const char* LinkText(const MonitorRow& row) {
    if (!row.configured) return "未配置";
    switch (row.fault) {
        case MonitorFault::Down: return "断开";
        case MonitorFault::Refused: return "异常应答";
        case MonitorFault::Slow: return "应答慢";
        case MonitorFault::None: break;
    }
    if (row.down) return "断开";
    switch (row.health.state) {
        case ChannelState::Idle: return "空闲";
        case ChannelState::Connecting: return "连接中";
        case ChannelState::Connected: return "已连接";
        case ChannelState::Failed: return "断开";
    }
    return "空闲";
}

}  // namespace

bool ChannelConfigured(const ChannelInfo& channel) { return !channel.IP.empty() && channel.IP != "0.0.0.0"; }

bool ChannelDown(bool configured, const ChannelHealthRecord& health) {
    if (!configured || health.state == ChannelState::Idle) return false;
    return health.state == ChannelState::Failed || health.failuresInARow > 0;
}

MonitorFault ChannelFault(bool configured, const ChannelHealthRecord& health) {
    if (!configured || health.state == ChannelState::Idle) return MonitorFault::None;
    if (ChannelDown(configured, health)) return MonitorFault::Down;
    if (health.lastExceptionCode >= 0) return MonitorFault::Refused;
    // Both figures: one late reply on a busy machine is no fault, and a
    // controller that got fast again is not held slow for a minute.
    if (health.lastRoundTripUs >= kSlowRoundTripUs && health.p50RoundTripUs >= kSlowRoundTripUs)
        return MonitorFault::Slow;
    return MonitorFault::None;
}

const std::array<const char*, kMonitorColumnCount>& MonitorColumnTitles() {
    static const std::array<const char*, kMonitorColumnCount> titles{
        "链路", "发/收", "失败", "重连", "时延ms", "P99ms", "上次应答", "最近错误"};
    return titles;
}

std::array<std::string, kMonitorColumnCount> MonitorCells(const MonitorRow& row, std::int64_t nowUnixMs) {
    const ChannelHealthRecord& h = row.health;
    std::array<std::string, kMonitorColumnCount> cells;
    cells[kColLink] = LinkText(row);
    cells[kColCounts] = std::to_string(h.requestsSent) + "/" + std::to_string(h.repliesReceived);
    cells[kColFailed] = std::to_string(h.exchangesFailed);
    cells[kColReconnects] = std::to_string(h.reconnects);
    cells[kColRtt] = Milliseconds(h.lastRoundTripUs);
    cells[kColP99] = Milliseconds(h.p99RoundTripUs);
    cells[kColLastReply] = Ago(h.lastGoodReplyUnixMs, nowUnixMs);
    cells[kColError] = h.lastError;
    return cells;
}

const std::array<const char*, kMonitorTableColumns>& MonitorTableTitles() {
    static const std::array<const char*, kMonitorTableColumns> titles = [] {
        std::array<const char*, kMonitorTableColumns> t{"通道", "状态"};
        const auto& link = MonitorColumnTitles();
        std::copy(link.begin(), link.end(), t.begin() + 2);
        return t;
    }();
    return titles;
}

std::array<std::string, kMonitorTableColumns> MonitorRowTexts(const MonitorRow& row, std::int64_t nowUnixMs) {
    std::array<std::string, kMonitorTableColumns> texts;
    texts[0] = row.label;
    texts[1] = row.status;
    auto cells = MonitorCells(row, nowUnixMs);
    std::move(cells.begin(), cells.end(), texts.begin() + 2);
    return texts;
}

std::string MonitorSummary(const MonitorRow& row, std::int64_t nowUnixMs) {
    const auto cells = MonitorCells(row, nowUnixMs);
    const auto& titles = MonitorColumnTitles();
    std::string summary = cells[kColLink];
    for (int c = kColCounts; c < kMonitorColumnCount; ++c) {
        if (c == kColError && cells[c].empty()) continue;
        summary += ' ';
        summary += titles[static_cast<std::size_t>(c)];
        summary += ' ';
        summary += cells[static_cast<std::size_t>(c)];
    }
    return summary;
}

std::vector<MonitorRow> ReadMonitorRows(const ChannelTable& channels, std::span<const CModbusTCPThread> senders) {
    std::vector<MonitorRow> rows(channels.size());
    for (std::size_t i = 0; i < channels.size(); ++i) {
        MonitorRow& row = rows[i];
        row.number = static_cast<int>(i) + 1;
        row.label = "[" + std::to_string(row.number) + "]" + channels[i].IP;
        row.configured = ChannelConfigured(channels[i]);
        if (i < senders.size()) {
            row.status = senders[i].Status();
            row.health = senders[i].Health();
        }
        row.down = ChannelDown(row.configured, row.health);
        row.fault = ChannelFault(row.configured, row.health);
    }
    return rows;
}

void OrderMonitorRows(std::vector<MonitorRow>& rows, bool faultsFirst) {
    std::stable_sort(rows.begin(), rows.end(), [faultsFirst](const MonitorRow& a, const MonitorRow& b) {
        const bool aFaulty = a.fault != MonitorFault::None, bFaulty = b.fault != MonitorFault::None;
        if (faultsFirst && aFaulty != bFaulty) return aFaulty;
        return a.number < b.number;
    });
}

}  // namespace velmora
