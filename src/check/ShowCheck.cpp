#include "check/ShowCheck.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace velmora {
namespace {

std::string BlockName(std::size_t index) { return "block " + std::to_string(index); }

std::string Seconds(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", ms / 1000.0);
    return text;
}

const Layer* LayerOf(const Show& show, const TimeBlock& block) {
    if (block.cannel < 0 || static_cast<std::size_t>(block.cannel) >= show.layers.size()) return nullptr;
    return &show.layers[static_cast<std::size_t>(block.cannel)];
}

void CheckLayers(const Show& show, const std::string& file, const Scene& scene, CheckReport& report) {
    std::vector<std::size_t> blocksOn(show.layers.size(), 0);
    for (const TimeBlock& block : show.blocks)
        if (LayerOf(show, block) != nullptr) ++blocksOn[static_cast<std::size_t>(block.cannel)];

    for (std::size_t i = 0; i < show.blocks.size(); ++i) {
        if (LayerOf(show, show.blocks[i]) != nullptr) continue;
        report.Add(Severity::Warning, file, BlockName(i), "block-off-layers",
                   "block " + std::to_string(i) + " sits on row " + std::to_string(show.blocks[i].cannel) +
                       ", outside the show's " + std::to_string(show.layers.size()) + " layers; it never plays");
    }

    for (std::size_t row = 0; row < show.layers.size(); ++row) {
        const Layer& layer = show.layers[row];
        if (layer.GroupID == -1) {
            if (blocksOn[row] == 0 || layer.type == kLayerProgram) continue;
            report.Add(Severity::Warning, file, "layer " + std::to_string(row), "unbound-layer",
                       "layer " + std::to_string(row) + " carries " + std::to_string(blocksOn[row]) +
                           " block(s) but is bound to no group or spring; they drive nothing");
            continue;
        }
        const bool group = layer.type == kLayerGroup;
        if (group ? scene.FindGroup(layer.GroupID) != nullptr
                  : (layer.type != kLayerSpring || scene.FindSpring(layer.GroupID) != nullptr))
            continue;
        // A dangling row without blocks does nothing; with blocks, they are lost.
        const std::size_t blocks = blocksOn[row];
        std::string message = std::string(group ? "bound to group " : "bound to spring ") +
                              std::to_string(layer.GroupID) + ", which the scene does not have";
        message += blocks == 0 ? "" : "; its " + std::to_string(blocks) + " block(s) drive nothing";
        report.Add(blocks == 0 ? Severity::Warning : Severity::Error, file, "layer " + std::to_string(row),
                   group ? "unknown-group" : "unknown-spring", message);
    }
}

void CheckAsset(ShowCheckContext& context, AssetKind kind, const std::string& name, const std::string& file,
                std::size_t index, CheckReport& report) {
    if (name.empty()) return;
    if (auto fault = context.assets.Probe(kind, name))
        report.Add(Severity::Error, file, BlockName(index), fault->code, fault->message);
}

void CheckProgram(ShowCheckContext& context, const std::string& name, const std::string& file, std::size_t index,
                  CheckReport& report) {
    const ListedProgram* program = context.programs.Find(name);
    if (program == nullptr) {
        report.Add(Severity::Error, file, BlockName(index), "missing-program",
                   "program \"" + name + "\" is not in the program list (or its .prog file is missing)");
        return;
    }
    if (!program->showExists) {
        report.Add(Severity::Error, file, BlockName(index), "missing-program",
                   "program \"" + name + "\" has no show file " + program->show.filename().string() +
                       "; it plays nothing");
        return;
    }
    if (context.reportedCycles.count(name) != 0) return;
    const std::vector<std::string> cycle = context.programs.CycleThrough(name);
    if (cycle.empty()) return;
    context.reportedCycles.insert(name);
    std::string chain;
    for (const std::string& step : cycle) chain += (chain.empty() ? "" : " -> ") + step;
    const std::string where = context.label ? context.label(program->show) : program->show.string();
    report.Add(Severity::Error, where, "program " + name, "program-recursion",
               "program \"" + name + "\" starts itself: " + chain);
}

void CheckAssets(const Show& show, const std::string& file, ShowCheckContext& context, CheckReport& report) {
    for (std::size_t i = 0; i < show.blocks.size(); ++i) {
        const TimeBlock& block = show.blocks[i];
        const Layer* layer = LayerOf(show, block);
        if (layer == nullptr) continue;  // rows past the stack are never played
        CheckAsset(context, AssetKind::Light512, block.sz512Light, file, i, report);
        if (layer->type == kLayerProgram) {
            if (!block.Program.empty() && block.Program != kNoProgramName)
                CheckProgram(context, block.Program, file, i, report);
            continue;
        }
        if (block.nSpecicalType == kActionRotateZ || block.nSpecicalType == kActionRotateY) {
            // The second and third programs run only in a sectioned pattern.
            CheckAsset(context, AssetKind::Motor, block.szMotor, file, i, report);
            if (block.singleSection != 0) {
                CheckAsset(context, AssetKind::Motor, block.szMotor1, file, i, report);
                if (block.singleSection1 != 0) CheckAsset(context, AssetKind::Motor, block.szMotor2, file, i, report);
            }
        }
        if (block.nSpecicalType == kActionFrame) CheckAsset(context, AssetKind::Frame, block.szFrame, file, i, report);
        // The system light's file is the scene's, reported with the scene.
        CheckAsset(context, AssetKind::Colour, block.szLight, file, i, report);
    }
}

// What a block drives on its row's springs, as a set of bits: blocks that
// share a bit and overlap in time fight over those outputs.
enum BlockDrives : unsigned {
    kDrivesWater = 1u << 0,   // pump level and valve
    kDrivesMotorZ = 1u << 1,  // Z rotation or swing
    kDrivesMotorY = 1u << 2,
    kDrivesLight = 1u << 3,   // a colour sequence or the system light
    kDrives512 = 1u << 4,     // a moving-head table
};

unsigned DrivesOf(const TimeBlock& block, std::int32_t layerType) {
    unsigned drives = block.sz512Light.empty() ? 0u : kDrives512;
    if (layerType == kLayerProgram) return drives;  // programs are checked as shows of their own
    const bool ownLight = !block.szLight.empty();
    const bool waterWithLight = !ownLight || block.bLightTogether == 1;
    // Rotations, swings and laser commands never light their members.
    const std::int32_t type = block.nSpecicalType;
    const bool lights = type != kActionRotateZ && type != kActionRotateY && type != kActionSwingZ &&
                        type != kActionSwingY && type != kActionLaser;
    if (lights && (ownLight || block.bSystime == 1)) drives |= kDrivesLight;
    if (block.bRunHorse == 1 && layerType == kLayerGroup) return drives | kDrivesWater;
    switch (block.nSpecicalType) {
        case kActionRotateZ:
        case kActionSwingZ:
            return drives | kDrivesMotorZ;
        case kActionRotateY:
        case kActionSwingY:
            return drives | kDrivesMotorY;
        case kActionLaser:
            return drives | kDrivesWater;
        case kActionFlatWave:
        case kActionTriangle:
        case kActionRectangle:
        case kActionFrame:
        case kActionRamp:
            return drives | (waterWithLight ? kDrivesWater : 0u);
        default:
            // No action: the level follows the music.
            return drives | (block.nSpecicalType < 1 && waterWithLight ? kDrivesWater : 0u);
    }
}

std::string DrivesText(unsigned drives) {
    static constexpr std::pair<unsigned, const char*> kNames[] = {
        {kDrivesWater, "water"}, {kDrivesMotorZ, "Z motor"}, {kDrivesMotorY, "Y motor"},
        {kDrivesLight, "light"}, {kDrives512, "512 light"}};
    std::string text;
    for (const auto& [bit, name] : kNames)
        if (drives & bit) text += (text.empty() ? "" : ", ") + std::string(name);
    return text;
}

void CheckOverlaps(const Show& show, const std::string& file, CheckReport& report) {
    struct Span {
        float start;
        float end;
        std::size_t index;
        unsigned drives;
    };
    std::vector<std::vector<Span>> rows(show.layers.size());
    for (std::size_t i = 0; i < show.blocks.size(); ++i) {
        const TimeBlock& block = show.blocks[i];
        const Layer* layer = LayerOf(show, block);
        if (layer == nullptr || !(block.start < block.end)) continue;
        const unsigned drives = DrivesOf(block, layer->type);
        if (drives != 0) rows[static_cast<std::size_t>(block.cannel)].push_back({block.start, block.end, i, drives});
    }
    for (std::size_t row = 0; row < rows.size(); ++row) {
        std::vector<Span>& spans = rows[row];
        std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
            return a.start != b.start ? a.start < b.start : a.index < b.index;
        });
        // Blocks still running at the current start; a block is reported
        // once, against the first earlier block it fights with.
        std::vector<Span> open;
        for (const Span& span : spans) {
            open.erase(std::remove_if(open.begin(), open.end(), [&](const Span& o) { return o.end <= span.start; }),
                       open.end());
            for (const Span& o : open) {
                const unsigned shared = o.drives & span.drives;
                if (shared == 0) continue;
                const std::size_t first = std::min(o.index, span.index);
                const std::size_t second = std::max(o.index, span.index);
                report.Add(Severity::Warning, file, "blocks " + std::to_string(first) + " and " + std::to_string(second),
                           "block-overlap",
                           "blocks " + std::to_string(first) + " and " + std::to_string(second) + " on layer " +
                               std::to_string(row) + " overlap in time and both drive the " + DrivesText(shared));
                break;
            }
            open.push_back(span);
        }
    }
}

void CheckLength(const Show& show, const std::string& file, const ShowLength& length, CheckReport& report) {
    for (std::size_t i = 0; i < show.blocks.size(); ++i) {
        const TimeBlock& block = show.blocks[i];
        if (LayerOf(show, block) == nullptr) continue;
        const double endMs = static_cast<double>(block.end) * show.m_nScale;
        if (!(endMs > length.ms)) continue;
        const double startMs = static_cast<double>(block.start) * show.m_nScale;
        const bool never = !(startMs < length.ms);
        report.Add(Severity::Warning, file, BlockName(i), "block-beyond-end",
                   "block " + std::to_string(i) + " ends at " + Seconds(endMs) + ", after the " + length.of +
                       "'s end at " + Seconds(length.ms) + (never ? "; it never plays" : "; its tail never plays"));
    }
}

}  // namespace

void CheckShow(const Show& show, const std::string& file, std::optional<ShowLength> length,
               ShowCheckContext& context, CheckReport& report) {
    CheckLayers(show, file, context.scene, report);
    CheckAssets(show, file, context, report);
    CheckOverlaps(show, file, report);
    if (length) CheckLength(show, file, *length, report);
}

}  // namespace velmora
