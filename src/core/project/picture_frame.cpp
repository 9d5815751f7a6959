#include "core/project/picture_frame.hpp"

#include <algorithm>

namespace kvx {
PictureFrame FrameOf(const Project& project) {
    PictureFrame frame;
    frame.orientation = project.pictureOrientation;
    const bool swapped = frame.orientation >= 5 && frame.orientation <= 8;
    const int32_t storedWidth = swapped ? project.view.imageHeight : project.view.imageWidth;
    const int32_t storedHeight = swapped ? project.view.imageWidth : project.view.imageHeight;
    frame.storedWidth =
        static_cast<double>(ImageWorldSize(std::max(storedWidth, 0), project.resolutionDpi));
    frame.storedHeight =
        static_cast<double>(ImageWorldSize(std::max(storedHeight, 0), project.resolutionDpi));
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
    // Turning back is turning the shown picture by the opposite orientation:
    // a quarter turn one way (6) is undone by one the other way (8), every
    // other orientation undoes itself; the shown picture has the sides
    // swapped where the orientation swaps them.
    PictureFrame shown = frame;
    if (frame.orientation >= 5 && frame.orientation <= 8) {
        shown.storedWidth = frame.storedHeight;
        shown.storedHeight = frame.storedWidth;
    }
    if (frame.orientation == 6) shown.orientation = 8;
    if (frame.orientation == 8) shown.orientation = 6;
    ShownFromStored(shown, x, y);
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
