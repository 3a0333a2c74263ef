#include "SimServer.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velmora::sim {

using Clock = std::chrono::steady_clock;

bool SimServer::Listen(const std::string& host, std::uint16_t port, std::string* error) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (!net::ParseIPv4(host, &address.sin_addr)) {
        *error = "not an IPv4 address: " + host;
        return false;
    }
    net::Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!listener.valid()) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    net::SetIntOption(listener.fd(), SOL_SOCKET, SO_REUSEADDR, 1);
    socklen_t length = sizeof address;
    if (::bind(listener.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.fd(), 128) != 0 ||
        ::getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        *error = host + ":" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    auto endpoint = std::make_unique<Endpoint>();
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    endpoint->host = text;
    endpoint->port = ntohs(address.sin_port);
    endpoint->listener = std::move(listener);
    endpoints_.push_back(std::move(endpoint));
    return true;
}

void SimServer::Run(const std::function<bool()>& keepGoing, const std::function<void()>& tick) {
    std::vector<pollfd> fds;
    while (keepGoing()) {
        fds.clear();
        for (const auto& e : endpoints_) fds.push_back({e->listener.fd(), POLLIN, 0});
        auto timeout = std::chrono::milliseconds{50};
        const auto now = Clock::now();
        for (const auto& c : connections_) {
            const short events = static_cast<short>(POLLIN | (c->out.empty() ? 0 : POLLOUT));
            fds.push_back({c->socket.fd(), events, 0});
            if (!c->pending.empty()) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(c->pending.front().due - now);
                timeout = std::clamp(left, std::chrono::milliseconds{0}, timeout);
            }
        }
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
        if (ready < 0 && errno != EINTR) break;
        // Connections first: Accept may grow the list that `fds` mirrors.
        const std::size_t listeners = endpoints_.size();
        const std::size_t count = connections_.size();
        for (std::size_t i = 0; ready > 0 && i < count; ++i) {
            Connection& c = *connections_[i];
            const short revents = fds[listeners + i].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR)) Read(c);
            if (!c.dead && (revents & POLLOUT)) Flush(c);
        }
        for (std::size_t i = 0; ready > 0 && i < listeners; ++i) {
            if (fds[i].revents & POLLIN) Accept(*endpoints_[i]);
        }
        const auto later = Clock::now();
        for (auto& c : connections_) {
            while (!c->dead && !c->pending.empty() && c->pending.front().due <= later) {
                Pending p = std::move(c->pending.front());
                c->pending.pop_front();
                c->out.insert(c->out.end(), p.bytes.begin(), p.bytes.end());
                if (p.closeAfter) c->closing = true;
                Flush(*c);
            }
        }
        std::erase_if(connections_, [](const auto& c) { return c->dead; });
        tick();
    }
}

void SimServer::Accept(Endpoint& endpoint) {
    for (;;) {
        const int fd = ::accept4(endpoint.listener.fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        net::SetIntOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
        auto c = std::make_unique<Connection>();
        c->endpoint = &endpoint;
        c->socket = net::Socket(fd);
        connections_.push_back(std::move(c));
        ++endpoint.connections;
    }
}

void SimServer::Read(Connection& c) {
    std::uint8_t buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(c.socket.fd(), buffer, sizeof buffer, 0);
        if (n > 0) {
            c.endpoint->bytes += n;
            c.in.insert(c.in.end(), buffer, buffer + n);
            Frame(c);
            if (c.dead) return;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        c.dead = true;  // closed by the peer, or an error
        return;
    }
}

void SimServer::Frame(Connection& c) {
    std::size_t used = 0;
    while (!c.dead && c.in.size() - used >= 6) {
        const std::uint8_t* at = c.in.data() + used;
        const std::size_t total = 6 + ((static_cast<std::size_t>(at[4]) << 8) | at[5]);
        if (total < 8) {  // no unit and function: the stream is garbage
            c.dead = true;
            return;
        }
        if (c.in.size() - used < total) break;
        Answer(c, std::span<const std::uint8_t>(at, total));
        used += total;
    }
    c.in.erase(c.in.begin(), c.in.begin() + static_cast<std::ptrdiff_t>(used));
}

void SimServer::Answer(Connection& c, std::span<const std::uint8_t> request) {
    Endpoint& e = *c.endpoint;
    ++e.requests;
    ++c.requests;
    e.lastRequest = Clock::now();
    e.lastRequestBytes = request.size();
    const bool answer = HandleRequest(request, e.units, reply_);
    if (faults_.closeAfter > 0 && c.requests >= faults_.closeAfter) {
        c.dead = true;
        return;
    }
    if (!answer || faults_.noReply) return;
    std::vector<std::uint8_t> bytes = reply_;
    if (faults_.headerOnly) {
        bytes.resize(6);
    } else if (faults_.oversize) {
        const std::size_t body = 1100;
        bytes.assign(6 + body, 0);
        std::copy_n(reply_.begin(), 4, bytes.begin());
        bytes[4] = static_cast<std::uint8_t>(body >> 8);
        bytes[5] = static_cast<std::uint8_t>(body & 0xFF);
    }
    Queue(c, std::move(bytes), false);
}

void SimServer::Queue(Connection& c, std::vector<std::uint8_t> bytes, bool closeAfter) {
    if (faults_.delay.count() > 0) {
        c.pending.push_back({Clock::now() + faults_.delay, std::move(bytes), closeAfter});
        return;
    }
    c.out.insert(c.out.end(), bytes.begin(), bytes.end());
    if (closeAfter) c.closing = true;
    Flush(c);
}

void SimServer::Flush(Connection& c) {
    while (!c.out.empty()) {
        const ssize_t n = ::send(c.socket.fd(), c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
            c.dead = true;
            return;
        }
        c.out.erase(c.out.begin(), c.out.begin() + n);
    }
    // A peer that never reads must not make us hold unbounded replies.
    if (c.out.size() > 4 * kMaxFrame) c.dead = true;
    if (c.out.empty() && c.closing) c.dead = true;
}

}  // namespace velmora::sim
