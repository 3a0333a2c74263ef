#pragma once
// The channel dialog's OK: each channel's row texts applied to the channel
// table. A changed slot count reallocates that channel's image under the
// output lock; a changed address, port, data type or unit identifier makes
// the channel's sender connect again.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "document/SceneEditTarget.h"

namespace velmora {

// The seven editable rows of one channel, as the dialog holds them.
struct ChannelSheet {
    std::string IP;            // "IP地址", at most 40 characters typed
    std::string port;          // "端口号"
    std::string regType;       // "数据类型": "--", "寄存器", "电机", "灯光", "摇头灯" or free text
    std::string tagNum;        // "测点数目", 1..800
    std::string deviceID;      // "设备号"
    std::string nStartNum;     // "开始地址", 1..99999
    std::string nPrevChannel;  // "后置通道", -1..100
};

ChannelSheet ChannelSheetOf(const ChannelInfo& channel);
// The dialog's text of a data type code, and the code of a text.
std::string RegTypeText(std::int32_t regType);
std::int32_t RegTypeOf(std::string_view text);

class ApplyChannelsCommand final : public SceneCommand {
public:
    static constexpr std::size_t kMaxTypedIp = 40;
    static constexpr std::int32_t kMaxTagNum = 800;

    // Channels by number (1..100); numbers outside that range are skipped.
    ApplyChannelsCommand(SceneEditTarget& target, const std::vector<std::pair<int, ChannelSheet>>& sheets);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return "通道"; }

private:
    struct Row {
        std::string IP;
        std::int32_t port, regType, tagNum, deviceID, nStartNum, nPrevChannel;
        bool operator==(const Row&) const = default;
    };
    struct Edit {
        int number;
        Row before;
        Row after;
        bool reconnect;  // the sender must connect again
    };
    static Row Read(const ChannelInfo& channel);
    Change Store(bool forward);

    std::vector<Edit> edits_;
};

}  // namespace velmora
