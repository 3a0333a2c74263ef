// The senders against velmora-sim, its fault injection, and both against an
// independent Modbus stack (libmodbus) where it is installed.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/ScratchDir.h"
#include "app/WaitFor.h"
#include "comm/ModbusTCPThread.h"
#include "comm/SimProcess.h"

#ifdef VELMORA_HAVE_LIBMODBUS
#include <arpa/inet.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#endif

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::SimProcess;

// Channels 1 and 2 of one controller: registers on unit 3, a light universe on unit 4.
class SimulatorTest : public ::testing::Test {
protected:
    void Configure(std::uint16_t port) {
        channels_[0] = ChannelInfo{};
        channels_[0].IP = "127.0.0.1";
        channels_[0].port = port;
        channels_[0].tagNum = 30;
        channels_[0].deviceID = 3;
        channels_[0].nStartNum = 11;
        channels_[1] = channels_[0];
        channels_[1].regType = 3;
        channels_[1].tagNum = 4;
        channels_[1].deviceID = 4;
        image_.Reallocate(channels_);
        for (std::size_t i = 0; i < 30; ++i) image_.g_ChannelImage[0][i] = static_cast<std::int32_t>(1000 + 37 * i);
        image_.g_ChannelImage[1][0] = 0x00030201;
        for (std::size_t i = 0; i < 2; ++i) {
            senders_[i].Bind(lock_, channels_, image_);
            senders_[i].m_nChannel = static_cast<std::int32_t>(i);
            CModbusTCPThread::Timing timing;
            timing.pauseWait = 50ms;
            timing.reply.bodyWait = 300ms;
            senders_[i].SetTiming(timing);
        }
    }
    // Starts a sender and waits for its first pass to end.
    bool FirstPass(std::size_t i) {
        return senders_[i].Start() && testing::WaitFor([&] { return senders_[i].IsSuspended(); });
    }
    bool Pass(std::size_t i) {
        return senders_[i].Resume() && testing::WaitFor([&] { return senders_[i].IsSuspended(); });
    }

    testing::ScratchDir dir_;
    std::mutex lock_;
    ChannelTable channels_;
    OutputImage image_;
    std::array<CModbusTCPThread, 2> senders_;
};

TEST_F(SimulatorTest, KeepsWhatTheSendersWroteAndDumpsIt) {
    const auto dump = dir_.path() / "dump.json";
    SimProcess sim({"--dump", dump.string()});
    ASSERT_TRUE(sim.ok());
    Configure(sim.port());
    ASSERT_TRUE(FirstPass(0));
    ASSERT_TRUE(FirstPass(1));
    EXPECT_EQ(senders_[0].Status(), "发[1]收[1]");
    EXPECT_EQ(senders_[1].Status(), "发[1]收[0]");
    ASSERT_TRUE(Pass(1));  // the light request has no reply to wait for; make sure it landed
    senders_[0].Stop();
    senders_[1].Stop();
    ASSERT_EQ(sim.Stop(), 0);

    std::ifstream in(dump);
    const auto json = nlohmann::json::parse(in);
    const auto& endpoint = json["endpoints"][0];
    EXPECT_EQ(endpoint["listen"], "127.0.0.1:" + std::to_string(sim.port()));
    EXPECT_EQ(endpoint["connections"], 2);
    EXPECT_EQ(endpoint["requests"], 3);
    ASSERT_EQ(endpoint["units"].size(), 2u);
    const auto& registers = endpoint["units"][0];
    EXPECT_EQ(registers["unit"], 3);
    ASSERT_EQ(registers["holding"].size(), 30u);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(registers["holding"][std::to_string(10 + i)], 1000 + 37 * i);
    EXPECT_TRUE(registers["coils"].empty());
    const auto& light = endpoint["units"][1];
    EXPECT_EQ(light["unit"], 4);
    EXPECT_EQ(light["f0"], "010203" + std::string(10, '0'));
}

