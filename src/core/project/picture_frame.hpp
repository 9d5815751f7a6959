#pragma once

#include <cstdint>

#include "core/project/measured_object.hpp"
#include "core/project/project.hpp"

namespace kvx {

/// What turning a project's points with its picture needs: the orientation
/// (1 .. 8, as a camera records it) the picture is shown in, and the world
/// extent in micrometres of the picture as stored, before it is turned.
///
/// A project file always holds its points as they lie on the stored
/// picture, the way every earlier version of the program wrote them; only
/// in memory do they lie in the turned frame of the picture as shown.
struct PictureFrame {
    int32_t orientation = 1;
    double storedWidth = 0.0;
    double storedHeight = 0.0;
};

/// The frame of the open project: the orientation its picture is shown in
/// and the stored size of that picture at the project's resolution (the
/// world extents the picture is drawn over, rounded as there).
PictureFrame FrameOf(const Project& project);

/// A point on the stored picture as it lies on the picture shown.
void ShownFromStored(const PictureFrame& frame, double& x, double& y);
/// A point on the picture shown as it lies on the stored picture.
void StoredFromShown(const PictureFrame& frame, double& x, double& y);

/// Moves every point of history from the shown frame `from` to the shown
/// frame `to`, through the stored picture: the points keep their places on
/// the specimen when the same picture is shown turned another way.
void TurnPoints(History& history, const PictureFrame& from, const PictureFrame& to);

}  // namespace kvx
