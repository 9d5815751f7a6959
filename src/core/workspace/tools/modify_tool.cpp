#include "core/workspace/tools/modify_tool.hpp"

namespace kvx {

void ModifyTool::Press(const MouseEvent& event) {
    if (const int32_t picked = ModifyPress(event); picked != 0) dragIndex_ = picked;
}

void ModifyTool::Release(const MouseEvent& event) {
    const int32_t index = dragIndex_;
    dragIndex_ = 0;
    DropDraggedPoint(event, index);
}

ToolCursor ModifyTool::Cursor() const {
    return dragIndex_ != 0 ? ToolCursor::Sizing : ToolCursor::Arrow;
}

}  // namespace kvx
