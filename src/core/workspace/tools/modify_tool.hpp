#pragma once

#include "core/workspace/tools/mouse_tool.hpp"

namespace kvx {

/// Modify mode: a left press picks the point under the mouse and the
/// release drops it there; a right press deletes points, Alt and a left
/// press duplicates a point of a count object.
class ModifyTool : public MouseTool {
public:
    using MouseTool::MouseTool;

    std::string_view Name() const override { return "modify"; }
    void Press(const MouseEvent& event) override;
    void Release(const MouseEvent& event) override;
    void Cancel() override { dragIndex_ = 0; }
    ToolCursor Cursor() const override;
    int32_t DragIndex() const override { return dragIndex_; }

private:
    int32_t dragIndex_ = 0;
};

}  // namespace kvx
