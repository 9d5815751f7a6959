#include "core/draw/view.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/program/error_report.hpp"
#include "core/program/program.hpp"

namespace kvx {

namespace {

constexpr int64_t kWorld = ViewBlock::kWorldSize;

bool InWorld(int64_t v) {
    return v >= 0 && v <= kWorld;
}

// Rounds to the nearest integer (halves to even) and keeps the result inside
// the range of int64, so that absurd coordinates never overflow.
int64_t RoundSaturated(long double v) {
    constexpr long double kLimit = 4.0e18L;
    if (std::isnan(v)) return 0;
    if (v > kLimit) return static_cast<int64_t>(kLimit);
    if (v < -kLimit) return -static_cast<int64_t>(kLimit);
    // llrint rounds like nearbyint in the default mode (halves to even) but
    // compiles to a single store instead of a library call and a switch of
    // the rounding mode; the mapping runs for every drawn point.
    return static_cast<int64_t>(std::llrint(v));
}

int64_t SnapToStep(int64_t v, int64_t step) {
    return ((v + step / 2) / step) * step;
}

}  // namespace

int64_t SnapStepFor(int64_t viewSize) {
    for (const SnapStep& row : SnapSteps) {
        if (row.threshold <= viewSize) return row.step;
    }
    return 1;
}

ErrorCode SetWindow(Program& program, ViewBlock& view, WorldRect rect, bool snap,
                    bool chooseRaster) {
    view.viewValid = false;

    ErrorCode code = kOk;
    if (rect.left > rect.right) std::swap(rect.left, rect.right);
    if (rect.left == rect.right) {
        code = kErrViewLeftEqualsRight;
    } else {
        if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
        if (rect.top == rect.bottom) code = kErrViewTopEqualsBottom;
    }
    if (code != kOk) {
        program.ReportError(code, kPassSetWindow);
        return code;
    }

    // Edges outside the world are pulled in without complaint.
    if (!InWorld(rect.left)) rect.left = 0;
    if (!InWorld(rect.top)) rect.top = 0;
    if (!InWorld(rect.right)) rect.right = kWorld;
    if (!InWorld(rect.bottom)) rect.bottom = kWorld;
    // Clamping can collapse a rectangle that lay on one side of the world
    // (left 1,000,000 and right beyond it); such a view would have no size.
    if (rect.left >= rect.right || rect.top >= rect.bottom) {
        code = rect.left >= rect.right ? kErrViewLeftEqualsRight : kErrViewTopEqualsBottom;
        program.ReportError(code, kPassSetWindow);
        return code;
    }
    program.errors.Clear();

    view.activeSurfaceSize = view.surfaceSize;
    view.viewLeft = rect.left;
    view.viewTop = rect.top;
    view.viewRight = rect.right;
    view.viewBottom = rect.bottom;

    view.viewSize = view.viewBottom - view.viewTop;
    if (view.viewRight - view.viewLeft < view.viewSize) {
        view.viewSize = view.viewRight - view.viewLeft;
        view.viewBottom = view.viewTop + view.viewSize;
    }

    if (snap) {
        const int64_t step = SnapStepFor(view.viewSize);
        view.viewTop = SnapToStep(view.viewTop, step);
        view.viewBottom = view.viewTop + view.viewSize;
        view.viewLeft = SnapToStep(view.viewLeft, step);
        view.viewRight = view.viewLeft + view.viewSize;
    }

    if (chooseRaster) ChooseRaster(view, program.settings.RasterDivision);
    view.viewValid = true;
    return kOk;
}

bool World(Program& program, ViewBlock& view) {
    view.viewSize = 0;
    view.viewValid = false;
    return SetWindow(program, view, WorldRect{0, 0, kWorld, kWorld}, true, true) == kOk;
}

ErrorCode ZoomBy(Program& program, ViewBlock& view, int32_t percent, int32_t& lastZoomPercent) {
    if (!view.viewValid) {
        program.ReportError(kErrZoomViewInvalid);
        return kErrZoomViewInvalid;
    }
    if (percent != 0) lastZoomPercent = percent;
    if (lastZoomPercent < 1 || lastZoomPercent > 1000) {
        lastZoomPercent = 100;
        program.ReportError(kErrZoomPercent);
        return kErrZoomPercent;
    }
    auto d = static_cast<int64_t>(
        std::nearbyint(static_cast<double>(view.viewSize) * (lastZoomPercent - 100) / 200.0));
    if (d == 0) d = 1;
    const WorldRect rect{view.viewLeft - d, view.viewTop - d, view.viewRight + d,
                         view.viewBottom + d};
    const ErrorCode code = SetWindow(program, view, rect, true, true);
    if (code != kOk) program.ReportError(code, kPassZoomBy);
    return code;
}

ErrorCode Pan(Program& program, ViewBlock& view, int32_t key, bool pageStep) {
    if (!view.viewValid) {
        program.ReportError(kErrPanViewInvalid);
        return kErrPanViewInvalid;
    }
    if (view.rasterLength == 0) {
        program.ReportError(kErrPanNoRaster);
        return kErrPanNoRaster;
    }
    int64_t step = pageStep ? view.viewSize : view.rasterLength;
    WorldRect rect{view.viewLeft, view.viewTop, view.viewRight, view.viewBottom};
    switch (key) {
        case kKeyLeft:
            if (rect.left - step < 0) step = rect.left;
            rect.left -= step;
            rect.right -= step;
            break;
        case kKeyUp:
            if (rect.top - step < 0) step = rect.top;
            rect.top -= step;
            rect.bottom -= step;
            break;
        case kKeyRight:
            if (rect.right + step > kWorld) {
                ReportErrorAndShow(program, kErrPanRightEdge, 0);
            } else {
                rect.left += step;
                rect.right += step;
            }
            break;
        case kKeyDown:
            if (rect.bottom + step > kWorld) {
                ReportErrorAndShow(program, kErrPanBottomEdge, 0);
            } else {
                rect.top += step;
                rect.bottom += step;
            }
            break;
        default:
            break;
    }
    const ErrorCode code = SetWindow(program, view, rect, false, false);
    if (code != kOk) program.ReportError(code, kPassPan);
    return code;
}

void ChooseRaster(ViewBlock& view, int32_t rasterDivision) {
    const int64_t lower = static_cast<int64_t>(rasterDivision) - 3;
    const int64_t upper = static_cast<int64_t>(rasterDivision) + 3;
    view.rasterLength = RasterLengths.back();
    for (std::size_t i = 0; i + 1 < RasterLengths.size(); ++i) {
        const int64_t parts = view.viewSize / RasterLengths[i];
        if (lower <= parts && parts <= upper) {
            view.rasterLength = RasterLengths[i];
            return;
        }
    }
}

SurfacePoint MapToSurface(const ViewBlock& view, double x, double y) {
    if (view.viewSize == 0) return {};
    const long double scale = static_cast<long double>(view.activeSurfaceSize);
    const long double size = static_cast<long double>(view.viewSize);
    return {RoundSaturated((static_cast<long double>(x) - view.viewLeft) * scale / size),
            RoundSaturated((static_cast<long double>(y) - view.viewTop) * scale / size)};
}

std::optional<SurfacePoint> WorldToSurface(const ViewBlock& view, double x, double y) {
    const bool inside =
        static_cast<double>(view.viewTop) <= y && y <= static_cast<double>(view.viewBottom) &&
        static_cast<double>(view.viewLeft) <= x && x <= static_cast<double>(view.viewRight);
    if (!inside) return std::nullopt;
    return MapToSurface(view, x, y);
}

int64_t MapXTruncated(const ViewBlock& view, int64_t x) {
    if (view.viewSize == 0) return 0;
    return (x - view.viewLeft) * view.activeSurfaceSize / view.viewSize;
}

int64_t MapYTruncated(const ViewBlock& view, int64_t y) {
    if (view.viewSize == 0) return 0;
    return (y - view.viewTop) * view.activeSurfaceSize / view.viewSize;
}

DrawnView DrawnViewOf(const ViewBlock& view) {
    auto narrow = [](int64_t v) {
        constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
        constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(v > kMax ? kMax : v < kMin ? kMin : v);
    };
    return {narrow(view.viewLeft), narrow(view.viewTop), narrow(view.viewSize),
            narrow(view.viewSize)};
}

// The products are taken in 64 bits: a paint box a few thousand pixels wide
// showing the whole world would overflow 32 bits.
std::optional<WorldPosition> ScreenToWorld(const DrawnView& drawn, int32_t mouseX, int32_t mouseY,
                                           int32_t boxWidth, int32_t boxHeight) {
    if (boxWidth <= 0 || boxHeight <= 0) return std::nullopt;
    return WorldPosition{
        static_cast<int64_t>(mouseX) * drawn.drawnWidth / boxWidth + drawn.drawnLeft,
        static_cast<int64_t>(mouseY) * drawn.drawnHeight / boxHeight + drawn.drawnTop};
}

std::optional<WorldPoint> ScreenToWorldExact(const DrawnView& drawn, int32_t mouseX, int32_t mouseY,
                                             int32_t boxWidth, int32_t boxHeight) {
    if (boxWidth <= 0 || boxHeight <= 0) return std::nullopt;
    return WorldPoint{
        static_cast<double>(static_cast<int64_t>(mouseX) * drawn.drawnWidth) / boxWidth +
            drawn.drawnLeft,
        static_cast<double>(static_cast<int64_t>(mouseY) * drawn.drawnHeight) / boxHeight +
            drawn.drawnTop};
}

std::optional<WorldRect> ZoomRectangleToWorld(const ViewBlock& view, int32_t x1, int32_t y1,
                                              int32_t x2, int32_t y2, int32_t boxWidth,
                                              int32_t boxHeight, bool snapToRaster) {
    if (boxWidth <= 0 || boxHeight <= 0 || view.viewSize <= 0) return std::nullopt;
    WorldRect rect{x1 * view.viewSize / boxWidth + view.viewLeft,
                   y1 * view.viewSize / boxHeight + view.viewTop,
                   x2 * view.viewSize / boxWidth + view.viewLeft,
                   y2 * view.viewSize / boxHeight + view.viewTop};
    const int64_t r = view.rasterLength;
    if (snapToRaster && r != 0) {
        const WorldRect moved{SnapToStep(rect.left, r), SnapToStep(rect.top, r),
                              SnapToStep(rect.right, r), SnapToStep(rect.bottom, r)};
        if (moved.left != moved.right && moved.top != moved.bottom) rect = moved;
    }
    return rect;
}

namespace {

int64_t InsideWorld(int64_t origin, int64_t size) {
    return std::clamp<int64_t>(origin, 0, kWorld - size);
}

}  // namespace

std::optional<WorldRect> ZoomAboutPixel(const ViewBlock& view, double factor, int32_t x, int32_t y,
                                        int32_t boxWidth, int32_t boxHeight) {
    if (boxWidth <= 0 || boxHeight <= 0 || view.viewSize <= 0 || !(factor > 0.0)) {
        return std::nullopt;
    }
    const double size = static_cast<double>(view.viewSize);
    const double fx = static_cast<double>(x) / boxWidth;
    const double fy = static_cast<double>(y) / boxHeight;
    const double worldX = static_cast<double>(view.viewLeft) + fx * size;
    const double worldY = static_cast<double>(view.viewTop) + fy * size;
    const double scaled = std::clamp(size * factor, static_cast<double>(kMinZoomedViewSize),
                                     static_cast<double>(kWorld));
    const auto newSize = static_cast<int64_t>(std::nearbyint(scaled));
    const int64_t left =
        InsideWorld(RoundSaturated(worldX - fx * static_cast<double>(newSize)), newSize);
    const int64_t top =
        InsideWorld(RoundSaturated(worldY - fy * static_cast<double>(newSize)), newSize);
    return WorldRect{left, top, left + newSize, top + newSize};
}

WorldRect MovedInsideWorld(const ViewBlock& view, int64_t dx, int64_t dy) {
    const int64_t size = std::clamp<int64_t>(view.viewSize, 1, kWorld);
    const int64_t left = InsideWorld(view.viewLeft + dx, size);
    const int64_t top = InsideWorld(view.viewTop + dy, size);
    return {left, top, left + size, top + size};
}

}  // namespace kvx
