#pragma once
// The layer column's edits: binding rows to groups, springs or the program
// channel, and the armed row.
//
// Thread contract: owner thread only; bindings change under the output lock.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "document/Command.h"
#include "show/Layer.h"

namespace velmora {

class ShowDocument;

// Rows take new names, IDs and types ("选择组", "NULL", "子程序", "展开组");
// their armed flags stay as they are.
class BindLayersCommand final : public Command {
public:
    struct Row {
        std::int32_t row;
        Layer binding;  // name, GroupID and type
    };
    BindLayersCommand(ShowDocument& doc, std::vector<Row> rows, std::string text);
    Change Apply() override { return Put(true); }
    Change Revert() override { return Put(false); }
    std::string Text() const override { return text_; }

private:
    Change Put(bool apply);
    ShowDocument& doc_;
    std::vector<Row> after_;
    std::vector<Row> before_;
    std::string text_;
};

// Flips one row's armed flag and sets the armed row (view state).
class ToggleArmedCommand final : public Command {
public:
    ToggleArmedCommand(ShowDocument& doc, std::int32_t row);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return "录制行"; }
    bool ChangesFile() const override { return false; }

private:
    ShowDocument& doc_;
    std::int32_t row_;
    std::int32_t formerArmedRow_ = -1;
};

// A zoom: every block rescaled by old / new. Undo puts back the former scale
// and the exact former positions, which float rounding would not give back
// through the inverse factor.
class SetScaleCommand final : public Command {
public:
    SetScaleCommand(ShowDocument& doc, std::int32_t scale);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return "缩放"; }
    // Files hold positions at scale 50 whatever the zoom.
    bool ChangesFile() const override { return false; }

private:
    ShowDocument& doc_;
    std::int32_t scale_;
    std::int32_t formerScale_ = 0;
    std::vector<std::pair<float, float>> formerPositions_;
};

}  // namespace velmora
