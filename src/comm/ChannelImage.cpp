#include "comm/ChannelImage.h"

#include "app/Log.h"

namespace velmora {

std::size_t OutputImage::SlotsFor(std::int32_t tagNum) {
    if (tagNum <= 0) return 0;
    if (tagNum > kMaxSlots) return static_cast<std::size_t>(kMaxSlots);
    return static_cast<std::size_t>(tagNum);
}

void OutputImage::Reallocate(const ChannelTable& channels) {
    for (std::size_t c = 0; c < channels.size(); ++c) {
        const std::int32_t tagNum = channels[c].tagNum;
        if (tagNum > kMaxSlots) {
            LogMessage("Channel %d: tagNum %d exceeds %d, image limited", static_cast<int>(c) + 1,
                       tagNum, kMaxSlots);
        }
        // A fresh vector rather than resize: the old slots must not survive
        // into the new layout, and shrinking should give the memory back.
        g_ChannelImage[c] = std::vector<std::int32_t>(SlotsFor(tagNum), 0);
        g_Light512Buf[c].fill(0);
    }
}

}  // namespace velmora
