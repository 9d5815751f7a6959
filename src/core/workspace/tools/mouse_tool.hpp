#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/draw/view.hpp"
#include "core/measure/capture.hpp"

namespace kvx {

class Workspace;

/// The mouse pointer a tool wants over the paint box.
enum class ToolCursor {
    Arrow,       ///< the paint box's own
    Sizing,      ///< a point is being dragged
    ClosedHand,  ///< the picture is being dragged along
};

/// What a tool draws over the picture, in paint-box pixels, apart from the
/// recorded surface.
struct ToolOverlay {
    /// The rectangle being dragged: the press and the current corner.
    std::optional<std::pair<ScreenPoint, ScreenPoint>> outline;
    bool operator==(const ToolOverlay&) const = default;
};

/// One way of working with the mouse on `MainPB`. The workspace hands every
/// press, move, release and key to the active tool; switching tools cancels
/// what the one left behind had under way. Tools are listed in one place
/// (MakeMouseTools) and reach the workspace through the protected helpers
/// here, which are all a tool may touch beyond the public commands.
class MouseTool {
public:
    explicit MouseTool(Workspace& workspace) : ws_(workspace) {}
    MouseTool(const MouseTool&) = delete;
    MouseTool& operator=(const MouseTool&) = delete;
    virtual ~MouseTool() = default;

    /// The name the workspace finds the tool by.
    virtual std::string_view Name() const = 0;

    virtual void Press(const MouseEvent& event) { (void)event; }
    virtual void Move(int32_t x, int32_t y) {
        (void)x;
        (void)y;
    }
    virtual void Release(const MouseEvent& event) { (void)event; }
    /// The second press of a double click; by default a press like any other.
    virtual void DoubleClick(const MouseEvent& event) { Press(event); }
    /// A key while the tool is active; true when the tool took it.
    virtual bool Key(int32_t key, bool shift, bool alt, bool control) {
        (void)key;
        (void)shift;
        (void)alt;
        (void)control;
        return false;
    }
    /// Forgets a gesture under way without finishing it.
    virtual void Cancel() {}

    virtual ToolOverlay Overlay() const { return {}; }
    virtual ToolCursor Cursor() const { return ToolCursor::Arrow; }
    /// A short text about what the tool is doing; empty when there is nothing to say.
    virtual std::string StatusText() const { return {}; }

    /// 0 unless the tool captures objects: 1 capturing, 2 an object was
    /// just committed (what the redraw and the commands ask).
    virtual int32_t CaptureState() const { return 0; }
    /// The `history` index of a point being dragged; 0 = none.
    virtual int32_t DragIndex() const { return 0; }
    /// The `history` index of the handle under the mouse; 0 = none.
    virtual int32_t HotHandle() const { return 0; }

protected:
    Workspace& workspace() { return ws_; }
    const Workspace& workspace() const { return ws_; }

    // What tools need of the workspace beyond its public commands.
    std::size_t PendingCount() const;
    bool ResizeFlag() const;
    int32_t MinSelectionSize() const;
    double PointerCalibration() const;
    void CaptureClick(const MouseEvent& event);
    /// The data type of the object under capture, or of the type chosen last.
    uint8_t CaptureDataType() const;
    /// The pending points of the objects under capture.
    const std::vector<PendingEntry>& Pending() const;
    /// Commits the object under capture, as the Measure command does.
    void EndObject();
    void DropPendingObject();
    void DropLastPendingPoint();
    /// The `history` index of the first point within hit distance of
    /// paint-box pixel (x, y), deleted ones passed over; 0 = none.
    int32_t PointUnder(int32_t x, int32_t y, int32_t boxWidth, int32_t boxHeight) const;
    void SetHotHandle(int32_t index);
    /// Paint-box pixel (x, y) in world micrometres through the view as drawn
    /// (after the pointer calibration); none without a drawn view.
    std::optional<WorldPosition> WorldAt(int32_t x, int32_t y, int32_t boxWidth,
                                         int32_t boxHeight) const;
    /// The same on the paint box as the window last reported its size; none
    /// while no size was reported.
    std::optional<WorldPosition> WorldAtMouse(int32_t x, int32_t y) const;
    /// PointUnder on that paint box.
    int32_t PointUnderMouse(int32_t x, int32_t y) const;
    /// A length or area in the table unit, with its unit, as the grids write it.
    std::string ValueText(double value, int dataType) const;
    /// The text of message number in the program's language.
    std::string Message(int number) const;
    /// The modify-mode press: deletes, duplicates or picks a point to drag;
    /// returns the index of the point picked, 0 when none was.
    int32_t ModifyPress(const MouseEvent& event);
    void DropDraggedPoint(const MouseEvent& event, int32_t index);
    /// The world position under the mouse, through the view as last drawn
    /// and the pointer calibration.
    std::optional<WorldPosition> WorldAt(const MouseEvent& event) const;
    /// Makes the tool named the active one (the previous one is cancelled).
    void Activate(std::string_view name);
    /// Hands the mouse back to the tool that was active before a held one.
    void ReturnToPreviousTool();

private:
    Workspace& ws_;
};

}  // namespace kvx