TEST_F(SimulatorTest, UnusedChannelWritesZeroCoils) {
    const auto dump = dir_.path() / "coils.json";
    SimProcess sim({"--dump", dump.string()});
    ASSERT_TRUE(sim.ok());
    Configure(sim.port());
    channels_[0].regType = 0;
    channels_[0].tagNum = 10;
    channels_[0].nStartNum = 1;
    image_.Reallocate(channels_);
    ASSERT_TRUE(FirstPass(0));
    EXPECT_EQ(senders_[0].Status(), "发[1]收[1]");  // function 15 is answered
    senders_[0].Stop();
    ASSERT_EQ(sim.Stop(), 0);
    std::ifstream in(dump);
    const auto endpoint = nlohmann::json::parse(in)["endpoints"][0];
    // The dump reports the request's size as it arrived: 2 x tagNum + 13, coils or not.
    EXPECT_EQ(endpoint["lastRequestBytes"], 33);
    const auto unit = endpoint["units"][0];
    ASSERT_EQ(unit["coils"].size(), 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(unit["coils"][std::to_string(i)], 0);
    EXPECT_TRUE(unit["holding"].empty());
}

TEST_F(SimulatorTest, MissingReplyParts) {
    struct Case {
        const char* fault;
        const char* statusPrefix;
    } cases[] = {
        {"--header-only", "测试点【003】"},
        {"--oversize-reply", "测试点【003】"},
        {"--no-reply", "Ret【0】ERR[0]Send[73]"},
    };
    for (const auto& c : cases) {
        SimProcess sim({c.fault});
        ASSERT_TRUE(sim.ok()) << c.fault;
        Configure(sim.port());
        ASSERT_TRUE(FirstPass(0)) << c.fault;
        EXPECT_EQ(senders_[0].Status().rfind(c.statusPrefix, 0), 0u) << c.fault << ": " << senders_[0].Status();
        EXPECT_EQ(senders_[0].m_bReconnect.load(), 1) << c.fault;
        EXPECT_EQ(senders_[0].m_nRecvCount.load(), 0) << c.fault;
        senders_[0].Stop();
    }
}

TEST_F(SimulatorTest, SlowAndClosingDevices) {
    {
        // Late, but inside the 1 s header wait: a normal exchange.
        SimProcess sim({"--delay", "300"});
        ASSERT_TRUE(sim.ok());
        Configure(sim.port());
        const auto before = std::chrono::steady_clock::now();
        ASSERT_TRUE(FirstPass(0));
        EXPECT_GE(std::chrono::steady_clock::now() - before, 290ms);
        EXPECT_EQ(senders_[0].Status(), "发[1]收[1]");
        senders_[0].Stop();
    }
    {
        // The device hangs up on every connection's second request: the header
        // read sees the end of the stream (result 0); the next pass reconnects
        // and exchanges at once.
        SimProcess sim({"--close-after", "2"});
        ASSERT_TRUE(sim.ok());
        Configure(sim.port());
        ASSERT_TRUE(FirstPass(0));
        ASSERT_TRUE(Pass(0));
        EXPECT_EQ(senders_[0].Status().rfind("Ret【0】ERR[0]Send[73]", 0), 0u) << senders_[0].Status();
        // Counters run on across the restart: one exchange came before.
        ASSERT_TRUE(Pass(0));
        EXPECT_EQ(senders_[0].Status(), "发[4]收[3]");
        ASSERT_TRUE(Pass(0));
        EXPECT_EQ(senders_[0].Status().rfind("Ret【0】ERR[0]Send[73]", 0), 0u) << senders_[0].Status();
        senders_[0].Stop();
    }
}

#ifdef VELMORA_HAVE_LIBMODBUS

TEST_F(SimulatorTest, StandardMasterReadsTheImageBack) {
    SimProcess sim({});
    ASSERT_TRUE(sim.ok());
    Configure(sim.port());
    ASSERT_TRUE(FirstPass(0));
    EXPECT_EQ(senders_[0].Status(), "发[1]收[1]");

    modbus_t* ctx = modbus_new_tcp("127.0.0.1", sim.port());
    ASSERT_NE(ctx, nullptr);
    modbus_set_slave(ctx, 3);
    ASSERT_EQ(modbus_connect(ctx), 0);
    std::uint16_t values[30] = {};
    EXPECT_EQ(modbus_read_registers(ctx, 10, 30, values), 30);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(values[i], 1000 + 37 * i) << i;
    // Beyond what was written reads 0; beyond the address space is refused.
    EXPECT_EQ(modbus_read_registers(ctx, 40, 2, values), 2);
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(modbus_read_registers(ctx, 65535, 2, values), -1);
    modbus_close(ctx);
    modbus_free(ctx);
}

// A libmodbus server on an ephemeral loopback port, serving one connection.
class LibmodbusServer {
public:
    LibmodbusServer() {
        mapping_ = modbus_mapping_new(0, 0, 200, 0);
        ctx_ = modbus_new_tcp("127.0.0.1", 0);
        listener_ = modbus_tcp_listen(ctx_, 1);
        sockaddr_in address{};
        socklen_t length = sizeof address;
        if (listener_ >= 0 && ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
        thread_ = std::thread([this] { Serve(); });
    }
    ~LibmodbusServer() {
        stop_ = true;
        thread_.join();
        if (listener_ >= 0) ::close(listener_);
        modbus_close(ctx_);
        modbus_free(ctx_);
        modbus_mapping_free(mapping_);
    }
    std::uint16_t port() const { return port_; }
    std::uint16_t Register(int address) {
        std::lock_guard lock(mutex_);
        return mapping_->tab_registers[address];
    }
    int requests() const { return requests_.load(); }

private:
    void Serve() {
        // accept() in libmodbus blocks; wait for the listener to be readable first.
        pollfd p{listener_, POLLIN, 0};
        while (!stop_ && ::poll(&p, 1, 20) == 0) {
        }
        if (stop_ || modbus_tcp_accept(ctx_, &listener_) < 0) return;
        modbus_set_indication_timeout(ctx_, 0, 50000);
        std::uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
        while (!stop_) {
            const int n = modbus_receive(ctx_, query);
            if (n <= 0) {
                if (n < 0 && errno != ETIMEDOUT) return;
                continue;
            }
            std::lock_guard lock(mutex_);
            // Counted before the reply goes out: the sender may see the reply,
            // and the test count the requests, before this thread runs again.
            ++requests_;
            modbus_reply(ctx_, query, n, mapping_);
        }
    }

    modbus_t* ctx_ = nullptr;
    modbus_mapping_t* mapping_ = nullptr;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::mutex mutex_;
    std::thread thread_;
};

TEST_F(SimulatorTest, LibmodbusServerStoresTheChannelImage) {
    LibmodbusServer server;
    ASSERT_NE(server.port(), 0);
    Configure(server.port());
    // libmodbus takes at most 123 registers per request, as the standard says.
    {
        std::lock_guard lock(lock_);
        channels_[0].tagNum = 120;
        channels_[0].nStartNum = 5;
        channels_[0].deviceID = 1;
        image_.Reallocate(channels_);
        for (std::size_t i = 0; i < 120; ++i) {
            image_.g_ChannelImage[0][i] = static_cast<std::int32_t>(0x10000 * 3 + (i * 541) % 65536);
        }
    }
    ASSERT_TRUE(FirstPass(0));
    ASSERT_TRUE(Pass(0));
    EXPECT_EQ(senders_[0].Status(), "发[2]收[2]");
    EXPECT_EQ(server.requests(), 2);
    for (int i = 0; i < 120; ++i) EXPECT_EQ(server.Register(4 + i), (i * 541) % 65536) << i;
    EXPECT_EQ(server.Register(3), 0);
    EXPECT_EQ(server.Register(124), 0);
    senders_[0].Stop();
}

#endif  // VELMORA_HAVE_LIBMODBUS

}  // namespace
}  // namespace velmora
