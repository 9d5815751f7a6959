#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/support/error_code.hpp"

namespace kvx {

class RecordArray;

/// Process-wide-in-spirit registry of live record tables. One lives in each
/// `Program`, so that two programs can run side by side.
class RecordArrayRegistry {
public:
    static constexpr int kSlots = 256;
    static constexpr std::size_t kNameLength = 32;

    /// Report routine through which Get and Put report failures (code, info).
    /// Empty until the error stack installs its ReportError.
    using ReportRoutine = std::function<void(ErrorCode code, std::string_view info)>;

    RecordArrayRegistry() = default;
    /// Detaches tables still alive, so that they no longer refer to it.
    ~RecordArrayRegistry();
    RecordArrayRegistry(const RecordArrayRegistry&) = delete;
    RecordArrayRegistry& operator=(const RecordArrayRegistry&) = delete;

    void SetReportRoutine(ReportRoutine routine) { report_ = std::move(routine); }
    void Report(ErrorCode code, std::string_view info) const {
        if (report_) report_(code, info);
    }

    /// Number of live instances.
    int LiveCount() const;
    /// Name registered in slot (1..256); empty when free.
    const std::string& NameInSlot(int slot) const;

private:
    friend class RecordArray;
    struct Entry {
        RecordArray* table = nullptr;
        std::string name;
    };
    std::array<Entry, kSlots + 1> slots_{};  // entry 0 is never used
    ReportRoutine report_;
};

/// Named, fixed-capacity array of fixed-size records, 1-based, with a
/// current position for sequential access.
class RecordArray {
public:
    static constexpr int32_t kMaxRecordSize = 1048576;
    static constexpr int64_t kMaxBytes = 67108864;
    static constexpr uint8_t kValidTag = 87;
    /// `Sort`'s "last" value meaning "up to count".
    static constexpr int32_t kToCount = 268435456;

    enum class KeyKind : int { Byte = 0, Word = 1, Int32 = 2, String = 3 };

    RecordArray() = default;
    ~RecordArray();
    RecordArray(const RecordArray&) = delete;
    RecordArray& operator=(const RecordArray&) = delete;

    /// Registers and allocates; codes 4020101 .. 4020701, 1040201, 1040401.
    [[nodiscard]] ErrorCode Create(RecordArrayRegistry& registry, std::string_view name,
                                   int32_t capacity, int32_t recordSize);
    /// Frees buffer and slot when valid; always clears the descriptor.
    void Release();

    /// Copies record index out (0 = record after the position). Failures are
    /// reported with 4120101 and leave destination unchanged.
    void Get(int32_t index, void* destination);
    /// Copies record index in (0 = record after the position).
    void Put(int32_t index, const void* source);
    /// Shifts index..count up by one and stores source at index.
    [[nodiscard]] bool Insert(int32_t index, const void* source);
    /// keep <= 1 empties and zero-fills; keep > 1 keeps records 1..keep-1.
    void Clear(int32_t keep);
    void Rewind() { position_ = 0; }
    void SeekEnd() { position_ = count_; }
    bool AtEnd() const { return position_ >= count_; }

    /// Quicksort of first..last by the key at keyPosition (1-based byte).
    /// `byteWiseStrings` is the global ordering mode 1.
    [[nodiscard]] ErrorCode Sort(int32_t first, int32_t last, KeyKind keyKind, int32_t keyPosition,
                                 bool byteWiseStrings = false);

    bool IsValid() const;

    int32_t RecordSize() const { return recordSize_; }
    int32_t Position() const { return position_; }
    int32_t Count() const { return count_; }
    int32_t Capacity() const { return capacity_; }
    uint16_t Slot() const { return slot_; }
    /// Registered name, or empty when not valid.
    std::string Name() const;
    /// Direct read access to record index (1..capacity) for bulk readers;
    /// nullptr when out of range.
    const uint8_t* RecordData(int32_t index) const;

private:
    friend class RecordArrayRegistry;
    void ClearDescriptor();
    int CompareKeys(const uint8_t* a, const uint8_t* b, KeyKind kind, int32_t offset,
                    bool byteWise) const;
    /// Returns the highest index that received a record (0 when none).
    int32_t QuickSort(int32_t first, int32_t last, KeyKind kind, int32_t offset, bool byteWise,
                      uint8_t* pivot, uint8_t* a, uint8_t* b);

    RecordArrayRegistry* registry_ = nullptr;
    int32_t recordSize_ = 0;
    int32_t position_ = 0;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    std::unique_ptr<uint8_t[]> buffer_;
    uint16_t slot_ = 0;
    uint8_t tag_ = 0;
};

/// Sort weight of a Windows-1252 character for string keys: control
/// characters, then blanks, punctuation and symbols, then digits, then
/// letters. Letters order alphabetically regardless of case and accents
/// ("a", "A", "\xE1", "\xC1" ... all before "b"), then by accent and case.
/// Every character has its own weight.
int CharacterSortWeight(unsigned char c);

}  // namespace kvx
