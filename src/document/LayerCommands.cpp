#include "document/LayerCommands.h"

#include <mutex>

#include "document/ShowDocument.h"

namespace velmora {

// --- BindLayersCommand -------------------------------------------------------

BindLayersCommand::BindLayersCommand(ShowDocument& doc, std::vector<Row> rows, std::string text)
    : doc_(doc), after_(std::move(rows)), text_(std::move(text)) {
    const std::vector<Layer>& layers = doc_.show().layers;
    std::erase_if(after_, [&layers](const Row& r) {
        if (r.row < 0 || static_cast<std::size_t>(r.row) >= layers.size()) return true;
        const Layer& now = layers[static_cast<std::size_t>(r.row)];
        return now.name == r.binding.name && now.GroupID == r.binding.GroupID && now.type == r.binding.type;
    });
    for (const Row& r : after_) before_.push_back({r.row, layers[static_cast<std::size_t>(r.row)]});
}

Change BindLayersCommand::Put(bool apply) {
    if (after_.empty()) return {};
    Change change;
    change.what = Change::kLayers;
    const std::vector<Row>& rows = apply ? after_ : before_;
    // The rotation blocks of a rebound row now drive other springs: both the
    // ones they leave and the ones they reach are recompiled.
    std::vector<std::int32_t> rotationRows;
    for (const Row& r : rows)
        if (doc_.RowHasRotation(r.row)) rotationRows.push_back(r.row);
    for (const std::int32_t row : rotationRows) doc_.AddRowSprings(row, change.springs);
    {
        std::lock_guard lock(doc_.outputLock());
        for (const Row& r : rows) {
            Layer& layer = doc_.show().layers[static_cast<std::size_t>(r.row)];
            layer.name = r.binding.name;
            layer.GroupID = r.binding.GroupID;
            layer.type = r.binding.type;
        }
    }
    for (const std::int32_t row : rotationRows) doc_.AddRowSprings(row, change.springs);
    return change;
}

// --- ToggleArmedCommand ------------------------------------------------------

ToggleArmedCommand::ToggleArmedCommand(ShowDocument& doc, std::int32_t row) : doc_(doc), row_(row) {}

Change ToggleArmedCommand::Apply() {
    std::vector<Layer>& layers = doc_.show().layers;
    if (row_ < 0 || static_cast<std::size_t>(row_) >= layers.size()) return {};
    Layer& layer = layers[static_cast<std::size_t>(row_)];
    formerArmedRow_ = doc_.armedRow();
    doc_.SetArmedRow(layer.m_bArmed == 0 ? row_ : -1);
    layer.m_bArmed = layer.m_bArmed == 0 ? 1 : 0;
    return Change::Of(Change::kArmed);
}

Change ToggleArmedCommand::Revert() {
    Layer& layer = doc_.show().layers[static_cast<std::size_t>(row_)];
    layer.m_bArmed = layer.m_bArmed == 0 ? 1 : 0;
    doc_.SetArmedRow(formerArmedRow_);
    return Change::Of(Change::kArmed);
}

// --- SetScaleCommand ---------------------------------------------------------

SetScaleCommand::SetScaleCommand(ShowDocument& doc, std::int32_t scale) : doc_(doc), scale_(scale) {}

Change SetScaleCommand::Apply() {
    Show& show = doc_.show();
    if (scale_ < 1 || scale_ == show.m_nScale) return {};
    formerScale_ = show.m_nScale;
    formerPositions_.clear();
    formerPositions_.reserve(show.blocks.size());
    for (const TimeBlock& block : show.blocks) formerPositions_.emplace_back(block.start, block.end);
    // The engine converts positions with the scale: both change in one hold.
    std::lock_guard lock(doc_.outputLock());
    show.SetScale(scale_);
    return Change::Of(Change::kScale | Change::kBlocks);
}

Change SetScaleCommand::Revert() {
    Show& show = doc_.show();
    std::lock_guard lock(doc_.outputLock());
    for (std::size_t i = 0; i < show.blocks.size() && i < formerPositions_.size(); ++i) {
        show.blocks[i].start = formerPositions_[i].first;
        show.blocks[i].end = formerPositions_[i].second;
    }
    show.m_nScale = formerScale_;
    return Change::Of(Change::kScale | Change::kBlocks);
}

}  // namespace velmora
