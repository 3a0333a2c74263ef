// The edit command: timeline edits from a JSON list, run through the show
// document as the timeline runs them, undo and redo included; prints the
// resulting show and saves it only when asked.

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "Json.h"
#include "app/Prompter.h"
#include "runtime/Runtime.h"

namespace velmora::cli {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// A field that is missing or not what the op needs.
struct BadOp {
    std::string reason;
};

std::int32_t IntField(const json& op, const char* key, std::int64_t low = std::numeric_limits<std::int32_t>::min(),
                      std::int64_t high = std::numeric_limits<std::int32_t>::max()) {
    const auto it = op.find(key);
    if (it == op.end()) throw BadOp{std::string("missing \"") + key + "\""};
    if (!it->is_number_integer()) throw BadOp{std::string("\"") + key + "\" is not an integer"};
    const std::int64_t value = it->is_number_unsigned() && it->get<std::uint64_t>() > std::uint64_t(INT64_MAX)
                                   ? std::numeric_limits<std::int64_t>::max()
                                   : it->get<std::int64_t>();
    if (value < low || value > high) throw BadOp{std::string("\"") + key + "\" is out of range"};
    return static_cast<std::int32_t>(value);
}

float PixelField(const json& op, const char* key) {
    const auto it = op.find(key);
    if (it == op.end()) throw BadOp{std::string("missing \"") + key + "\""};
    if (!it->is_number()) throw BadOp{std::string("\"") + key + "\" is not a number"};
    const double value = it->get<double>();
    // Checked before the conversion: a double beyond the float range has no float.
    if (!(std::fabs(value) <= std::numeric_limits<float>::max()))
        throw BadOp{std::string("\"") + key + "\" is out of range"};
    return static_cast<float>(value);
}

std::size_t BlockIndex(const json& value, const Show& show, const char* key) {
    if (!value.is_number_integer()) throw BadOp{std::string("\"") + key + "\" names a block by a non-integer"};
    if (value.is_number_unsigned() ? value.get<std::uint64_t>() >= show.blocks.size()
                                   : value.get<std::int64_t>() < 0 ||
                                         static_cast<std::uint64_t>(value.get<std::int64_t>()) >= show.blocks.size())
        throw BadOp{std::string("\"") + key + "\": no block " + value.dump() + " (the show has " +
                    std::to_string(show.blocks.size()) + ")"};
    return static_cast<std::size_t>(value.get<std::uint64_t>());
}

std::vector<std::size_t> BlocksField(const json& op, const Show& show) {
    const auto it = op.find("blocks");
    if (it == op.end()) throw BadOp{"missing \"blocks\""};
    if (!it->is_array()) throw BadOp{"\"blocks\" is not a list of block indices"};
    std::vector<std::size_t> indices;
    for (const json& value : *it) indices.push_back(BlockIndex(value, show, "blocks"));
    return indices;
}

std::int32_t GroupField(const json& op, const Scene& scene) {
    const std::int32_t id = IntField(op, "group");
    if (scene.FindGroup(id) == nullptr) throw BadOp{"no group with ID " + std::to_string(id) + " in the scene"};
    return id;
}

// One op, as the timeline's mouse, keys and menus would do it.
void RunOp(const json& op, ShowDocument& doc, Prompter& yes) {
    if (!op.is_object()) throw BadOp{"not an object"};
    const auto name = op.find("op");
    if (name == op.end() || !name->is_string()) throw BadOp{"missing \"op\""};
    const std::string what = name->get<std::string>();
    const Show& show = doc.show();

    if (what == "create") {
        const std::int32_t row = IntField(op, "row");
        const float start = PixelField(op, "start");
        doc.CreateBlock(row, start, PixelField(op, "end"));
    } else if (what == "move") {
        const std::vector<std::size_t> blocks = BlocksField(op, show);
        const std::int32_t dx = IntField(op, "dx");
        const std::int32_t drow = IntField(op, "drow", -1'000'000, 1'000'000);
        // A drag pressed at (0, 0): each block's offset from the mouse is its
        // corner, so a move to (dx, 23 drow) lands it dx pixels and drow
        // rows away, its start on a whole pixel as every drag leaves it.
        doc.SetSelection(blocks);
        doc.BeginDrag(0, 0);
        doc.DragTo(dx, drow * ShowDocument::kRowHeight);
        doc.EndDrag();
    } else if (what == "resize") {
        const auto it = op.find("block");
        if (it == op.end()) throw BadOp{"missing \"block\""};
        const std::size_t block = BlockIndex(*it, show, "block");
        const auto edge = op.find("edge");
        if (edge == op.end() || !edge->is_string() || (*edge != "left" && *edge != "right"))
            throw BadOp{"\"edge\" is not \"left\" or \"right\""};
        doc.Resize(block, *edge == "left" ? ShowDocument::Edge::kLeft : ShowDocument::Edge::kRight,
                   PixelField(op, "x"));
    } else if (what == "delete") {
        doc.SetSelection(BlocksField(op, show));
        doc.DeleteSelected(yes);
    } else if (what == "copy") {
        doc.SetSelection(BlocksField(op, show));
        doc.CopySelection();
    } else if (what == "paste") {
        doc.Paste(PixelField(op, "x"));
    } else if (what == "lock" || what == "unlock") {
        const bool lock = what == "lock";
        const auto it = op.find("blocks");
        if (it != op.end() && it->is_string()) {
            if (*it != "all") throw BadOp{"\"blocks\" is neither a list nor \"all\""};
            doc.SetLocked(true, lock);
        } else {
            doc.SetSelection(BlocksField(op, show));
            doc.SetLocked(false, lock);
        }
    } else if (what == "bind") {
        const std::int32_t row = IntField(op, "row");
        doc.BindRow(row, GroupField(op, doc.scene()));
    } else if (what == "unbind") {
        doc.UnbindRow(IntField(op, "row"));
    } else if (what == "program") {
        doc.MakeProgramRow(IntField(op, "row"));
    } else if (what == "expand") {
        const std::int32_t row = IntField(op, "row");
        doc.ExpandGroup(row, GroupField(op, doc.scene()));
    } else if (what == "arm") {
        doc.ToggleArmed(IntField(op, "row"));
    } else if (what == "undo") {
        doc.Undo();
    } else if (what == "redo") {
        doc.Redo();
    } else {
        throw BadOp{"unknown op \"" + what + "\""};
    }
}

}  // namespace

