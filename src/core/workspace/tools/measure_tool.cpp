#include "core/workspace/tools/measure_tool.hpp"

#include <cmath>
#include <vector>

#include "core/program/object_type.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

constexpr int32_t kKeyBackspace = 8;
constexpr int32_t kKeyEnter = 13;
constexpr int32_t kKeyEscape = 27;

constexpr int kMsgLengthSoFar = 2290;
constexpr int kMsgAreaSoFar = 2291;
constexpr int kMsgPointsSoFar = 2292;

bool EndsByDoubleClick(int dataType) {
    return dataType == kLine || dataType == kPolygon || dataType == kTwoPointLine;
}

}  // namespace

void MeasureTool::Move(int32_t x, int32_t y) {
    if (const auto world = WorldAtMouse(x, y)) cursor_ = std::make_pair(world->x, world->y);
    if (PendingCount() > 1) return;
    ZoomTool::Move(x, y);
}

void MeasureTool::Release(const MouseEvent& event) {
    if (endOnRelease_) {
        endOnRelease_ = false;
        ZoomTool::Cancel();
        EndObject();
        return;
    }
    if (PendingCount() <= 1) {
        if (FinishRectangle(event)) return;
    } else {
        ZoomTool::Cancel();
    }
    CaptureClick(event);
}

void MeasureTool::DoubleClick(const MouseEvent& event) {
    // The first click of the pair has captured its point already.
    if (event.button == MouseButton::Left && PendingCount() > 0 &&
        EndsByDoubleClick(CaptureDataType())) {
        endOnRelease_ = true;
        return;
    }
    Press(event);
}

bool MeasureTool::Key(int32_t key, bool shift, bool alt, bool control) {
    if (shift || alt || control || PendingCount() == 0) return false;
    switch (key) {
        case kKeyEnter:
            EndObject();
            return true;
        case kKeyEscape:
            DropPendingObject();
            return true;
        case kKeyBackspace:
            DropLastPendingPoint();
            return true;
        default:
            return false;
    }
}

void MeasureTool::Cancel() {
    endOnRelease_ = false;
    ZoomTool::Cancel();
}

std::string MeasureTool::StatusText() const {
    // The points of the object under capture, its label point left out.
    std::vector<std::pair<double, double>> points;
    const int dataType = CaptureDataType();
    for (const PendingEntry& entry : Pending()) {
        if (entry.typeIndex == kSlotLabelPoint) continue;
        if (entry.vertexKind == 1 && dataType != kTwoPointLine) points.clear();
        points.emplace_back(static_cast<double>(entry.x), static_cast<double>(entry.y));
    }
    if (points.empty()) return {};

    if (dataType == kCount) {
        return Message(kMsgPointsSoFar) + ": " + IntToStr(static_cast<int32_t>(points.size()));
    }
    if (dataType == kTwoPointLine) {
        // The pair being drawn reaches to the mouse; a finished one stands.
        if (points.size() % 2 == 1) {
            if (!cursor_) return {};
            points.erase(points.begin(), points.end() - 1);
            points.emplace_back(static_cast<double>(cursor_->first),
                                static_cast<double>(cursor_->second));
        } else {
            points.erase(points.begin(), points.end() - 2);
        }
    } else if (cursor_) {
        points.emplace_back(static_cast<double>(cursor_->first),
                            static_cast<double>(cursor_->second));
    }

    if (dataType == kLine || dataType == kTwoPointLine) {
        double length = 0.0;
        for (std::size_t i = 1; i < points.size(); ++i) {
            length += std::hypot(points[i].first - points[i - 1].first,
                                 points[i].second - points[i - 1].second);
        }
        return Message(kMsgLengthSoFar) + ": " + ValueText(length, kTwoPointLine);
    }
    if (dataType == kPolygon) {
        double twice = 0.0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto& [x0, y0] = points[i];
            const auto& [x1, y1] = points[(i + 1) % points.size()];
            twice += x0 * y1 - x1 * y0;
        }
        return Message(kMsgAreaSoFar) + ": " + ValueText(std::fabs(twice) / 2.0, kPolygon);
    }
    return {};
}

}  // namespace kvx
