#include "comm/ModbusTCPThread.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

#include "app/Log.h"
#include "app/ScratchDir.h"
#include "app/WaitFor.h"
#include "comm/LoopbackDevice.h"
#include "comm/Socket.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::EchoReply;
using testing::LoopbackDevice;

class SenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousLog_ = GetLogPath();
        logPath_ = dir_.Write("FountainLog.log", "");
        SetLogPath(logPath_);
        channels_[0].IP = "127.0.0.1";
        channels_[0].tagNum = 3;
        image_.Reallocate(channels_);
        image_.g_ChannelImage[0] = {0x1234, 0, 0xFFFF};
        sender_.Bind(lock_, channels_, image_);
        CModbusTCPThread::Timing timing;
        timing.connectTimeout = 1000ms;
        timing.pauseWait = 100ms;
        timing.reply.bodyWait = 300ms;
        sender_.SetTiming(timing);
    }
    void TearDown() override {
        sender_.Stop();
        SetLogPath(previousLog_);
    }

    void Use(const LoopbackDevice& device) { channels_[0].port = device.port(); }
    bool Start() {
        sender_.m_nChannel = 0;
        return sender_.Start();
    }
    bool Idle() { return testing::WaitFor([&] { return sender_.IsSuspended(); }); }
    // Wakes the sender for one pass and waits for the pass to end.
    bool Pass() {
        if (!testing::WaitFor([&] { return sender_.IsSuspended(); })) return false;
        if (!sender_.Resume()) return false;
        return testing::WaitFor([&] { return sender_.IsSuspended(); });
    }
    std::string Log() { return testing::ReadAll(logPath_); }

    testing::ScratchDir dir_;
    std::filesystem::path logPath_, previousLog_;
    std::mutex lock_;
    ChannelTable channels_;
    OutputImage image_;
    CModbusTCPThread sender_;
};

TEST_F(SenderTest, ConnectsSendsTheImageAndCountsReplies) {
    LoopbackDevice device([](const Bytes& r, int) { return LoopbackDevice::Answer{EchoReply(r)}; });
    Use(device);
    ASSERT_TRUE(Start());
    // The first wake-up connects and, connected at once, already sends.
    ASSERT_TRUE(Idle());
    EXPECT_EQ(sender_.Status(), "发[1]收[1]");
    const Bytes expected{0x00, 0x00, 0x00, 0x00, 0x00, 0x0D, 0x01, 0x10, 0x00, 0x00,
                         0x00, 0x03, 0x06, 0x12, 0x34, 0x00, 0x00, 0xFF, 0xFF};
    ASSERT_EQ(device.Requests().size(), 1u);
    EXPECT_EQ(device.Requests()[0], expected);

    // A tagNum changed between passes is read afresh under the lock.
    {
        std::lock_guard lock(lock_);
        channels_[0].tagNum = 5;
        image_.Reallocate(channels_);
        image_.g_ChannelImage[0][4] = 0x0102;
    }
    ASSERT_TRUE(Pass());
    EXPECT_EQ(sender_.Status(), "发[2]收[2]");
    const Bytes second = device.Requests().at(1);
    ASSERT_EQ(second.size(), 23u);
    EXPECT_EQ(second[21], 0x01);
    EXPECT_EQ(second[22], 0x02);
    EXPECT_EQ(sender_.m_nSendCount.load(), 2);
    EXPECT_EQ(sender_.m_nRecvCount.load(), 2);
    EXPECT_EQ(device.Accepted(), 1);  // one connection for every pass

    // The channel dialog asks for a reconnect: the next pass opens a new one.
    sender_.m_bReconnect.store(1);
    ASSERT_TRUE(Pass());
    EXPECT_EQ(device.Accepted(), 2);
    EXPECT_EQ(sender_.Status(), "发[3]收[3]");
}

