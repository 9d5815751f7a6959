#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvx {

/// The layer selection dialog `TMesSelField` without its window: layers
/// 2..10 in two lists, switched off (`clbv`) and shown in drawing order
/// (`clbb`); layer 1 always stays first and shown. The lists hold layer
/// numbers; their texts are only shown.
class LayerSelectionModel {
public:
    using Codes = std::array<int32_t, 10>;
    /// The text of a layer (message 2200 + layer number).
    using LayerText = std::function<std::string(int32_t layer)>;

    /// codes as the configuration holds them; see NormalizeLayerCodes.
    LayerSelectionModel(const Codes& codes, LayerText layerText);

    /// The layer numbers of `clbv` (available, switched off) and `clbb`
    /// (selected, in drawing order).
    const std::vector<int32_t>& AvailableLayers() const { return available_; }
    const std::vector<int32_t>& SelectedLayers() const { return selected_; }
    /// Their texts, as the lists show them.
    std::vector<std::string> Available() const;
    std::vector<std::string> Selected() const;
    std::string Text(int32_t layer) const;
    /// Selected row of each list; -1 = none.
    int32_t availableRow = -1;
    int32_t selectedRow = -1;

    /// `BtAdd2` or a double click in `clbv`: the selected available item
    /// moves to the end of `clbb`.
    void Add();
    /// `BtDel2` or a double click in `clbb`: the selected item moves to the
    /// end of `clbv`.
    void Remove();
    /// `BtUp`, `BtDn`: the selected item of `clbb` swaps with its neighbour
    /// and stays selected.
    void Up();
    void Down();
    /// `Button1` and `Button4`: every layer 2..10 shown, or every one off.
    void All();
    void None();

    bool AddEnabled() const;
    bool RemoveEnabled() const;
    bool UpEnabled() const;
    bool DownEnabled() const;
    bool AllEnabled() const { return !available_.empty(); }
    bool NoneEnabled() const { return !selected_.empty(); }

    /// `Button2`: the codes rebuilt from the two lists: 1, then the selected
    /// layers positive in list order, then the available ones negative.
    Codes Result() const;

private:
    void Fill(const Codes& codes);

    Codes codes_;
    LayerText layerText_;
    std::vector<int32_t> available_;
    std::vector<int32_t> selected_;
};

/// The codes with each layer 2..10 exactly once in entries 2..10 and 1 in
/// entry 1, as a hand-edited configuration may not have them: the first
/// code of each layer keeps its place and sign, codes of other numbers and
/// repeats are dropped, and the layers that are missing follow switched
/// off, in ascending order.
LayerSelectionModel::Codes NormalizeLayerCodes(const LayerSelectionModel::Codes& codes);

}  // namespace kvx
