// Undo and redo of changes to the open project, and the recent-projects list.
#include "core/program/recent_projects.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

constexpr int kMsgUndo = 2229;
constexpr int kMsgRedo = 2230;
constexpr int kMsgCaption = 2020;
constexpr int kMsgRecentMissing = 2239;

std::string Caption(const Program& program, int command, const std::string& name) {
    std::string caption = program.GetMessage(command);
    if (!name.empty()) caption += ": " + name;
    return caption;
}

}  // namespace

UndoableState Workspace::UndoState() {
    return {project_, history_, fileState_, program_.settings.Calibration};
}

void Workspace::BeginChange() {
    if (history_.IsValid()) undo_.Begin(UndoState());
}

void Workspace::EndChange(int nameMessage) {
    Changed(Change::Records);
    if (undo_.Recording()) undo_.Commit(UndoState(), program_.GetMessage(nameMessage));
}

bool Workspace::CanUndo() const {
    return captureState() != 1 && dragIndex() == 0 && undo_.CanUndo();
}

bool Workspace::CanRedo() const {
    return captureState() != 1 && dragIndex() == 0 && undo_.CanRedo();
}

std::string Workspace::UndoCaption() const {
    return Caption(program_, kMsgUndo, undo_.UndoName());
}

std::string Workspace::RedoCaption() const {
    return Caption(program_, kMsgRedo, undo_.RedoName());
}

bool Workspace::UndoCommand() {
    NoticeScope notice(*this);
    if (!CanUndo() || !undo_.Undo(UndoState())) return false;
    Changed(Change::Project | Change::Records);
    StatisticsPass();
    Redraw();
    return true;
}

bool Workspace::RedoCommand() {
    NoticeScope notice(*this);
    if (!CanRedo() || !undo_.Redo(UndoState())) return false;
    Changed(Change::Project | Change::Records);
    StatisticsPass();
    Redraw();
    return true;
}

void Workspace::RememberProject(const std::string& path) {
    if (!rememberRecentProjects_ || path.empty()) return;
    const std::string file = RecentProjectsPath(program_);
    if (file.empty()) return;
    RecentProjects list = RecentProjects::Read(file);
    list.Add(path);
    // The list is a convenience: a folder that cannot be written costs
    // nothing but the list.
    (void)list.Write(file);
}

bool Workspace::OpenRecentProject(const std::string& path) {
    NoticeScope notice(*this);
    if (path.empty()) return false;
    std::string probe = path;
    if (DirectoryExists(path) || !FileExists(probe, kShortStringMax, false, {})) {
        program_.ui.MessageBox(program_.GetMessage(kMsgCaption),
                               program_.GetMessage(kMsgRecentMissing) + "\r\n" + path,
                               MessageButtons::Ok);
        const std::string file = RecentProjectsPath(program_);
        RecentProjects list = RecentProjects::Read(file);
        if (list.Remove(path)) (void)list.Write(file);
        return false;
    }
    return LoadProject(ExtractFileName(path), ExtractFileDir(path));
}

}  // namespace kvx
