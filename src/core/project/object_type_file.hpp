#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/program/object_type.hpp"
#include "core/support/error_code.hpp"

namespace kvx {

class Program;

/// Codes of the object-type file.
inline constexpr ErrorCode kObjectTypeOpen = 61010100;     ///< passes the opener's code
inline constexpr ErrorCode kObjectTypeBadLine = 61010201;  ///< info: the line
inline constexpr ErrorCode kObjectTypeLocate = 61011900;   ///< passes LocateDataFile's code
/// The file is empty or cannot be read; the shipped types are used. info: the file.
inline constexpr ErrorCode kObjectTypeDamaged = 61010301;
inline constexpr ErrorCode kObjectTypeCreate = 61020100;     ///< passes the creator's code
inline constexpr ErrorCode kObjectTypeWrite = 61020103;      ///< a write or the close failed
inline constexpr ErrorCode kLocateCancelled = 61040105;      ///< the person gave up looking
inline constexpr ErrorCode kObjectTypeSlotRange = 61050201;  ///< slot number outside 1..256

/// The two comment lines every object-type file starts with.
inline constexpr std::string_view kObjectTypeComment1 =
    "; Number; data class; English name#German name; data type; show; color; attribute; "
    "TextFont";
inline constexpr std::string_view kObjectTypeComment2 =
    "; Size; SymbolNum; Symbol Font; Symbol size; Style; Textcolor; Show label; Frequency;";

/// The data type a type name stands for, decided by its first letter (and,
/// for "P" and "T", one more letter in either case); 0 when none fits.
uint8_t DataTypeFromName(std::string_view name);

/// One parsed line of the object-type file.
struct ObjectTypeLine {
    int slot = 0;
    ObjectType type;
    /// The line's frequency is above 1000: the whole table gets halved.
    bool highFrequency = false;
};

/// Parses one type line (blanks already trimmed). On failure returns the
/// field reader's code, with failedField set to the pass-on code of the
/// field that failed (61050200 .. 61051800); out is then incomplete.
[[nodiscard]] ErrorCode ParseObjectTypeLine(std::string_view line, ObjectTypeLine& out,
                                            ErrorCode& failedField);

/// The line SaveObjectTypes writes for one slot, without its line end.
/// language selects the data-class word (0 German, otherwise English).
std::string FormatObjectTypeLine(int slot, const ObjectType& type, int language);

/// Replaces the whole object-type table of program from fileName: a file of
/// that name in the per-user configuration folder wins; otherwise the file is
/// located (asking the person when it cannot be found). Collected errors are
/// shown. True only when the whole file was read without an error; slots
/// read before a bad line stay filled. A file that is empty or cannot be read
/// is reported as damaged: the shipped types are read instead (true when
/// they were), and SaveObjectTypes asks before it writes over that file.
[[nodiscard]] bool LoadObjectTypes(Program& program, std::string_view fileName);

/// Writes the slots in use. A file named with its folder (fileName starts
/// with "/") that the table was read from is written back in place; when it
/// cannot be written, the table goes to the per-user copy (its bare name in
/// the configuration folder), the person is told, and ObjectTypeFile names
/// that copy from then on. The shipped file, a name without a folder and a
/// file found elsewhere than named are written to the per-user copy, which
/// the next start reads first; without a configuration folder nothing is
/// written. The new file replaces the old one only once it is complete; the
/// previous file is then kept under the extension BAK. Codes 61020100
/// (cannot create, also when there is no per-user folder to write to) and
/// 61020103 (writing failed), both recorded on the error stack.
[[nodiscard]] ErrorCode SaveObjectTypes(Program& program, std::string_view fileName);

/// Makes sure fileName names an existing file: a name without a leading
/// folder is looked for in the program's data folder first; then the name is
/// tried as given, by its bare name in the start folder and in the program's
/// data folder; otherwise the person is asked for its folder until it is found
/// (DataPath becomes that folder) or they cancel (61040105). On success
/// fileName holds the path found, cut to maxLength.
[[nodiscard]] ErrorCode LocateDataFile(Program& program, std::string& fileName,
                                       std::size_t maxLength);

}  // namespace kvx
