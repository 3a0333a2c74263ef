// One column of a moving-head table into the channels' 512-byte buffers.
// Each data row names its fixture as "channel;fixture"; the row's 16 bytes
// of the chosen column become that fixture's record.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "app/Log.h"
#include "engine/ActionEvaluation.h"
#include "engine/TickLog.h"

namespace velmora {
namespace {

inline constexpr std::int32_t kMaxLight512Channel = 99;
inline constexpr std::int32_t kMaxFixture = 32;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// A decimal number of at most a few digits, the whole text; -1 otherwise.
std::int32_t SmallDecimal(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.size() > 4) return -1;
    std::int32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

struct FixtureName {
    std::int32_t channel = -1;
    std::int32_t fixture = -1;
};

// "channel;fixture" with channel 1..99 and fixture 1..32; anything else
// leaves both -1.
FixtureName ParseFixtureName(std::string_view name) {
    const std::size_t split = name.find(';');
    if (split == std::string_view::npos) return {};
    const std::int32_t channel = SmallDecimal(name.substr(0, split));
    const std::int32_t fixture = SmallDecimal(name.substr(split + 1));
    if (channel < 1 || channel > kMaxLight512Channel || fixture < 1 || fixture > kMaxFixture) return {};
    return {channel, fixture};
}

// The column whose span holds t: the count of leading columns whose running
// sum of durations is still <= t. Past the last column the table holds its
// last column, so a look stays on until the block ends.
std::size_t ColumnAt(const Light512ComplierCache& table, std::int32_t t) {
    const std::size_t count = table.ColumnCount();
    std::int64_t sum = 0;
    std::size_t column = 0;
    while (column < count) {
        sum += table.m_listColumnValues[column];
        if (sum > t) break;
        ++column;
    }
    return std::min(column, count - 1);
}

}  // namespace

// The tick's log lines go to its TickLog, written once the lock is released.
#define VELMORA_TICK_LOG(ctx, ...)                   \
    do {                                             \
        if ((ctx).log != nullptr) {                  \
            (ctx).log->Add(__VA_ARGS__);             \
        } else {                                     \
            LogMessage(__VA_ARGS__);                 \
        }                                            \
    } while (false)

void Output512(TickContext& ctx, std::int32_t t, const Light512ComplierCache& table) {
    const bool log = ctx.logEnabled;
    if (log) VELMORA_TICK_LOG(ctx, "21");
    if (table.ColumnCount() == 0) return;
    const std::size_t column = ColumnAt(table, t);
    const std::size_t rows = std::min(table.m_listRowNames.size(), table.m_ppRowData.size());
    for (std::size_t row = 0; row < rows; ++row) {
        const std::string& name = table.m_listRowNames[row];
        if (log) {
            VELMORA_TICK_LOG(ctx, "pos=%d", static_cast<int>(column));
            VELMORA_TICK_LOG(ctx, "before split");
            VELMORA_TICK_LOG(ctx, "%s", name.c_str());
        }
        const FixtureName target = ParseFixtureName(name);
        if (target.channel < 0) continue;
        if (log) {
            VELMORA_TICK_LOG(ctx, "AfterSplit");
            VELMORA_TICK_LOG(ctx, "%d", target.fixture);
        }
        const auto& cells = table.m_ppRowData[row];
        if (column < cells.size()) {
            auto& buffer = ctx.out.image.g_Light512Buf[static_cast<std::size_t>(target.channel - 1)];
            const auto offset = static_cast<std::size_t>(target.fixture - 1) * cells[column].size();
            std::memcpy(buffer.data() + offset, cells[column].data(), cells[column].size());
        }
        if (log) VELMORA_TICK_LOG(ctx, "23");
    }
}

}  // namespace velmora
