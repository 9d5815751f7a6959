#include "core/program/recent_projects.hpp"

#include <algorithm>

#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/recent_dirs.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

std::string CutEntry(std::string_view line) {
    return CutTo(line, kShortStringMax);
}

}  // namespace

RecentProjects RecentProjects::Read(const std::string& path) {
    RecentProjects list;
    // Read past repeated lines, which a hand edit may leave.
    for (std::string& entry : ReadListFile(path, kMaxEntries * 4, CutEntry)) {
        if (list.entries_.size() == kMaxEntries) break;
        if (std::find(list.entries_.begin(), list.entries_.end(), entry) == list.entries_.end()) {
            list.entries_.push_back(std::move(entry));
        }
    }
    return list;
}

bool RecentProjects::Write(const std::string& path) const {
    return WriteListFile(path, entries_);
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
