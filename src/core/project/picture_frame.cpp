#include "core/project/picture_frame.hpp"

#include <cmath>
#include <utility>

namespace kvx {
namespace {

double WorldExtent(int32_t pixels, int32_t resolutionDpi) {
    if (resolutionDpi <= 0 || pixels <= 0) return 0.0;
    return std::nearbyint(static_cast<double>(pixels) * 25400.0 / resolutionDpi);
}

}  // namespace

PictureFrame FrameOf(const Project& project) {
    PictureFrame frame;
    frame.orientation = project.pictureOrientation;
    const bool swapped = frame.orientation >= 5 && frame.orientation <= 8;
    const int32_t storedWidth = swapped ? project.view.imageHeight : project.view.imageWidth;
    const int32_t storedHeight = swapped ? project.view.imageWidth : project.view.imageHeight;
    frame.storedWidth = WorldExtent(storedWidth, project.resolutionDpi);
    frame.storedHeight = WorldExtent(storedHeight, project.resolutionDpi);
    return frame;
}

void ShownFromStored(const PictureFrame& frame, double& x, double& y) {
    const double w = frame.storedWidth;
    const double h = frame.storedHeight;
    const double sx = x;
    const double sy = y;
    switch (frame.orientation) {
        case 2:
            x = w - sx;
            break;
        case 3:
            x = w - sx;
            y = h - sy;
            break;
        case 4:
            y = h - sy;
            break;
        case 5:
            x = sy;
            y = sx;
            break;
        case 6:
            x = h - sy;
            y = sx;
            break;
        case 7:
            x = h - sy;
            y = w - sx;
            break;
        case 8:
            x = sy;
            y = w - sx;
            break;
        default:
            break;
    }
}

void StoredFromShown(const PictureFrame& frame, double& x, double& y) {
    const double w = frame.storedWidth;
    const double h = frame.storedHeight;
    const double u = x;
    const double v = y;
    switch (frame.orientation) {
        case 2:
            x = w - u;
            break;
        case 3:
            x = w - u;
            y = h - v;
            break;
        case 4:
            y = h - v;
            break;
        case 5:
            x = v;
            y = u;
            break;
        case 6:
            x = v;
            y = h - u;
            break;
        case 7:
            x = w - v;
            y = h - u;
            break;
        case 8:
            x = w - v;
            y = u;
            break;
        default:
            break;
    }
}

void TurnPoints(History& history, const PictureFrame& from, const PictureFrame& to) {
    if (from.orientation == to.orientation && from.storedWidth == to.storedWidth &&
        from.storedHeight == to.storedHeight) {
        return;
    }
    for (int32_t i = 1; i <= history.Count(); ++i) {
        MeasuredObject point = history.Peek(i);
        StoredFromShown(from, point.x, point.y);
        ShownFromStored(to, point.x, point.y);
        history.Put(i, point);
    }
}

}  // namespace kvx
