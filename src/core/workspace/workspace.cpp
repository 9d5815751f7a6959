#include "core/workspace/workspace.hpp"

#include "core/program/error_report.hpp"

namespace kvx {

ErrorCode Workspace::CreateHistory() {
    return history.Create(program_.registry, program_.settings.RecordCapacity);
}

void Workspace::ClearProject() {
    project.picture.reset();
    project.pictureOrientation = 1;
    detailAskedFor_.reset();
    history.Clear(0);
    ResetMeasuring();
    project.imagePath.clear();
    project.originalImagePath.clear();
    project.projectPath.clear();
    project.imageInfo.clear();
    project.resolutionDpi = 0;
    project.view.imageWidth = 0;
    project.view.imageHeight = 0;
    currentType = 0;
    fileState = kNoProject;
    undo.Clear(fileState);
    StatisticsPass();
    if (!ResetViewToWorld()) {
        ShowError(program_);
    } else {
        Redraw();
    }
}

}  // namespace kvx
