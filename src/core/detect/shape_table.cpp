#include "core/detect/shape_table.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/measure/values.hpp"

namespace kvx {

namespace {

struct Walk {
    const std::vector<MeasuredObject>& records;  // records[0] is history's record 1
    const ShapeSamples& samples;
    std::vector<ObjectDescription>& out;
    std::vector<WorldPoint> points;
};

// The points of a Line, Polygon or Count object starting at index start
// (0-based), with the index of the record that ends the walk: the next
// first point, or the end of the table.
std::size_t GatherFurtherPoints(const std::vector<MeasuredObject>& records, std::size_t start,
                                std::vector<WorldPoint>& points, double& twiceArea) {
    const MeasuredObject& r = records[start];
    points.assign(1, {r.x, r.y});
    // The same sum, in the same order, as the statistics pass, so that the
    // value here is the very number listed there.
    double sum = 0.0;
    WorldPoint prev = points.front();
    std::size_t i = start + 1;
    for (; i < records.size(); ++i) {
        const MeasuredObject& q = records[i];
        if (q.vertexKind == 1) break;
        if (q.vertexKind == 2 && q.typeIndex > 0) {
            sum += (prev.x - q.x) * (prev.y + q.y);
            prev = {q.x, q.y};
            points.push_back(prev);
        }
    }
    sum += (prev.x - r.x) * (prev.y + r.y);
    twiceArea = sum;
    return i;
}

// A closing copy of the first point is no point of its own.
void DropClosingCopy(std::vector<WorldPoint>& points) {
    if (points.size() > 1 && points.back().x == points.front().x &&
        points.back().y == points.front().y) {
        points.pop_back();
    }
}

void SetPosition(ObjectDescription& d, const WorldPoint& p) {
    d.shape.centroidX = p.x;
    d.shape.centroidY = p.y;
}

void DescribeType(Walk& walk, int32_t typeNumber, int dataType) {
    const std::vector<MeasuredObject>& records = walk.records;
    int32_t number = 0;
    std::size_t i = 0;
    while (i < records.size()) {
        const MeasuredObject& r = records[i];
        if (r.typeIndex != typeNumber) {
            ++i;
            continue;
        }
        ObjectDescription d;
        d.type = typeNumber;
        d.object = ++number;
        d.firstPoint = static_cast<int32_t>(i + 1);
        d.dataType = dataType;
        d.excluded = r.excluded;
        switch (dataType) {
            case kText: {
                d.label = r.name;
                double value = 0.0;
                if (!r.name.empty() && LabelValue(r.name, value)) d.value = value;
                d.points = 1;
                SetPosition(d, {r.x, r.y});
                ++i;
                break;
            }
            case kPoint:
            case kObject:
                d.points = 1;
                SetPosition(d, {r.x, r.y});
                ++i;
                break;
            case kTwoPointLine: {
                d.points = 1;
                if (i + 1 < records.size()) {
                    const MeasuredObject& q = records[i + 1];
                    const WorldPoint a{r.x, r.y}, b{q.x, q.y};
                    d.points = 2;
                    d.value = std::hypot(r.x - q.x, r.y - q.y);
                    d.length = d.value;
                    d.angle = LineAngle(a, b);
                    ++i;
                }
                ++i;
                break;
            }
            default: {  // Line, Polygon, Count
                double twiceArea = 0.0;
                std::vector<WorldPoint>& points = walk.points;
                const std::size_t next = GatherFurtherPoints(records, i, points, twiceArea);
                const std::size_t further = points.size() - 1;
                i = next;
                if (dataType == kLine) {
                    d.points = static_cast<int32_t>(points.size());
                    d.length = PolylineLength(points);
                    break;
                }
                if (further > 1) {
                    d.value = dataType == kCount ? static_cast<double>(further)
                                                 : std::fabs(twiceArea) / 2.0;
                }
                DropClosingCopy(points);
                d.points = static_cast<int32_t>(points.size());
                if (dataType == kCount) {
                    SetPosition(d, MeanPoint(points));
                    break;
                }
                d.shape = DescribePolygon(points);
                if (walk.samples.samples.Valid()) {
                    d.hasPixels = true;
                    d.pixels = MeasurePixels(walk.samples.samples, walk.samples.pixelsPerMicrometre,
                                             points);
                }
                break;
            }
        }
        walk.out.push_back(std::move(d));
    }
}

}  // namespace

std::vector<ObjectDescription> DescribeObjects(const History& history, const ObjectTypeTable& types,
                                               const ShapeSamples& samples) {
    std::vector<ObjectDescription> out;
    if (!history.IsValid()) return out;
    std::vector<MeasuredObject> records;
    records.reserve(static_cast<std::size_t>(history.Count()));
    std::vector<bool> used(ObjectTypeTable::kSlots + 1, false);
    for (int32_t i = 1; i <= history.Count(); ++i) {
        records.push_back(history.Peek(i));
        const int32_t t = records.back().typeIndex;
        if (ObjectTypeTable::ValidSlot(t)) used[static_cast<std::size_t>(t)] = true;
    }
    Walk walk{records, samples, out, {}};
    for (int32_t n = 1; n <= ObjectTypeTable::kSlots; ++n) {
        if (!used[static_cast<std::size_t>(n)]) continue;
        const ObjectType& type = types.At(n);
        if (type.dataClass != kClassUser || type.dataType < kLine || type.dataType > kCount) {
            continue;
        }
        DescribeType(walk, n, type.dataType);
    }
    return out;
}

ObjectShape ShapeOfObject(const History& history, const ObjectTypeTable& types,
                          int32_t firstPoint) {
    ObjectShape shape;
    if (!history.IsValid() || firstPoint < 1 || firstPoint > history.Count()) return shape;
    const MeasuredObject first = history.Peek(firstPoint);
    if (!ObjectTypeTable::ValidSlot(first.typeIndex)) return shape;
    const ObjectType& type = types.At(first.typeIndex);
    if (type.dataClass != kClassUser || type.dataType < kLine || type.dataType > kCount) {
        return shape;
    }
    shape.dataType = type.dataType;
    shape.points.push_back({first.x, first.y});
    switch (type.dataType) {
        case kText:
        case kPoint:
        case kObject:
            break;
        case kTwoPointLine:
            if (firstPoint < history.Count()) {
                const MeasuredObject end = history.Peek(firstPoint + 1);
                shape.points.push_back({end.x, end.y});
            }
            break;
        default:
            // Only a first point starts a line, polygon or count.
            if (first.vertexKind != 1) {
                shape.points.clear();
                break;
            }
            for (int32_t i = firstPoint + 1; i <= history.Count(); ++i) {
                const MeasuredObject q = history.Peek(i);
                if (q.vertexKind == 1) break;
                if (q.vertexKind == 2 && q.typeIndex > 0) shape.points.push_back({q.x, q.y});
            }
            if (type.dataType != kLine) DropClosingCopy(shape.points);
            break;
    }
    return shape;
}

namespace {

double SegmentDistance(WorldPoint p, WorldPoint a, WorldPoint b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Even-odd rule, as the pixel values inside an outline are taken.
bool Inside(WorldPoint p, const std::vector<WorldPoint>& ring) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const WorldPoint& a = ring[i];
        const WorldPoint& b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) {
            inside = !inside;
        }
    }
    return inside;
}

