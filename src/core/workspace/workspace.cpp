#include "core/workspace/workspace.hpp"

#include <algorithm>
#include <utility>

#include "core/program/error_report.hpp"
#include "core/workspace/tools/measure_tool.hpp"
#include "core/workspace/tools/modify_tool.hpp"
#include "core/workspace/tools/tool_list.hpp"

namespace kvx {

Workspace::Workspace(Program& program) : tools_(MakeMouseTools(*this)), program_(program) {
    idleTool_ = tools_.front().get();
    measureTool_ = dynamic_cast<MeasureTool*>(FindTool("measure"));
    modifyTool_ = dynamic_cast<ModifyTool*>(FindTool("modify"));
    panTool_ = FindTool("pan");
    wandTool_ = FindTool("wand");
    tool_ = idleTool_;
}

Workspace::~Workspace() = default;

MouseTool* Workspace::FindTool(std::string_view name) const {
    for (const auto& tool : tools_) {
        if (tool->Name() == name) return tool.get();
    }
    return nullptr;
}

void Workspace::ActivateTool(MouseTool* tool) {
    if (tool == nullptr || tool == tool_) return;
    tool_->Cancel();
    tool_ = tool;
    previousTool_ = nullptr;
}

void Workspace::ActivateTool(std::string_view name) {
    ActivateTool(FindTool(name));
}

void Workspace::ReturnToPreviousTool() {
    if (previousTool_ == nullptr) return;
    tool_ = previousTool_;
    previousTool_ = nullptr;
}

int32_t Workspace::modifyMode() const {
    return &ModeTool() == modifyTool_ ? 1 : 0;
}

ErrorCode Workspace::CreateHistory() {
    NoticeScope notice(*this);
    return history_.Create(program_.registry, program_.settings.RecordCapacity);
}

void Workspace::ReleaseHistory() {
    history_.Release();
}

void Workspace::ClearProject() {
    NoticeScope notice(*this);
    Changed(Change::Project | Change::Records);
    project_.picture.reset();
    project_.pictureOrientation = 1;
    detailAskedFor_.reset();
    history_.Clear(0);
    ResetMeasuring();
    project_.imagePath.clear();
    project_.originalImagePath.clear();
    project_.projectPath.clear();
    lock_.Release();
    stampedPath_.clear();
    diskStamp_ = {};
    project_.imageInfo.clear();
    project_.resolutionDpi = 0;
    project_.view.imageWidth = 0;
    project_.view.imageHeight = 0;
    currentType_ = 0;
    fileState_ = kNoProject;
    undo_.Clear(fileState_);
    StatisticsPass();
    if (!ResetViewToWorld()) {
        ShowError(program_);
    } else {
        Redraw();
    }
}

void Workspace::ClearProjectAsStarted() {
    NoticeScope notice(*this);
    ClearProject();
    project_.formatVersion = 0;
    project_.title.clear();
    project_.userName.clear();
    project_.fitImagePending = false;
}

void Workspace::AdoptProject(Project project) {
    NoticeScope notice(*this);
    project_ = std::move(project);
    Changed(Change::Project);
}

bool Workspace::AppendRecord(const MeasuredObject& record) {
    NoticeScope notice(*this);
    if (!history_.Append(record)) return false;
    Changed(Change::Records);
    return true;
}

void Workspace::PutRecord(int32_t index, const MeasuredObject& record) {
    NoticeScope notice(*this);
    history_.Put(index, record);
    Changed(Change::Records);
}

void Workspace::SetFileState(int32_t state) {
    NoticeScope notice(*this);
    fileState_ = state;
}

void Workspace::MarkAllSaved() {
    NoticeScope notice(*this);
    savedCount_ = history_.Count();
}

void Workspace::SetSavedCount(int32_t count) {
    NoticeScope notice(*this);
    savedCount_ = count;
}

void Workspace::SetCurrentType(int32_t slot) {
    NoticeScope notice(*this);
    currentType_ = slot;
}

void Workspace::SetUserNameAsked(bool asked) {
    userNameAsked_ = asked;
}

void Workspace::SetClassWidth(double width) {
    NoticeScope notice(*this);
    ClassWidth_ = width;
    Changed(Change::Statistics);
}

void Workspace::SetDrawnView(const DrawnView& view) {
    NoticeScope notice(*this);
    drawnView_ = view;
}

void Workspace::SetRedrawCount(int32_t count) {
    redrawCount_ = count;
}

void Workspace::WindowLaidOut(bool heightCut) {
    if (heightCut) skipNextRedraw_ = true;
    resizeFlag_ = true;
}

void Workspace::SetWindowGeometry(const WindowGeometry& geometry) {
    windowGeometry_ = geometry;
}

void Workspace::SetScreenFieldSize(int32_t side) {
    screenFieldSize_ = side;
}

void Workspace::SetDrawingPictureExport(bool drawing) {
    drawingPictureExport_ = drawing;
}

void Workspace::SetDisplayFieldPixels(int32_t pixels) {
    displayFieldPixels_ = pixels;
}

void Workspace::SetFullPictureWanted(FullPictureWanted wanted) {
    fullPictureWanted_ = std::move(wanted);
}

void Workspace::SetMetafileOutputPath(std::string path) {
    metafileOutputPath_ = std::move(path);
}

void Workspace::SetTextMetrics(std::shared_ptr<const TextMetrics> metrics) {
    textMetrics_ = std::move(metrics);
}

void Workspace::SetRememberRecentProjects(bool remember) {
    rememberRecentProjects_ = remember;
}

void Workspace::SetGrabPaintBox(GrabPaintBox grab) {
    grabPaintBox_ = std::move(grab);
}

void Workspace::ClearUndo() {
    NoticeScope notice(*this);
    undo_.Clear(fileState_);
}

// ---- change notices -------------------------------------------------------------

void Workspace::AddObserver(WorkspaceObserver* observer) {
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
        if (observers_.empty()) {
            seen_ = SeenNow();
            seenButtons_ = functionButtons_;
        }
        observers_.push_back(observer);
    }
}

