#include "core/workspace/tools/zoom_tool.hpp"

#include "core/program/object_type.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

void ZoomTool::Press(const MouseEvent& event) {
    if (event.button == MouseButton::Right) return;
    press_ = ScreenPoint{event.x, event.y};
    corner_.reset();
}

void ZoomTool::Move(int32_t x, int32_t y) {
    if (ResizeFlag()) {
        workspace().Redraw();
        return;
    }
    if (!press_) return;
    if (x < press_->x || y < press_->y) {
        press_.reset();
        corner_.reset();
        workspace().Redraw();
        return;
    }
    corner_ = ScreenPoint{x, y};
}

void ZoomTool::Release(const MouseEvent& event) {
    const bool pressed = press_.has_value();
    // A click that opens no rectangle picks out the object under it.
    if (!FinishRectangle(event) && pressed && event.button == MouseButton::Left) {
        workspace().PickObjectAt(event.x, event.y, event.boxWidth, event.boxHeight,
                                 event.control || event.shift);
    }
}

bool ZoomTool::FinishRectangle(const MouseEvent& event) {
    const std::optional<ScreenPoint> press = press_;
    press_.reset();
    corner_.reset();
    if (!press) return false;
    const int32_t minimum = MinSelectionSize();
    if (int64_t{event.x} - press->x <= minimum || int64_t{event.y} - press->y <= minimum) {
        return false;
    }
    const double calibration = PointerCalibration();
    const auto from = CalibratePointer(press->x, press->y, calibration);
    const auto to = CalibratePointer(event.x, event.y, calibration);
    if (from && to) {
        workspace().ZoomToRectangle(from->x, from->y, to->x, to->y, event.boxWidth,
                                    event.boxHeight);
    }
    return true;
}

void ZoomTool::Cancel() {
    press_.reset();
    corner_.reset();
}

std::string ZoomTool::StatusText() const {
    if (!press_ || !corner_) return {};
    const auto from = WorldAtMouse(press_->x, press_->y);
    const auto to = WorldAtMouse(corner_->x, corner_->y);
    if (!from || !to) return {};
    return ValueText(static_cast<double>(to->x - from->x), kTwoPointLine) + " x " +
           ValueText(static_cast<double>(to->y - from->y), kTwoPointLine);
}

ToolOverlay ZoomTool::Overlay() const {
    ToolOverlay overlay;
    if (press_ && corner_) overlay.outline = std::make_pair(*press_, *corner_);
    return overlay;
}

}  // namespace kvx
