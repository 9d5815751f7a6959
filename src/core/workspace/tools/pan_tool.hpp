#pragma once

#include <optional>

#include "core/workspace/tools/mouse_tool.hpp"

namespace kvx {

/// Held while the middle button (or the left one with the pan key) is
/// down, over whatever tool is active: the picture follows the mouse, and
/// the release hands the mouse back to that tool.
class PanTool : public MouseTool {
public:
    using MouseTool::MouseTool;

    std::string_view Name() const override { return "pan"; }
    void Press(const MouseEvent& event) override;
    void Move(int32_t x, int32_t y) override;
    void Release(const MouseEvent& event) override;
    void Cancel() override { last_.reset(); }
    ToolCursor Cursor() const override { return ToolCursor::ClosedHand; }

private:
    std::optional<ScreenPoint> last_;
    int32_t boxWidth_ = 0;
    int32_t boxHeight_ = 0;
};

}  // namespace kvx
