#include "core/workspace/tools/pan_tool.hpp"

#include "core/workspace/workspace.hpp"

namespace kvx {

void PanTool::Press(const MouseEvent& event) {
    last_ = ScreenPoint{event.x, event.y};
    boxWidth_ = event.boxWidth;
    boxHeight_ = event.boxHeight;
}

void PanTool::Move(int32_t x, int32_t y) {
    if (!last_) return;
    const int32_t dx = x - last_->x;
    const int32_t dy = y - last_->y;
    last_ = ScreenPoint{x, y};
    workspace().DragPan(dx, dy, boxWidth_, boxHeight_);
}

void PanTool::Release(const MouseEvent& event) {
    (void)event;
    last_.reset();
    ReturnToPreviousTool();
}

}  // namespace kvx
