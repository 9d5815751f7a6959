#pragma once

#include "core/workspace/tools/mouse_tool.hpp"

namespace kvx {

/// Modify mode: a left press picks the point under the mouse and the
/// release drops it there; a right press deletes points, Alt and a left
/// press duplicates a point of a count object. The handle under the mouse
/// is drawn larger than the others.
class ModifyTool : public MouseTool {
public:
    using MouseTool::MouseTool;

    std::string_view Name() const override { return "modify"; }
    void Press(const MouseEvent& event) override;
    void Move(int32_t x, int32_t y) override;
    void Release(const MouseEvent& event) override;
    void Cancel() override;
    ToolCursor Cursor() const override;
    int32_t DragIndex() const override { return dragIndex_; }
    int32_t HotHandle() const override { return hot_; }
    /// Keeps the handle the redraw shows larger in step with the tool.
    void SetHot(int32_t index) { hot_ = index; }

private:
    int32_t dragIndex_ = 0;
    int32_t hot_ = 0;
};

}  // namespace kvx
