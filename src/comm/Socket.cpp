#include "comm/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace velmora::net {
namespace {

using Clock = std::chrono::steady_clock;

bool Stopped(const StopCheck& stop) { return stop && stop(); }

}  // namespace

void Socket::Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

bool ParseIPv4(const std::string& text, in_addr* out) {
    return inet_aton(text.c_str(), out) != 0;
}

bool IsLoopback(in_addr address) {
    return (ntohl(address.s_addr) >> 24) == 127;
}

Socket CreateTcpSocket() {
    return Socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
}

WaitResult WaitFor(int fd, short events, std::chrono::milliseconds timeout, const StopCheck& stop) {
    const auto deadline = Clock::now() + std::max(timeout, std::chrono::milliseconds{0});
    for (;;) {
        if (Stopped(stop)) return WaitResult::Stopped;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const auto slice = std::clamp(left, std::chrono::milliseconds{0}, kPollSlice);
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(slice.count()));
        if (rc > 0) return WaitResult::Ready;  // POLLERR / POLLHUP included
        if (rc < 0 && errno != EINTR) return WaitResult::Error;
        if (rc == 0 && left <= std::chrono::milliseconds{0}) return WaitResult::TimedOut;
        if (rc == 0 && Clock::now() >= deadline) return WaitResult::TimedOut;
    }
}

int ConnectWithin(int fd, const std::string& ip, std::uint16_t port, std::chrono::milliseconds timeout,
                  const StopCheck& stop) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (!ParseIPv4(ip, &address.sin_addr) || address.sin_addr.s_addr == htonl(INADDR_ANY)) {
        return EADDRNOTAVAIL;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return 0;
    if (errno != EINPROGRESS && errno != EINTR) return errno;
    switch (WaitFor(fd, POLLOUT, timeout, stop)) {
        case WaitResult::Ready:
            break;
        case WaitResult::TimedOut:
            return ETIMEDOUT;
        case WaitResult::Stopped:
            return ECANCELED;
        case WaitResult::Error:
            return errno;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

long SendAll(int fd, const std::uint8_t* data, std::size_t size, std::chrono::milliseconds timeout,
             const StopCheck& stop, int* error) {
    const auto deadline = Clock::now() + timeout;
    std::size_t sent = 0;
    while (sent < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        switch (WaitFor(fd, POLLOUT, left, stop)) {
            case WaitResult::Ready:
                break;
            case WaitResult::TimedOut:
                *error = ETIMEDOUT;
                return -1;
            case WaitResult::Stopped:
                *error = ECANCELED;
                return -1;
            case WaitResult::Error:
                *error = errno;
                return -1;
        }
        const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            *error = errno;
            return -1;
        }
        sent += static_cast<std::size_t>(n);
    }
    *error = 0;
    return static_cast<long>(sent);
}

void SetIntOption(int fd, int level, int option, int value) {
    (void)::setsockopt(fd, level, option, &value, sizeof value);
}

}  // namespace velmora::net
