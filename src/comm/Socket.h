#pragma once
// Small POSIX socket helpers for the senders and the simulator. Every wait is
// cut into short poll slices that look at a stop check, so a worker asked to
// stop never sits in the network for more than a slice.
//
// Thread contract: plain functions on a descriptor the caller owns.

#include <netinet/in.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace velmora::net {

using StopCheck = std::function<bool()>;

// How long one poll slice lasts at most before the stop check is consulted.
inline constexpr std::chrono::milliseconds kPollSlice{50};

// Owns one descriptor; closes it when replaced or destroyed.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() { Close(); }
    Socket(Socket&& other) noexcept : fd_(other.Release()) {}
    Socket& operator=(Socket&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Close() { Reset(-1); }
    void Reset(int fd);
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

// Dotted IPv4 text as the Windows socket API reads it (inet_aton forms such
// as "127.1" included). False for anything else.
bool ParseIPv4(const std::string& text, in_addr* out);

// True for 127.0.0.0/8.
bool IsLoopback(in_addr address);

// A non-blocking, close-on-exec IPv4 TCP socket; invalid with errno set on failure.
Socket CreateTcpSocket();

// Connects to ip:port within `timeout`. Returns 0, or the error of the
// attempt: the connect's errno, ETIMEDOUT when the wait ran out, ECANCELED
// when `stop` said so. The unspecified address 0.0.0.0 and unreadable text
// fail with EADDRNOTAVAIL instead of reaching this host, as they would fail
// on the controllers' original platform.
int ConnectWithin(int fd, const std::string& ip, std::uint16_t port, std::chrono::milliseconds timeout,
                  const StopCheck& stop);

enum class WaitResult { Ready, TimedOut, Error, Stopped };

// Waits for `events` (POLLIN / POLLOUT) on fd for at most `timeout`. A hang-up
// or socket error counts as ready, so the following call reports it.
WaitResult WaitFor(int fd, short events, std::chrono::milliseconds timeout, const StopCheck& stop);

// Sends every byte, waiting for room at most `timeout` in total. Returns the
// number of bytes sent, or -1 with the cause in `error` (ETIMEDOUT after the
// wait, ECANCELED when stopped). Never raises SIGPIPE.
long SendAll(int fd, const std::uint8_t* data, std::size_t size, std::chrono::milliseconds timeout,
             const StopCheck& stop, int* error);

// Sets an int socket option, ignoring failure (a tuning, never a need).
void SetIntOption(int fd, int level, int option, int value);

}  // namespace velmora::net