TEST_F(SenderTest, RestartAfterStopConnectsAgain) {
    LoopbackDevice device([](const Bytes& r, int) { return LoopbackDevice::Answer{EchoReply(r)}; });
    Use(device);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Idle());
    sender_.Stop();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Idle());
    EXPECT_EQ(device.Accepted(), 2);
    EXPECT_EQ(sender_.Status(), "发[2]收[2]");
}

TEST_F(SenderTest, ExceptionRepliesCompleteAnExchange) {
    LoopbackDevice device([](const Bytes& r, int) {
        Bytes reply(r.begin(), r.begin() + 9);
        reply[5] = 3;
        reply[7] = 0x90;
        reply[8] = 0x02;
        return LoopbackDevice::Answer{reply};
    });
    Use(device);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Idle());
    ASSERT_TRUE(Pass());
    EXPECT_EQ(sender_.Status(), "发[2]收[2]");
}

TEST_F(SenderTest, SilentDeviceFailsTheHeaderAfterOneSecond) {
    LoopbackDevice device([](const Bytes&, int) { return LoopbackDevice::Answer{}; });
    Use(device);
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(testing::WaitFor([&] { return device.Requests().size() == 1; }));
    ASSERT_TRUE(Idle());
    const auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_GE(waited, 950ms);
    EXPECT_LT(waited, 2500ms);
    EXPECT_EQ(sender_.Status(), "Ret【0】ERR[0]Send[19][0][0][0][0]");
    EXPECT_NE(Log().find("Ret【0】ERR[0]Send[19][0][0][0][0]"), std::string::npos);
    EXPECT_EQ(sender_.m_bReconnect.load(), 1);
    EXPECT_EQ(sender_.m_nSendCount.load(), 1);
    EXPECT_EQ(sender_.m_nRecvCount.load(), 0);

    ASSERT_TRUE(Pass());  // reconnects first
    EXPECT_EQ(device.Accepted(), 2);
}

TEST_F(SenderTest, PartialHeaderShowsSignExtendedBytes) {
    LoopbackDevice device([](const Bytes&, int) { return LoopbackDevice::Answer{{0x80, 0x01, 0xFF}, true}; });
    Use(device);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Idle());
    EXPECT_EQ(sender_.Status(), "Ret【0】ERR[0]Send[19][FFFFFF80][1][FFFFFFFF][0]");
    EXPECT_EQ(sender_.m_bReconnect.load(), 1);
}

TEST_F(SenderTest, MissingBodyEndsInTestPoint003) {
    // A header that announces nothing further still needs the body wait to
    // see the socket readable; nothing more arrives.
    LoopbackDevice device([](const Bytes&, int) { return LoopbackDevice::Answer{{0, 0, 0, 0, 0, 0}}; });
    Use(device);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Idle());
    EXPECT_EQ(sender_.Status(), "测试点【003】");
    EXPECT_NE(Log().find("测试点【003】"), std::string::npos);
    EXPECT_EQ(sender_.m_bReconnect.load(), 1);
    EXPECT_EQ(sender_.m_nRecvCount.load(), 0);
}

TEST_F(SenderTest, OversizeReplyIsNotReadButReconnected) {
    LoopbackDevice device([](const Bytes& r, int index) {
        if (index > 0) return LoopbackDevice::Answer{EchoReply(r)};
        Bytes reply(6 + 1019, 0x5A);
        reply[4] = 1019 >> 8;
        reply[5] = 1019 & 0xFF;
        return LoopbackDevice::Answer{reply};
    });
    Use(device);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Idle());
    EXPECT_EQ(sender_.Status(), "测试点【003】");
    EXPECT_EQ(sender_.m_bReconnect.load(), 1);
    // The next pass reconnects; the one after it exchanges cleanly on the new
    // connection, unconfused by the oversize bytes left on the old one.
    ASSERT_TRUE(Pass());
    EXPECT_EQ(sender_.Status(), "发[2]收[1]");
    EXPECT_EQ(device.Accepted(), 2);
}

