#pragma once
// The sender of one channel: keeps a TCP connection to the channel's
// controller and, on every wake-up, writes the whole channel image in one
// request and reads the reply.
//
// Member groups by thread:
//   owner (UI) thread before Start: Bind, m_nChannel, SetTiming
//   sender thread only: the socket, the snapshot and frame buffers
//   shared: m_nSendCount, m_nRecvCount, szStatus, health (sender writes,
//           UI reads), m_bReconnect (sender and the channel dialog write)

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "app/Thread.h"
#include "comm/ChannelHealth.h"
#include "comm/ChannelImage.h"
#include "comm/ReplyReader.h"
#include "comm/Socket.h"
#include "comm/StatusLine.h"
#include "scene/ChannelInfo.h"

namespace velmora {

class CModbusTCPThread : public Thread {
public:
    struct Timing {
        // Connect has no system default here: a bounded wait keeps Stop fast.
        std::chrono::milliseconds connectTimeout{3000};
        int pauseWaits = 5;                          // after two failed connects
        std::chrono::milliseconds pauseWait{1000};
        std::chrono::milliseconds writableWait{5000};
        ReplyTiming reply;
        std::chrono::milliseconds endSleep{20};
    };

    CModbusTCPThread() = default;
    ~CModbusTCPThread() override;

    // Thread contract: owner thread, while idle. The shared state the sender
    // reads under `lock`.
    void Bind(std::mutex& lock, const ChannelTable& channels, const OutputImage& image);
    // Thread contract: owner thread, while idle.
    void SetTiming(const Timing& timing) { timing_ = timing; }
    const Timing& timing() const { return timing_; }

    // Thread contract: any thread. The status line shown by the channel monitor.
    std::string Status() const { return szStatus.Get(); }

    std::int32_t m_nChannel = 0;  // 0..99; set before Start
    std::atomic<std::int32_t> m_nRecvCount{0};
    std::atomic<std::int32_t> m_nSendCount{0};
    std::atomic<std::int32_t> m_bReconnect{1};
    StatusLine szStatus;
    // Microseconds from the start of the last completed exchange's send to
    // the end of its reply (or of its send, for light data); for monitors
    // and benchmarks.
    std::atomic<std::int64_t> lastExchangeUs{0};
    // The link's state and figures, for whoever must know whether the
    // channel is up: read these, never the status text.
    ChannelHealth health;
    // Thread contract: any thread.
    ChannelHealthRecord Health() const { return health.Read(); }

protected:
    void Run() override;

private:
    void Connect();
    void Exchange();
    bool TakeSnapshot();
    void EndBody();
    void ExchangeFailed(const char* format, ...) __attribute__((format(printf, 2, 3)));

    std::mutex* lock_ = nullptr;
    const ChannelTable* channels_ = nullptr;
    const OutputImage* image_ = nullptr;
    Timing timing_;

    // Sender thread only. The buffers grow to the largest channel seen and
    // are then reused, so a steady pass allocates nothing.
    net::Socket m_socket;
    std::vector<std::int32_t> slots_;
    std::array<std::uint8_t, 512> light512_{};
    std::vector<std::uint8_t> frame_;
    ReplyBuffer reply_{};
    std::int32_t regType_ = 1;
    std::int32_t deviceID_ = 1;
    std::int32_t nStartNum_ = 1;
    bool oversizeLogged_ = false;
};

// Starts every idle sender of `senders` for its channel index; a running one
// keeps its channel and body (starting the playback twice restarts nothing).
void StartSenders(std::span<CModbusTCPThread> senders);

}  // namespace velmora
