#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/support/error_code.hpp"
#include "core/support/record_array.hpp"

namespace kvx {

/// The error texts read from the ERR files, kept in the record table
/// "SYSErrors" (2000 records of 108 bytes).
class ErrorTable {
public:
    static constexpr int32_t kCapacity = 2000;
    static constexpr int32_t kRecordSize = 108;
    static constexpr std::size_t kMaxText = 99;

    struct Lookup {
        std::string text;  ///< " [not available]" when nothing matches
        int messageNumber = 0;
    };

    explicit ErrorTable(RecordArrayRegistry& registry) : registry_(registry) {}

    /// Appends the records of one ERR file (extension forced to "ERR"). A
    /// bare name is read from programDir; a name with a folder is read as
    /// given, or by its bare name from programDir when it is not there. Codes: creation codes
    /// of the table, the opener's code, 5010103 (read error), the field
    /// reader's code for a malformed line, 5010201 (table full).
    [[nodiscard]] ErrorCode LoadErrorTable(std::string_view fileName, std::string_view programDir);

    /// First record whose class, unit and procedure match.
    Lookup LookupErrorText(int errorClass, int unit, int procedure);

    int32_t Count() const { return table_.IsValid() ? table_.Count() : 0; }
    RecordArray& Table() { return table_; }

private:
    RecordArrayRegistry& registry_;
    RecordArray table_;
};

}  // namespace kvx
