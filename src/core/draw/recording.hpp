#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/draw/canvas.hpp"
#include "core/draw/text_metrics.hpp"

namespace kvx {

/// The operations of a Recording. Each carries the complete state it is drawn
/// with, so that a replayer or a file writer can walk the list without
/// tracking pens, brushes and fonts itself.
namespace draw_op {

/// A line from `from` to `to`; the end point itself is not drawn.
struct Line {
    CanvasPoint from;
    CanvasPoint to;
    Pen pen;
    bool operator==(const Line&) const = default;
};

/// rect is normalized (left ≤ right, top ≤ bottom); right and bottom excluded.
struct Rectangle {
    CanvasRect rect;
    Pen pen;
    Brush brush;
    bool operator==(const Rectangle&) const = default;
};

/// The ellipse inscribed in rect (normalized, right and bottom excluded).
struct Ellipse {
    CanvasRect rect;
    Pen pen;
    Brush brush;
    bool operator==(const Ellipse&) const = default;
};

/// Closed and filled with the brush.
struct Polygon {
    std::vector<CanvasPoint> points;
    Pen pen;
    Brush brush;
    bool operator==(const Polygon&) const = default;
};

/// Open and unfilled.
struct Polyline {
    std::vector<CanvasPoint> points;
    Pen pen;
    bool operator==(const Polyline&) const = default;
};

struct Pixel {
    CanvasPoint at;
    Colour colour = kBlack;
    bool operator==(const Pixel&) const = default;
};

/// Text with its top-left corner at `at`, in font (its colour is the text
/// colour). The background box of width × height is filled with
/// brush.colour unless brush.style is clear; width and height are the
/// extent measured when the text was recorded.
struct Text {
    CanvasPoint at;
    std::string text;
    Font font;
    Brush brush;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const Text&) const = default;
};

/// From here on drawing is clipped to rect (right and bottom excluded).
struct SetClip {
    CanvasRect rect;
    bool operator==(const SetClip&) const = default;
};

/// From here on drawing is not clipped.
struct ResetClip {
    bool operator==(const ResetClip&) const = default;
};

/// The whole picture stretched into rect (right and bottom excluded).
struct StretchPicture {
    CanvasRect rect;
    std::shared_ptr<const Picture> picture;
    bool operator==(const StretchPicture&) const = default;
};

}  // namespace draw_op

using DrawOp = std::variant<draw_op::Line, draw_op::Rectangle, draw_op::Ellipse, draw_op::Polygon,
                            draw_op::Polyline, draw_op::Pixel, draw_op::Text, draw_op::SetClip,
                            draw_op::ResetClip, draw_op::StretchPicture>;

/// A recorded drawing surface of width × height pixels: a display list of
/// the operations drawn onto it, in order. What lies wholly outside the
/// surface could never be seen and is not recorded (a view far into a large
/// project holds only what it shows). Text is measured through the
/// TextMetrics given at construction, which must outlive the recording.
class Recording : public Canvas {
public:
    Recording(int32_t width, int32_t height, const TextMetrics& metrics)
        : width_(width), height_(height), metrics_(&metrics) {}

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    const std::vector<DrawOp>& Ops() const { return ops_; }
    std::size_t Size() const { return ops_.size(); }
    bool Empty() const { return ops_.empty(); }
    /// Drops every operation; the current state stays.
    void Clear() { ops_.clear(); }
    /// Reserves room for n operations.
    void Reserve(std::size_t n) { ops_.reserve(n); }

    void Line(CanvasPoint from, CanvasPoint to) override;
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void Polygon(std::span<const CanvasPoint> points) override;
    void Polyline(std::span<const CanvasPoint> points) override;
    void SetPixel(int32_t x, int32_t y, Colour colour) override;
    void TextOut(int32_t x, int32_t y, std::string_view text) override;
    int32_t TextWidth(std::string_view text) const override;
    int32_t TextHeight(std::string_view text) const override;
    void SetClipRect(const CanvasRect& rect) override;
    void ResetClip() override;
    void StretchPicture(const CanvasRect& rect, std::shared_ptr<const Picture> picture) override;

    /// Operations of one kind, in order (for tests and writers that need one kind).
    template <class Op>
    std::vector<const Op*> OpsOf() const {
        std::vector<const Op*> out;
        for (const DrawOp& op : ops_) {
            if (const Op* p = std::get_if<Op>(&op)) out.push_back(p);
        }
        return out;
    }

private:
    bool Outside(int64_t left, int64_t top, int64_t right, int64_t bottom) const;
    bool Outside(std::span<const CanvasPoint> points, int64_t margin) const;

    int32_t width_;
    int32_t height_;
    const TextMetrics* metrics_;
    std::vector<DrawOp> ops_;
};

}  // namespace kvx
