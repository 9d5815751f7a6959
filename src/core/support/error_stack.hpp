#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/support/error_code.hpp"

namespace kvx {

/// One recorded failure.
struct ErrorEntry {
    ErrorCode code = 0;
    ErrorCode passCode = 0;
    int32_t ioResult = 0;
    std::string info;  ///< at most 127 characters
};

/// The 32-entry ring of recorded failures with its one-byte cursor.
class ErrorStack {
public:
    static constexpr int kSize = 32;
    static constexpr std::size_t kMaxInfo = 127;

    /// Allocates and clears the entries; reports before this are dropped.
    bool Init();

    /// Records one entry; true when code is not 0. result receives the code.
    bool ReportError(ErrorCode code, ErrorCode passCode, int32_t& result, std::string_view info);
    /// Convenience form without a result variable.
    bool ReportError(ErrorCode code, ErrorCode passCode = 0, std::string_view info = {});

    /// Empties every entry.
    void Clear();

    /// Advances the cursor at least once, then on to the next non-empty slot
    /// (or back to where it started). True when that slot holds an entry.
    bool FindCurrent();
    /// The entry under the cursor.
    const ErrorEntry& Current() const { return entries_[cursor_]; }
    int Cursor() const { return cursor_; }
    void SetCursor(int cursor) { cursor_ = cursor; }
    /// Slot 1..32.
    const ErrorEntry& Slot(int slot) const { return entries_[slot]; }
    bool Empty() const;

private:
    std::array<ErrorEntry, kSize + 1> entries_{};  // slot 0 unused
    int cursor_ = 0;
    bool allocated_ = false;
};

}  // namespace kvx
