#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/support/error_code.hpp"

namespace kvx {

class ObjectTypeTable;
class RecordArrayRegistry;

/// One item of the object-type selector `cbo` or of the object dialog's list.
struct TypeItem {
    int32_t type = 0;  ///< slot number; 0 for the "none" item
    std::string text;
    bool operator==(const TypeItem&) const = default;
};

/// The item text of a type: its number right-aligned in 3 characters, a
/// blank, its name, " (", its data type's name and " )"; German names when
/// language is 0.
std::string FormatTypeItem(const ObjectTypeTable& types, int32_t slot, int language);

/// The selector's items: "  0 none" first, then every user type with a data
/// type, in slot order.
std::vector<TypeItem> TypeSelectorItems(const ObjectTypeTable& types, int language);

/// The type number in the first three characters of an item (0 when they
/// do not read as one).
int32_t TypeOfItem(const std::string& text);

/// One of the ten function buttons `BtF1` .. `BtFA`.
struct FunctionButton {
    int32_t tag = 0;      ///< the type it selects; 0 = none
    std::string caption;  ///< the type's name cut before its first "("
    bool bold = false;    ///< the button of the current type
    bool operator==(const FunctionButton&) const = default;
};
using FunctionButtons = std::array<FunctionButton, 10>;

/// The designed caption of button i (0..9) before it carries a type.
std::string DefaultButtonCaption(int index);

/// The button caption of a type: its name up to its first "(".
std::string ButtonCaption(const ObjectTypeTable& types, int32_t slot, int language);

/// The ten most used defined types (data type not 0), most used first and,
/// for equal counts, the lower slot first; fewer when fewer are defined.
/// Ranked through a short-lived table in registry; its error when that
/// table cannot be made.
[[nodiscard]] ErrorCode RankTypesByUse(const ObjectTypeTable& types, RecordArrayRegistry& registry,
                                       std::vector<int32_t>& ranked);

}  // namespace kvx
