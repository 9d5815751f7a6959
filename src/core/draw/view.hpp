#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/project/view_block.hpp"
#include "core/support/error_code.hpp"

namespace kvx {

class Program;

/// Failure codes of the view operations.
inline constexpr ErrorCode kErrViewLeftEqualsRight = 60040101;
inline constexpr ErrorCode kErrViewTopEqualsBottom = 60040201;
inline constexpr ErrorCode kErrViewOutsideWorld = 60040301;
inline constexpr ErrorCode kPassSetWindow = 60100100;
inline constexpr ErrorCode kErrZoomViewInvalid = 60050101;
inline constexpr ErrorCode kErrZoomPercent = 60050201;
inline constexpr ErrorCode kPassZoomBy = 60050200;
inline constexpr ErrorCode kErrPanViewInvalid = 60080101;
inline constexpr ErrorCode kErrPanNoRaster = 60080201;
inline constexpr ErrorCode kErrPanRightEdge = 60080501;
inline constexpr ErrorCode kErrPanBottomEdge = 60080601;
inline constexpr ErrorCode kPassPan = 60080700;

/// Virtual key codes of the pan keys.
inline constexpr int32_t kKeyLeft = 37;
inline constexpr int32_t kKeyUp = 38;
inline constexpr int32_t kKeyRight = 39;
inline constexpr int32_t kKeyDown = 40;

/// One row of the snapping table: views of at least `threshold` micrometres
/// snap their position to multiples of `step`.
struct SnapStep {
    int64_t threshold;
    int64_t step;
};

/// Searched from the top; below the last threshold the step is 1.
inline constexpr std::array<SnapStep, 12> SnapSteps{{
    {900000, 100000},
    {450000, 50000},
    {200000, 25000},
    {90000, 10000},
    {45000, 5000},
    {20000, 2500},
    {9000, 1000},
    {4500, 500},
    {2000, 250},
    {900, 100},
    {450, 50},
    {200, 25},
}};

/// Raster spacings in micrometres, tried in this order; the last is the fallback.
inline constexpr std::array<int64_t, 17> RasterLengths{
    500000, 250000, 100000, 50000, 25000, 10000, 5000, 2500, 1000, 500, 250, 100, 50, 25, 10, 5, 1};

/// The snapping step for a view of viewSize micrometres (at least 1).
int64_t SnapStepFor(int64_t viewSize);

/// Sets the view to the square part of rectangle (left, top, right, bottom).
/// Edges outside the world are clamped silently; with snap the square moves
/// to a multiple of the snapping step; with chooseRaster the raster length
/// follows the new size. A degenerate rectangle is recorded (with the pass-on
/// code) and returned; the view then stays where it was but is not valid.
/// Success empties the error stack.
[[nodiscard]] ErrorCode SetWindow(Program& program, ViewBlock& view, WorldRect rect, bool snap,
                                  bool chooseRaster);

/// Shows the whole world square; true on success.
[[nodiscard]] bool World(Program& program, ViewBlock& view);

/// Grows (percent > 100) or shrinks (< 100) the view about its centre; 0
/// repeats lastZoomPercent. Percentages outside 1 .. 1000 are refused and
/// reset lastZoomPercent to 100.
[[nodiscard]] ErrorCode ZoomBy(Program& program, ViewBlock& view, int32_t percent,
                               int32_t& lastZoomPercent);

/// Moves the view by one raster length (or a whole view with pageStep) in the
/// direction of an arrow key. Left and up stop at 0; right and down refuse a
/// move past the world's edge at once (shown through ReportErrorAndShow).
[[nodiscard]] ErrorCode Pan(Program& program, ViewBlock& view, int32_t key, bool pageStep);

/// Picks the first raster length that divides the view into rasterDivision ± 3
/// parts (1 µm when none does).
void ChooseRaster(ViewBlock& view, int32_t rasterDivision);

/// A point on the drawing surface.
struct SurfacePoint {
    int64_t x = 0;
    int64_t y = 0;
    bool operator==(const SurfacePoint&) const = default;
};

/// Surface position of a world point, rounded to the nearest pixel; no value
/// when the point lies outside the view (edges included as inside).
std::optional<SurfacePoint> WorldToSurface(const ViewBlock& view, double x, double y);

/// The same mapping without the inside test (a view of size 0 maps to 0).
SurfacePoint MapToSurface(const ViewBlock& view, double x, double y);

/// The integer mapping of raster lines and the image rectangle: truncating
/// division (0 for a view of size 0).
int64_t MapXTruncated(const ViewBlock& view, int64_t x);
int64_t MapYTruncated(const ViewBlock& view, int64_t y);

/// The view as last drawn, for turning mouse positions into world positions.
struct DrawnView {
    int32_t drawnLeft = 0;
    int32_t drawnTop = 0;
    int32_t drawnWidth = 0;
    int32_t drawnHeight = 0;
    bool operator==(const DrawnView&) const = default;
};

/// The drawn view of a view block.
DrawnView DrawnViewOf(const ViewBlock& view);

/// An integer world position in micrometres.
struct WorldPosition {
    int64_t x = 0;
    int64_t y = 0;
    bool operator==(const WorldPosition&) const = default;
};

/// Integer world position of a paint-box pixel through the view as last
/// drawn; no value when the paint box has no area.
std::optional<WorldPosition> ScreenToWorld(const DrawnView& drawn, int32_t mouseX, int32_t mouseY,
                                           int32_t boxWidth, int32_t boxHeight);

/// World position of a paint-box pixel as fractions (used when a point is
/// dropped after dragging).
struct WorldPoint {
    double x = 0.0;
    double y = 0.0;
};
std::optional<WorldPoint> ScreenToWorldExact(const DrawnView& drawn, int32_t mouseX, int32_t mouseY,
                                             int32_t boxWidth, int32_t boxHeight);

/// The world rectangle of a zoom rectangle dragged from (x1, y1) to (x2, y2)
/// on a paint box of boxWidth × boxHeight, through the live view. With
/// snapToRaster (and a raster length) each corner moves to the nearest raster
/// position, but only when the moved corners still differ in both directions.
/// No value when the paint box has no area or the view has no size.
std::optional<WorldRect> ZoomRectangleToWorld(const ViewBlock& view, int32_t x1, int32_t y1,
                                              int32_t x2, int32_t y2, int32_t boxWidth,
                                              int32_t boxHeight, bool snapToRaster);

/// Smallest side the wheel zooms a view to, in micrometres.
inline constexpr int64_t kMinZoomedViewSize = 10;

/// The view square scaled by factor (below 1 zooms in) about the world point
/// under paint-box pixel (x, y) of a box boxWidth × boxHeight, so that point
/// stays under the same pixel. The side stays within kMinZoomedViewSize and
/// the world; a square that would leave the world is moved back inside it.
/// No value when the box has no area or the view no size.
std::optional<WorldRect> ZoomAboutPixel(const ViewBlock& view, double factor, int32_t x, int32_t y,
                                        int32_t boxWidth, int32_t boxHeight);

/// The view square moved by (dx, dy) world micrometres and kept inside the
/// world: a move past an edge stops at it.
WorldRect MovedInsideWorld(const ViewBlock& view, int64_t dx, int64_t dy);

}  // namespace kvx
