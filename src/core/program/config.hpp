#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/support/error_code.hpp"

namespace kvx {

class Program;
struct Settings;

/// Name of the configuration file inside the configuration folder.
inline constexpr const char* kConfigFileName = "Korvanix.cfg";
/// Highest configuration item number.
inline constexpr int kLastConfigItem = 67;

/// Codes recorded by SetConfigItem.
inline constexpr ErrorCode kConfigNegativeItem = 62010101;
inline constexpr ErrorCode kConfigItemTooLarge = 62010201;
inline constexpr ErrorCode kConfigBadNumber = 62010301;
inline constexpr ErrorCode kConfigOutOfRange = 62010401;
inline constexpr ErrorCode kConfigWrongUnit = 74080401;

/// Results of ReadWriteConfig.
enum ConfigResult : int {
    kConfigOk = 0,
    kConfigCannotOpen = 1,    ///< reading: the file cannot be opened
    kConfigItemRejected = 2,  ///< reading: SetConfigItem recorded an error
    kConfigCannotCreate = 3,  ///< writing: the file cannot be created or written
    kConfigNameTooLow = 4,    ///< writing: an item number below 1
    kConfigNameTooHigh = 5,   ///< writing: an item number above 67
};

/// Reads (write false) or writes (write true) "Korvanix.cfg" in
/// program.configDir. Does nothing and returns 0 when that folder is empty or
/// missing. A line whose value is refused (not a number, or outside its
/// item's range) is skipped and reading goes on; an item number outside 0 to
/// 67 or a wrong unit ID stops reading, and the items before it keep their
/// new values. Either gives 2. Writing replaces the file only once the new
/// one is complete, so a failed write leaves the previous configuration in
/// place.
[[nodiscard]] int ReadWriteConfig(Program& program, bool write);

/// Sets the setting of one item from its value text ("default" means the
/// item's default text). Records and returns 62010101 (negative item),
/// 62010201 (item above 67), 62010301 (a number item whose text is not a
/// number, or lies outside the 32-bit range), 62010401 (a number outside the
/// values its item accepts) or 74080401 (item 0 other than 62); 0 otherwise.
/// A refused value's error names the item number and the text. Numbers that
/// are not in the table are accepted and ignored.
ErrorCode SetConfigItem(Program& program, int32_t item, std::string_view value);

/// The value text of an item as it is written to the file; empty for numbers
/// that are not in the table.
std::string GetConfigItem(const Settings& settings, int32_t item);

/// The item's name, section "." key. Returns 1 for item numbers below 1 and 2
/// for numbers above 67 (name then empty), 0 otherwise; numbers inside the
/// range that are not in the table give 0 and an empty name.
int ConfigItemName(int32_t item, std::string& name);

}  // namespace kvx
