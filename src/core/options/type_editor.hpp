#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/program/object_type.hpp"

namespace kvx {

class ObjectTypeTable;

/// The value of textColour that means "polygon not filled".
inline constexpr int32_t kNoFill = -100;

/// Which controls of the object-type editor show for the shown type's data type.
struct TypeEditorControls {
    bool lineColour = false;    ///< `PaLbColor`
    bool symbolColour = false;  ///< `PaLbColor2`
    bool lineWidth = false;     ///< `EdLth`
    bool lineStyle = false;     ///< `cob3`
    bool labelFont = false;     ///< `LbFont`
    bool showLabel = false;     ///< `cblabelShow`
    bool symbol = false;        ///< `cob4`, and the symbol controls below by kind
    bool symbolFont = false;    ///< `LbSymFont` and `BtSym` (symbol kind 0)
    bool symbolSize = false;    ///< `EdSymSz` (symbol kinds above 1)
    bool textColour = false;    ///< `PaLbColor3`
    bool fill = false;          ///< `xFillPolygon`
    bool operator==(const TypeEditorControls&) const = default;
};

/// The object-type editor `TFMP_TYPE` without its window: the list of slots
/// in use, a working copy of the shown slot that every edit changes, and the
/// rule that hands the working copy back to the table it was opened on.
///
/// The table is edited in place, so the caller decides whether the edits
/// reach the program-wide table: hand in a copy of all 256 slots (editing all
/// types), the one new slot itself (new type), or a copy of one record (the
/// display values of one object).
class TypeEditorModel {
public:
    /// One item of the list `Lb`.
    struct Item {
        int32_t slot = 0;
        std::string text;
    };

    /// table: slotCount records, slot i at table[i - 1]; slotCount 1 or 256.
    /// preselect: the slot shown first (0 or not listed = the first item).
    /// language: 0 German names, otherwise English.
    TypeEditorModel(ObjectType* table, int32_t slotCount, int32_t preselect,
                    bool dataTypeChangeable, int language);
    /// All 256 slots of table.
    TypeEditorModel(ObjectTypeTable& table, int32_t preselect, bool dataTypeChangeable,
                    int language);

    // ---- list and selection ----------------------------------------------------
    /// The slots in use, as `Lb` lists them.
    const std::vector<Item>& Items() const { return items_; }
    /// Index of the selected item; -1 when nothing is listed.
    int32_t SelectedIndex() const { return selectedIndex_; }
    /// False when nothing is listed: the dialog then closes as cancelled.
    bool HasItems() const { return !items_.empty(); }
    /// `LbClick`: writes the working copy back into the table, then shows
    /// the slot named by item index. Out-of-range indexes do nothing.
    void Select(int32_t index);
    /// The slot shown; 0 = none.
    int32_t ShownSlot() const { return shownSlot_; }
    /// The working copy of the shown slot, which all edits change.
    const ObjectType& Working() const { return working_; }
    bool DataTypeChangeable() const { return dataTypeChangeable_; }
    int32_t SlotCount() const { return slotCount_; }
    int Language() const { return language_; }

    // ---- what the controls show --------------------------------------------------
    /// `LbIDV`: for a single slot its stored identity number, else the slot number.
    int32_t IdentityNumber() const;
    /// The name in the interface language.
    const std::string& DisplayName() const { return working_.Name(language_); }
    TypeEditorControls Controls() const;
    /// `cob3` is disabled while the line is wider than 1 (wide lines are solid).
    bool LineStyleEnabled() const { return working_.size <= 1; }
    /// Symbol kind: the high byte of symbolNumber (index of `cob4`).
    int32_t SymbolKind() const;
    /// Character code of a font symbol: the low byte of symbolNumber.
    int32_t SymbolCharacter() const;
    /// `xFillPolygon`: ticked unless textColour is kNoFill.
    bool Filled() const { return working_.textColour != kNoFill; }
    /// `LbFont` and `LbSymFont`: font name + "; " + size + " pt".
    std::string LabelFontCaption() const;
    std::string SymbolFontCaption() const;

    // ---- edits; each changes the working copy at once --------------------------------
    /// `EdNameExit`: a non-empty text becomes both names (cut to 80
    /// characters). False when refused (empty): the edit shows DisplayName().
    bool SetName(std::string_view text);
    /// `cobtypeChange`: data type := index + 1 (0..6); ignored when the data
    /// type may not be changed. A polygon's "not filled" becomes black for
    /// any other data type.
    void SetDataTypeIndex(int32_t index);
    void SetShow(bool on) { working_.show = on; }
    void SetShowLabel(bool on) { working_.showLabel = on; }
    /// `EdLthChange`: a valid integer becomes size; above 1 the line style is
    /// set to solid. False when the text is not an integer (nothing stored).
    bool SetLineWidth(std::string_view text);
    /// `cob3Change`: attribute := index.
    void SetLineStyle(int32_t index);
    /// `cob4Change`: symbol kind 0..8 into the high byte of symbolNumber.
    void SetSymbolKind(int32_t kind);
    /// `EdSymSzChange`: a valid integer becomes symbolSize. False when the
    /// text is not an integer: the edit shows the current value again.
    bool SetSymbolSize(std::string_view text);
    /// `BtSymClick` result: a picked code 32..255 becomes symbolNumber
    /// (kind 0, the code in the low byte); -1 (cancelled) changes nothing.
    void SetSymbolCharacter(int32_t code);
    /// `LbFontClick` result: label font (cut to 30 characters), size and
    /// style bits (bold 1, italic 2, underline 4, strike-out 8).
    void SetLabelFont(std::string_view name, int32_t pointSize, int32_t styleBits);
    /// `LbSymFontClick` result: symbol font (cut to 30 characters) and size.
    void SetSymbolFont(std::string_view name, int32_t pointSize);
    /// `LbColorClick` result for panel tag 1, 2 (colour) or 3 (textColour,
    /// which also ticks the fill).
    void SetColour(int32_t tag, int32_t colour);
    /// `xFillPolygonClick`: ticked gives black when it was not filled,
    /// unticked stores kNoFill.
    void SetFill(bool on);

    // ---- closing ---------------------------------------------------------------------
    /// `BtOK`: writes the working copy into the table at the shown slot.
    void Ok();

private:
    ObjectType* Record(int32_t slot);

    ObjectType* table_;
    int32_t slotCount_;
    bool dataTypeChangeable_;
    int language_;
    std::vector<Item> items_;
    int32_t selectedIndex_ = -1;
    int32_t shownSlot_ = 0;
    ObjectType working_;
};

/// Prepares a new type: the first slot 1..255 without a data type, else slot
/// 256 while it is free, receives the template slot's record with both names
/// set to name and its identity set to the slot number. Returns that slot, or
/// 0 when every slot is in use (nothing is changed then). Cancelling the
/// editor on it should empty the slot again.
int32_t CreateNewTypeSlot(ObjectTypeTable& types, std::string_view name);

/// The caption of a colour panel: label, a blank and the colour in
/// hexadecimal (zero as six zeros).
std::string ColourPanelCaption(std::string_view label, int32_t colour);

/// The slot number of a list item: the digits after its last "(" up to ")";
/// 0 when there are none.
int32_t SlotOfItem(std::string_view text);

}  // namespace kvx