void Workspace::RemoveObserver(WorkspaceObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

Workspace::Seen Workspace::SeenNow() const {
    Seen now;
    now.fileState = fileState_;
    now.savedCount = savedCount_;
    now.canUndo = CanUndo();
    now.canRedo = CanRedo();
    now.currentType = currentType_;
    now.cboIndex = cboIndex_;
    now.cboEnabled = cboEnabled_;
    now.valueGridEnabled = valueGridEnabled_;
    now.functionButtonsVisible = functionButtonsVisible_;
    now.tool = tool_;
    now.modifyMode = modifyMode();
    now.captureState = captureState();
    now.pending = pending_.size();
    now.dragIndex = dragIndex();
    now.outline = ZoomOutline();
    now.drawnView = drawnView_;
    return now;
}

void Workspace::DeliverChanges() {
    // Small state is compared with what was told last; the records, the
    // statistics and the project are marked where they change, because
    // comparing them would cost more than the commands themselves.
    // Picks name records by their place, which another project or a change
    // of the records may give to another object.
    if (changes_.Has(Change::Project) && !picked_.empty()) {
        picked_.clear();
        changes_ |= Change::Picked;
    } else if (changes_.Has(Change::Records)) {
        PrunePicked();
    }
    // Nobody to tell: what observers added later hear starts from their adding.
    if (observers_.empty()) {
        changes_ = {};
        return;
    }
    Seen now = SeenNow();
    ChangeFlags changes = changes_;
    if (now.fileState != seen_.fileState || now.savedCount != seen_.savedCount ||
        now.canUndo != seen_.canUndo || now.canRedo != seen_.canRedo) {
        changes |= Change::FileState;
    }
    if (now.currentType != seen_.currentType || now.cboIndex != seen_.cboIndex ||
        now.cboEnabled != seen_.cboEnabled || now.valueGridEnabled != seen_.valueGridEnabled ||
        now.functionButtonsVisible != seen_.functionButtonsVisible) {
        changes |= Change::Selection;
    }
    // The captions are copied only when they changed, which is seldom.
    if (functionButtons_ != seenButtons_) {
        changes |= Change::Selection;
        seenButtons_ = functionButtons_;
    }
    if (now.tool != seen_.tool || now.modifyMode != seen_.modifyMode ||
        now.captureState != seen_.captureState || now.pending != seen_.pending ||
        now.dragIndex != seen_.dragIndex || now.outline != seen_.outline) {
        changes |= Change::Tool;
    }
    if (!(now.drawnView == seen_.drawnView)) changes |= Change::View;
    seen_ = std::move(now);
    changes_ = {};
    if (changes.Empty()) return;
    // An observer may remove itself while it is told.
    const std::vector<WorkspaceObserver*> observers = observers_;
    for (WorkspaceObserver* observer : observers) {
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) {
            observer->WorkspaceChanged(changes);
        }
    }
}

}  // namespace kvx
