#pragma once

#include <cstdint>
#include <vector>

#include "core/detect/detect_objects.hpp"
#include "core/project/measured_object.hpp"
#include "core/project/view_block.hpp"

namespace kvx {

/// The `history` records that hold detected objects as objects of one type.
struct DetectionRecords {
    std::vector<MeasuredObject> records;
    /// For each object taken, the number of records up to and including it
    /// (a Count type holds them all in one object: there the closing copy
    /// is counted with the last).
    std::vector<std::size_t> ends;
    int32_t dataType = 0;

    /// How many of the objects, from the first, fit into `freeRecords`.
    int32_t ObjectsFitting(int64_t freeRecords) const;
};

/// The records for objects found on a picture of resolutionDpi as objects of
/// type typeIndex, whose data type is dataType: a Polygon type gets one
/// polygon per object (its outline, first point repeated at the end, as a
/// polygon is measured by hand), a Count type one Count object with a point
/// at every object's centroid. Positions are world micrometres (a picture
/// pixel is 25400 / resolutionDpi of them), rounded to whole micrometres as
/// every measured point is; an outline that comes to fewer than three
/// distinct points at that is left out. Nothing for other data types.
DetectionRecords RecordsForDetection(const std::vector<DetectedObject>& objects, int32_t typeIndex,
                                     int dataType, int32_t resolutionDpi);

/// The area of an object in square micrometres at resolutionDpi.
double ObjectAreaMicrometres(const DetectedObject& object, int32_t resolutionDpi);

/// The picture pixels a world rectangle (the view, or one drawn by the
/// person) covers at resolutionDpi, each pixel it touches included; empty
/// when it covers none.
PixelRect PixelsOfWorldRect(const WorldRect& rect, int32_t resolutionDpi);

/// An area in square micrometres as square pixels at resolutionDpi.
double SquarePixels(double squareMicrometres, int32_t resolutionDpi);

}  // namespace kvx
