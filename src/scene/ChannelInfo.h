#pragma once
// One controller device reached over Modbus TCP. The scene always holds all
// 100 of them; channel number n is element n - 1.

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

struct ChannelInfo {
    static constexpr std::size_t kIpBuffer = 24;
    static constexpr std::size_t kStatusBuffer = 256;

    std::string IP = "0.0.0.0";
    std::int32_t port = 102;
    std::int32_t regType = 1;
    std::int32_t tagNum = 30;
    std::int32_t deviceID = 1;
    std::string szStatus;          // written by the channel's sender, never stored
    std::int32_t nStartNum = 1;
    std::int32_t nPrevChannel = -1;
    std::int32_t nPrevTail = -1;
};

constexpr int kChannelCount = 100;
using ChannelTable = std::array<ChannelInfo, kChannelCount>;

}  // namespace velmora
