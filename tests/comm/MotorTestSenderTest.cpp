#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "app/WaitFor.h"
#include "comm/LoopbackDevice.h"
#include "comm/ModbusMotorThread.h"
#include "comm/MotorTestFrame.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::LoopbackDevice;

std::vector<std::uint16_t> Registers(const Bytes& frame) {
    std::vector<std::uint16_t> out;
    for (std::size_t i = 13; i + 1 < frame.size(); i += 2) out.push_back(static_cast<std::uint16_t>((frame[i] << 8) | frame[i + 1]));
    return out;
}

TEST(MotorTestFrameTest, StaggerDelaysLaterMotors) {
    const std::vector<MotorBlock_struct> program{{1, 90, -50, 0, 0}, {0, 100, 0, 0, 0}};
    MotorTestSettings settings;
    settings.unitID = 0x107;
    settings.startAddr = 11;
    settings.motorCount = 2;
    settings.stagger = 3000;
    Bytes frame(MotorTestFrameSize(2));
    ASSERT_EQ(BuildMotorTestFrame(settings, program, 500, frame), 33u);
    const Bytes header{0, 0, 0, 0, 0, 27, 0x07, 0x10, 0, 10, 0, 10, 20};
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 13), header);
    // Motor 0: block 0 with step 123, direction 1, |p1| then |p0|; motor 1 at step -1.
    const std::vector<std::uint16_t> expected{123, (1 << 8) | 1, 50, 90, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Registers(frame), expected);

    // With 1000 ms of stagger motor 1 is at -500 ms, which truncates to step 0.
    settings.stagger = 1000;
    BuildMotorTestFrame(settings, program, 500, frame);
    EXPECT_EQ(Registers(frame)[5], 123);
    EXPECT_EQ(MotorStepIndex(settings, 500, 1), 0);
    EXPECT_EQ(MotorStepIndex(settings, -2000, 0), -1);
}

TEST(MotorTestFrameTest, ContinuationNeedsSameSignedSpeed) {
    std::uint16_t r[5];
    const std::vector<MotorBlock_struct> same{{1, 300, 10, 0, 0}, {1, 200, 10, 0, 0}};
    BuildMotorTestRecord(same, 0, 123, r);
    EXPECT_EQ(r[1] >> 8, 2);
    EXPECT_EQ(r[4], 200);
    const std::vector<MotorBlock_struct> opposite{{1, 300, 10, 0, 0}, {1, -200, 10, 0, 0}};
    BuildMotorTestRecord(opposite, 0, 123, r);
    EXPECT_EQ(r[1] >> 8, 1);
    EXPECT_EQ(r[4], 0);
    // The last block has no continuation; other codes give mode 0.
    BuildMotorTestRecord(same, 1, 123, r);
    EXPECT_EQ(r[0], 124);
    EXPECT_EQ(r[1] >> 8, 1);
    const std::vector<MotorBlock_struct> reset{{5, -3, 4, 0, 0}};
    BuildMotorTestRecord(reset, 0, 123, r);
    EXPECT_EQ(r[1], 1);  // mode 0, direction from the signs
    BuildMotorTestRecord(reset, 1, 123, r);
    for (const auto v : r) EXPECT_EQ(v, 0);
}

TEST(MotorTestFrameTest, ProgramEndsWhenTheLastMotorIsThrough) {
    MotorTestSettings settings;
    EXPECT_FALSE(MotorTestFinished(settings, 3, 5999));
    EXPECT_TRUE(MotorTestFinished(settings, 3, 6000));
    settings.motorCount = 3;
    settings.stagger = 1000;
    EXPECT_FALSE(MotorTestFinished(settings, 3, 7999));
    EXPECT_TRUE(MotorTestFinished(settings, 3, 8000));
    // A program without an interval must not divide by zero; an empty one ends at once.
    settings.interval = 0;
    settings.motorCount = 1;
    EXPECT_EQ(MotorStepIndex(settings, 10, 0), 10);
    EXPECT_TRUE(MotorTestFinished(settings, 0, 0));
    // More motors than a frame takes are cut to 16.
    settings.motorCount = 99;
    Bytes frame(MotorTestFrameSize(kMaxTestMotors));
    EXPECT_EQ(BuildMotorTestFrame(settings, {}, 0, frame), frame.size());
}