TEST_F(SenderTest, LightDataIsNotAnswered) {
    channels_[0].regType = 5;
    image_.g_Light512Buf[0][0] = 0x42;
    LoopbackDevice device([](const Bytes&, int) { return LoopbackDevice::Answer{{1, 2, 3, 4, 5, 6, 7}}; });
    Use(device);
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Idle());
    EXPECT_LT(std::chrono::steady_clock::now() - before, 900ms);  // no reply wait
    EXPECT_EQ(sender_.Status(), "发[1]收[0]");
    ASSERT_TRUE(Pass());
    EXPECT_EQ(sender_.Status(), "发[2]收[0]");
    ASSERT_TRUE(device.WaitForRequests(2, 1000ms));
    EXPECT_EQ(device.Requests()[1][7], 0xF0);
    EXPECT_EQ(device.Requests()[1][13], 0x42);
}

TEST_F(SenderTest, UnspecifiedAddressNeverConnects) {
    channels_[0].IP = "0.0.0.0";
    ASSERT_TRUE(Start());
    ASSERT_TRUE(testing::WaitFor([&] { return sender_.Status().rfind("连接失败", 0) == 0; }));
    char expected[64];
    std::snprintf(expected, sizeof expected, "连接失败[%d]，稍后重试..", EADDRNOTAVAIL);
    EXPECT_EQ(sender_.Status(), expected);
    EXPECT_EQ(sender_.m_bReconnect.load(), 1);
}

TEST_F(SenderTest, RefusedConnectPausesAndStopEndsThePause) {
    CModbusTCPThread::Timing timing = sender_.timing();
    timing.pauseWait = 1000ms;
    sender_.SetTiming(timing);
    {
        LoopbackDevice closed([](const Bytes&, int) { return LoopbackDevice::Answer{}; });
        Use(closed);
    }  // the port is free again: connects are refused
    ASSERT_TRUE(Start());
    char expected[64];
    std::snprintf(expected, sizeof expected, "连接失败[%d]，稍后重试..", ECONNREFUSED);
    ASSERT_TRUE(testing::WaitFor([&] { return sender_.Status() == expected; }));
    // In the 5 x 1 s pause; the stop must not wait it out.
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(sender_.IsSuspended());
    const auto before = std::chrono::steady_clock::now();
    sender_.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    EXPECT_FALSE(sender_.HasAbandonedBody());
}

TEST(SenderStopTest, HundredSendersStopWhileConnecting) {
    // A listener whose accept queue is full drops further SYNs, so every
    // sender's connect hangs in its wait. Loopback only.
    net::Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener.fd(), 0), 0);
    ASSERT_EQ(::getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::mutex lock;
    ChannelTable channels;
    for (auto& row : channels) {
        row.IP = "127.0.0.1";
        row.port = ntohs(address.sin_port);
    }
    OutputImage image;
    image.Reallocate(channels);
    auto senders = std::make_unique<std::array<CModbusTCPThread, kChannelCount>>();
    for (auto& s : *senders) {
        s.Bind(lock, channels, image);
        CModbusTCPThread::Timing timing;
        timing.connectTimeout = 10000ms;  // longer than the stop bound
        s.SetTiming(timing);
    }
    StartSenders(*senders);
    // Nearly all of them are stuck connecting; the first few got into the queue.
    EXPECT_TRUE(testing::WaitFor([&] {
        int connecting = 0;
        for (const auto& s : *senders) connecting += s.Status() == "正在连接127.0.0.1" ? 1 : 0;
        return connecting >= 90;
    }));
    std::this_thread::sleep_for(100ms);
    std::array<Thread*, kChannelCount> threads{};
    for (std::size_t i = 0; i < threads.size(); ++i) threads[i] = &(*senders)[i];
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(StopAllInParallel(threads, 3000ms));
    // Well inside the 3 s bound, with room for a loaded machine under sanitizers.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2500ms);
    for (const auto& s : *senders) EXPECT_FALSE(s.IsRunning());
}

}  // namespace
}  // namespace velmora
