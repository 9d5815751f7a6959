// The redraw entry and the zoom, pan and raster commands of the main window.
#include <algorithm>
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
