#include "core/draw/recording.hpp"

#include <utility>

namespace kvx {

void Recording::Line(CanvasPoint from, CanvasPoint to) {
    ops_.emplace_back(draw_op::Line{from, to, pen_});
}

void Recording::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ops_.emplace_back(draw_op::Rectangle{CanvasRect{x1, y1, x2, y2}.Normalized(), pen_, brush_});
}

void Recording::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ops_.emplace_back(draw_op::Ellipse{CanvasRect{x1, y1, x2, y2}.Normalized(), pen_, brush_});
}

void Recording::Polygon(std::span<const CanvasPoint> points) {
    ops_.emplace_back(
        draw_op::Polygon{std::vector<CanvasPoint>(points.begin(), points.end()), pen_, brush_});
}

void Recording::Polyline(std::span<const CanvasPoint> points) {
    ops_.emplace_back(
        draw_op::Polyline{std::vector<CanvasPoint>(points.begin(), points.end()), pen_});
}

void Recording::SetPixel(int32_t x, int32_t y, Colour colour) {
    ops_.emplace_back(draw_op::Pixel{{x, y}, colour});
}

void Recording::TextOut(int32_t x, int32_t y, std::string_view text) {
    draw_op::Text op{{x, y}, std::string(text), font_, brush_, TextWidth(text), TextHeight(text)};
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