TEST(MotorTestFrameTest, NextStepMomentMatchesTheStepIndex) {
    MotorTestSettings settings;
    settings.interval = 700;
    settings.motorCount = 3;
    settings.stagger = 1100;
    for (std::int64_t t = 0; t < 4000; t += 37) {
        const std::int64_t wait = MsToNextMotorStep(settings, t);
        ASSERT_GE(wait, 1);
        bool changesAtWait = false;
        for (int k = 0; k < 3; ++k) {
            // No motor changes step before the wait is over, and one does at its end.
            for (std::int64_t d = 1; d < wait; ++d) {
                ASSERT_EQ(MotorStepIndex(settings, t + d, k), MotorStepIndex(settings, t, k)) << t << " " << d;
            }
            changesAtWait |= MotorStepIndex(settings, t + wait, k) != MotorStepIndex(settings, t, k);
        }
        EXPECT_TRUE(changesAtWait || wait == settings.interval) << t;
    }
}

TEST(MotorTestSenderTest, RunsThroughTheProgramAndEnds) {
    LoopbackDevice device([](const Bytes& r, int) { return LoopbackDevice::Answer{testing::EchoReply(r)}; });
    CModbusMotorThread motor;
    motor.m_nPort = device.port();
    motor.m_nInterval = 60;
    motor.m_listBlocks = {{1, 100, 10, 0, 0}, {0, 50, 0, 0, 0}, {1, -100, 10, 0, 0}};
    RecordingPrompter prompter;
    motor.SetPrompter(&prompter);
    ASSERT_TRUE(motor.Start());
    ASSERT_TRUE(testing::WaitFor([&] { return motor.Finished(); }, 3s, 5ms));
    motor.Stop();

    const auto requests = device.Requests();
    ASSERT_GE(requests.size(), 3u);
    std::vector<std::uint16_t> steps;
    for (const auto& r : requests) {
        ASSERT_EQ(r.size(), 23u);
        const auto regs = Registers(r);
        if (steps.empty() || steps.back() != regs[0]) steps.push_back(regs[0]);
    }
    EXPECT_EQ(steps, (std::vector<std::uint16_t>{123, 124, 125}));
    EXPECT_EQ(motor.m_nSendCount.load(), static_cast<int>(requests.size()));
    EXPECT_EQ(motor.m_nRecvCount.load(), static_cast<int>(requests.size()));
    EXPECT_EQ(motor.m_szStatus.Get(), "连接成功");
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(device.Accepted(), 1);
    EXPECT_GE(motor.Elapsed(), 120);  // the last frame was built in the last step

    // A restart is a fresh run from the first moment on: the end of the
    // previous one is not reported for it.
    motor.m_nInterval = 5000;
    ASSERT_TRUE(motor.Restart());
    EXPECT_FALSE(motor.Finished());
    ASSERT_TRUE(device.WaitForRequests(requests.size() + 1, 3000ms));
    EXPECT_FALSE(motor.Finished());
    EXPECT_LT(motor.Elapsed(), 5000);
    motor.Stop();
    EXPECT_TRUE(motor.Finished());
}

TEST(MotorTestSenderTest, FailedConnectTellsTheOperatorAndEnds) {
    CModbusMotorThread motor;
    motor.m_szIP = "0.0.0.0";
    motor.m_listBlocks = {{0, 50, 0, 0, 0}};
    RecordingPrompter prompter;
    motor.SetPrompter(&prompter);
    ASSERT_TRUE(motor.Start());
    ASSERT_TRUE(testing::WaitFor([&] { return motor.Finished(); }, 3s, 5ms));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], "通讯失败！");
    EXPECT_EQ(motor.m_szStatus.Get().rfind("连接失败[", 0), 0u);
}

TEST(MotorTestSenderTest, LostReplyReconnectsOnceAndRestartsTheProgram) {
    // The first connection never answers; the second one does.
    LoopbackDevice device([](const Bytes& r, int index) {
        if (index == 0) return LoopbackDevice::Answer{{}, true};
        return LoopbackDevice::Answer{testing::EchoReply(r)};
    });
    CModbusMotorThread motor;
    motor.m_nPort = device.port();
    motor.m_nInterval = 5000;
    motor.m_listBlocks = {{0, 50, 0, 0, 0}};
    ASSERT_TRUE(motor.Start());
    ASSERT_TRUE(device.WaitForRequests(2, 3000ms));
    motor.Stop();
    EXPECT_EQ(device.Accepted(), 2);
    EXPECT_EQ(Registers(device.Requests()[1])[0], 123);  // step 0 again after the reconnect
    EXPECT_TRUE(motor.Finished());
}

}  // namespace
}  // namespace velmora
