#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvx {

/// The non-blank lines of a list file, each passed through normalise, at most
/// maxEntries of them; empty when the file is missing or unreadable.
std::vector<std::string> ReadListFile(const std::string& path, std::size_t maxEntries,
                                      std::string (*normalise)(std::string_view));
/// Writes one entry per line (CR LF), replacing the file only once all of it
/// is written. False when it could not be written.
[[nodiscard]] bool WriteListFile(const std::string& path, const std::vector<std::string>& entries);

/// The recently used directories of the file-selection dialog, most recent
/// first, as kept in its remember file (one directory per line).
class RecentDirectories {
public:
    static constexpr std::size_t kMaxEntries = 16;

    /// Reads the remember file; a missing or unreadable file gives an empty
    /// list. Blank lines are passed over and at most 16 entries kept.
    static RecentDirectories Read(const std::string& path);
    /// Writes the list (CR LF line ends). False when the file cannot be written.
    [[nodiscard]] bool Write(const std::string& path) const;

    /// Puts directory at the head: an entry equal to it without regard to
    /// case is removed first, and entries beyond 16 drop off the end. A
    /// directory longer than 3 characters is kept without a trailing separator.
    void Add(std::string_view directory);

    const std::vector<std::string>& Entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};

}  // namespace kvx
