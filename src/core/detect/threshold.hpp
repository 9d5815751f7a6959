#pragma once

#include <cstdint>
#include <vector>

namespace kvx {

/// How the level that parts objects from the background is found.
enum class ThresholdMethod { kIsoData, kOtsu, kValue };

/// A histogram of sample values: entry v counts the samples of value v
/// (256 entries for 8-bit samples, 65536 for 16-bit ones).
using Histogram = std::vector<int64_t>;

/// The level by the iterative intermeans method in the variant ImageJ calls
/// "Default": a mode more than twice as high as the next highest entry is
/// cut to one and a half times that entry, the lowest and highest entries
/// are left out, and the level is the first one at which the mean of the
/// means below and above it is no longer above the level, rounded. Half the
/// number of entries when fewer than two values are held.
int32_t IsoDataLevel(const Histogram& histogram);

/// The level that maximises the variance between the two classes (Otsu);
/// of several equal maxima the highest level. 0 for an empty histogram.
int32_t OtsuLevel(const Histogram& histogram);

/// The level of a method (value is that of kValue, clamped to the range).
/// Samples at or below the level are the dark class, those above it the
/// light one.
int32_t ThresholdLevel(const Histogram& histogram, ThresholdMethod method, int32_t value);

}  // namespace kvx
