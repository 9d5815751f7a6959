#include "core/support/error_table.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/support/charset.hpp"
#include "core/support/file_names.hpp"
#include "core/support/path_case.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

constexpr ErrorCode kReadError = 5010103;
constexpr ErrorCode kTableFull = 5010201;
constexpr const char* kTableName = "SYSErrors";

// Record layout: class, unit, procedure, message number (16 bits each, little
// endian), then the text as a length byte and 99 characters.
struct ErrorRecord {
    uint16_t errorClass = 0;
    uint16_t unit = 0;
    uint16_t procedure = 0;
    uint16_t messageNumber = 0;
    std::string text;

    std::array<uint8_t, ErrorTable::kRecordSize> Pack() const {
        std::array<uint8_t, ErrorTable::kRecordSize> r{};
        const uint16_t fields[4] = {errorClass, unit, procedure, messageNumber};
        for (int i = 0; i < 4; ++i) {
            r[static_cast<std::size_t>(2 * i)] = static_cast<uint8_t>(fields[i] & 0xFF);
            r[static_cast<std::size_t>(2 * i + 1)] = static_cast<uint8_t>(fields[i] >> 8);
        }
        const std::size_t length = std::min(text.size(), ErrorTable::kMaxText);
        r[8] = static_cast<uint8_t>(length);
        std::memcpy(r.data() + 9, text.data(), length);
        return r;
    }

    static uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
};

}  // namespace

ErrorCode ErrorTable::LoadErrorTable(std::string_view fileName, std::string_view programDir) {
    if (!table_.IsValid()) {
        if (const ErrorCode code = table_.Create(registry_, kTableName, kCapacity, kRecordSize);
            code != kOk) {
            return code;
        }
    }

    // A bare name is one of the files that ship with the program: it is read
    // from the program's data folder only, never from the folder a terminal
    // happens to be in.
    std::string path = ChangeFileExt(fileName, "ERR");
    if (LastSeparatorPos(path) == 0) {
        path = ResolvePathCase(JoinPath(programDir, path));
    } else {
        path = ResolvePathCase(path);
        if (!FileExists(path, kShortStringMax, false, {})) {
            path = ResolvePathCase(JoinPath(programDir, ExtractFileName(path)));
        }
    }
    TextFile file;
    if (const ErrorCode code = OpenTextFileAt(path, file); code != kOk) return code;

    table_.SeekEnd();
    ErrorCode result = kOk;
    std::string line;
    while (result == kOk) {
        const auto status = file.ReadLine(line);
        if (status == TextFile::ReadStatus::End) break;
        if (status == TextFile::ReadStatus::Error) {
            result = kReadError;
            break;
        }
        line = TrimRight(line);
        if (line.empty() || line[0] == ';') continue;

        ErrorRecord record;
        result = GetField(line, ',', 'W', false, record.errorClass, 1);
        if (result == kOk) result = GetField(line, ',', 'W', false, record.unit, 2);
        if (result == kOk) result = GetField(line, ',', 'W', false, record.procedure, 3);
        if (result == kOk) result = GetField(line, ',', 'W', false, record.messageNumber, 4);
        if (result == kOk) {
            result = GetField(line, ',', 'S', false, record.text, 5);
            ConvertCharset(record.text, CharsetMode::DosToWindows);
            record.text = CutTo(record.text, kMaxText);
        }
        // A malformed line still leaves what it held, so the detail view can
        // show how far the file was understood.
        const auto packed = record.Pack();
        table_.Put(0, packed.data());
        if (result == kOk && table_.Count() >= table_.Capacity()) result = kTableFull;
    }
    file.Close();
    return result;
}

ErrorTable::Lookup ErrorTable::LookupErrorText(int errorClass, int unit, int procedure) {
    if (table_.IsValid()) {
        for (int32_t i = 1; i <= table_.Count(); ++i) {
            const uint8_t* r = table_.RecordData(i);
            if (r == nullptr) break;
            if (ErrorRecord::Word(r) == errorClass && ErrorRecord::Word(r + 2) == unit &&
                ErrorRecord::Word(r + 4) == procedure) {
                return {std::string(reinterpret_cast<const char*>(r + 9),
                                    std::min<std::size_t>(r[8], kMaxText)),
                        ErrorRecord::Word(r + 6)};
            }
        }
    }
    return {" [not available]", 0};
}

}  // namespace kvx
