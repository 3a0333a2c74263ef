#include "comm/ModbusMotorThread.h"

#include <netinet/tcp.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "app/Clock.h"
#include "app/Log.h"
#include "comm/MotorTestFrame.h"

namespace velmora {

CModbusMotorThread::~CModbusMotorThread() {
    WaitForBodiesToEnd();
}

bool CModbusMotorThread::Connect() {
    m_socket.Close();
    net::Socket socket = net::CreateTcpSocket();
    if (!socket.valid()) {
        m_szStatus.Format("连接失败[%d]，稍后重试..", errno);
        return false;
    }
    const std::string ip = m_szIP.substr(0, 255);
    m_szStatus.Format("正在连接%s", ip.c_str());
    const auto port = static_cast<std::uint16_t>(static_cast<std::uint32_t>(m_nPort) & 0xFFFFu);
    const int error =
        net::ConnectWithin(socket.fd(), ip, port, kConnectTimeout, [this] { return StopRequested(); });
    if (error != 0) {
        m_szStatus.Format("连接失败[%d]，稍后重试..", error);
        return false;
    }
    net::SetIntOption(socket.fd(), IPPROTO_TCP, TCP_NODELAY, 1);
    m_socket = std::move(socket);
    m_bReconnect.store(0);
    m_szStatus.Set("连接成功");
    return true;
}

bool CModbusMotorThread::Restart() {
    Stop();
    // Only when no body of this object can still be running: an abandoned
    // one will set the flag itself as it ends, and Start refuses then anyway.
    if (HasAbandonedBody()) return false;
    finished_.store(false);
    elapsed_.store(-1);
    return Start();
}

void CModbusMotorThread::End() {
    m_socket.Close();
    std::this_thread::sleep_for(std::chrono::milliseconds{20});
    finished_.store(true);
}

void CModbusMotorThread::Run() {
    finished_.store(false);
    const auto now = [this] { return clock_ ? clock_() : GetClockMs(); };
    const auto stop = [this] { return StopRequested(); };
    const MotorTestSettings settings{m_nUnitID, m_nStartAddr, m_nInterval, m_nMotorCount, m_nStagger, m_nStepBase};
    std::uint8_t frame[MotorTestFrameSize(kMaxTestMotors)];

    m_bReconnect.store(1);
    for (;;) {
        if (m_bReconnect.load() == 1) {
            if (!Connect()) {
                // A stop during the connect is the operator's own doing, not a failure to report.
                if (!StopRequested()) {
                    LogMessage("通讯失败！");
                    if (prompter_ != nullptr) prompter_->Tell("通讯失败！");
                }
                End();
                return;
            }
            m_nStartTime = now();
        }
        // Unsigned difference: the 32-bit clock may wrap during a long test.
        const std::int64_t elapsed = static_cast<std::uint32_t>(now() - m_nStartTime);
        if (MotorTestFinished(settings, m_listBlocks.size(), elapsed)) {
            End();
            return;
        }
        const std::size_t size = BuildMotorTestFrame(settings, m_listBlocks, elapsed, frame);
        elapsed_.store(elapsed);

        int error = 0;
        if (net::SendAll(m_socket.fd(), frame, size, kExchangeWait, stop, &error) < 0) {
            m_bReconnect.store(1);
            if (StopRequested()) break;
            continue;
        }
        m_nSendCount.fetch_add(1);

        // Header in one receive, body in one receive, as the controllers answer.
        SocketSource source(m_socket.fd(), stop);
        bool ok = source.WaitReadable(kExchangeWait) == net::WaitResult::Ready &&
                  source.Receive(reply_.data(), kReplyHeaderBytes, kExchangeWait, &error) ==
                      static_cast<long>(kReplyHeaderBytes);
        if (ok) {
            const std::size_t body = ReplyBodyLength(reply_.data());
            ok = body <= kMaxReplyBody &&
                 (body == 0 || source.Receive(reply_.data() + kReplyHeaderBytes, body, kExchangeWait, &error) ==
                                   static_cast<long>(body));
        }
        if (!ok) {
            m_bReconnect.store(1);
            if (StopRequested()) break;
            continue;
        }
        m_nRecvCount.fetch_add(1);

        if (StopRequested()) break;
        const std::int64_t wait = std::min<std::int64_t>(MsToNextMotorStep(settings, elapsed), kRefresh.count());
        if (WaitForStop(std::chrono::milliseconds{wait})) break;
    }
    End();
}

}  // namespace velmora
