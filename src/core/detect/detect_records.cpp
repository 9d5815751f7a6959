#include "core/detect/detect_records.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/program/object_type.hpp"

namespace kvx {

namespace {

double Micrometres(double pixels, int32_t resolutionDpi) {
    return std::nearbyint(pixels * 25400.0 / resolutionDpi);
}

MeasuredObject Point(double x, double y, int32_t typeIndex, int32_t kind) {
    MeasuredObject p;
    p.x = x;
    p.y = y;
    p.typeIndex = typeIndex;
    p.vertexKind = kind;
    return p;
}

}  // namespace

int32_t DetectionRecords::ObjectsFitting(int64_t freeRecords) const {
    int32_t n = 0;
    for (const std::size_t end : ends) {
        if (static_cast<int64_t>(end) > freeRecords) break;
        ++n;
    }
    // A Count object of several points needs its closing copy besides.
    if (dataType == kCount && n > 1 && n < static_cast<int32_t>(ends.size())) {
        n = static_cast<int64_t>(ends[static_cast<std::size_t>(n - 1)]) + 1 <= freeRecords ? n
                                                                                           : n - 1;
    }
    return n;
}

DetectionRecords RecordsForDetection(const std::vector<DetectedObject>& objects, int32_t typeIndex,
                                     int dataType, int32_t resolutionDpi) {
    DetectionRecords out;
    out.dataType = dataType;
    if (resolutionDpi <= 0) return out;
    if (dataType == kPolygon) {
        for (const DetectedObject& object : objects) {
            std::vector<MeasuredObject> polygon;
            for (const OutlinePoint& v : object.outline) {
                const double x = Micrometres(v.x, resolutionDpi);
                const double y = Micrometres(v.y, resolutionDpi);
                // Below a micrometre per pixel neighbours can round together.
                if (!polygon.empty() && polygon.back().x == x && polygon.back().y == y) continue;
                polygon.push_back(Point(x, y, typeIndex, polygon.empty() ? 1 : 2));
            }
            while (polygon.size() > 1 && polygon.back().x == polygon.front().x &&
                   polygon.back().y == polygon.front().y) {
                polygon.pop_back();
            }
            if (polygon.size() < 3) continue;
            MeasuredObject closing = polygon.front();
            closing.vertexKind = 2;
            polygon.push_back(closing);
            out.records.insert(out.records.end(), polygon.begin(), polygon.end());
            out.ends.push_back(out.records.size());
        }
    } else if (dataType == kCount) {
        for (const DetectedObject& object : objects) {
            out.records.push_back(Point(Micrometres(object.centroidX, resolutionDpi),
                                        Micrometres(object.centroidY, resolutionDpi), typeIndex,
                                        out.records.empty() ? 1 : 2));
            out.ends.push_back(out.records.size());
        }
        // The closing copy of the first point makes the value the number of points.
        if (out.records.size() > 1) {
            MeasuredObject closing = out.records.front();
            closing.vertexKind = 2;
            out.records.push_back(closing);
            out.ends.back() = out.records.size();
        }
    }
    return out;
}

double ObjectAreaMicrometres(const DetectedObject& object, int32_t resolutionDpi) {
    if (resolutionDpi <= 0) return 0.0;
    const double side = 25400.0 / resolutionDpi;
    return static_cast<double>(object.pixels) * side * side;
}

PixelRect PixelsOfWorldRect(const WorldRect& rect, int32_t resolutionDpi) {
    if (resolutionDpi <= 0 || rect.right <= rect.left || rect.bottom <= rect.top) return {};
    const double perPixel = 25400.0 / resolutionDpi;
    const auto pixel = [&](int64_t world, bool up) {
        const double p = static_cast<double>(world) / perPixel;
        const double edge = up ? std::ceil(p) : std::floor(p);
        return static_cast<int64_t>(std::clamp(edge, -2.0e9, 2.0e9));
    };
    const int64_t left = pixel(rect.left, false);
    const int64_t top = pixel(rect.top, false);
    const int64_t right = pixel(rect.right, true);
    const int64_t bottom = pixel(rect.bottom, true);
    if (right - left > INT32_MAX || bottom - top > INT32_MAX) return {};
    return {static_cast<int32_t>(left), static_cast<int32_t>(top),
            static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
}

double SquarePixels(double squareMicrometres, int32_t resolutionDpi) {
    if (resolutionDpi <= 0) return squareMicrometres;
    const double side = 25400.0 / resolutionDpi;
    return squareMicrometres / (side * side);
}

}  // namespace kvx
