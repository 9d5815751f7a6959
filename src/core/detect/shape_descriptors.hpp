#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "core/draw/view.hpp"

namespace kvx {

// Outlines are WorldPoint sequences: world micrometres, x to the right and
// y downwards.

/// Marks a descriptor that an outline does not define (an outline without
/// area has no ellipse, an empty one no centroid).
inline constexpr double kNoDescriptor = std::numeric_limits<double>::quiet_NaN();

/// The shape of a closed outline, in world micrometres and square
/// micrometres. Angles are in degrees, counter-clockwise from the x axis as
/// the picture is seen (y upwards on the screen), in 0 <= angle < 180.
struct PolygonDescriptors {
    double area = kNoDescriptor;
    double perimeter = kNoDescriptor;  ///< the length of the closed outline
    double feret = kNoDescriptor;      ///< the longest distance between two outline points
    double feretAngle = kNoDescriptor;
    double minFeret = kNoDescriptor;  ///< the narrowest caliper width
    /// 4 pi area / perimeter^2, at most 1 (a polygon of few vertices can
    /// come out a little above 1 by rounding of its points).
    double circularity = kNoDescriptor;
    /// The ellipse with the outline's second moments of area, scaled to the
    /// outline's area: its axes and the angle of the major one.
    double major = kNoDescriptor;
    double minor = kNoDescriptor;
    double aspectRatio = kNoDescriptor;  ///< major / minor
    double ellipseAngle = kNoDescriptor;
    double convexArea = kNoDescriptor;
    double solidity = kNoDescriptor;   ///< area / convex hull area
    double centroidX = kNoDescriptor;  ///< the centre of the area
    double centroidY = kNoDescriptor;
    double boundsX = kNoDescriptor;  ///< the bounding box: left, top, width, height
    double boundsY = kNoDescriptor;
    double boundsWidth = kNoDescriptor;
    double boundsHeight = kNoDescriptor;
};

/// The descriptors of the closed outline through vertices (the closing
/// edge back to the first vertex is implied; a closing copy of the first
/// vertex changes nothing). A traversal in either direction gives the same
/// result; a self-crossing outline gives the absolute value of its signed
/// area. With fewer than three vertices only the bounding box, the
/// perimeter and the Feret diameters are defined.
PolygonDescriptors DescribePolygon(std::span<const WorldPoint> vertices);

/// The convex hull of points, counter-clockwise as stored (y downwards),
/// without collinear or repeated vertices.
std::vector<WorldPoint> ConvexHull(std::span<const WorldPoint> points);

/// The length of the open polyline through points.
double PolylineLength(std::span<const WorldPoint> points);

/// The direction from a to b in degrees, counter-clockwise as the picture is
/// seen: -180 < angle <= 180; 0 for two equal points.
double LineAngle(const WorldPoint& a, const WorldPoint& b);

/// The mean position of points (NaN for none).
WorldPoint MeanPoint(std::span<const WorldPoint> points);

}  // namespace kvx
