#include "core/support/recent_dirs.hpp"

#include <algorithm>
#include <cstdio>

#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

std::string Normalised(std::string_view directory) {
    std::string text = CutTo(directory, kShortStringMax);
    while (text.size() > 3 && IsPathSeparator(text.back())) text.pop_back();
    return text;
}

}  // namespace

std::vector<std::string> ReadListFile(const std::string& path, std::size_t maxEntries,
                                      std::string (*normalise)(std::string_view)) {
    std::vector<std::string> entries;
    TextFile file;
    if (path.empty() || OpenTextFileAt(path, file) != kOk) return entries;
    std::string line;
    while (entries.size() < maxEntries && file.ReadLine(line) == TextFile::ReadStatus::Line) {
        std::string entry = normalise(TrimRight(line));
        if (!Trim(entry).empty()) entries.push_back(std::move(entry));
    }
    file.Close();
    return entries;
}

bool WriteListFile(const std::string& path, const std::vector<std::string>& entries) {
    if (path.empty()) return false;
    FileReplacement file;
    if (file.Begin(path) != kOk) return false;
    bool written = true;
    for (const std::string& entry : entries) written = written && file.File().WriteLine(entry);
    return written && file.Commit() == kOk;
}

RecentDirectories RecentDirectories::Read(const std::string& path) {
    RecentDirectories list;
    list.entries_ = ReadListFile(path, kMaxEntries, Normalised);
    return list;
}

bool RecentDirectories::Write(const std::string& path) const {
    return WriteListFile(path, entries_);
}

void RecentDirectories::Add(std::string_view directory) {
    const std::string entry = Normalised(directory);
    if (Trim(entry).empty()) return;
    std::erase_if(entries_, [&](const std::string& e) { return EqualsIgnoringCase(e, entry); });
    entries_.insert(entries_.begin(), entry);
    if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
}

}  // namespace kvx
