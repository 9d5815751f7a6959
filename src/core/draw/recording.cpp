#include "core/draw/recording.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace kvx {

namespace {

// Room around a shape for its pen (a wide pen is centred on the outline).
int64_t PenMargin(const Pen& pen) {
    return std::max<int64_t>(pen.width, 1) + 1;
}

}  // namespace

bool Recording::Outside(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
    return right < 0 || bottom < 0 || left > width_ || top > height_;
}

bool Recording::Outside(std::span<const CanvasPoint> points, int64_t margin) const {
    if (points.empty()) return true;
    int64_t left = INT64_MAX;
    int64_t top = INT64_MAX;
    int64_t right = INT64_MIN;
    int64_t bottom = INT64_MIN;
    for (const CanvasPoint& p : points) {
        left = std::min<int64_t>(left, p.x);
        top = std::min<int64_t>(top, p.y);
        right = std::max<int64_t>(right, p.x);
        bottom = std::max<int64_t>(bottom, p.y);
    }
    return Outside(left - margin, top - margin, right + margin, bottom + margin);
}

void Recording::Line(CanvasPoint from, CanvasPoint to) {
    const std::array<CanvasPoint, 2> ends{from, to};
    if (Outside(ends, PenMargin(pen_))) return;
    ops_.emplace_back(draw_op::Line{from, to, pen_});
}

void Recording::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const std::array<CanvasPoint, 2> corners{{{x1, y1}, {x2, y2}}};
    if (Outside(corners, PenMargin(pen_))) return;
    ops_.emplace_back(draw_op::Rectangle{CanvasRect{x1, y1, x2, y2}.Normalized(), pen_, brush_});
}

void Recording::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const std::array<CanvasPoint, 2> corners{{{x1, y1}, {x2, y2}}};
    if (Outside(corners, PenMargin(pen_))) return;
    ops_.emplace_back(draw_op::Ellipse{CanvasRect{x1, y1, x2, y2}.Normalized(), pen_, brush_});
}

void Recording::Polygon(std::span<const CanvasPoint> points) {
    if (Outside(points, PenMargin(pen_))) return;
    ops_.emplace_back(
        draw_op::Polygon{std::vector<CanvasPoint>(points.begin(), points.end()), pen_, brush_});
}

void Recording::Polyline(std::span<const CanvasPoint> points) {
    if (Outside(points, PenMargin(pen_))) return;
    ops_.emplace_back(
        draw_op::Polyline{std::vector<CanvasPoint>(points.begin(), points.end()), pen_});
}

void Recording::SetPixel(int32_t x, int32_t y, Colour colour) {
    if (Outside(x, y, x, y)) return;
    ops_.emplace_back(draw_op::Pixel{{x, y}, colour});
}

void Recording::TextOut(int32_t x, int32_t y, std::string_view text) {
    const int32_t width = TextWidth(text);
    const int32_t height = TextHeight(text);
    // An italic or overhanging glyph may reach a little beyond the extent.
    if (Outside(int64_t{x} - height, int64_t{y} - height, int64_t{x} + width + height,
                int64_t{y} + 2 * int64_t{height})) {
        return;
    }
    draw_op::Text op{{x, y}, std::string(text), font_, brush_, width, height};
    ops_.emplace_back(std::move(op));
}

int32_t Recording::TextWidth(std::string_view text) const {
    return metrics_->TextWidth(font_, text);
}

int32_t Recording::TextHeight(std::string_view text) const {
    return metrics_->TextHeight(font_, text);
}

void Recording::SetClipRect(const CanvasRect& rect) {
    ops_.emplace_back(draw_op::SetClip{rect.Normalized()});
}

void Recording::ResetClip() {
    ops_.emplace_back(draw_op::ResetClip{});
}

void Recording::StretchPicture(const CanvasRect& rect, std::shared_ptr<const Picture> picture) {
    ops_.emplace_back(draw_op::StretchPicture{rect, std::move(picture)});
}

}  // namespace kvx
