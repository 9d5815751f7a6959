#include "core/options/layer_selection.hpp"

#include <cstdlib>
#include <utility>

#include "core/support/strings.hpp"

namespace kvx {

namespace {

/// Moves row of from to the end of to; the selection stays at that row, or
/// on the last item when the row is now past the end.
void MoveItem(std::vector<std::string>& from, int32_t& row, std::vector<std::string>& to) {
    if (row < 0 || static_cast<std::size_t>(row) >= from.size()) return;
    to.push_back(from[static_cast<std::size_t>(row)]);
    from.erase(from.begin() + row);
    if (static_cast<std::size_t>(row) >= from.size()) row = static_cast<int32_t>(from.size()) - 1;
}

bool RowValid(int32_t row, const std::vector<std::string>& list) {
    return row >= 0 && static_cast<std::size_t>(row) < list.size();
}

}  // namespace

LayerSelectionModel::LayerSelectionModel(const Codes& codes, LayerText layerText)
    : codes_(codes), layerText_(std::move(layerText)) {
    Fill(codes_);
}

void LayerSelectionModel::Fill(const Codes& codes) {
    available_.clear();
    selected_.clear();
    for (std::size_t i = 1; i < codes.size(); ++i) {
        const int32_t code = codes[i];
        std::string text = layerText_ ? layerText_(std::abs(code)) : std::string();
        (code > 0 ? selected_ : available_).push_back(std::move(text));
    }
    availableRow = -1;
    selectedRow = -1;
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
    const auto take = [&](const std::vector<std::string>& list, int32_t sign) {
        for (const std::string& text : list) {
            const int32_t layer = LayerOfItem(text);
            if (layer == 0 || next >= result.size()) continue;
            result[next++] = sign * layer;
        }
    };
    take(selected_, 1);
    take(available_, -1);
    return result;
}

int32_t LayerOfItem(const std::string& text) {
    if (text.size() < 3) return 0;
    const std::string digits =
        text.size() >= 3 && text[2] == ')' ? text.substr(1, 1) : text.substr(1, 2);
    int32_t layer = 0;
    if (IntVal(digits, layer) != kOk || layer <= 0) return 0;
    return layer;
}

}  // namespace kvx
