#include "core/program/recent_projects.hpp"

#include <algorithm>
#include <cstdio>

#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

RecentProjects RecentProjects::Read(const std::string& path) {
    RecentProjects list;
    TextFile file;
    if (path.empty() || OpenTextFileAt(path, file) != kOk) return list;
    std::string line;
    while (list.entries_.size() < kMaxEntries &&
           file.ReadLine(line) == TextFile::ReadStatus::Line) {
        const std::string entry = CutTo(TrimRight(line), kShortStringMax);
        if (Trim(entry).empty()) continue;
        if (std::find(list.entries_.begin(), list.entries_.end(), entry) != list.entries_.end()) {
            continue;
        }
        list.entries_.push_back(entry);
    }
    file.Close();
    return list;
}

bool RecentProjects::Write(const std::string& path) const {
    if (path.empty()) return false;
    // Written beside the list first, so that a failed write keeps the old one.
    const std::string temporary = path + ".new";
    TextFile file;
    if (CreateTextFile(temporary, file) != kOk) return false;
    bool written = true;
    for (const std::string& entry : entries_) written = written && file.WriteLine(entry);
    written = file.Close() == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

void RecentProjects::Add(std::string_view path) {
    const std::string entry = CutTo(path, kShortStringMax);
    if (Trim(entry).empty()) return;
    std::erase(entries_, entry);
    entries_.insert(entries_.begin(), entry);
    if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
}

bool RecentProjects::Remove(std::string_view path) {
    return std::erase(entries_, std::string(path)) > 0;
}

std::string RecentProjectsPath(const Program& program) {
    return program.configDir.empty() ? std::string()
                                     : JoinPath(program.configDir, kRecentProjectsFile);
}

}  // namespace kvx
