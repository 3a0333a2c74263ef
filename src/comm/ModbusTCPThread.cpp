#include "comm/ModbusTCPThread.h"

#include <netinet/tcp.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/Log.h"
#include "comm/RequestFrame.h"

namespace velmora {
namespace {

// A reply byte as the status line shows it: sign-extended to 32 bits, so
// 0x80 reads FFFFFF80.
unsigned SignExtended(std::uint8_t byte) {
    return static_cast<unsigned>(static_cast<int>(static_cast<std::int8_t>(byte)));
}

const char* ErrorText(int error) {
    const char* text = error != 0 ? ::strerrordesc_np(error) : nullptr;
    return text != nullptr ? text : "no error code";
}

// Why a read of `wanted` bytes ended early, in words that tell a silent
// controller from one that hangs up or stops halfway.
void DescribeRead(char* out, std::size_t size, const char* what, const ReceiveResult& r, std::size_t wanted,
                  std::chrono::milliseconds wait, std::chrono::milliseconds receiveTimeout) {
    if (r.closed) {
        if (r.received == 0) std::snprintf(out, size, "%s: the controller closed the connection", what);
        else std::snprintf(out, size, "%s: the controller closed the connection after %zu of %zu bytes", what,
                           r.received, wanted);
    } else if (r.result == 0) {
        std::snprintf(out, size, "%s: nothing within %lld ms", what, static_cast<long long>(wait.count()));
    } else if (r.error == EAGAIN) {
        std::snprintf(out, size, "%s: %zu of %zu bytes, then nothing within %lld ms", what, r.received, wanted,
                      static_cast<long long>(receiveTimeout.count()));
    } else {
        std::snprintf(out, size, "%s: %s", what, ErrorText(r.error));
    }
}

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t UnixMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CModbusTCPThread::~CModbusTCPThread() {
    WaitForBodiesToEnd();
}

void CModbusTCPThread::Bind(std::mutex& lock, const ChannelTable& channels, const OutputImage& image) {
    lock_ = &lock;
    channels_ = &channels;
    image_ = &image;
}

void CModbusTCPThread::Run() {
    if (lock_ == nullptr || m_nChannel < 0 || m_nChannel >= kChannelCount) {
        LogMessage("ModbusTCPThread: channel index %d has no image to send", m_nChannel);
        return;
    }
    for (;;) {
        bool exchange = true;
        if (m_bReconnect.load() == 1) {
            Connect();
            if (m_bReconnect.load() == 1) {
                exchange = false;
                if (!StopRequested()) Connect();
                if (m_bReconnect.load() == 1) {
                    for (int i = 0; i < timing_.pauseWaits; ++i) {
                        if (WaitForStop(timing_.pauseWait)) break;
                    }
                }
                // A second attempt that succeeded sends from the next wake-up.
            }
        }
        if (exchange) Exchange();
        health.Refresh(SteadyMs());
        if (StopRequested() || !SuspendSelf()) {
            EndBody();
            return;
        }
    }
}

void CModbusTCPThread::EndBody() {
    m_socket.Close();
    // The connection is gone: a later Start must connect again first.
    m_bReconnect.store(1);
    health.Stopped();
    std::this_thread::sleep_for(timing_.endSleep);
}

void CModbusTCPThread::ExchangeFailed(const char* format, ...) {
    char text[StatusLine::kBuffer];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    health.ExchangeFailed(text);
}

void CModbusTCPThread::Connect() {
    m_socket.Close();
    net::Socket socket = net::CreateTcpSocket();
    if (!socket.valid()) {
        char text[StatusLine::kBuffer];
        std::snprintf(text, sizeof text, "socket: %s", ErrorText(errno));
        health.ConnectFailed(text);
        return;
    }

    // The address text is copied under the lock: the channel dialog may be
    // changing it. 24 bytes is the row's buffer.
    char ip[ChannelInfo::kIpBuffer] = {};
    std::uint16_t port = 0;
    {
        std::lock_guard lock(*lock_);
        const ChannelInfo& row = (*channels_)[static_cast<std::size_t>(m_nChannel)];
        const std::size_t length = std::min(row.IP.size(), sizeof ip - 1);
        std::memcpy(ip, row.IP.data(), length);
        port = static_cast<std::uint16_t>(static_cast<std::uint32_t>(row.port) & 0xFFFFu);
    }
    szStatus.Format("正在连接%s", ip);
    health.Connecting();
    const int error = net::ConnectWithin(socket.fd(), ip, port, timing_.connectTimeout,
                                         [this] { return StopRequested(); });
    if (error != 0) {
        m_bReconnect.store(1);
        if (error != ECANCELED) {
            szStatus.Format("连接失败[%d]，稍后重试..", error);
            char text[StatusLine::kBuffer];
            std::snprintf(text, sizeof text, "connect to %s:%u: %s", ip, static_cast<unsigned>(port), ErrorText(error));
            health.ConnectFailed(text);
        } else {
            health.Stopped();
        }
        return;
    }
    // Small requests every 21 ms must not wait for the previous one's ACK.
    net::SetIntOption(socket.fd(), IPPROTO_TCP, TCP_NODELAY, 1);
    m_socket = std::move(socket);
    m_bReconnect.store(0);
    szStatus.Set("连接成功");
    health.Connected();
}

bool CModbusTCPThread::TakeSnapshot() {
    std::lock_guard lock(*lock_);
    const auto index = static_cast<std::size_t>(m_nChannel);
    const ChannelInfo& row = (*channels_)[index];
    const std::int64_t tagNum = std::max<std::int64_t>(row.tagNum, 0);
    regType_ = row.regType;
    deviceID_ = row.deviceID;
    nStartNum_ = row.nStartNum;
    if (tagNum > static_cast<std::int64_t>(kMaxFrameTags)) {
        slots_.clear();
        return false;
    }
    const auto tags = static_cast<std::size_t>(tagNum);
    // Sized once to the largest channel seen; later passes reuse it.
    if (slots_.capacity() < tags) slots_.reserve(std::max<std::size_t>(tags, 64));
    slots_.resize(tags);
    const auto& image = image_->g_ChannelImage[index];
    const std::size_t copied = std::min(tags, image.size());
    std::copy_n(image.begin(), copied, slots_.begin());
    std::fill(slots_.begin() + static_cast<std::ptrdiff_t>(copied), slots_.end(), 0);
    if (regType_ == 5) light512_ = image_->g_Light512Buf[index];
    return true;
}

void CModbusTCPThread::Exchange() {
    if (!m_socket.valid()) {
        m_bReconnect.store(1);
        return;
    }
    if (!TakeSnapshot()) {
        if (!oversizeLogged_) {
            oversizeLogged_ = true;
            LogMessage("Channel %d: tagNum beyond %zu cannot be sent in one request", m_nChannel + 1,
                       kMaxFrameTags);
        }
        return;
    }
    const std::size_t needed = RequestFrameSize(slots_.size());
    if (frame_.size() < needed) frame_.resize(needed);
    const FrameChannel channel{regType_, deviceID_, nStartNum_};
    const std::size_t size = BuildRequestFrame(channel, slots_, light512_, frame_);
    const auto stop = [this] { return StopRequested(); };

    const auto started = std::chrono::steady_clock::now();
    int error = 0;
    const long sent = net::SendAll(m_socket.fd(), frame_.data(), size, timing_.writableWait, stop, &error);
    if (sent < 0) {
        m_bReconnect.store(1);
        if (error != ECANCELED) ExchangeFailed("send of %zu bytes: %s", size, ErrorText(error));
        return;
    }
    m_nSendCount.fetch_add(1);
    health.RequestSent();

    if (FunctionCodeFor(regType_) != kFnLightData) {
        SocketSource source(m_socket.fd(), stop);
        const ReplyOutcome outcome = ReadReply(source, reply_, timing_.reply);
        switch (outcome.kind) {
            case ReplyOutcome::Kind::Complete: {
                m_nRecvCount.fetch_add(1);
                const auto roundTrip = std::chrono::duration_cast<std::chrono::microseconds>(
                                           std::chrono::steady_clock::now() - started)
                                           .count();
                health.ReplyReceived(roundTrip, SteadyMs(), UnixMs());
                // The reply is not acted on, but a refusal is worth telling:
                // the link is fine and yet nothing gets written.
                constexpr std::size_t kFunctionAt = kReplyHeaderBytes + 1;
                if (outcome.bodyLength >= 2 && (reply_[kFunctionAt] & 0x80u) != 0) {
                    health.ExceptionReplied(reply_[kFunctionAt] & 0x7F,
                                            outcome.bodyLength >= 3 ? reply_[kFunctionAt + 1] : -1);
                }
                break;
            }
            case ReplyOutcome::Kind::Stopped:
                m_bReconnect.store(1);
                return;
            case ReplyOutcome::Kind::HeaderFailed: {
                m_bReconnect.store(1);
                szStatus.Format("Ret【%d】ERR[%d]Send[%d][%X][%X][%X][%X]", outcome.receive.result,
                                outcome.receive.error, static_cast<int>(sent), SignExtended(reply_[0]),
                                SignExtended(reply_[1]), SignExtended(reply_[2]), SignExtended(reply_[3]));
                LogMessage("%s", szStatus.Get().c_str());
                char text[StatusLine::kBuffer];
                DescribeRead(text, sizeof text, "reply header", outcome.receive, kReplyHeaderBytes,
                             timing_.reply.headerWait, timing_.reply.receiveTimeout);
                health.ExchangeFailed(text);
                return;
            }
            case ReplyOutcome::Kind::Oversize:
                LogMessage("Channel %d: reply announces %zu bytes, more than %zu; reconnecting",
                           m_nChannel + 1, outcome.bodyLength, kMaxReplyBody);
                [[fallthrough]];
            case ReplyOutcome::Kind::BodyFailed:
                m_bReconnect.store(1);
                szStatus.Set("测试点【003】");
                LogMessage("测试点【003】");
                if (outcome.kind == ReplyOutcome::Kind::Oversize) {
                    ExchangeFailed("reply announces %zu bytes, more than %zu", outcome.bodyLength, kMaxReplyBody);
                } else {
                    char what[64];
                    std::snprintf(what, sizeof what, "reply body of %zu bytes", outcome.bodyLength);
                    char text[StatusLine::kBuffer];
                    DescribeRead(text, sizeof text, what, outcome.receive, outcome.bodyLength,
                                 timing_.reply.bodyWait, timing_.reply.receiveTimeout);
                    health.ExchangeFailed(text);
                }
                return;
        }
    }
    lastExchangeUs.store(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count());
    if (FunctionCodeFor(regType_) == kFnLightData) health.ExchangeDone();
    szStatus.Format("发[%d]收[%d]", m_nSendCount.load(), m_nRecvCount.load());
}

void StartSenders(std::span<CModbusTCPThread> senders) {
    for (std::size_t i = 0; i < senders.size(); ++i) {
        // A running body reads its channel index on every pass: leave it be.
        if (senders[i].IsRunning()) continue;
        senders[i].m_nChannel = static_cast<std::int32_t>(i);
        senders[i].Start();
    }
}

}  // namespace velmora
