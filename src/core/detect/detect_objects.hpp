#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "core/detect/outline.hpp"
#include "core/detect/sample_plane.hpp"
#include "core/detect/threshold.hpp"

namespace kvx {

/// What counts as an object of a picture.
struct DetectSettings {
    ThresholdMethod method = ThresholdMethod::kIsoData;
    int32_t level = 128;  ///< the level when method is kValue
    /// Objects are the samples at or below the level (darker than the
    /// background), else those above it.
    bool darkObjects = true;
    SampleChannel channel = SampleChannel::kLuminance;
    /// Objects kept: area (pixels, holes filled) and circularity ranges.
    double minArea = 0.0;
    double maxArea = std::numeric_limits<double>::infinity();
    double minCircularity = 0.0;
    double maxCircularity = 1.0;
    /// Leaves out objects that touch the edge of the region.
    bool excludeEdges = false;
    /// Parts objects that touch at a narrowing (watershed on the distance
    /// to the background).
    bool split = false;
    /// The part of the picture that is searched; empty: all of it.
    PixelRect region;
};

/// One object found, in picture pixels.
struct DetectedObject {
    /// The outline along the pixel edges, simplified by at most half a pixel.
    std::vector<OutlinePoint> outline;
    int64_t pixels = 0;      ///< area: the pixels of the object, holes filled
    double centroidX = 0.0;  ///< mean of the pixel centres, in pixel corners' units
    double centroidY = 0.0;
    double perimeter = 0.0;    ///< of the outline before it was simplified
    double circularity = 0.0;  ///< 4 pi area / perimeter^2, at most 1
    PixelRect bounds;
    /// The top left corner of its first pixel in reading order.
    PixelCorner start;
};

/// The outcome of a detection.
struct DetectResult {
    Histogram histogram;                  ///< of the region's samples
    int32_t level = 0;                    ///< the level used
    PixelRect region;                     ///< the region searched, clipped to the picture
    std::vector<DetectedObject> objects;  ///< in reading order of their first pixels
    int64_t TotalPixels() const;
};

/// Finds the objects of a plane: the samples on the objects' side of the
/// level form regions of 8-connected pixels with their holes filled (an
/// object inside another one's hole becomes part of it), optionally parted
/// where touching objects narrow, then filtered. False when memory is short.
[[nodiscard]] bool DetectObjects(const SamplePlane& plane, const DetectSettings& settings,
                                 DetectResult& result);

}  // namespace kvx
