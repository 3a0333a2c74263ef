#pragma once
// "属性" of one group: its name, its own output's channel and address, its
// lead time and whether it is forced to manual operation, then its members
// by position ("ID[9001]"), shown only.
//
// OK leaves the texts in sheet(); the scene changes through
// OpenGroupProperties (one undoable step of the scene document), where the
// core cuts the name to 15 characters, keeps an address longer than 7 and
// keeps a "---" channel or address.
//
// Thread contract: UI thread.

#include <cstdint>

#include "document/GroupCommands.h"
#include "scene/ui/SheetDialog.h"
#include "ui/DesktopContext.h"

namespace velmora {

struct CSpringGroup;

class GroupPropDialog final : public SheetDialog {
    Q_OBJECT

public:
    // Row positions in the list.
    static constexpr int kRowName = 1;
    static constexpr int kRowChannel = 2;
    static constexpr int kRowAddress = 3;
    static constexpr int kRowPreTime = 4;
    static constexpr int kRowManual = 5;
    static constexpr int kRowMembers = 6;  // the heading "组内元素"; members follow

    explicit GroupPropDialog(const CSpringGroup& group, QWidget* parent = nullptr);

    std::int32_t groupId() const { return groupId_; }
    GroupSheet sheet() const;

private:
    std::int32_t groupId_;
};

// Runs the sheet over `parent` on the group `groupId` and, on OK, hands it to
// the scene document. True when OK changed the group; false for Cancel, an
// unchanged sheet, or no such group.
bool OpenGroupProperties(DesktopContext& context, std::int32_t groupId, QWidget* parent);

}  // namespace velmora
