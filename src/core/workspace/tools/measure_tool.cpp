#include "core/workspace/tools/measure_tool.hpp"

namespace kvx {

void MeasureTool::Move(int32_t x, int32_t y) {
    if (PendingCount() > 1) return;
    ZoomTool::Move(x, y);
}

void MeasureTool::Release(const MouseEvent& event) {
    if (PendingCount() <= 1) {
        if (FinishRectangle(event)) return;
    } else {
        ZoomTool::Cancel();
    }
    CaptureClick(event);
}

}  // namespace kvx
