#pragma once
// "通道": the 100 channels of the scene in one property list, eight rows a
// channel (a heading "通道n", then address, port, data type, slot count,
// unit identifier, first register and following channel). The list is refilled from the
// channel table each time the dialog opens, so it always shows the table as
// it is. The dialog only edits texts; OK hands the channels the user changed
// to the scene document as one undoable step, where the core cuts, maps and
// bounds them and makes the senders of the changed channels connect again.
//
// Only changed channels are handed over: an untouched channel keeps what the
// scene file gave it, even a data type code the drop-down has no entry for.
// The one exception is a slot count above 800, which the channel cannot keep
// once the dialog has shown it (it is stored as 800).
//
// Thread contract: UI thread. The channel table is read here without the
// output lock: its fields other than the status line are written only on the
// UI thread (by the scene document), and the status line is not read.

#include <utility>
#include <vector>

#include <QDialog>

#include "document/ChannelCommands.h"
#include "scene/ChannelInfo.h"
#include "ui/DesktopContext.h"

namespace velmora {

class PropList;

class ChannelDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kRowsPerChannel = 8;
    // A row's place within its channel's eight.
    enum Field { kHeading, kIp, kPort, kRegType, kTagNum, kDeviceID, kStartNum, kPrevChannel };
    // The height of the strip under the list that holds "确定" and "取消".
    static constexpr int kButtonStrip = 55;
    static constexpr int kNameColumn = 60;

    explicit ChannelDialog(QWidget* parent = nullptr);

    // The row of `field` of channel `number` (1..100).
    static int Row(int number, Field field) { return kRowsPerChannel * (number - 1) + field; }

    // Rebuilds the list from `channels`, scrolled to the first channel.
    void Fill(const ChannelTable& channels);

    PropList& list() { return *list_; }
    // Channel `number`'s rows as they read now.
    ChannelSheet Sheet(int number) const;
    // What OK hands to the scene document: the channels whose rows differ
    // from what Fill showed, and those whose slot count is above 800.
    std::vector<std::pair<int, ChannelSheet>> ChangedSheets() const;

    void accept() override;

private:
    PropList* list_;
    std::vector<ChannelSheet> shown_;
    std::vector<bool> overLimit_;
};

// Runs `dialog` over the scene's channel table and, on OK, applies the
// changed channels. True when the table changed.
bool RunChannelDialog(DesktopContext& context, ChannelDialog& dialog);

}  // namespace velmora
