#include "core/workspace/tools/mouse_tool.hpp"

#include "core/measure/values.hpp"
#include "core/support/strings.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

std::size_t MouseTool::PendingCount() const {
    return ws_.pending_.size();
}

bool MouseTool::ResizeFlag() const {
    return ws_.resizeFlag_;
}

int32_t MouseTool::MinSelectionSize() const {
    return ws_.program_.settings.MinSelectionSize;
}

double MouseTool::PointerCalibration() const {
    return ws_.program_.settings.Calibration;
}

void MouseTool::CaptureClick(const MouseEvent& event) {
    ws_.CaptureClick(event);
}

int32_t MouseTool::ModifyPress(const MouseEvent& event) {
    return ws_.ModifyPress(event);
}

void MouseTool::DropDraggedPoint(const MouseEvent& event, int32_t index) {
    ws_.DropDraggedPoint(event, index);
}

std::optional<WorldPosition> MouseTool::WorldAt(const MouseEvent& event) const {
    return ws_.MouseToWorld(event.x, event.y, event.boxWidth, event.boxHeight);
}

uint8_t MouseTool::CaptureDataType() const {
    return ws_.captureDataType_;
}

const std::vector<PendingEntry>& MouseTool::Pending() const {
    return ws_.pending_;
}

void MouseTool::EndObject() {
    ws_.MeasureCommand();
}

void MouseTool::DropPendingObject() {
    ws_.DropPendingObject();
}

void MouseTool::DropLastPendingPoint() {
    ws_.DropLastPendingPoint();
}

int32_t MouseTool::PointUnder(int32_t x, int32_t y, int32_t boxWidth, int32_t boxHeight) const {
    const auto world = WorldAt(x, y, boxWidth, boxHeight);
    if (!world) return 0;
    const int64_t tolerance = HitTolerance(ws_.project_.view.viewSize);
    for (int32_t i = 1; i <= ws_.history_.Count(); ++i) {
        const MeasuredObject point = ws_.history_.Peek(i);
        if (point.typeIndex > 0 && PointHit(point.x, point.y, world->x, world->y, tolerance)) {
            return i;
        }
    }
    return 0;
}

std::optional<WorldPosition> MouseTool::WorldAt(int32_t x, int32_t y, int32_t boxWidth,
                                                int32_t boxHeight) const {
    return ws_.MouseToWorld(x, y, boxWidth, boxHeight);
}

std::optional<WorldPosition> MouseTool::WorldAtMouse(int32_t x, int32_t y) const {
    const WindowGeometry& box = ws_.windowGeometry_;
    if (box.paintBoxWidth <= 0 || box.paintBoxHeight <= 0) return std::nullopt;
    return WorldAt(x, y, box.paintBoxWidth, box.paintBoxHeight);
}

int32_t MouseTool::PointUnderMouse(int32_t x, int32_t y) const {
    const WindowGeometry& box = ws_.windowGeometry_;
    if (box.paintBoxWidth <= 0 || box.paintBoxHeight <= 0) return 0;
    return PointUnder(x, y, box.paintBoxWidth, box.paintBoxHeight);
}

void MouseTool::SetHotHandle(int32_t index) {
    ws_.SetHotHandle(index);
}

std::string MouseTool::ValueText(double value, int dataType) const {
    const Settings& settings = ws_.program_.settings;
    const std::string_view unit = UnitName(dataType, settings.TableUnit);
    const std::string number = FormatReal(-1, DecimalsFor(dataType), settings.Language == 0,
                                          UnitDivisor(value, dataType, settings.TableUnit));
    return unit.empty() ? number : number + " " + std::string(unit);
}

std::string MouseTool::Message(int number) const {
    return ws_.program_.GetMessage(number);
}

void MouseTool::Activate(std::string_view name) {
    ws_.ActivateTool(name);
}

void MouseTool::ReturnToPreviousTool() {
    ws_.ReturnToPreviousTool();
}

}  // namespace kvx
