#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/draw/canvas.hpp"
#include "core/draw/view.hpp"
#include "core/support/error_code.hpp"

namespace kvx {

struct Settings;
class ObjectTypeTable;
class History;

/// Label and symbol font sizes are stored sizes times this factor.
inline constexpr double FontScale = 2.125;

/// Object-type slots that hold the styles of the view frame and the raster.
enum DecorationSlot : int32_t {
    kDecorationFrame = 121,
    kDecorationHorizontalLines = 123,
    kDecorationHorizontalLabels = 124,
    kDecorationVerticalLines = 125,
    kDecorationVerticalLabels = 127,
};

/// Largest font size in points drawn on the surface, far larger than it.
inline constexpr double kLargestFontSize = 10000.0;
/// A stored font size scaled by FontScale, rounded to the nearest point, and
/// held within ±kLargestFontSize.
int32_t ScaledFontSize(int32_t size);

/// Text of a length on the raster: centimetres with one decimal for views
/// wider than 20,000 µm, otherwise millimetres with three decimals (views up
/// to 2,000 µm) or two; trailing zeros and a trailing separator are dropped.
/// language 0 writes a decimal comma. withUnit appends " cm" or " mm".
std::string FormatLength(double value, int64_t viewSize, bool withUnit, int language);

/// A number with a fixed count of decimals and a comma for language 0.
std::string FormatFixed(double value, int decimals, int language);

/// A point captured but not yet committed, as the renderer needs it.
struct PendingMarker {
    int64_t x = 0;  ///< world micrometres
    int64_t y = 0;
    int32_t typeIndex = 0;
    int32_t vertexKind = 0;
};

/// An object picked out on the picture: its points in world micrometres,
/// joined by lines (closed: back to the first) or marked one by one.
struct PickedShape {
    std::vector<WorldPoint> points;
    bool joined = true;
    bool closed = false;
};

/// Draws what lives in world coordinates onto the square drawing surface of
/// a view: the frame, the raster, the measured objects with their symbols and
/// labels, handles and pending markers. Every look comes from the object
/// types; the view, settings and types must outlive the renderer.
class ObjectRenderer {
public:
    ObjectRenderer(const ViewBlock& view, const Settings& settings, const ObjectTypeTable& types,
                   Canvas& canvas)
        : view_(view), settings_(settings), types_(types), canvas_(canvas) {}

    /// The view's square in the frame style: filled with background, or only
    /// its outline. Nothing when the frame style is hidden.
    void DrawFrame(Colour background, bool filled);

    /// Raster lines strictly inside the view and their labels.
    void DrawRaster();
    /// The raster labels are drawn at least this size (points on the
    /// surface); 0 keeps the sizes of their styles.
    void SetMinimumLabelSize(int32_t points) { minimumLabelSize_ = points; }
    /// Modify mode's handles: radius in surface pixels (0 keeps
    /// `PointSizeModify`), and the larger one of the point at surface
    /// position hot (the one under the mouse).
    void SetHandles(int64_t radius, std::optional<SurfacePoint> hot, int64_t hotRadius) {
        handleRadius_ = radius;
        hotHandle_ = hot;
        hotHandleRadius_ = hotRadius;
    }

    /// Lines, two-point lines, points, objects and texts of history.
    /// modifyMode 1 draws handles. Always 0.
    int32_t DrawObjects(const History& history, int32_t modifyMode, int32_t currentType);

    /// Symbol and label of one point at surface position (sx, sy); colour −1
    /// stands for the type's colour.
    void DrawSymbol(Colour colour, int32_t currentType, std::string_view name, int64_t sx,
                    int64_t sy, int32_t typeIndex);

    /// Polygons and counts of history. Objects are collected in a buffer of
    /// kPolygonBuffer points; records beyond a full buffer are ignored.
    [[nodiscard]] ErrorCode DrawPolygons(const History& history, int32_t modifyMode,
                                         int32_t currentType);

    /// Markers of the points captured but not committed.
    void DrawPendingPoints(std::span<const PendingMarker> pending);

    /// Picked objects over everything else, dark under light so that they
    /// show on any picture; width in surface pixels.
    void DrawPicked(std::span<const PickedShape> shapes, int32_t width);

    static constexpr int32_t kPolygonBuffer = 512;

private:
    struct PolygonState;

    bool Dimmed(int32_t typeIndex, int32_t currentType) const;
    void DrawHandle(int64_t hx, int64_t hy, int32_t number);
    void FlushPolygon(PolygonState& state, int32_t modifyMode, int32_t currentType);
    void SetFontFromSlot(int32_t slot);
    void SetPenFromSlot(int32_t slot);

    const ViewBlock& view_;
    const Settings& settings_;
    const ObjectTypeTable& types_;
    Canvas& canvas_;
    int32_t minimumLabelSize_ = 0;
    int64_t handleRadius_ = 0;
    std::optional<SurfacePoint> hotHandle_;
    int64_t hotHandleRadius_ = 0;

    int64_t HandleRadius(int64_t hx, int64_t hy) const;
};

/// A surface coordinate as the canvas takes it; far-away positions are
/// pulled in to ±1,000,000,000 so that nothing overflows.
int32_t ToCanvas(int64_t v);

}  // namespace kvx