int RunEdit(const Context& context) {
    std::vector<std::string> args = context.args;
    bool save = false;
    std::string opsPath;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--save") {
            save = true;
        } else if (args[i] == "--ops") {
            if (i + 1 >= args.size()) return Fail("edit: --ops needs a file");
            opsPath = args[++i];
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 1) return Fail("edit: expected one FILE.tlf");
    if (opsPath.empty()) return Fail("edit: expected --ops OPS.json");

    json ops;
    {
        std::ifstream in(opsPath, std::ios::binary);
        if (!in) return Fail("edit: cannot read " + opsPath);
        ops = json::parse(in, nullptr, false);
        if (ops.is_discarded()) return Fail("edit: " + opsPath + " is not valid JSON");
        if (!ops.is_array()) return Fail("edit: " + opsPath + " does not hold a list of ops");
    }

    const fs::path file = fs::absolute(files.front());
    Runtime runtime(Workspace::FromEnvironment(context.workspace));
    runtime.SetSavesListsAtShutdown(false);  // only --save writes, and only the show
    int status = 0;
    if (!StartRuntime(runtime, status)) return status;
    std::string error;
    if (!fs::exists(file)) Warn(file.string() + " not found; starting from the empty show");
    if (!runtime.LoadShowFile(file, &error)) return Fail("cannot read " + file.string() + ": " + error);

    ShowDocument& doc = runtime.showDocument();
    RecordingPrompter yes(true);  // the command line answers Yes to every question
    for (std::size_t i = 0; i < ops.size(); ++i) {
        try {
            RunOp(ops[i], doc, yes);
        } catch (const BadOp& bad) {
            return Fail("edit: op " + std::to_string(i) + ": " + bad.reason + "; nothing saved");
        }
    }
    if (save && !runtime.SaveShowFile(file, yes, &error)) return Fail("cannot save " + file.string() + ": " + error);
    std::cout << Dump(ShowToJson(runtime.show)) << "\n";
    return 0;
}

}  // namespace velmora::cli
