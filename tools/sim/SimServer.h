#pragma once
// velmora-sim's event loop: one listening socket per endpoint, any number of
// connections on each, requests framed by their MBAP length and answered
// from the endpoint's unit images, with the faults a test asks for.
//
// Thread contract: single-threaded; everything runs in Run's loop.

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ModbusSlave.h"
#include "comm/Socket.h"

namespace velmora::sim {

struct Faults {
    bool noReply = false;
    std::chrono::milliseconds delay{0};
    long closeAfter = 0;       // close a connection on its Nth request (0 = never)
    bool headerOnly = false;   // send a reply's 6-byte header, then nothing
    bool oversize = false;     // announce a reply body above 1018 bytes
};

struct Endpoint {
    std::string host;
    std::uint16_t port = 0;  // 0 until bound when an ephemeral port was asked for
    net::Socket listener;
    long connections = 0;
    long requests = 0;
    long long bytes = 0;
    std::size_t lastRequestBytes = 0;  // whole frame, MBAP header included
    std::chrono::steady_clock::time_point lastRequest{};
    UnitMap units;

    std::string Name() const { return host + ":" + std::to_string(port); }
};

class SimServer {
public:
    // A request frame longer than this is taken as garbage and closes the
    // connection (the longest sender request is 2 x 32764 + 13 bytes).
    static constexpr std::size_t kMaxFrame = 6 + 65535;

    explicit SimServer(Faults faults) : faults_(faults) {}

    // Binds host:port; false with a reason on failure.
    bool Listen(const std::string& host, std::uint16_t port, std::string* error);

    // Runs until `keepGoing` says no; `tick` is called about every 50 ms.
    void Run(const std::function<bool()>& keepGoing, const std::function<void()>& tick);

    const std::vector<std::unique_ptr<Endpoint>>& endpoints() const { return endpoints_; }

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        std::vector<std::uint8_t> bytes;
        bool closeAfter = false;
    };
    struct Connection {
        Endpoint* endpoint;
        net::Socket socket;
        std::vector<std::uint8_t> in;
        std::vector<std::uint8_t> out;  // bytes accepted for sending, not yet sent
        std::deque<Pending> pending;    // delayed replies
        long requests = 0;
        bool closing = false;           // close once `out` is empty
        bool dead = false;
    };

    void Accept(Endpoint& endpoint);
    void Read(Connection& c);
    void Frame(Connection& c);
    void Answer(Connection& c, std::span<const std::uint8_t> request);
    void Queue(Connection& c, std::vector<std::uint8_t> bytes, bool closeAfter);
    void Flush(Connection& c);

    Faults faults_;
    std::vector<std::unique_ptr<Endpoint>> endpoints_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<std::uint8_t> reply_;
};

}  // namespace velmora::sim
