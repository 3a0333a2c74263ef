#pragma once
// The health of one channel's link in numbers, for the channel monitor, the
// CLI and the status line: what the status text says in words, without
// anyone having to parse it.
//
// Thread contract: the writer half (everything but Read and state) is
// called by the channel's sender thread only; Read and state from any thread.
// Counters, state and times are single atomics, read lock-free; the last
// error text is copied under a short lock that the writer holds only to copy
// its own fixed buffer. The writer allocates nothing.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "comm/RoundTripWindow.h"
#include "comm/StatusLine.h"

namespace velmora {

enum class ChannelState : std::int32_t {
    Idle = 0,    // no sender body runs for the channel
    Connecting,  // a connect is under way
    Connected,   // connected, and the last exchange (if any) went through
    Failed,      // the last connect or exchange failed; the next pass reconnects
};

// "idle", "connecting", "connected", "failed".
std::string_view ChannelStateName(ChannelState state);

// The standard name of a Modbus exception code ("illegal data address"…),
// "unknown exception" for others.
std::string_view ModbusExceptionName(int code);

// A reader's copy of one channel's record.
struct ChannelHealthRecord {
    ChannelState state = ChannelState::Idle;
    std::int64_t requestsSent = 0;
    std::int64_t repliesReceived = 0;
    std::int64_t exchangesFailed = 0;   // sends and reply reads that failed (a stop is no failure)
    std::int64_t reconnects = 0;        // connections made after the first one
    std::int64_t lastRoundTripUs = -1;  // request sent to reply read; -1 = none yet
    std::int64_t p50RoundTripUs = -1;   // over the last minute; -1 = no reply in it
    std::int64_t p99RoundTripUs = -1;
    std::int64_t roundTripsInWindow = 0;
    std::int64_t lastGoodReplyUnixMs = -1;  // wall-clock time of the last complete reply; -1 = none
    // Connects and exchanges that failed since the last one that went
    // through. A link that connects again after a failure is not up until an
    // exchange proves it: a silent controller accepts every connect.
    std::int64_t failuresInARow = 0;
    // The exception code of the last reply when the controller refused the
    // request (the link works, the write did not): 0 when the reply carried
    // no code; -1 = the last reply was a normal answer, or there was none.
    std::int32_t lastExceptionCode = -1;
    std::string lastError;                  // empty until something failed
};

class ChannelHealth {
public:
    // Writer side.
    void Connecting();
    void Connected();
    void ConnectFailed(std::string_view error);
    void RequestSent();
    // A complete reply `roundTripUs` after its request was sent, at steady
    // time `nowMs` and wall-clock time `unixMs`.
    void ReplyReceived(std::int64_t roundTripUs, std::int64_t nowMs, std::int64_t unixMs);
    // The reply just received was an exception reply to `function` with
    // `code` (-1 when the reply carried none); called after ReplyReceived.
    void ExceptionReplied(int function, int code);
    // An exchange that sent data without needing a reply (light data) went through.
    void ExchangeDone();
    void ExchangeFailed(std::string_view error);
    void Stopped();
    // Lets round trips older than a minute leave the percentiles.
    void Refresh(std::int64_t nowMs);

    // Reader side.
    ChannelState state() const { return static_cast<ChannelState>(state_.load(std::memory_order_relaxed)); }
    // Whether the link is up: connected, with an exchange gone through since
    // the last failure (a silent controller accepts every connect). What the
    // status bar and the hand panel's delivery mark count as up; cheap
    // enough for every repaint (no copy of the error text).
    bool LinkUp() const {
        return state() == ChannelState::Connected && failuresInARow_.load(std::memory_order_relaxed) == 0;
    }
    ChannelHealthRecord Read() const;

private:
    void SetState(ChannelState state) { state_.store(static_cast<std::int32_t>(state), std::memory_order_relaxed); }
    void PublishPercentiles();

    std::atomic<std::int32_t> state_{static_cast<std::int32_t>(ChannelState::Idle)};
    std::atomic<std::int64_t> requestsSent_{0};
    std::atomic<std::int64_t> repliesReceived_{0};
    std::atomic<std::int64_t> exchangesFailed_{0};
    std::atomic<std::int64_t> reconnects_{0};
    std::atomic<std::int64_t> lastRoundTripUs_{-1};
    std::atomic<std::int64_t> p50_{-1};
    std::atomic<std::int64_t> p99_{-1};
    std::atomic<std::int64_t> inWindow_{0};
    std::atomic<std::int64_t> lastGoodReplyUnixMs_{-1};
    std::atomic<std::int64_t> failuresInARow_{0};
    std::atomic<std::int32_t> lastExceptionCode_{-1};
    StatusLine lastError_;

    // Writer only.
    bool everConnected_ = false;
    // About 18 KB: on the heap, made once, so that a hundred senders (and the
    // runtime that holds them) stay small.
    std::unique_ptr<RoundTripWindow> window_ = std::make_unique<RoundTripWindow>();
};

}  // namespace velmora
