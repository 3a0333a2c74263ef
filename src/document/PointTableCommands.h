#pragma once
// The scene pane's "导入" of the point table and "批量" of the batch-add
// dialog, each one undoable step.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/GroupCommands.h"
#include "document/SceneEditTarget.h"
#include "scene/BatchPlacement.h"
#include "scene/PointTable.h"

namespace velmora {

// The rows of a point table, read and checked as a whole, put into their
// springs. Only springs whose fields change are kept; undo puts back each
// one's fields as they were.
class ImportPointTableCommand final : public SceneCommand {
public:
    ImportPointTableCommand(SceneEditTarget& target, const std::vector<PointTableRow>& rows);
    Change Apply() override { return Store(true); }
    Change Revert() override { return Store(false); }
    std::string Text() const override { return "导入"; }
    std::size_t changedSprings() const { return edits_.size(); }

private:
    struct Edit {
        std::size_t position;
        SpringAddressing before;
        SpringAddressing after;
    };
    Change Store(bool forward);

    std::vector<Edit> edits_;
};

// A spring at each point, with consecutive IDs from the counter and
// selected, then the default group "成组" makes of every selected spring
// (those selected before included) with the placement's matrix layout. The
// springs are added in one go, whatever their number; undo removes the group
// and the springs and gives the IDs back to the counter.
class BatchAddCommand final : public SceneCommand {
public:
    BatchAddCommand(SceneEditTarget& target, const BatchPlacement& placement);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return "批量"; }
    bool madeGroup() const { return group_.madeGroup(); }
    std::int32_t groupID() const { return group_.id(); }

private:
    std::vector<BatchPoint> points_;
    std::int32_t firstID_;  // the counter before the command: the first new spring's ID
    MakeGroupCommand group_;
};

}  // namespace velmora
