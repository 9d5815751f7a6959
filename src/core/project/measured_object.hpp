#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/support/record_array.hpp"

namespace kvx {

/// One measured point: one 101-byte record of the `history` table.
struct MeasuredObject {
    static constexpr int32_t kRecordSize = 101;
    static constexpr std::size_t kMaxName = 63;

    double x = 0.0;  ///< world micrometres
    double y = 0.0;
    int32_t colourOverride = -1;
    int32_t typeIndex = 0;   ///< slot 1..256; 0 or less marks a deleted point
    std::string name;        ///< at most 63 characters
    int32_t vertexKind = 0;  ///< 1 first point of an object, 2 further point
    int32_t sizeOverride = -1;
    int32_t textColourOverride = -1;
    bool excluded = false;

    bool Deleted() const { return typeIndex <= 0; }

    using Record = std::array<uint8_t, kRecordSize>;
    /// Packs into the record layout (fields in order; the name as a length
    /// byte and 63 characters, cut to 63).
    Record Pack() const;
    static MeasuredObject Unpack(const uint8_t* record);
    bool operator==(const MeasuredObject&) const = default;
};

/// Typed access to the `history` record table.
class History {
public:
    static constexpr const char* kName = "history";

    [[nodiscard]] ErrorCode Create(RecordArrayRegistry& registry, int32_t capacity) {
        return table_.Create(registry, kName, capacity, MeasuredObject::kRecordSize);
    }
    void Release() { table_.Release(); }
    bool IsValid() const { return table_.IsValid(); }

    int32_t Count() const { return table_.Count(); }
    int32_t Capacity() const { return table_.Capacity(); }
    /// Record index (1..capacity); a failed read reports and gives a zeroed point.
    MeasuredObject Get(int32_t index);
    /// Reads without touching the position or reporting; index 1..capacity,
    /// zero point outside.
    MeasuredObject Peek(int32_t index) const;
    void Put(int32_t index, const MeasuredObject& point);
    /// Appends after the last record; false when full.
    [[nodiscard]] bool Append(const MeasuredObject& point);
    [[nodiscard]] bool Insert(int32_t index, const MeasuredObject& point);
    void Clear(int32_t keep) { table_.Clear(keep); }

    RecordArray& Table() { return table_; }
    const RecordArray& Table() const { return table_; }

private:
    RecordArray table_;
};

}  // namespace kvx
