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

RecentDirectories RecentDirectories::Read(const std::string& path) {
    RecentDirectories list;
    TextFile file;
    if (path.empty() || OpenTextFileAt(path, file) != kOk) return list;
    std::string line;
    while (list.entries_.size() < kMaxEntries &&
           file.ReadLine(line) == TextFile::ReadStatus::Line) {
        const std::string entry = Normalised(TrimRight(line));
        if (!Trim(entry).empty()) list.entries_.push_back(entry);
    }
    file.Close();
    return list;
}

bool RecentDirectories::Write(const std::string& path) const {
    if (path.empty()) return false;
    FileReplacement file;
    if (file.Begin(path) != kOk) return false;
    bool written = true;
    for (const std::string& entry : entries_) written = written && file.File().WriteLine(entry);
    return written && file.Commit() == kOk;
}

void RecentDirectories::Add(std::string_view directory) {
    const std::string entry = Normalised(directory);
    if (Trim(entry).empty()) return;
    std::erase_if(entries_, [&](const std::string& e) { return EqualsIgnoringCase(e, entry); });
    entries_.insert(entries_.begin(), entry);
    if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
}

}  // namespace kvx
