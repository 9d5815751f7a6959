#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

/// One entry of the file-selection dialog's list.
struct FileListEntry {
    /// What the list shows: a project's description, else the file name.
    std::string description;
    std::string fileName;
    bool operator==(const FileListEntry&) const = default;
};

/// Most patterns the pattern field takes.
inline constexpr std::size_t kMaxFilePatterns = 16;

/// A pattern typed into the pattern field: an empty pattern, or one holding
/// a directory ("\"), becomes "*.*".
std::string NormalizePattern(std::string_view pattern);

/// The patterns of a ";"-separated list, blanks trimmed, empty ones passed
/// over, at most 16.
std::vector<std::string> SplitPatterns(std::string_view patterns);

/// Matches a file name against one pattern with "*" and "?", without regard
/// to letter case; "*.*" matches every name, with or without a point.
bool MatchesPattern(std::string_view name, std::string_view pattern);

/// The description of a project file: the text after ";C: " on its first
/// line (at most 250 characters), or the first line trimmed when it has no
/// such tag. For a language other than German (0) a ";C: " line second in the
/// file takes the place of the first. Empty when the file cannot be read.
std::string ProjectDescription(const std::string& path, int language);

/// The files of directory that match one of the patterns, hidden files and
/// everything but regular files passed over. With descriptions each file is
/// listed by its project description (files with an empty one are left
/// out), otherwise by its name. Sorted by description without regard to
/// case, then by file name.
std::vector<FileListEntry> ListFiles(const std::string& directory, std::string_view patterns,
                                     bool descriptions, int language);

}  // namespace kvx
