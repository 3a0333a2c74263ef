#include "comm/RequestFrame.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace velmora {
namespace {

std::vector<std::uint8_t> Build(const FrameChannel& channel, const std::vector<std::int32_t>& slots,
                                const std::array<std::uint8_t, 512>* light = nullptr) {
    std::vector<std::uint8_t> out(RequestFrameSize(slots.size()) + 4, 0xAA);
    const std::span<const std::uint8_t> buffer =
        light ? std::span<const std::uint8_t>(*light) : std::span<const std::uint8_t>();
    const std::size_t size = BuildRequestFrame(channel, slots, buffer, out);
    EXPECT_EQ(size, RequestFrameSize(slots.size()));
    // Nothing past the frame is touched.
    for (std::size_t i = size; i < out.size(); ++i) EXPECT_EQ(out[i], 0xAA) << i;
    out.resize(size);
    return out;
}

unsigned U16(const std::vector<std::uint8_t>& f, std::size_t at) { return (f[at] << 8) | f[at + 1]; }

TEST(RequestFrameTest, RegisterChannelByteForByte) {
    const auto frame = Build({1, 1, 1}, {0x1234, 0, 0xFFFF});
    const std::vector<std::uint8_t> expected{0x00, 0x00, 0x00, 0x00, 0x00, 0x0D, 0x01, 0x10, 0x00, 0x00,
                                             0x00, 0x03, 0x06, 0x12, 0x34, 0x00, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(frame, expected);
}

TEST(RequestFrameTest, HeaderFieldsTakeLowBitsOfTheRow) {
    // Motor channels send registers too; only the low 16 bits of a slot go out.
    const auto frame = Build({2, 0x1FF, 0x10001}, {static_cast<std::int32_t>(0xABCD1234), -1});
    EXPECT_EQ(frame[6], 0xFF);
    EXPECT_EQ(frame[7], kFnWriteRegisters);
    EXPECT_EQ(U16(frame, 8), 0x0000u);  // nStartNum - 1 = 0x10000 -> 16 bits
    EXPECT_EQ(U16(frame, 13), 0x1234u);
    EXPECT_EQ(U16(frame, 15), 0xFFFFu);
    // nStartNum 0 goes out as 0xFFFF.
    EXPECT_EQ(U16(Build({1, 1, 0}, {1}), 8), 0xFFFFu);
}

TEST(RequestFrameTest, UnusedChannelSendsZeroCoils) {
    const auto frame = Build({0, 1, 1}, std::vector<std::int32_t>(10, 0x7777));
    ASSERT_EQ(frame.size(), 33u);
    EXPECT_EQ(frame[7], kFnWriteCoils);
    EXPECT_EQ(U16(frame, 4), 27u);
    EXPECT_EQ(U16(frame, 10), 10u);
    EXPECT_EQ(frame[12], 2);
    for (std::size_t i = 13; i < frame.size(); ++i) EXPECT_EQ(frame[i], 0) << i;
}

TEST(RequestFrameTest, LightChannelPacksUniverses) {
    std::vector<std::int32_t> slots(256);
    for (std::size_t k = 0; k < slots.size(); ++k) {
        slots[k] = static_cast<std::int32_t>(0x55000000u | ((k & 0xFF) << 16) | ((k & 0xFF) << 8) | 0x80u);
    }
    const auto frame = Build({3, 1, 1}, slots);
    ASSERT_EQ(frame.size(), 525u);
    EXPECT_EQ(frame[7], kFnLightData);
    EXPECT_EQ(frame[12], 0xFF);
    for (std::size_t k = 0; k < 170; ++k) {
        EXPECT_EQ(frame[13 + 3 * k], 0x80) << k;
        EXPECT_EQ(frame[14 + 3 * k], k & 0xFF) << k;
        EXPECT_EQ(frame[15 + 3 * k], k & 0xFF) << k;
    }
    EXPECT_EQ(frame[13 + 510], 0);
    EXPECT_EQ(frame[13 + 511], 0);
    // Slot 170 would start the second universe at data byte 512, past 2 x T.

    // With T = 512 the second universe is there: slot 339 at 512 + 3 x 169.
    std::vector<std::int32_t> wide(512, 0);
    wide[339] = 0x00332211;
    const auto two = Build({3, 1, 1}, wide);
    EXPECT_EQ(two[13 + 512 + 507], 0x11);
    EXPECT_EQ(two[13 + 512 + 508], 0x22);
    EXPECT_EQ(two[13 + 512 + 509], 0x33);
}

TEST(RequestFrameTest, MovingHeadSendsItsBuffer) {
    std::array<std::uint8_t, 512> buffer{};
    for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const auto frame = Build({5, 1, 1}, std::vector<std::int32_t>(256, 0x12345678), &buffer);
    ASSERT_EQ(frame.size(), 525u);
    EXPECT_EQ(frame[7], kFnLightData);
    for (std::size_t i = 0; i < 512; ++i) EXPECT_EQ(frame[13 + i], buffer[i]) << i;

    // More than 256 slots: the rest is zero.
    const auto longer = Build({5, 1, 1}, std::vector<std::int32_t>(300, 1), &buffer);
    for (std::size_t i = 512; i < 600; ++i) EXPECT_EQ(longer[13 + i], 0) << i;
}

TEST(RequestFrameTest, CodesWithoutDataSendZeroRegisters) {
    for (const std::int32_t type : {4, 6, 99, -1}) {
        const auto frame = Build({type, 1, 1}, {5, 6});
        EXPECT_EQ(frame[7], kFnWriteRegisters) << type;
        EXPECT_EQ(frame[12], 4) << type;
        for (std::size_t i = 13; i < frame.size(); ++i) EXPECT_EQ(frame[i], 0) << type;
    }
}

TEST(RequestFrameTest, ByteCountWrapsForLargeChannels) {
    const auto registers = Build({1, 1, 1}, std::vector<std::int32_t>(800, 0));
    EXPECT_EQ(registers.size(), 1613u);
    EXPECT_EQ(U16(registers, 4), 1607u);
    EXPECT_EQ(U16(registers, 10), 800u);
    EXPECT_EQ(registers[12], 1600 % 256);
    const auto coils = Build({0, 1, 1}, std::vector<std::int32_t>(2047, 0));
    EXPECT_EQ(coils[12], (2047 / 8 + 1) % 256);
}

TEST(RequestFrameTest, RefusesWhatCannotBeFramed) {
    std::vector<std::uint8_t> out(RequestFrameSize(3) - 1);
    const std::vector<std::int32_t> slots(3, 0);
    EXPECT_EQ(BuildRequestFrame({1, 1, 1}, slots, {}, out), 0u);

    const std::vector<std::int32_t> huge(kMaxFrameTags + 1, 0);
    std::vector<std::uint8_t> big(RequestFrameSize(huge.size()));
    EXPECT_EQ(BuildRequestFrame({1, 1, 1}, huge, {}, big), 0u);

    // Zero slots still make a well-formed 13-byte frame.
    const auto empty = Build({1, 1, 1}, {});
    EXPECT_EQ(U16(empty, 4), 7u);
}

}  // namespace
}  // namespace velmora
