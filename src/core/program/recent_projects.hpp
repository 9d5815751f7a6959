#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

class Program;

/// Name of the file, in the configuration folder, that lists the projects
/// opened or saved last. It is a file of its own so that the configuration
/// file stays as older programs read it.
inline constexpr const char* kRecentProjectsFile = "Korvanix.recent";

/// The projects opened or saved last, most recent first: one path per line.
class RecentProjects {
public:
    static constexpr std::size_t kMaxEntries = 10;

    /// Reads the list; a missing or unreadable file gives an empty list.
    /// Blank lines and repeated paths are passed over, at most ten kept.
    static RecentProjects Read(const std::string& path);
    /// Writes the list; false when it could not be written (the previous
    /// file then stays as it was).
    [[nodiscard]] bool Write(const std::string& path) const;

    /// Puts path at the head (removing it further down); the eleventh drops
    /// off. Paths are compared exactly: on this file system "a.KXP" and
    /// "a.kxp" are two projects.
    void Add(std::string_view path);
    /// Removes path; false when it was not listed.
    bool Remove(std::string_view path);

    const std::vector<std::string>& Entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};

/// The list file's path in the program's configuration folder; empty when
/// there is none (nothing is then remembered).
std::string RecentProjectsPath(const Program& program);

}  // namespace kvx
