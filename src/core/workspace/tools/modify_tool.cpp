#include "core/workspace/tools/modify_tool.hpp"

namespace kvx {

void ModifyTool::Press(const MouseEvent& event) {
    if (const int32_t picked = ModifyPress(event); picked != 0) dragIndex_ = picked;
}

void ModifyTool::Move(int32_t x, int32_t y) {
    // The dragged point keeps its handle until it is dropped.
    if (dragIndex_ != 0) return;
    const int32_t under = PointUnderMouse(x, y);
    if (under != hot_) SetHotHandle(under);
}

void ModifyTool::Release(const MouseEvent& event) {
    const int32_t index = dragIndex_;
    dragIndex_ = 0;
    DropDraggedPoint(event, index);
}

void ModifyTool::Cancel() {
    dragIndex_ = 0;
    hot_ = 0;
}

ToolCursor ModifyTool::Cursor() const {
    return dragIndex_ != 0 ? ToolCursor::Sizing : ToolCursor::Arrow;
}

}  // namespace kvx
