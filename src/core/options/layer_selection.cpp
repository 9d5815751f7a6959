#include "core/options/layer_selection.hpp"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace kvx {

namespace {

constexpr int32_t kFirstListedLayer = 2;
constexpr int32_t kLastLayer = 10;

/// Moves row of from to the end of to; the selection stays at that row, or
/// on the last item when the row is now past the end.
void MoveItem(std::vector<int32_t>& from, int32_t& row, std::vector<int32_t>& to) {
    if (row < 0 || static_cast<std::size_t>(row) >= from.size()) return;
    to.push_back(from[static_cast<std::size_t>(row)]);
    from.erase(from.begin() + row);
    if (static_cast<std::size_t>(row) >= from.size()) row = static_cast<int32_t>(from.size()) - 1;
}

bool RowValid(int32_t row, const std::vector<int32_t>& list) {
    return row >= 0 && static_cast<std::size_t>(row) < list.size();
}

}  // namespace

LayerSelectionModel::Codes NormalizeLayerCodes(const LayerSelectionModel::Codes& codes) {
    LayerSelectionModel::Codes result{};
    result[0] = 1;
    std::array<bool, kLastLayer + 1> seen{};
    std::size_t next = 1;
    for (std::size_t i = 1; i < codes.size(); ++i) {
        // Written out so that the smallest int32_t has no magnitude to overflow.
        const int32_t code = codes[i];
        if (code < -kLastLayer || code > kLastLayer) continue;
        const int32_t layer = std::abs(code);
        if (layer < kFirstListedLayer || seen[static_cast<std::size_t>(layer)]) continue;
        seen[static_cast<std::size_t>(layer)] = true;
        result[next++] = code;
    }
    for (int32_t layer = kFirstListedLayer; layer <= kLastLayer; ++layer) {
        if (!seen[static_cast<std::size_t>(layer)]) result[next++] = -layer;
    }
    return result;
}

LayerSelectionModel::LayerSelectionModel(const Codes& codes, LayerText layerText)
    : codes_(NormalizeLayerCodes(codes)), layerText_(std::move(layerText)) {
    Fill(codes_);
}

void LayerSelectionModel::Fill(const Codes& codes) {
    available_.clear();
    selected_.clear();
    for (std::size_t i = 1; i < codes.size(); ++i) {
        const int32_t code = codes[i];
        (code > 0 ? selected_ : available_).push_back(std::abs(code));
    }
    availableRow = -1;
    selectedRow = -1;
}

std::string LayerSelectionModel::Text(int32_t layer) const {
    return layerText_ ? layerText_(layer) : std::string();
}

std::vector<std::string> LayerSelectionModel::Available() const {
    std::vector<std::string> texts;
    for (const int32_t layer : available_) texts.push_back(Text(layer));
    return texts;
}

std::vector<std::string> LayerSelectionModel::Selected() const {
    std::vector<std::string> texts;
    for (const int32_t layer : selected_) texts.push_back(Text(layer));
    return texts;
}

void LayerSelectionModel::Add() {
    MoveItem(available_, availableRow, selected_);
}

void LayerSelectionModel::Remove() {
    MoveItem(selected_, selectedRow, available_);
}

void LayerSelectionModel::Up() {
    if (!UpEnabled()) return;
    const auto row = static_cast<std::size_t>(selectedRow);
    std::swap(selected_[row], selected_[row - 1]);
    --selectedRow;
}

void LayerSelectionModel::Down() {
    if (!DownEnabled()) return;
    const auto row = static_cast<std::size_t>(selectedRow);
    std::swap(selected_[row], selected_[row + 1]);
    ++selectedRow;
}

void LayerSelectionModel::All() {
    for (std::size_t i = 1; i < codes_.size(); ++i) codes_[i] = std::abs(codes_[i]);
    Fill(codes_);
}

void LayerSelectionModel::None() {
    for (std::size_t i = 1; i < codes_.size(); ++i) codes_[i] = -std::abs(codes_[i]);
    Fill(codes_);
}

bool LayerSelectionModel::AddEnabled() const {
    return RowValid(availableRow, available_);
}

bool LayerSelectionModel::RemoveEnabled() const {
    return RowValid(selectedRow, selected_);
}

bool LayerSelectionModel::UpEnabled() const {
    return RowValid(selectedRow, selected_) && selectedRow > 0;
}

bool LayerSelectionModel::DownEnabled() const {
    return RowValid(selectedRow, selected_) &&
           static_cast<std::size_t>(selectedRow) + 1 < selected_.size();
}

LayerSelectionModel::Codes LayerSelectionModel::Result() const {
    Codes result{};
    result[0] = 1;
    std::size_t next = 1;
    for (const int32_t layer : selected_) result[next++] = layer;
    for (const int32_t layer : available_) result[next++] = -layer;
    return result;
}

}  // namespace kvx