double TwiceArea(const std::vector<WorldPoint>& ring) {
    double sum = 0.0;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        sum += (ring[j].x - ring[i].x) * (ring[j].y + ring[i].y);
    }
    return std::fabs(sum);
}

}  // namespace

int32_t ObjectAt(const History& history, const ObjectTypeTable& types, WorldPoint p,
                 double tolerance) {
    int32_t best = 0;
    double bestDistance = INFINITY;
    double bestArea = INFINITY;
    for (const ObjectDescription& d : DescribeObjects(history, types)) {
        const ObjectShape shape = ShapeOfObject(history, types, d.firstPoint);
        const std::vector<WorldPoint>& points = shape.points;
        if (points.empty()) continue;
        double distance = INFINITY;
        double area = INFINITY;
        const bool joined = shape.dataType == kLine || shape.dataType == kPolygon ||
                            shape.dataType == kTwoPointLine;
        if (joined && points.size() >= 2) {
            for (std::size_t i = 0; i + 1 < points.size(); ++i) {
                distance = std::min(distance, SegmentDistance(p, points[i], points[i + 1]));
            }
            if (shape.dataType == kPolygon && points.size() >= 3) {
                distance = std::min(distance, SegmentDistance(p, points.back(), points.front()));
                area = TwiceArea(points);
                if (Inside(p, points)) distance = 0.0;
            }
        } else {
            for (const WorldPoint& q : points) {
                distance = std::min(distance, std::hypot(p.x - q.x, p.y - q.y));
            }
        }
        if (distance > tolerance) continue;
        if (distance < bestDistance || (distance == bestDistance && area < bestArea)) {
            best = d.firstPoint;
            bestDistance = distance;
            bestArea = area;
        }
    }
    return best;
}

