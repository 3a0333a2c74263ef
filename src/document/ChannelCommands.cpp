#include "document/ChannelCommands.h"

#include <strings.h>

#include <algorithm>

#include "app/NumberText.h"
#include "app/TextEncoding.h"
#include "document/SheetText.h"

namespace velmora {

std::string RegTypeText(std::int32_t regType) {
    switch (regType) {
        case 0: return "--";
        case 1: return "寄存器";
        case 2: return "电机";
        case 5: return "摇头灯";
        default: return "灯光";
    }
}

std::int32_t RegTypeOf(std::string_view text) {
    const std::string t(text);
    if (strcasecmp(t.c_str(), "--") == 0) return 0;
    if (t == "寄存器") return 1;
    if (t == "灯光") return 3;
    if (t == "摇头灯") return 5;
    return 2;  // "电机" and any text the combo does not offer
}

ChannelSheet ChannelSheetOf(const ChannelInfo& c) {
    return ChannelSheet{c.IP,
                        std::to_string(c.port),
                        RegTypeText(c.regType),
                        std::to_string(c.tagNum),
                        std::to_string(c.deviceID),
                        std::to_string(c.nStartNum),
                        std::to_string(c.nPrevChannel)};
}

ApplyChannelsCommand::Row ApplyChannelsCommand::Read(const ChannelInfo& c) {
    return Row{c.IP, c.port, c.regType, c.tagNum, c.deviceID, c.nStartNum, c.nPrevChannel};
}

ApplyChannelsCommand::ApplyChannelsCommand(SceneEditTarget& target,
                                           const std::vector<std::pair<int, ChannelSheet>>& sheets)
    : SceneCommand(target) {
    for (const auto& [number, sheet] : sheets) {
        const ChannelInfo* channel = target.scene.Channel(number);
        if (channel == nullptr) continue;
        Edit edit{number, Read(*channel), Read(*channel), false};
        Row& row = edit.after;
        // Texts the dialog's rows refuse leave the value they showed.
        if (sheet.IP.size() <= kMaxTypedIp && sheet.IP != row.IP) {
            row.IP = sheet.IP.substr(0, Utf8CutPoint(sheet.IP, ChannelInfo::kIpBuffer - 1));
            edit.reconnect = true;
        }
        const std::int32_t port = TextToInt(sheet.port);
        if (port != row.port) {
            row.port = port;
            edit.reconnect = true;
        }
        // A code the five texts cannot name (a file's 4, say) shows as "灯光";
        // that text given back unchanged keeps the code instead of making it 3.
        const std::int32_t regType =
            sheet.regType == RegTypeText(row.regType) ? row.regType : RegTypeOf(sheet.regType);
        if (regType != row.regType) {
            row.regType = regType;
            edit.reconnect = true;
        }
        std::int32_t tagNum = AcceptsNumber(sheet.tagNum, 1, kMaxTagNum) ? TextToInt(sheet.tagNum) : row.tagNum;
        tagNum = std::min(tagNum, kMaxTagNum);  // a file's larger value is stored as 800
        if (tagNum > 0) row.tagNum = tagNum;
        const std::int32_t deviceID = TextToInt(sheet.deviceID);
        if (deviceID != row.deviceID) {
            row.deviceID = deviceID;
            edit.reconnect = true;
        }
        if (AcceptsNumber(sheet.nStartNum, 1, 99999)) row.nStartNum = TextToInt(sheet.nStartNum);
        if (AcceptsNumber(sheet.nPrevChannel, -1, kChannelCount)) row.nPrevChannel = TextToInt(sheet.nPrevChannel);
        if (edit.after != edit.before) edits_.push_back(std::move(edit));
    }
}

Change ApplyChannelsCommand::Store(bool forward) {
    if (edits_.empty()) return {};
    std::vector<std::vector<std::int32_t>> freed;
    {
        // The senders read the whole row and the engine the slot count and
        // slots under this lock: a row and its image change together.
        std::lock_guard lock(target_.outputLock);
        for (const Edit& edit : edits_) {
            const Row& row = forward ? edit.after : edit.before;
            ChannelInfo& channel = *target_.scene.Channel(edit.number);
            const bool resized = channel.tagNum != row.tagNum;
            channel.IP = row.IP;
            channel.port = row.port;
            channel.regType = row.regType;
            channel.tagNum = row.tagNum;
            channel.deviceID = row.deviceID;
            channel.nStartNum = row.nStartNum;
            channel.nPrevChannel = row.nPrevChannel;
            if (resized) {
                auto& slots = target_.output.g_ChannelImage[static_cast<std::size_t>(edit.number - 1)];
                freed.push_back(std::vector<std::int32_t>(OutputImage::SlotsFor(row.tagNum), 0));
                slots.swap(freed.back());
            }
        }
    }
    if (target_.reconnect)
        for (const Edit& edit : edits_)
            if (edit.reconnect) target_.reconnect(edit.number);
    Change change;
    change.what = Change::kChannels;
    return change;  // the old slot arrays are freed here, outside the lock
}

Change ApplyChannelsCommand::Apply() { return Store(true); }

Change ApplyChannelsCommand::Revert() { return Store(false); }

}  // namespace velmora
