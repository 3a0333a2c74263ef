#pragma once
// Tries a motor program on one motor controller without a show: connects,
// and writes for each of N motors the command record of the program step due
// now, motor k + 1 starting m_nStagger ms after motor k. Ends by itself once
// the last motor has run through the program, on a failed connect (telling
// the operator "通讯失败！") or on Stop().
//
// Pacing: nothing in the system resumes this thread, so after each exchange
// it waits by itself until the next moment any motor's step changes, and at
// most kRefresh, so a controller that missed a record gets it again soon.
//
// Member groups by thread:
//   owner thread while idle: the settings, m_listBlocks, SetPrompter, SetClock
//   test thread only: the socket, m_nStartTime
//   shared: m_szStatus, the counters, m_bReconnect, Finished()

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Prompter.h"
#include "app/Thread.h"
#include "comm/ReplyReader.h"
#include "comm/Socket.h"
#include "comm/StatusLine.h"
#include "comm/MotorBlock.h"

namespace velmora {

class CModbusMotorThread : public Thread {
public:
    static constexpr std::chrono::milliseconds kRefresh{500};
    static constexpr std::chrono::milliseconds kConnectTimeout{3000};
    static constexpr std::chrono::milliseconds kExchangeWait{1000};

    CModbusMotorThread() = default;
    ~CModbusMotorThread() override;

    std::string m_szIP = "127.0.0.1";  // cut to 255 bytes when used
    std::int32_t m_nPort = 502;
    std::int32_t m_nUnitID = 1;
    std::int32_t m_nStartAddr = 1;
    std::int32_t m_nInterval = 2000;  // "命令间隔(ms)"
    std::int32_t m_nMotorCount = 1;   // 1..16
    std::int32_t m_nStagger = 0;
    std::uint32_t m_nStartTime = 0;   // clock at the last successful connect
    std::vector<MotorBlock_struct> m_listBlocks;
    std::int32_t m_nStepBase = 123;
    StatusLine m_szStatus;
    std::atomic<std::int32_t> m_nRecvCount{0};
    std::atomic<std::int32_t> m_nSendCount{0};
    std::atomic<std::int32_t> m_bReconnect{1};

    // Thread contract: owner thread while idle. Where "通讯失败！" goes; it
    // is called on this worker thread, so give it a QueuedPrompter (the
    // runtime's operatorMessages()), which hands it to the owner thread.
    // Without one the text is only logged.
    void SetPrompter(Prompter* prompter) { prompter_ = prompter; }
    // Thread contract: owner thread while idle. The millisecond clock (the
    // program-wide GetClockMs unless a test sets another).
    void SetClock(std::function<std::uint32_t()> clock) { clock_ = std::move(clock); }

    // Thread contract: any thread. The body of the last Start has returned.
    bool Finished() const { return finished_.load(); }

    // Thread contract: owner thread. Stop() then Start(), with Finished()
    // false and Elapsed() -1 from the moment it returns true, so an owner
    // that polls them never takes the end of the previous run for this one's.
    bool Restart();

    // Thread contract: any thread. Milliseconds into the program of the last
    // frame built (the program restarts at 0 after a reconnect); -1 before
    // the first frame of a run.
    std::int64_t Elapsed() const { return elapsed_.load(); }

protected:
    void Run() override;

private:
    bool Connect();
    void End();

    Prompter* prompter_ = nullptr;
    std::function<std::uint32_t()> clock_;
    net::Socket m_socket;
    ReplyBuffer reply_{};
    std::atomic<bool> finished_{false};
    std::atomic<std::int64_t> elapsed_{-1};
};

}  // namespace velmora
