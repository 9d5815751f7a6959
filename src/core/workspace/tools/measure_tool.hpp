#pragma once

#include "core/workspace/tools/zoom_tool.hpp"

namespace kvx {

/// Measure mode: every click captures a point of the object under capture.
/// While at most one point is pending a drag still zooms, so that a sloppy
/// click on an object of several points is never taken for a zoom.
class MeasureTool : public ZoomTool {
public:
    using ZoomTool::ZoomTool;

    std::string_view Name() const override { return "measure"; }
    void Move(int32_t x, int32_t y) override;
    void Release(const MouseEvent& event) override;
    int32_t CaptureState() const override { return state_; }

    /// 1 while capturing, 2 when an object was just committed.
    void SetCaptureState(int32_t state) { state_ = state; }

private:
    int32_t state_ = 1;
};

}  // namespace kvx
