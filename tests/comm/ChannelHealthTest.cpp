// A channel's health record as its sender keeps it, against the controller
// simulator: counters, state changes, failures with their text, and the
// round-trip percentiles of the last minute.

#include "comm/ChannelHealth.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "app/WaitFor.h"
#include "comm/ModbusTCPThread.h"
#include "comm/RoundTripWindow.h"
#include "comm/SimProcess.h"
#include "comm/Socket.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::SimProcess;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(RoundTripWindowTest, PercentilesOfKnownSamples) {
    RoundTripWindow window;
    EXPECT_EQ(window.Percentile(0.99), -1) << "no sample yet";

    // Below 32 µs every time has a bucket of its own: the ranks are exact.
    for (int us = 1; us <= 30; ++us) window.Add(us, 1000);
    EXPECT_EQ(window.Percentile(0.50), 15);
    EXPECT_EQ(window.Percentile(0.99), 30);
    EXPECT_EQ(window.Count(), 30u);

    // 1..100 ms: nearest rank 50 and 99, within the 1/16 of a bucket.
    RoundTripWindow ms;
    for (int i = 100; i >= 1; --i) ms.Add(i * 1000, 2000);
    EXPECT_NEAR(static_cast<double>(ms.Percentile(0.50)), 50'000.0, 50'000.0 / 16);
    EXPECT_NEAR(static_cast<double>(ms.Percentile(0.99)), 99'000.0, 99'000.0 / 16);
    EXPECT_GE(ms.Percentile(0.99), 99'000);
    // Never beyond what was seen, although the top bucket reaches further.
    EXPECT_EQ(ms.Percentile(1.0), 100'000);

    // One slow outlier among 200 fast exchanges shows in neither percentile;
    // three percent of them do show in the p99.
    RoundTripWindow outlier;
    for (int i = 0; i < 199; ++i) outlier.Add(500, 0);
    outlier.Add(900'000, 0);
    EXPECT_LE(outlier.Percentile(0.99), 500 + 500 / 16);
    for (int i = 0; i < 6; ++i) outlier.Add(900'000, 0);
    EXPECT_GE(outlier.Percentile(0.99), 900'000);
}

TEST(RoundTripWindowTest, OldSamplesLeaveAfterAMinute) {
    RoundTripWindow window;
    window.Add(10'000, 0);
    window.Add(20, 54'999);
    EXPECT_FALSE(window.Expire(59'999));
    EXPECT_EQ(window.Count(), 2u);
    EXPECT_EQ(window.Percentile(1.0), 10'000);
    // The first slice (0..4999 ms) leaves the window at 60 s; the later one stays.
    EXPECT_TRUE(window.Expire(60'000));
    EXPECT_EQ(window.Count(), 1u);
    EXPECT_EQ(window.Percentile(1.0), 20);
    // A slice reused a minute later starts empty.
    window.Add(7, 115'000);
    EXPECT_EQ(window.Count(), 1u);
    EXPECT_EQ(window.Percentile(0.5), 7);
    // Times beyond the range count as the largest.
    window.Add(std::int64_t{1} << 40, 115'000);
    EXPECT_EQ(window.Percentile(1.0), RoundTripWindow::kMaxUs);
}

TEST(RoundTripWindowTest, BucketsCoverTheRangeInOrder) {
    int previous = -1;
    for (std::int64_t us = 0; us <= RoundTripWindow::kMaxUs; us = us < 64 ? us + 1 : us + us / 7) {
        const int b = RoundTripWindow::BucketOf(us);
        ASSERT_GE(b, previous) << us;
        ASSERT_LT(b, RoundTripWindow::kBuckets) << us;
        ASSERT_GE(RoundTripWindow::BucketTop(b), us) << us;
        ASSERT_LE(RoundTripWindow::BucketTop(b) - us, us / 16 + 1) << us;
        previous = b;
    }
    EXPECT_EQ(RoundTripWindow::BucketOf(RoundTripWindow::kMaxUs), RoundTripWindow::kBuckets - 1);
}

class ChannelHealthTest : public ::testing::Test {
protected:
    void Configure(std::uint16_t port, std::int32_t regType = 1) {
        channels_[0].IP = "127.0.0.1";
        channels_[0].port = port;
        channels_[0].tagNum = 10;
        channels_[0].regType = regType;
        image_.Reallocate(channels_);
        sender_.Bind(lock_, channels_, image_);
        sender_.m_nChannel = 0;
        CModbusTCPThread::Timing timing;
        timing.connectTimeout = 1000ms;
        timing.pauseWait = 20ms;
        timing.reply.headerWait = 300ms;
        timing.reply.bodyWait = 300ms;
        sender_.SetTiming(timing);
    }
    bool FirstPass() {
        return sender_.Start() && testing::WaitFor([&] { return sender_.IsSuspended(); });
    }
    bool Pass() {
        return sender_.Resume() && testing::WaitFor([&] { return sender_.IsSuspended(); });
    }
    void TearDown() override { sender_.Stop(); }

    std::mutex lock_;
    ChannelTable channels_;
    OutputImage image_;
    CModbusTCPThread sender_;
};

TEST_F(ChannelHealthTest, CountsExchangesAndTheirRoundTrips) {
    EXPECT_EQ(sender_.Health().state, ChannelState::Idle);
    SimProcess sim({"--delay", "5"});
    ASSERT_TRUE(sim.ok());
    Configure(sim.port());
    const auto before = std::chrono::system_clock::now();
    ASSERT_TRUE(FirstPass());
    for (int i = 1; i < 5; ++i) ASSERT_TRUE(Pass());

    const ChannelHealthRecord h = sender_.Health();
    EXPECT_EQ(h.state, ChannelState::Connected);
    EXPECT_TRUE(sender_.health.LinkUp());
    EXPECT_EQ(h.requestsSent, 5);
    EXPECT_EQ(h.repliesReceived, 5);
    EXPECT_EQ(h.exchangesFailed, 0);
    EXPECT_EQ(h.reconnects, 0);
    EXPECT_EQ(h.roundTripsInWindow, 5);
    // The simulator answers 5 ms late: every round trip is at least that.
    EXPECT_GE(h.lastRoundTripUs, 5000);
    EXPECT_GE(h.p50RoundTripUs, 5000);
    EXPECT_LE(h.p50RoundTripUs, h.p99RoundTripUs);
    EXPECT_LT(h.p99RoundTripUs, 1'000'000);
    const auto unixBefore =
        std::chrono::duration_cast<std::chrono::milliseconds>(before.time_since_epoch()).count();
    EXPECT_GE(h.lastGoodReplyUnixMs, unixBefore);
    EXPECT_TRUE(h.lastError.empty());
    // The sender's own counters and the record agree.
    EXPECT_EQ(sender_.m_nSendCount.load(), 5);

    sender_.Stop();
    EXPECT_EQ(sender_.Health().state, ChannelState::Idle);
    EXPECT_EQ(sender_.Health().requestsSent, 5) << "counters outlive the body";
}

TEST_F(ChannelHealthTest, LightDataCountsSendsButNoRoundTrips) {
    SimProcess sim({});
    ASSERT_TRUE(sim.ok());
    Configure(sim.port(), 3);
    ASSERT_TRUE(FirstPass());
    ASSERT_TRUE(Pass());
    const ChannelHealthRecord h = sender_.Health();
    EXPECT_EQ(h.state, ChannelState::Connected);
    EXPECT_EQ(h.requestsSent, 2);
    EXPECT_EQ(h.repliesReceived, 0);
    EXPECT_EQ(h.exchangesFailed, 0);
    EXPECT_EQ(h.p99RoundTripUs, -1);
    EXPECT_EQ(h.lastGoodReplyUnixMs, -1);
}

TEST_F(ChannelHealthTest, RefusedConnectFailsWithTheReason) {
    // A loopback port that was just free: nothing listens there.
    net::Socket probe = net::CreateTcpSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(probe.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(probe.fd(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::uint16_t port = ntohs(address.sin_port);
    probe.Close();

    Configure(port);
    ASSERT_TRUE(FirstPass());
    const ChannelHealthRecord h = sender_.Health();
    EXPECT_EQ(h.state, ChannelState::Failed);
    EXPECT_EQ(h.requestsSent, 0);
    EXPECT_EQ(h.exchangesFailed, 0) << "no exchange was attempted";
    EXPECT_EQ(h.lastError, "connect to 127.0.0.1:" + std::to_string(port) + ": Connection refused");
    // The status text is the one the monitor always showed.
    EXPECT_EQ(sender_.Status(), "连接失败[111]，稍后重试..");

    // The unspecified address fails too, as on the controllers' platform.
    sender_.Stop();
    channels_[0].IP = "0.0.0.0";
    ASSERT_TRUE(FirstPass());
    EXPECT_EQ(sender_.Health().state, ChannelState::Failed);
    EXPECT_TRUE(Contains(sender_.Health().lastError, "connect to 0.0.0.0:")) << sender_.Health().lastError;
}

TEST_F(ChannelHealthTest, SilentDeviceFailsExchangesAndReconnectsAreCounted) {
    SimProcess sim({"--no-reply"});
    ASSERT_TRUE(sim.ok());
    Configure(sim.port());
    ASSERT_TRUE(FirstPass());
    ChannelHealthRecord h = sender_.Health();
    EXPECT_EQ(h.state, ChannelState::Failed);
    EXPECT_EQ(h.requestsSent, 1);
    EXPECT_EQ(h.repliesReceived, 0);
    EXPECT_EQ(h.exchangesFailed, 1);
    EXPECT_EQ(h.reconnects, 0);
    EXPECT_EQ(h.lastError, "reply header: nothing within 300 ms");
    EXPECT_EQ(h.p50RoundTripUs, -1);
    EXPECT_EQ(h.failuresInARow, 1);

    // The next pass connects again (a reconnect) and fails the same way.
    ASSERT_TRUE(Pass());
    h = sender_.Health();
    EXPECT_EQ(h.reconnects, 1);
    EXPECT_EQ(h.requestsSent, 2);
    EXPECT_EQ(h.exchangesFailed, 2);
    EXPECT_EQ(h.state, ChannelState::Failed);
    // The connect succeeded each time, yet nothing went through: the record
    // says so while the next reply is awaited.
    EXPECT_EQ(h.failuresInARow, 2);
    EXPECT_FALSE(sender_.health.LinkUp());
}

TEST_F(ChannelHealthTest, HalfRepliesAndOversizeRepliesAreToldApart) {
    {
        SimProcess sim({"--header-only"});
        ASSERT_TRUE(sim.ok());
        Configure(sim.port());
        ASSERT_TRUE(FirstPass());
        const ChannelHealthRecord h = sender_.Health();
        EXPECT_EQ(h.state, ChannelState::Failed);
        // The echo of a write announces 6 bytes after the header.
        EXPECT_EQ(h.lastError, "reply body of 6 bytes: nothing within 300 ms");
        sender_.Stop();
    }
    SimProcess sim({"--oversize-reply"});
    ASSERT_TRUE(sim.ok());
    Configure(sim.port());
    ASSERT_TRUE(FirstPass());
    const ChannelHealthRecord h = sender_.Health();
    EXPECT_EQ(h.state, ChannelState::Failed);
    EXPECT_EQ(h.lastError, "reply announces 1100 bytes, more than 1018");
    EXPECT_EQ(sender_.Status(), "测试点【003】");
}

TEST_F(ChannelHealthTest, ExceptionRepliesKeepTheLinkButTellTheRefusal) {
    SimProcess sim({});
    ASSERT_TRUE(sim.ok());
    Configure(sim.port());
    // Registers 65535.. run past the address space: the controller refuses.
    channels_[0].nStartNum = 65536;
    ASSERT_TRUE(FirstPass());
    ChannelHealthRecord h = sender_.Health();
    EXPECT_EQ(h.state, ChannelState::Connected);
    EXPECT_EQ(h.repliesReceived, 1);
    EXPECT_EQ(h.exchangesFailed, 0);
    EXPECT_EQ(h.failuresInARow, 0);
    EXPECT_EQ(h.lastExceptionCode, 2);
    EXPECT_EQ(h.lastError, "exception 2 (illegal data address) to function 16");
    // The status line stays the counters' line: the reply completed the exchange.
    EXPECT_EQ(sender_.Status(), "发[1]收[1]");

    // Written where it fits, the next answer is a plain one again.
    channels_[0].nStartNum = 1;
    ASSERT_TRUE(Pass());
    h = sender_.Health();
    EXPECT_EQ(h.lastExceptionCode, -1);
    EXPECT_EQ(h.repliesReceived, 2);
}

TEST_F(ChannelHealthTest, DeviceThatHangsUpShowsAsFailedThenRecovers) {
    SimProcess sim({"--close-after", "2"});
    ASSERT_TRUE(sim.ok());
    Configure(sim.port());
    ASSERT_TRUE(FirstPass());
    EXPECT_EQ(sender_.Health().state, ChannelState::Connected);
    ASSERT_TRUE(Pass());  // the second request: closed unanswered
    ChannelHealthRecord h = sender_.Health();
    EXPECT_EQ(h.state, ChannelState::Failed);
    EXPECT_EQ(h.exchangesFailed, 1);
    EXPECT_EQ(h.repliesReceived, 1);
    EXPECT_EQ(h.lastError, "reply header: the controller closed the connection");
    EXPECT_EQ(h.failuresInARow, 1);
    const std::int64_t goodReply = h.lastGoodReplyUnixMs;
    EXPECT_GT(goodReply, 0);

    ASSERT_TRUE(Pass());  // reconnects and exchanges on the new connection
    h = sender_.Health();
    EXPECT_EQ(h.state, ChannelState::Connected);
    EXPECT_EQ(h.reconnects, 1);
    EXPECT_EQ(h.repliesReceived, 2);
    EXPECT_GE(h.lastGoodReplyUnixMs, goodReply);
    EXPECT_EQ(h.failuresInARow, 0);
    // The last error stays for the operator to read after the link recovered.
    EXPECT_FALSE(h.lastError.empty());

    // The channel dialog's reconnect request counts as well.
    sender_.m_bReconnect.store(1);
    ASSERT_TRUE(Pass());
    EXPECT_EQ(sender_.Health().reconnects, 2);
}

}  // namespace
}  // namespace velmora
