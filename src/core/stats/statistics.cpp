#include "core/stats/statistics.hpp"

#include <cmath>

#include "core/program/object_type.hpp"

namespace kvx {

StatisticsMarks ComputeStatistics(ValueList& list) {
    StatisticsMarks marks;
    const int32_t entries = list.Count();
    double max = 0.0;
    double min = kNoMinimum;
    double sum = 0.0;
    int32_t counted = 0;
    int32_t excluded = 0;
    for (int32_t k = 1; k <= entries; ++k) {
        const ValueEntry& e = list.Entry(k);
        if (e.excluded) {
            ++excluded;
            continue;
        }
        // The first counted value sets both extremes, so that labels below 0
        // or above the minimum's start value still rank by their size; later
        // ties keep the earlier entry.
        if (counted == 0 || e.value > max) {
            max = e.value;
            marks.maxRow = k - 1;
        }
        if (counted == 0 || e.value < min) {
            min = e.value;
            marks.minRow = k - 1;
        }
        sum += e.value;
        ++counted;
    }

    const double n = counted;
    list.Set(ValueList::kN, n);
    list.Set(ValueList::kExcludedCount, excluded);
    list.Set(ValueList::kMin, min);
    list.Set(ValueList::kMax, max);
    if (counted == 0) return marks;

    const double mean = sum / n;
    list.Set(ValueList::kMean, mean);
    if (counted < 2) return marks;

    double squares = 0.0;
    for (int32_t k = 1; k <= entries; ++k) {
        const ValueEntry& e = list.Entry(k);
        if (!e.excluded) squares += (mean - e.value) * (mean - e.value);
    }
    const double variance = squares / (n - 1.0);
    const double s = std::sqrt(variance);
    const double lower = mean - s;
    const double upper = mean + s;
    list.Set(ValueList::kS, s);
    list.Set(ValueList::kLowerBound, lower);
    list.Set(ValueList::kUpperBound, upper);
    list.Set(ValueList::kVariance, variance);
    for (int32_t k = 1; k <= entries; ++k) {
        const ValueEntry& e = list.Entry(k);
        if (!e.excluded && lower <= e.value && e.value <= upper) ++marks.within;
    }
    list.Set(ValueList::kWithinPercent, marks.within * 100.0 / n);
    return marks;
}

double CalcClassSize(const Settings& settings, double mean, int dataType) {
    double width = 0.0;
    if (settings.AdaptClassSize >= 1) {
        if (settings.ClassSizePercent > 1 && settings.ClassSizePercent < 100 && mean > 0.0) {
            width = settings.ClassSizePercent * mean / 100.0;
        }
    } else {
        width = settings.ClassSize;
    }
    if (dataType == kCount) width = 1.0;
    return width;
}

}  // namespace kvx
