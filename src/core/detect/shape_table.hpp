#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/detect/pixel_statistics.hpp"
#include "core/detect/shape_descriptors.hpp"
#include "core/program/object_type.hpp"
#include "core/project/measured_object.hpp"

namespace kvx {

/// One measured object with everything that describes it, lengths in world
/// micrometres and areas in square micrometres. What a data type does not
/// define stays NaN: a Polygon has its shape and the values inside it, a
/// Line and a Two Point Line their length (the latter with its angle), a
/// Count its points' centroid, a Point, Object or Text its position (as the
/// centroid).
struct ObjectDescription {
    int32_t type = 0;        ///< slot 1..256
    int32_t object = 0;      ///< running number within its type, in `history` order
    int32_t firstPoint = 0;  ///< index in `history` of the record it starts at
    int dataType = 0;
    bool excluded = false;
    /// The value the statistics pass takes from the object (area, distance,
    /// number of points, label number), computed as that pass computes it;
    /// NaN for an object that yields none.
    double value = kNoDescriptor;
    std::string label;   ///< the name of a Text object's record
    int32_t points = 0;  ///< the points the object is made of (a closing copy not counted)
    double length = kNoDescriptor;
    double angle = kNoDescriptor;  ///< a Two Point Line's direction, -180 < angle <= 180
    PolygonDescriptors shape;      ///< the centroid also for Count, Point, Object and Text
    bool hasPixels = false;        ///< whether pixels were measured
    PixelStatistics pixels;
};

/// What the pixel values inside polygons are measured on: samples at the
/// project's full resolution, pixelsPerMicrometre = dpi / 25400. An invalid
/// view leaves the pixel values out.
struct ShapeSamples {
    SampleView samples;
    double pixelsPerMicrometre = 0.0;
};

/// Every object of every user type of data type Line to Count, by type in
/// slot order and within a type in `history` order, the way the statistics
/// pass walks the table: a Text, Point or Object record is an object of its
/// own, a Two Point Line the record with the one after it, a Line, Polygon or
/// Count the record with the further points that follow it (deleted ones
/// passed over). Objects that yield no value are listed too. Label points
/// belong to no object.
std::vector<ObjectDescription> DescribeObjects(const History& history, const ObjectTypeTable& types,
                                               const ShapeSamples& samples = {});

/// One cell of the table of objects: a number (NaN: left empty), a text
/// (Windows-1252, as every core text) or a yes/no.
struct ObjectTableCell {
    enum Kind { kNumber, kText, kLogical } kind = kNumber;
    double number = kNoDescriptor;
    std::string text;
    bool flag = false;
};

/// The names of the columns of the table of objects, one per descriptor:
/// type, type_name, data_type, object, value, unit, excluded, length_unit,
/// points, the shape, length and angle, label, and the pixel values.
std::span<const std::string_view> ObjectTableColumns();

/// The cells of d's row under ObjectTableColumns: lengths in the table
/// unit, areas in its square, names in the language (0 German, else
/// English). `unit` is that of the value, as the value table has it;
/// `length_unit` that of every length and position of the row.
std::vector<ObjectTableCell> ObjectTableRow(const ObjectDescription& d,
                                            const ObjectTypeTable& types, int language,
                                            int32_t tableUnit);

/// The points of the object that starts at history's record firstPoint, as
/// DescribeObjects walks it (a polygon's or count's closing copy left out),
/// and its data type. No points when no object of a user type starts there.
struct ObjectShape {
    int dataType = 0;
    std::vector<WorldPoint> points;
};
ObjectShape ShapeOfObject(const History& history, const ObjectTypeTable& types, int32_t firstPoint);

/// The object at world position p: the one whose outline, line or points
/// lie nearest, within tolerance micrometres; a position inside a polygon
/// is on it, and of polygons inside one another the smallest is taken.
/// Its first record, or 0 when none is that near.
int32_t ObjectAt(const History& history, const ObjectTypeTable& types, WorldPoint p,
                 double tolerance);

}  // namespace kvx
