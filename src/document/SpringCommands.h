#pragma once
// The scene canvas's edits of springs: add one at a point, move the selected
// ones, delete the selected springs and groups, and the spring property
// sheet's OK.
//
// Commands keep list positions: the undo stack replays them on exactly the
// lists they were built on, so positions stay right where IDs may repeat.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "document/SceneEditTarget.h"

namespace velmora {

// A new spring at (x, y) with its ID from the shared counter, appended to
// the list. Undo takes it out and gives the ID back to the counter.
class AddSpringCommand final : public SceneCommand {
public:
    AddSpringCommand(SceneEditTarget& target, std::int32_t x, std::int32_t y, bool selected);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return "新建"; }
    std::int32_t id() const { return id_; }

private:
    std::int32_t x_;
    std::int32_t y_;
    std::int32_t id_;
    bool selected_;
};

// Springs at given list positions moved to new places. Steps of one drag, or
// arrow-key moves of one selection, carry one merge key and become one step.
class MoveSpringsCommand final : public SceneCommand {
public:
    struct Move {
        std::size_t position = 0;
        std::int32_t fromX = 0, fromY = 0;
        std::int32_t toX = 0, toY = 0;
    };
    MoveSpringsCommand(SceneEditTarget& target, std::vector<Move> moves, std::uint64_t mergeKey);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return "移动"; }
    std::uint64_t MergeKey() const override { return mergeKey_; }
    bool MergeWith(Command& newer) override;

private:
    Change Place(bool forward);

    std::vector<Move> moves_;
    std::uint64_t mergeKey_;
};

// Removes springs and groups at the given list positions (ascending); undo
// puts each back where it was. Group members naming a deleted spring stay.
class DeleteCommand final : public SceneCommand {
public:
    DeleteCommand(SceneEditTarget& target, std::vector<std::size_t> springPositions,
                  std::vector<std::size_t> groupPositions);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return "删除"; }

private:
    std::vector<std::size_t> springPositions_;
    std::vector<std::size_t> groupPositions_;
    std::vector<CSpring> springs_;       // what Apply took out, for Revert
    std::vector<CSpringGroup> groups_;
};

// The rows of the spring property sheet that OK reads back, as texts.
struct SpringSheet {
    std::string BLOCKID, COMID;       // "模拟量"
    std::string BLOCKID1, COMID1;     // "开关量"
    std::string ORGANGLEY;            // "初始角度"
    std::string BLOCKID2, COMID2;     // "Y轴电机"
    std::string BLOCKID3, COMID3;     // "Z轴电机"
    std::string BLOCKID_L, COMID_L;   // "灯光"
};

// The sheet as it opens on a spring.
SpringSheet SpringSheetOf(const CSpring& spring);

// The sheet's OK on the spring at `position`: "---" leaves a field as it is,
// channels by decimal conversion, an address longer than 7 characters is not
// stored, the angle loses its fraction.
class EditSpringCommand final : public SceneCommand {
public:
    EditSpringCommand(SceneEditTarget& target, std::size_t position, const SpringSheet& sheet);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return "属性"; }

private:
    struct Fields {
        std::int32_t BLOCKID, BLOCKID1, BLOCKID2, BLOCKID3, BLOCKID_L;
        std::string COMID, COMID1, COMID2, COMID3, COMID_L;
        float ORGANGLEY;
        bool operator==(const Fields&) const = default;
    };
    static Fields Read(const CSpring& spring);
    Change Store(const Fields& fields);

    std::size_t position_;
    Fields before_;
    Fields after_;
};

}  // namespace velmora
