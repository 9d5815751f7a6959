#include "core/measure/values.hpp"

#include <cmath>

#include "core/support/strings.hpp"

namespace kvx {

double UnitDivisor(double value, int dataType, int32_t tableUnit) {
    if (dataType == kPolygon) {
        if (tableUnit == kUnitMillimetre) return value / 1000000.0;
        if (tableUnit == kUnitCentimetre) return value / 100000000.0;
    } else if (dataType == kTwoPointLine) {
        if (tableUnit == kUnitMillimetre) return value / 1000.0;
        if (tableUnit == kUnitCentimetre) return value / 10000.0;
    }
    return value;
}

std::string_view UnitName(int dataType, int32_t tableUnit) {
    static constexpr std::string_view kNames[4] = {"\xB5m", "mm", "cm", ""};
    if (dataType == kText || dataType == kCount) return kNames[3];
    if (tableUnit < kUnitMicrometre || tableUnit > kUnitCentimetre) return kNames[0];
    return kNames[tableUnit];
}

int DecimalsFor(int dataType) {
    return dataType == kText || dataType == kCount ? 0 : 3;
}

bool LabelValue(std::string_view label, double& value) {
    double read = 0.0;
    if (RealVal(label, read) != kOk || !(std::fabs(read) <= kLargestLabelValue)) return false;
    value = read;
    return true;
}

}  // namespace kvx
