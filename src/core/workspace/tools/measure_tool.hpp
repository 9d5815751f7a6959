#pragma once

#include <optional>

#include "core/workspace/tools/zoom_tool.hpp"

namespace kvx {

/// Measure mode: every click captures a point of the object under capture.
/// While at most one point is pending a drag still zooms, so that a sloppy
/// click on an object of several points is never taken for a zoom. A double
/// click (or Enter) ends a line or polygon, Escape drops the object's
/// points and Backspace takes back the last one.
class MeasureTool : public ZoomTool {
public:
    using ZoomTool::ZoomTool;

    std::string_view Name() const override { return "measure"; }
    void Move(int32_t x, int32_t y) override;
    void Release(const MouseEvent& event) override;
    void DoubleClick(const MouseEvent& event) override;
    bool Key(int32_t key, bool shift, bool alt, bool control) override;
    void Cancel() override;
    int32_t CaptureState() const override { return state_; }
    /// The object so far: a line's length, a polygon's area (each up to the
    /// mouse), a count's number of points.
    std::string StatusText() const override;

    /// 1 while capturing, 2 when an object was just committed.
    void SetCaptureState(int32_t state) { state_ = state; }

private:
    int32_t state_ = 1;
    /// The release that follows a double click ends the object.
    bool endOnRelease_ = false;
    /// Where the mouse is, in world micrometres.
    std::optional<std::pair<int64_t, int64_t>> cursor_;
};

}  // namespace kvx
