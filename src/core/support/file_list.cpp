#include "core/support/file_list.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/support/charset.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

constexpr std::string_view kDescriptionTag = ";C: ";
constexpr std::size_t kMaxDescription = 250;

// Iterative glob match: on a mismatch after a "*", the star takes one more
// character. Linear in practice, never recursive.
bool Glob(std::string_view name, std::string_view pattern) {
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

std::string NormalizePattern(std::string_view pattern) {
    const std::string trimmed = Trim(pattern);
    if (trimmed.empty() || trimmed.find('\\') != std::string::npos) return "*.*";
    return trimmed;
}

std::vector<std::string> SplitPatterns(std::string_view patterns) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= patterns.size() && result.size() < kMaxFilePatterns) {
        std::size_t end = patterns.find(';', start);
        if (end == std::string_view::npos) end = patterns.size();
        std::string one = Trim(patterns.substr(start, end - start));
        if (!one.empty()) result.push_back(std::move(one));
        start = end + 1;
    }
    return result;
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*") return true;
    return Glob(name, pattern);
}

std::string ProjectDescription(const std::string& path, int language) {
    TextFile file;
    if (OpenTextFileAt(path, file) != kOk) return {};
    std::string line;
    if (file.ReadLine(line) != TextFile::ReadStatus::Line) return {};
    if (language != 0) {
        std::string second;
        if (file.ReadLine(second) == TextFile::ReadStatus::Line &&
            second.starts_with(kDescriptionTag)) {
            line = std::move(second);
        }
    }
    file.Close();
    // The first line names the picture, in the file system's UTF-8 when the
    // project was saved here.
    line = PathAsText(line);
    if (line.starts_with(kDescriptionTag)) {
        return CutTo(std::string_view(line).substr(kDescriptionTag.size()), kMaxDescription);
    }
    return Trim(line);
}

std::vector<FileListEntry> ListFiles(const std::string& directory, std::string_view patterns,
                                     bool descriptions, int language) {
    std::vector<FileListEntry> entries;
    const std::vector<std::string> wanted = SplitPatterns(patterns);
    std::error_code error;
    std::filesystem::directory_iterator it(directory, error);
    if (error) return entries;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        if (error) break;
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        // Patterns are typed text: "Größe*" is matched on the name as it
        // reads, not on the bytes that spell it on the disk.
        const std::string shown = PathAsText(name);
        std::error_code statError;
        if (!it->is_regular_file(statError) || statError) continue;
        if (std::none_of(wanted.begin(), wanted.end(),
                         [&](const std::string& p) { return MatchesPattern(shown, p); })) {
            continue;
        }
        FileListEntry entry{
            descriptions ? ProjectDescription(it->path().string(), language) : shown, name};
        if (entry.description.empty()) continue;
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const FileListEntry& a, const FileListEntry& b) {
        const int byDescription = CompareIgnoringCase(a.description, b.description);
        if (byDescription != 0) return byDescription < 0;
        return a.fileName < b.fileName;
    });
    return entries;
}

}  // namespace kvx
