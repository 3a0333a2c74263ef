#include "comm/ChannelHealth.h"

#include <cstdio>

namespace velmora {

std::string_view ChannelStateName(ChannelState state) {
    switch (state) {
        case ChannelState::Idle: return "idle";
        case ChannelState::Connecting: return "connecting";
        case ChannelState::Connected: return "connected";
        case ChannelState::Failed: return "failed";
    }
    return "idle";
}

std::string_view ModbusExceptionName(int code) {
    switch (code) {
        case 0x01: return "illegal function";
        case 0x02: return "illegal data address";
        case 0x03: return "illegal data value";
        case 0x04: return "server device failure";
        case 0x05: return "acknowledge";
        case 0x06: return "server device busy";
        case 0x08: return "memory parity error";
        case 0x0A: return "gateway path unavailable";
        case 0x0B: return "gateway target device failed to respond";
        default: return "unknown exception";
    }
}

void ChannelHealth::Connecting() {
    SetState(ChannelState::Connecting);
}

void ChannelHealth::Connected() {
    if (everConnected_) reconnects_.fetch_add(1, std::memory_order_relaxed);
    everConnected_ = true;
    SetState(ChannelState::Connected);
}

void ChannelHealth::ConnectFailed(std::string_view error) {
    failuresInARow_.fetch_add(1, std::memory_order_relaxed);
    lastError_.Set(error);
    SetState(ChannelState::Failed);
}

void ChannelHealth::RequestSent() {
    requestsSent_.fetch_add(1, std::memory_order_relaxed);
}

void ChannelHealth::ReplyReceived(std::int64_t roundTripUs, std::int64_t nowMs, std::int64_t unixMs) {
    repliesReceived_.fetch_add(1, std::memory_order_relaxed);
    lastRoundTripUs_.store(roundTripUs, std::memory_order_relaxed);
    lastGoodReplyUnixMs_.store(unixMs, std::memory_order_relaxed);
    window_->Add(roundTripUs, nowMs);
    PublishPercentiles();
    failuresInARow_.store(0, std::memory_order_relaxed);
    lastExceptionCode_.store(-1, std::memory_order_relaxed);
    SetState(ChannelState::Connected);
}

void ChannelHealth::ExceptionReplied(int function, int code) {
    char text[StatusLine::kBuffer];
    if (code < 0) {
        std::snprintf(text, sizeof text, "exception reply to function %d without a code", function);
    } else {
        std::snprintf(text, sizeof text, "exception %d (%.*s) to function %d", code,
                      static_cast<int>(ModbusExceptionName(code).size()), ModbusExceptionName(code).data(),
                      function);
    }
    lastError_.Set(text);
    // Any code, even a missing one, must read as a refusal.
    lastExceptionCode_.store(code < 0 ? 0 : code, std::memory_order_relaxed);
}

void ChannelHealth::ExchangeDone() {
    failuresInARow_.store(0, std::memory_order_relaxed);
    lastExceptionCode_.store(-1, std::memory_order_relaxed);
    SetState(ChannelState::Connected);
}

void ChannelHealth::ExchangeFailed(std::string_view error) {
    failuresInARow_.fetch_add(1, std::memory_order_relaxed);
    exchangesFailed_.fetch_add(1, std::memory_order_relaxed);
    lastError_.Set(error);
    SetState(ChannelState::Failed);
}

void ChannelHealth::Stopped() {
    SetState(ChannelState::Idle);
}

void ChannelHealth::Refresh(std::int64_t nowMs) {
    if (window_->Expire(nowMs)) PublishPercentiles();
}

void ChannelHealth::PublishPercentiles() {
    p50_.store(window_->Percentile(0.50), std::memory_order_relaxed);
    p99_.store(window_->Percentile(0.99), std::memory_order_relaxed);
    inWindow_.store(window_->Count(), std::memory_order_relaxed);
}

ChannelHealthRecord ChannelHealth::Read() const {
    ChannelHealthRecord r;
    r.state = state();
    r.requestsSent = requestsSent_.load(std::memory_order_relaxed);
    r.repliesReceived = repliesReceived_.load(std::memory_order_relaxed);
    r.exchangesFailed = exchangesFailed_.load(std::memory_order_relaxed);
    r.reconnects = reconnects_.load(std::memory_order_relaxed);
    r.lastRoundTripUs = lastRoundTripUs_.load(std::memory_order_relaxed);
    r.p50RoundTripUs = p50_.load(std::memory_order_relaxed);
    r.p99RoundTripUs = p99_.load(std::memory_order_relaxed);
    r.roundTripsInWindow = inWindow_.load(std::memory_order_relaxed);
    r.lastGoodReplyUnixMs = lastGoodReplyUnixMs_.load(std::memory_order_relaxed);
    r.failuresInARow = failuresInARow_.load(std::memory_order_relaxed);
    r.lastExceptionCode = lastExceptionCode_.load(std::memory_order_relaxed);
    r.lastError = lastError_.Get();
    return r;
}

}  // namespace velmora
