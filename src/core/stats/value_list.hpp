#pragma once

#include <array>
#include <cstdint>

namespace kvx {

/// One object's value as collected for its type.
struct ValueEntry {
    double value = 0.0;      ///< micrometres, square micrometres, points or label units
    int32_t firstPoint = 0;  ///< `history` index of the record at which the object starts
    bool excluded = false;   ///< copy of that record's `excluded` flag
};

/// The values of the selected type's objects, at most 999 of them, with the
/// statistics results stored in ten slots directly behind the entries (the
/// value fields of entries 1000 to 1009), all in stored units.
class ValueList {
public:
    static constexpr int32_t kMaxEntries = 999;
    static constexpr int32_t kSlotCount = 10;

    /// The result slots, by entry number.
    enum Slot : int32_t {
        kN = kMaxEntries + 1,  ///< number of counted (not excluded) values
        kMax,                  ///< largest counted value; 0 if none
        kMin,                  ///< smallest counted value; 10^10 if none
        kMean,
        kS,  ///< sample standard deviation
        kWithinPercent,
        kLowerBound,  ///< mean - s
        kUpperBound,  ///< mean + s
        kVariance,    ///< sum of squared deviations / (n - 1)
        kExcludedCount,
    };

    /// Zeroes the whole block, entries and slots.
    void Clear() {
        block_.fill(ValueEntry{});
        count_ = 0;
    }

    /// Number of collected entries.
    int32_t Count() const { return count_; }
    bool Full() const { return count_ >= kMaxEntries; }

    /// Appends an entry; false (and nothing stored) when 999 are held.
    bool Add(const ValueEntry& entry) {
        if (Full()) return false;
        block_[static_cast<std::size_t>(++count_)] = entry;
        return true;
    }

    /// Entry k, 1..Count(); an index outside gives a zero entry.
    const ValueEntry& Entry(int32_t k) const {
        static const ValueEntry kNone{};
        return k >= 1 && k <= count_ ? block_[static_cast<std::size_t>(k)] : kNone;
    }

    double Get(Slot slot) const { return block_[static_cast<std::size_t>(slot)].value; }
    void Set(Slot slot, double value) { block_[static_cast<std::size_t>(slot)].value = value; }

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
    std::array<ValueEntry, kMaxEntries + kSlotCount + 1> block_{};  // entry 0 unused
    int32_t count_ = 0;
};

}  // namespace kvx
