#pragma once

#include <array>
#include <cstdint>
#include <new>
#include <vector>

namespace kvx {

/// One object's value as collected for its type.
struct ValueEntry {
    double value = 0.0;      ///< micrometres, square micrometres, points or label units
    int32_t firstPoint = 0;  ///< `history` index of the record at which the object starts
    bool excluded = false;   ///< copy of that record's `excluded` flag
};

/// The values of the selected type's objects, every one of them (a project
/// never holds more objects than records), with the statistics results in
/// ten slots beside the entries, all in stored units.
class ValueList {
public:
    static constexpr int32_t kSlotCount = 10;

    /// The result slots.
    enum Slot : int32_t {
        kN,    ///< number of counted (not excluded) values
        kMax,  ///< largest counted value; 0 if none
        kMin,  ///< smallest counted value; 10^10 if none
        kMean,
        kS,  ///< sample standard deviation
        kWithinPercent,
        kLowerBound,  ///< mean - s
        kUpperBound,  ///< mean + s
        kVariance,    ///< sum of squared deviations / (n - 1)
        kExcludedCount,
    };

    /// Empties the entries and zeroes the slots.
    void Clear() {
        entries_.clear();
        slots_.fill(0.0);
    }

    /// Number of collected entries.
    int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

    /// Appends an entry; false (and nothing stored) when memory is short.
    bool Add(const ValueEntry& entry) {
        try {
            entries_.push_back(entry);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    /// Entry k, 1..Count(); an index outside gives a zero entry.
    const ValueEntry& Entry(int32_t k) const {
        static const ValueEntry kNone{};
        return k >= 1 && k <= Count() ? entries_[static_cast<std::size_t>(k - 1)] : kNone;
    }

    double Get(Slot slot) const { return slots_[static_cast<std::size_t>(slot)]; }
    void Set(Slot slot, double value) { slots_[static_cast<std::size_t>(slot)] = value; }

    double n() const { return Get(kN); }
    double max() const { return Get(kMax); }
    double min() const { return Get(kMin); }
    double mean() const { return Get(kMean); }
    double s() const { return Get(kS); }
    double withinPercent() const { return Get(kWithinPercent); }
    double lowerBound() const { return Get(kLowerBound); }
    double upperBound() const { return Get(kUpperBound); }
    double variance() const { return Get(kVariance); }
    double excludedCount() const { return Get(kExcludedCount); }

private:
    std::vector<ValueEntry> entries_;
    std::array<double, kSlotCount> slots_{};
};

}  // namespace kvx
