// The redraw entry and the zoom, pan and raster commands of the main window.
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/draw/view.hpp"
#include "core/program/error_report.hpp"
#include "core/workspace/main_redraw.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

// Exit status when not even the whole world can be shown.
constexpr int kFatalNoView = 603;

constexpr int32_t kKeySpace = 32;
constexpr int32_t kKeyPadPlus = 107;
constexpr int32_t kKeyPadMinus = 109;
constexpr int32_t kKeyPlus = 187;
constexpr int32_t kKeyMinus = 189;

}  // namespace

bool Workspace::ResetViewToWorld() {
    return World(program_, project.view);
}

void Workspace::Redraw() {
    WindowState state = MainRedraw(*this);
    if (!state.updated) return;
    windowState = std::move(state);
    if (windowStateChanged) windowStateChanged(windowState);
}

bool Workspace::ZoomCommand(ZoomControl control) {
    ViewBlock& view = project.view;
    const Settings& settings = program_.settings;
    auto finish = [this](bool failed) {
        if (failed) {
            ShowError(program_);
        } else {
            Redraw();
        }
    };
    auto zoom = [&](int32_t percent) {
        if (!view.viewValid) return;
        finish(ZoomBy(program_, view, percent, lastZoomPercent) != kOk);
    };

    switch (control) {
        case ZoomControl::MnEnlarge:
            zoom(settings.ReducePercent);
            return false;
        case ZoomControl::MnReduce:
            zoom(settings.EnlargePercent);
            return false;
        case ZoomControl::MnWorld:
            finish(!World(program_, view));
            return false;
        case ZoomControl::BitBtn4:
            zoom(settings.EnlargePercent);
            return true;
        case ZoomControl::BitBtn5:
            zoom(settings.ReducePercent);
            return true;
        case ZoomControl::BitBtn6:
            if (!project.imagePath.empty()) {
                project.fitImagePending = true;
                Redraw();
            } else {
                finish(!World(program_, view));
            }
            return view.viewValid;
        case ZoomControl::SpinDetUp:
            zoom(100 + settings.FineScalingPercent);
            return false;
        case ZoomControl::SpinDetDown:
            zoom(100 - settings.FineScalingPercent);
            return false;
        case ZoomControl::SpinRasterUp:
        case ZoomControl::SpinRasterDown: {
            const auto* at =
                std::find(RasterLengths.begin(), RasterLengths.end(), view.rasterLength);
            if (at != RasterLengths.end()) {
                if (control == ZoomControl::SpinRasterDown &&
                    view.rasterLength < RasterLengths[0]) {
                    view.rasterLength = *(at - 1);
                } else if (control == ZoomControl::SpinRasterUp && at + 1 != RasterLengths.end()) {
                    view.rasterLength = *(at + 1);
                }
            }
            Redraw();
            return false;
        }
    }
    return false;
}

bool Workspace::ViewKey(int32_t key, bool shift, bool alt, bool control) {
    if (shift || alt || control) return false;
    ViewBlock& view = project.view;
    const Settings& settings = program_.settings;
    auto finish = [this](ErrorCode code) {
        if (code != kOk) {
            ShowError(program_);
        } else {
            Redraw();
        }
    };
    switch (key) {
        case kKeyPadPlus:
        case kKeyPlus:
            if (view.viewValid) {
                finish(ZoomBy(program_, view, settings.EnlargePercent, lastZoomPercent));
            }
            return true;
        case kKeyPadMinus:
        case kKeyMinus:
            if (view.viewValid) {
                finish(ZoomBy(program_, view, settings.ReducePercent, lastZoomPercent));
            }
            return true;
        case kKeyLeft:
        case kKeyUp:
        case kKeyRight:
        case kKeyDown:
            if (view.viewValid) finish(Pan(program_, view, key, false));
            return true;
        case kKeySpace:
            Redraw();
            return true;
        default:
            return false;
    }
}

bool Workspace::WheelZoom(double steps, int32_t x, int32_t y, int32_t boxWidth, int32_t boxHeight) {
    ViewBlock& view = project.view;
    if (!view.viewValid || !std::isfinite(steps)) return false;
    // High-resolution wheels and touchpads send parts of a step; they add up
    // to whole steps instead of zooming a little on every event.
    wheelSteps_ += steps;
    const double whole = std::trunc(wheelSteps_);
    if (whole == 0.0) return false;
    wheelSteps_ -= whole;
    const int32_t fine = std::clamp(program_.settings.FineScalingPercent, 1, 99);
    const double factor = std::pow((100.0 - fine) / 100.0, whole);
    const auto rect = ZoomAboutPixel(view, factor, x, y, boxWidth, boxHeight);
    if (!rect) return false;
    const WorldRect before{view.viewLeft, view.viewTop, view.viewRight, view.viewBottom};
    // The square is not snapped: snapping would move the point under the
    // cursor by up to half a snapping step.
    if (SetWindow(program_, view, *rect, false, true) != kOk) {
        ShowError(program_);
        return false;
    }
    if (before == WorldRect{view.viewLeft, view.viewTop, view.viewRight, view.viewBottom}) {
        return false;
    }
    Redraw();
    return true;
}

bool Workspace::DragPan(int32_t dx, int32_t dy, int32_t boxWidth, int32_t boxHeight) {
    ViewBlock& view = project.view;
    if (!view.viewValid || boxWidth <= 0 || boxHeight <= 0 || view.viewSize <= 0) return false;
    // The picture follows the mouse; what a pixel is worth in micrometres is
    // kept to the fraction, so slow drags at a high zoom still move.
    panRemainderX_ -= static_cast<double>(dx) * static_cast<double>(view.viewSize) / boxWidth;
    panRemainderY_ -= static_cast<double>(dy) * static_cast<double>(view.viewSize) / boxHeight;
    const auto moveX = static_cast<int64_t>(std::trunc(panRemainderX_));
    const auto moveY = static_cast<int64_t>(std::trunc(panRemainderY_));
    panRemainderX_ -= static_cast<double>(moveX);
    panRemainderY_ -= static_cast<double>(moveY);
    const WorldRect before{view.viewLeft, view.viewTop, view.viewRight, view.viewBottom};
    const WorldRect rect = MovedInsideWorld(view, moveX, moveY);
    if (rect == before) return false;
    if (SetWindow(program_, view, rect, false, false) != kOk) {
        ShowError(program_);
        return false;
    }
    Redraw();
    return true;
}

void Workspace::ZoomToRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t boxWidth,
                                int32_t boxHeight) {
    ViewBlock& view = project.view;
    const auto rect = ZoomRectangleToWorld(view, x1, y1, x2, y2, boxWidth, boxHeight,
                                           program_.settings.SnapToRaster == 1);
    if (!rect) return;
    if (SetWindow(program_, view, *rect, true, true) == kOk) {
        Redraw();
        return;
    }
    ShowError(program_);
    if (!World(program_, view)) {
        ShowError(program_);
        FatalStop(program_, kFatalNoView);
    }
    Redraw();
}

}  // namespace kvx
