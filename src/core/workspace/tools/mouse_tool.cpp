#include "core/workspace/tools/mouse_tool.hpp"

#include "core/workspace/workspace.hpp"

namespace kvx {

std::size_t MouseTool::PendingCount() const {
    return ws_.pending_.size();
}

bool MouseTool::ResizeFlag() const {
    return ws_.resizeFlag_;
}

int32_t MouseTool::MinSelectionSize() const {
    return ws_.program_.settings.MinSelectionSize;
}

double MouseTool::PointerCalibration() const {
    return ws_.program_.settings.Calibration;
}

void MouseTool::CaptureClick(const MouseEvent& event) {
    ws_.CaptureClick(event);
}

int32_t MouseTool::ModifyPress(const MouseEvent& event) {
    return ws_.ModifyPress(event);
}

void MouseTool::DropDraggedPoint(const MouseEvent& event, int32_t index) {
    ws_.DropDraggedPoint(event, index);
}

std::optional<WorldPosition> MouseTool::WorldAt(const MouseEvent& event) const {
    return ws_.MouseToWorld(event.x, event.y, event.boxWidth, event.boxHeight);
}

void MouseTool::Activate(std::string_view name) {
    ws_.ActivateTool(name);
}

void MouseTool::ReturnToPreviousTool() {
    ws_.ReturnToPreviousTool();
}

}  // namespace kvx
