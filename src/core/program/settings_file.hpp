#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx {

class Program;

/// A settings file of "key = value" lines beside the configuration, for
/// settings the configuration file has no item for: that file stays as older
/// versions read it. Lines that are not "key = value" are passed over.
class SettingsFile {
public:
    /// Reads the file; a missing or unreadable file gives no settings.
    static SettingsFile Read(const std::string& path);
    /// Writes the keys set since reading over the file as it is on disk now,
    /// so that two windows do not undo each other's other settings. False
    /// when it could not be written (the previous file then stays).
    [[nodiscard]] bool Write(const std::string& path) const;

    std::optional<std::string> Text(std::string_view key) const;
    /// The value when it is a number in [min, max], else fallback.
    int32_t Integer(std::string_view key, int32_t fallback, int32_t min, int32_t max) const;
    double Real(std::string_view key, double fallback, double min, double max) const;
    bool Flag(std::string_view key, bool fallback) const;

    /// Keys hold no blanks, '=' or line ends, values no line ends; others
    /// are refused (false) rather than written into a file that would read
    /// back differently.
    bool Set(std::string_view key, std::string_view value);
    bool SetInteger(std::string_view key, int32_t value);
    bool SetReal(std::string_view key, double value);
    bool SetFlag(std::string_view key, bool value) { return SetInteger(key, value ? 1 : 0); }

    const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

private:
    void Put(std::string_view key, std::string_view value);

    std::vector<std::pair<std::string, std::string>> entries_;
    std::vector<std::string> changed_;
};

/// The path of fileName in the program's configuration folder; empty when
/// there is none (nothing is then remembered).
std::string SettingsFilePath(const Program& program, std::string_view fileName);

}  // namespace kvx
