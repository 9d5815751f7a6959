#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvx {

/// The layer selection dialog `TMesSelField` without its window: layers
/// 2..10 in two lists, switched off (`clbv`) and shown in drawing order
/// (`clbb`); layer 1 always stays first and shown.
class LayerSelectionModel {
public:
    using Codes = std::array<int32_t, 10>;
    /// The text of a layer (message 2200 + layer number).
    using LayerText = std::function<std::string(int32_t layer)>;

    LayerSelectionModel(const Codes& codes, LayerText layerText);

    /// `clbv` (available, switched off) and `clbb` (selected, in order).
    const std::vector<std::string>& Available() const { return available_; }
    const std::vector<std::string>& Selected() const { return selected_; }
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
    /// layers positive in list order, then the available ones negative;
    /// items whose layer number does not read are skipped (zeros follow).
    Codes Result() const;

private:
    void Fill(const Codes& codes);

    Codes codes_;
    LayerText layerText_;
    std::vector<std::string> available_;
    std::vector<std::string> selected_;
};

/// The layer number in an item text: the character at position 2 when
/// position 3 holds ")", else positions 2 and 3; 0 when it does not read.
int32_t LayerOfItem(const std::string& text);

}  // namespace kvx
