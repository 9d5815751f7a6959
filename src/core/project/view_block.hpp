#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kvx {

/// A rectangle in world micrometres.
struct WorldRect {
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = 0;
    int64_t bottom = 0;
    bool operator==(const WorldRect&) const = default;
};

/// The world rectangle shown, zoom and raster state of a project, and the
/// size of its image in pixels. World coordinates are integer micrometres in
/// the square 0 .. kWorldSize, x to the right and y downwards.
struct ViewBlock {
    static constexpr int64_t kWorldSize = 1000000;
    static constexpr int64_t kDefaultSurfaceSize = 2000;

    int64_t viewTop = 0;     ///< top edge of the visible square (y)
    int64_t viewLeft = 0;    ///< left edge (x)
    int64_t viewBottom = 0;  ///< bottom edge (y)
    int64_t viewRight = 0;   ///< right edge (x)
    /// Side of the visible square in micrometres, the one scale of the view.
    int64_t viewSize = 0;
    /// Side of the square drawing surface in pixels.
    int64_t surfaceSize = kDefaultSurfaceSize;
    /// Copy of surfaceSize taken by every SetWindow; the mappings use it.
    int64_t activeSurfaceSize = 0;
    int32_t imageWidth = 0;  ///< pixels; 0 until an image is loaded
    int32_t imageHeight = 0;
    /// Set by a SetWindow that ended without error; nothing is drawn while clear.
    bool viewValid = false;
    /// Spacing of the measuring raster in micrometres.
    int64_t rasterLength = 0;
    /// The square the view is fitted to after a picture load; all zero when
    /// no fit is pending.
    WorldRect fitRectangle;
};

/// World extent of an image side: pixels × 25400 / dpi rounded to the
/// nearest micrometre, halves to even (0 when dpi is not positive).
inline int64_t ImageWorldSize(int64_t pixels, int32_t resolutionDpi) {
    if (resolutionDpi <= 0) return 0;
    // Kept inside int64 whatever a file claims.
    constexpr double kLimit = 4.0e18;
    const double extent = static_cast<double>(pixels) * 25400.0 / resolutionDpi;
    return static_cast<int64_t>(std::llrint(std::clamp(extent, -kLimit, kLimit)));
}

}  // namespace kvx
