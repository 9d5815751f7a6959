#include "core/detect/shape_descriptors.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kvx {

namespace {

double Cross(const WorldPoint& o, const WorldPoint& a, const WorldPoint& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double Distance(const WorldPoint& a, const WorldPoint& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Degrees folded into 0 <= angle < 180: an axis has no direction.
double AxisAngle(double degrees) {
    double a = std::fmod(degrees, 180.0);
    if (a < 0.0) a += 180.0;
    if (a >= 180.0) a -= 180.0;
    return a;
}

double Degrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

// The vertices without a closing copy of the first one.
std::span<const WorldPoint> OpenOutline(std::span<const WorldPoint> vertices) {
    if (vertices.size() > 1 && vertices.front().x == vertices.back().x &&
        vertices.front().y == vertices.back().y) {
        return vertices.first(vertices.size() - 1);
    }
    return vertices;
}

double SignedArea(std::span<const WorldPoint> ring) {
    double sum = 0.0;
    const WorldPoint& o = ring.front();
    for (std::size_t i = 1; i + 1 < ring.size(); ++i) sum += Cross(o, ring[i], ring[i + 1]);
    return sum / 2.0;
}

struct Calipers {
    double longest = 0.0;
    WorldPoint from, to;
    double narrowest = 0.0;
};

// Rotating calipers over a hull of three or more vertices: every edge with
// the vertex farthest from it gives a caliper width, and the vertex pairs
// met on the way include the farthest pair.
Calipers MeasureCalipers(const std::vector<WorldPoint>& hull) {
    Calipers c;
    const std::size_t n = hull.size();
    c.narrowest = std::numeric_limits<double>::infinity();
    std::size_t j = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const WorldPoint& a = hull[i];
        const WorldPoint& b = hull[(i + 1) % n];
        while (Cross(a, b, hull[(j + 1) % n]) > Cross(a, b, hull[j])) j = (j + 1) % n;
        const double edge = Distance(a, b);
        if (edge > 0.0) c.narrowest = std::min(c.narrowest, Cross(a, b, hull[j]) / edge);
        for (const WorldPoint* p : {&a, &b}) {
            const double d = Distance(*p, hull[j]);
            if (d > c.longest) {
                c.longest = d;
                c.from = *p;
                c.to = hull[j];
            }
        }
    }
    return c;
}

}  // namespace

std::vector<WorldPoint> ConvexHull(std::span<const WorldPoint> points) {
    std::vector<WorldPoint> sorted(points.begin(), points.end());
    std::sort(sorted.begin(), sorted.end(), [](const WorldPoint& a, const WorldPoint& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    sorted.erase(std::unique(sorted.begin(), sorted.end(),
                             [](const WorldPoint& a, const WorldPoint& b) {
                                 return a.x == b.x && a.y == b.y;
                             }),
                 sorted.end());
    if (sorted.size() < 3) return sorted;
    std::vector<WorldPoint> hull(2 * sorted.size());
    std::size_t k = 0;
    for (const WorldPoint& p : sorted) {
        while (k >= 2 && Cross(hull[k - 2], hull[k - 1], p) <= 0.0) --k;
        hull[k++] = p;
    }
    const std::size_t lower = k + 1;
    for (std::size_t i = sorted.size() - 1; i-- > 0;) {
        while (k >= lower && Cross(hull[k - 2], hull[k - 1], sorted[i]) <= 0.0) --k;
        hull[k++] = sorted[i];
    }
    hull.resize(k - 1);
    return hull;
}

double PolylineLength(std::span<const WorldPoint> points) {
    double length = 0.0;
    for (std::size_t i = 1; i < points.size(); ++i) length += Distance(points[i - 1], points[i]);
    return length;
}

double LineAngle(const WorldPoint& a, const WorldPoint& b) {
    if (a.x == b.x && a.y == b.y) return 0.0;
    // World y runs downwards; the angle is the one a person sees.
    const double angle = Degrees(std::atan2(a.y - b.y, b.x - a.x));
    return angle <= -180.0 ? 180.0 : angle;
}

WorldPoint MeanPoint(std::span<const WorldPoint> points) {
    if (points.empty()) return {kNoDescriptor, kNoDescriptor};
    double sx = 0.0;
    double sy = 0.0;
    for (const WorldPoint& p : points) {
        sx += p.x;
        sy += p.y;
    }
    const auto n = static_cast<double>(points.size());
    return {sx / n, sy / n};
}

PolygonDescriptors DescribePolygon(std::span<const WorldPoint> vertices) {
    PolygonDescriptors d;
    const std::span<const WorldPoint> ring = OpenOutline(vertices);
    if (ring.empty()) return d;

    double left = ring.front().x, right = left, top = ring.front().y, bottom = top;
    for (const WorldPoint& p : ring) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    d.boundsX = left;
    d.boundsY = top;
    d.boundsWidth = right - left;
    d.boundsHeight = bottom - top;
    d.perimeter = PolylineLength(ring) + Distance(ring.back(), ring.front());

    const std::vector<WorldPoint> hull = ConvexHull(ring);
    if (hull.size() < 3) {
        // Collinear points: the calipers close to nothing across the line.
        d.feret = hull.size() == 2 ? Distance(hull[0], hull[1]) : 0.0;
        d.feretAngle = hull.size() == 2 ? AxisAngle(LineAngle(hull[0], hull[1])) : 0.0;
        d.minFeret = 0.0;
        return d;
    }
    const Calipers calipers = MeasureCalipers(hull);
    d.feret = calipers.longest;
    d.feretAngle = AxisAngle(LineAngle(calipers.from, calipers.to));
    d.minFeret = calipers.narrowest;
    d.convexArea = std::fabs(SignedArea(hull));

    // Moments of area by Green's theorem, about the first vertex so that
    // outlines far from the origin keep their digits.
    const WorldPoint o = ring.front();
    double a2 = 0.0, cx6 = 0.0, cy6 = 0.0, xx12 = 0.0, yy12 = 0.0, xy24 = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const WorldPoint& p = ring[i];
        const WorldPoint& q = ring[(i + 1) % ring.size()];
        const double x0 = p.x - o.x, y0 = p.y - o.y, x1 = q.x - o.x, y1 = q.y - o.y;
        const double c = x0 * y1 - x1 * y0;
        a2 += c;
        cx6 += (x0 + x1) * c;
        cy6 += (y0 + y1) * c;
        xx12 += (x0 * x0 + x0 * x1 + x1 * x1) * c;
        yy12 += (y0 * y0 + y0 * y1 + y1 * y1) * c;
        xy24 += (x0 * y1 + 2.0 * x0 * y0 + 2.0 * x1 * y1 + x1 * y0) * c;
    }
    const double signedArea = a2 / 2.0;
    d.area = std::fabs(signedArea);
    if (d.area == 0.0) return d;
    d.solidity = d.area / d.convexArea;
    d.circularity = std::min(1.0, 4.0 * std::numbers::pi * d.area / (d.perimeter * d.perimeter));
    const double mx = cx6 / (6.0 * signedArea);
    const double my = cy6 / (6.0 * signedArea);
    d.centroidX = o.x + mx;
    d.centroidY = o.y + my;

    const double mu20 = xx12 / (12.0 * signedArea) - mx * mx;
    const double mu02 = yy12 / (12.0 * signedArea) - my * my;
    const double mu11 = xy24 / (24.0 * signedArea) - mx * my;
    const double half = (mu20 - mu02) / 2.0;
    const double spread = std::hypot(half, mu11);
    const double mean = (mu20 + mu02) / 2.0;
    const double l1 = mean + spread;
    const double l2 = mean - spread;
    if (l2 > 0.0) {
        d.aspectRatio = std::sqrt(l1 / l2);
        d.major = std::sqrt(4.0 * d.area / std::numbers::pi * d.aspectRatio);
        d.minor = 4.0 * d.area / (std::numbers::pi * d.major);
        // The major axis as stored (y down), seen with y up.
        d.ellipseAngle = spread == 0.0 ? 0.0 : AxisAngle(-Degrees(std::atan2(mu11, half)) / 2.0);
    }
    return d;
}

}  // namespace kvx
