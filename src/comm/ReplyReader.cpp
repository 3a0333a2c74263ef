#include "comm/ReplyReader.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace velmora {

ReceiveResult ReceiveExact(ByteSource& source, std::uint8_t* into, std::size_t size,
                           std::chrono::milliseconds wait, std::chrono::milliseconds receiveTimeout) {
    switch (source.WaitReadable(wait)) {
        case net::WaitResult::Ready:
            break;
        case net::WaitResult::Stopped:
            return {0, ECANCELED, true, false, 0};
        case net::WaitResult::TimedOut:
            return {0, 0, false, false, 0};
        case net::WaitResult::Error:
            return {-1, errno, false, false, 0};
    }
    std::size_t have = 0;
    while (have < size) {
        int error = 0;
        const long n = source.Receive(into + have, size - have, receiveTimeout, &error);
        if (n <= 0) return {n < 0 ? -1 : 0, n < 0 ? error : 0, n < 0 && error == ECANCELED, n == 0, have};
        have += static_cast<std::size_t>(n) <= size - have ? static_cast<std::size_t>(n) : size - have;
    }
    return {1, 0, false, false, have};
}

std::size_t ReplyBodyLength(const std::uint8_t* header) {
    return (static_cast<std::size_t>(header[4]) << 8) | header[5];
}

ReplyOutcome ReadReply(ByteSource& source, ReplyBuffer& buffer, const ReplyTiming& timing) {
    ReplyOutcome outcome;
    outcome.receive =
        ReceiveExact(source, buffer.data(), kReplyHeaderBytes, timing.headerWait, timing.receiveTimeout);
    if (outcome.receive.stopped) {
        outcome.kind = ReplyOutcome::Kind::Stopped;
        return outcome;
    }
    if (outcome.receive.result <= 0) {
        outcome.kind = ReplyOutcome::Kind::HeaderFailed;
        return outcome;
    }
    outcome.bodyLength = ReplyBodyLength(buffer.data());
    if (outcome.bodyLength > kMaxReplyBody) {
        outcome.kind = ReplyOutcome::Kind::Oversize;
        return outcome;
    }
    outcome.receive = ReceiveExact(source, buffer.data() + kReplyHeaderBytes, outcome.bodyLength,
                                   timing.bodyWait, timing.receiveTimeout);
    if (outcome.receive.stopped) {
        outcome.kind = ReplyOutcome::Kind::Stopped;
    } else if (outcome.receive.result <= 0) {
        outcome.kind = ReplyOutcome::Kind::BodyFailed;
    }
    return outcome;
}

net::WaitResult SocketSource::WaitReadable(std::chrono::milliseconds timeout) {
    return net::WaitFor(fd_, POLLIN, timeout, stop_);
}

long SocketSource::Receive(std::uint8_t* into, std::size_t size, std::chrono::milliseconds timeout,
                           int* error) {
    for (;;) {
        switch (net::WaitFor(fd_, POLLIN, timeout, stop_)) {
            case net::WaitResult::Ready:
                break;
            case net::WaitResult::TimedOut:
                *error = EAGAIN;
                return -1;
            case net::WaitResult::Stopped:
                *error = ECANCELED;
                return -1;
            case net::WaitResult::Error:
                *error = errno;
                return -1;
        }
        const ssize_t n = ::recv(fd_, into, size, MSG_DONTWAIT);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        *error = errno;
        return -1;
    }
}

}  // namespace velmora
