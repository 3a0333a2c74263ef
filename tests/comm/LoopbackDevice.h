#pragma once
// A scripted controller on 127.0.0.1 for sender tests: accepts connections
// on an ephemeral port, frames requests by their MBAP length and answers each
// with whatever the script returns. Everything it receives is kept.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace velmora::testing {

using Bytes = std::vector<std::uint8_t>;

// The standard reply to a write: the request's first 12 bytes with length 6.
inline Bytes EchoReply(const Bytes& request) {
    Bytes reply(request.begin(), request.begin() + 12);
    reply[4] = 0;
    reply[5] = 6;
    return reply;
}

class LoopbackDevice {
public:
    struct Answer {
        Bytes bytes;
        bool close = false;
    };
    using Script = std::function<Answer(const Bytes& request, int index)>;

    explicit LoopbackDevice(Script script, int backlog = 16) : script_(std::move(script)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, backlog) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            throw std::runtime_error("loopback listener failed");
        }
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Loop(); });
    }
    ~LoopbackDevice() {
        stop_ = true;
        thread_.join();
        for (const auto& c : connections_) ::close(c.fd);
        ::close(listener_);
    }

    std::uint16_t port() const { return port_; }

    int Accepted() const {
        std::lock_guard lock(mutex_);
        return accepted_;
    }
    std::vector<Bytes> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // Waits until `count` requests have come in; false after `timeout`.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
    }

private:
    struct Connection {
        int fd;
        Bytes pending;
    };

    void Loop() {
        while (!stop_) {
            std::vector<pollfd> fds{{listener_, POLLIN, 0}};
            for (const auto& c : connections_) fds.push_back({c.fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
            if (fds[0].revents & POLLIN) {
                const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    connections_.push_back({fd, {}});
                    std::lock_guard lock(mutex_);
                    ++accepted_;
                }
            }
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents == 0) continue;
                Connection& c = connections_[i - 1];
                std::uint8_t buffer[4096];
                const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    ::close(c.fd);
                    c.fd = -1;
                    continue;
                }
                c.pending.insert(c.pending.end(), buffer, buffer + n);
                Drain(c);
            }
            std::erase_if(connections_, [](const Connection& c) { return c.fd < 0; });
        }
    }

    void Drain(Connection& c) {
        while (c.fd >= 0 && c.pending.size() >= 6) {
            const std::size_t total = 6 + ((c.pending[4] << 8) | c.pending[5]);
            if (c.pending.size() < total) return;
            Bytes request(c.pending.begin(), c.pending.begin() + static_cast<std::ptrdiff_t>(total));
            c.pending.erase(c.pending.begin(), c.pending.begin() + static_cast<std::ptrdiff_t>(total));
            int index;
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
                index = static_cast<int>(requests_.size()) - 1;
            }
            cv_.notify_all();
            const Answer answer = script_(request, index);
            if (!answer.bytes.empty()) {
                (void)::send(c.fd, answer.bytes.data(), answer.bytes.size(), MSG_NOSIGNAL);
            }
            if (answer.close) {
                ::close(c.fd);
                c.fd = -1;
            }
        }
    }

    Script script_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::vector<Connection> connections_;  // device thread only
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    int accepted_ = 0;
    std::vector<Bytes> requests_;
};

}  // namespace velmora::testing
