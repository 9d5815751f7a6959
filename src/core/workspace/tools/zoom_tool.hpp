#pragma once

#include <optional>

#include "core/workspace/tools/mouse_tool.hpp"

namespace kvx {

/// The tool while no mode is on: a drag to the lower right opens a zoom
/// rectangle, shown while it is dragged and zoomed into on release; a click
/// picks out the object under it (with Ctrl or Shift, one more or one less).
class ZoomTool : public MouseTool {
public:
    using MouseTool::MouseTool;

    std::string_view Name() const override { return "zoom"; }
    void Press(const MouseEvent& event) override;
    void Move(int32_t x, int32_t y) override;
    void Release(const MouseEvent& event) override;
    void Cancel() override;
    ToolOverlay Overlay() const override;
    /// The size of the rectangle being dragged, in the table unit.
    std::string StatusText() const override;

protected:
    /// Ends the rectangle; true when it was large enough and was zoomed into.
    bool FinishRectangle(const MouseEvent& event);

private:
    std::optional<ScreenPoint> press_;
    std::optional<ScreenPoint> corner_;
};

}  // namespace kvx
