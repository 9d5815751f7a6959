#pragma once

#include <cstdint>
#include <string_view>

#include "core/program/object_type.hpp"

namespace kvx {

/// Display units selected by `TableUnit`.
enum TableUnitIndex : int32_t { kUnitMicrometre = 0, kUnitMillimetre = 1, kUnitCentimetre = 2 };

/// True for the data types whose objects yield a value (Text, Polygon,
/// Two Point Line, Count).
constexpr bool YieldsValues(int dataType) {
    return dataType >= kText && dataType <= kCount;
}

/// A stored value in the display unit `tableUnit`: areas (data type 5) and
/// distances (6) are scaled, everything else is returned unchanged. A unit
/// outside 0..2 is taken as micrometres.
double UnitDivisor(double value, int dataType, int32_t tableUnit);

/// The unit name shown beside values of a data type: empty for Text and
/// Count, else "\xB5m", "mm" or "cm" for `tableUnit` (areas carry the length
/// name too).
std::string_view UnitName(int dataType, int32_t tableUnit);

/// Decimals shown for values of a data type: 0 for Text and Count, else 3.
int DecimalsFor(int dataType);

/// Largest magnitude of the number a Text label may carry: every whole
/// number up to it is held exactly, and the statistics of a full value list
/// of such numbers stay finite and printable.
inline constexpr double kLargestLabelValue = 1e15;

/// Reads a Text object's label as its value, as RealVal reads it (blanks
/// only give 0). False for text that is no number and for numbers beyond
/// kLargestLabelValue: such a label yields no value.
[[nodiscard]] bool LabelValue(std::string_view label, double& value);

}  // namespace kvx