namespace {

constexpr std::array<std::string_view, 47> kColumns = {
    "type",        "type_name",    "data_type",     "object",
    "value",       "unit",         "excluded",      "length_unit",
    "points",      "area",         "perimeter",     "feret",
    "feret_angle", "min_feret",    "circularity",   "major",
    "minor",       "aspect_ratio", "ellipse_angle", "convex_area",
    "solidity",    "centroid_x",   "centroid_y",    "bx",
    "by",          "width",        "height",        "length",
    "angle",       "label",        "pixels",        "grey_mean",
    "grey_sd",     "grey_min",     "grey_max",      "red_mean",
    "red_sd",      "red_min",      "red_max",       "green_mean",
    "green_sd",    "green_min",    "green_max",     "blue_mean",
    "blue_sd",     "blue_min",     "blue_max",
};

ObjectTableCell Number(double value) {
    ObjectTableCell cell;
    cell.number = value;
    return cell;
}

ObjectTableCell Text(std::string text) {
    ObjectTableCell cell;
    cell.kind = ObjectTableCell::kText;
    cell.text = std::move(text);
    return cell;
}

void AddChannel(std::vector<ObjectTableCell>& row, const ChannelStatistics& s) {
    for (const double v : {s.mean, s.sd, s.min, s.max}) row.push_back(Number(v));
}

}  // namespace

std::span<const std::string_view> ObjectTableColumns() {
    return kColumns;
}

std::vector<ObjectTableCell> ObjectTableRow(const ObjectDescription& d,
                                            const ObjectTypeTable& types, int language,
                                            int32_t tableUnit) {
    const auto length = [&](double v) { return Number(UnitDivisor(v, kTwoPointLine, tableUnit)); };
    const auto area = [&](double v) { return Number(UnitDivisor(v, kPolygon, tableUnit)); };
    const PolygonDescriptors& s = d.shape;
    std::string unit(UnitName(d.dataType, tableUnit));
    // Areas are in the square of the length unit.
    if (d.dataType == kPolygon) unit += '\xB2';

    std::vector<ObjectTableCell> row;
    row.reserve(kColumns.size());
    row.push_back(Number(d.type));
    row.push_back(Text(types.At(d.type).Name(language)));
    row.push_back(Text(std::string(DataTypeName(d.dataType, language))));
    row.push_back(Number(d.object));
    row.push_back(Number(UnitDivisor(d.value, d.dataType, tableUnit)));
    row.push_back(Text(YieldsValues(d.dataType) ? unit : std::string()));
    ObjectTableCell excluded;
    excluded.kind = ObjectTableCell::kLogical;
    excluded.flag = d.excluded;
    row.push_back(excluded);
    row.push_back(Text(std::string(UnitName(kTwoPointLine, tableUnit))));
    row.push_back(Number(d.points));
    row.push_back(area(s.area));
    row.push_back(length(s.perimeter));
    row.push_back(length(s.feret));
    row.push_back(Number(s.feretAngle));
    row.push_back(length(s.minFeret));
    row.push_back(Number(s.circularity));
    row.push_back(length(s.major));
    row.push_back(length(s.minor));
    row.push_back(Number(s.aspectRatio));
    row.push_back(Number(s.ellipseAngle));
    row.push_back(area(s.convexArea));
    row.push_back(Number(s.solidity));
    row.push_back(length(s.centroidX));
    row.push_back(length(s.centroidY));
    row.push_back(length(s.boundsX));
    row.push_back(length(s.boundsY));
    row.push_back(length(s.boundsWidth));
    row.push_back(length(s.boundsHeight));
    row.push_back(length(d.length));
    row.push_back(Number(d.angle));
    row.push_back(Text(d.dataType == kText ? d.label : std::string()));
    row.push_back(Number(d.hasPixels ? static_cast<double>(d.pixels.grey.count) : kNoDescriptor));
    const PixelStatistics none;
    const PixelStatistics& p = d.hasPixels ? d.pixels : none;
    AddChannel(row, p.grey);
    for (const ChannelStatistics& c : p.colour) AddChannel(row, c);
    return row;
}

}  // namespace kvx
