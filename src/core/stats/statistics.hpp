#pragma once

#include <cstdint>

#include "core/program/settings.hpp"
#include "core/stats/value_list.hpp"

namespace kvx {

/// Start of the minimum search, and the minimum stored when nothing is counted.
inline constexpr double kNoMinimum = 10000000000.0;

/// What the grids need beyond the stored slots.
struct StatisticsMarks {
    int32_t minRow = 0;  ///< grid row (entry - 1) of the first smallest counted value
    int32_t maxRow = 0;  ///< grid row of the first largest counted value
    int32_t within = 0;  ///< counted values inside mean +- s (0 when n < 2)
};

/// Fills the ten result slots of `list` from its entries, in stored units:
/// n, extremes, mean, sample variance, s, the interval mean +- s and the
/// share of counted values inside it. Excluded entries only count in
/// excludedCount. Returns the rows of the extremes and the within count.
StatisticsMarks ComputeStatistics(ValueList& list);

/// The class width for class-frequency output, in stored units: a share of
/// the mean when `AdaptClassSize` is on (0 when the share or the mean is
/// unusable), else `ClassSize`; always 1 for a Count type.
double CalcClassSize(const Settings& settings, double mean, int dataType);

}  // namespace kvx
