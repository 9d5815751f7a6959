#pragma once

#include <cstdint>
#include <string>

#include "core/draw/window_state.hpp"

namespace kvx {

class Workspace;

/// Layer codes of `DisplayLayers`.
enum DisplayLayer : int32_t {
    kLayerBackground = 1,
    kLayerGeometry = 2,
    kLayerPicture = 3,
    kLayerPolygons = 4,
    kLayerObjects = 6,
    kLayerRaster = 7,
    kLayerScaleBar = 8,
    kLayerHistogram = 9,
    kLayerStatistics = 10,
};

/// Brings the window up to date with the project: caption, status panels,
/// the states of the commands that depend on the project, the raster and
/// detail labels, and the measuring field drawn layer by layer in the order
/// of `DisplayLayers` onto a recorded surface. The first two requests after
/// start-up only count. After a picture load the view is fitted to the
/// image and everything is drawn once more; the result is that of the last
/// pass. Errors found while drawing are shown.
WindowState MainRedraw(Workspace& workspace);

/// The scale bar's length in display units for a view `value` units wide:
/// a twentieth of it raised to 1, 5, 10, 20, 50, 100, 250 or 500.
int32_t ScaleBarLength(double value);

}  // namespace kvx
