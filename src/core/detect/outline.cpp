#include "core/detect/outline.hpp"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace kvx {

namespace {

// Headings: east, south, west, north (y grows downwards).
constexpr int32_t kStepX[4] = {1, 0, -1, 0};
constexpr int32_t kStepY[4] = {0, 1, 0, -1};

// The pixels ahead of a corner for each heading, left and right of the edge
// that continues straight on, as offsets from the corner.
constexpr int32_t kLeftX[4] = {0, 0, -1, -1};
constexpr int32_t kLeftY[4] = {-1, 0, 0, -1};
constexpr int32_t kRightX[4] = {0, -1, -1, 0};
constexpr int32_t kRightY[4] = {0, 0, -1, -1};

double SegmentDistanceSquared(const OutlinePoint& p, const OutlinePoint& a, const OutlinePoint& b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double px = p.x - a.x;
    const double py = p.y - a.y;
    const double length = dx * dx + dy * dy;
    if (length == 0.0) return px * px + py * py;
    double t = (px * dx + py * dy) / length;
    t = t < 0.0 ? 0.0 : t > 1.0 ? 1.0 : t;
    const double ex = px - t * dx;
    const double ey = py - t * dy;
    return ex * ex + ey * ey;
}

// Marks the points of the chain first .. last (indexes modulo n) that must
// stay for no left-out point to lie farther than the tolerance from the
// line replacing it.
void KeepChain(const std::vector<OutlinePoint>& points, std::size_t first, std::size_t last,
               double toleranceSquared, std::vector<bool>& keep) {
    const std::size_t n = points.size();
    std::vector<std::pair<std::size_t, std::size_t>> todo{{first, last}};
    while (!todo.empty()) {
        const auto [a, b] = todo.back();
        todo.pop_back();
        const std::size_t span = (b + n - a) % n;
        if (span < 2) continue;
        double farthest = -1.0;
        std::size_t at = a;
        for (std::size_t k = 1; k < span; ++k) {
            const std::size_t i = (a + k) % n;
            const double d = SegmentDistanceSquared(points[i], points[a], points[b]);
            if (d > farthest) {
                farthest = d;
                at = i;
            }
        }
        if (farthest > toleranceSquared) {
            keep[at] = true;
            todo.emplace_back(a, at);
            todo.emplace_back(at, b);
        }
    }
}

std::vector<OutlinePoint> Simplified(const std::vector<OutlinePoint>& points, double tolerance) {
    const std::size_t n = points.size();
    if (n <= 4) return points;
    // The point farthest from the first splits the closed outline into two chains.
    std::size_t far = 0;
    double best = -1.0;
    for (std::size_t i = 1; i < n; ++i) {
        const double dx = points[i].x - points[0].x;
        const double dy = points[i].y - points[0].y;
        if (dx * dx + dy * dy > best) {
            best = dx * dx + dy * dy;
            far = i;
        }
    }
    std::vector<bool> keep(n, false);
    keep[0] = true;
    keep[far] = true;
    const double t2 = tolerance * tolerance;
    KeepChain(points, 0, far, t2, keep);
    KeepChain(points, far, 0, t2, keep);
    std::vector<OutlinePoint> out;
    for (std::size_t i = 0; i < n; ++i) {
        if (keep[i]) out.push_back(points[i]);
    }
    if (out.size() < 3) return points;
    return out;
}

std::vector<OutlinePoint> PointsOf(const std::vector<PixelCorner>& outline, bool middles) {
    std::vector<OutlinePoint> points;
    points.reserve(outline.size() * (middles ? 2 : 1));
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const PixelCorner& a = outline[i];
        const PixelCorner& b = outline[(i + 1) % outline.size()];
        points.push_back({static_cast<double>(a.x), static_cast<double>(a.y)});
        if (middles) points.push_back({(a.x + b.x) / 2.0, (a.y + b.y) / 2.0});
    }
    return points;
}

}  // namespace

std::vector<PixelCorner> TraceOutline(const RegionMask& mask, int32_t x, int32_t y) {
    std::vector<PixelCorner> corners;
    const PixelCorner start{x, y};
    PixelCorner c = start;
    int heading = 3;  // as if it came up the left edge of the first pixel
    do {
        const bool left = mask.Inside(c.x + kLeftX[heading], c.y + kLeftY[heading]);
        const bool right = mask.Inside(c.x + kRightX[heading], c.y + kRightY[heading]);
        // A pixel ahead on the left belongs to the region even when it only
        // touches a corner, so the outline turns towards it first.
        const int next = left ? (heading + 3) % 4 : right ? heading : (heading + 1) % 4;
        if (next != heading) corners.push_back({c.x + mask.left - 1, c.y + mask.top - 1});
        heading = next;
        c.x += kStepX[heading];
        c.y += kStepY[heading];
    } while (!(c == start && heading == 3));
    return corners;
}

double TracedPerimeter(const std::vector<PixelCorner>& outline) {
    const std::size_t n = outline.size();
    if (n < 4) return 0.0;
    int64_t sum = 0;
    int64_t corners = 0;
    int64_t previousSide = std::llabs(int64_t{outline[0].x} - outline[n - 1].x) +
                           std::llabs(int64_t{outline[0].y} - outline[n - 1].y);
    bool corner = false;
    for (std::size_t i = 0; i < n; ++i) {
        const PixelCorner& a = outline[i];
        const PixelCorner& b = outline[(i + 1) % n];
        const int64_t side = std::llabs(int64_t{b.x} - a.x) + std::llabs(int64_t{b.y} - a.y);
        sum += side;
        // Of the corners of a staircase of single steps every other one is
        // cut; a longer side before a corner always makes it one.
        if (previousSide > 1 || !corner) {
            corner = true;
            ++corners;
        } else {
            corner = false;
        }
        previousSide = side;
    }
    return static_cast<double>(sum) - static_cast<double>(corners) * (2.0 - std::sqrt(2.0));
}

int64_t TwiceArea(const std::vector<PixelCorner>& outline) {
    int64_t sum = 0;
    const std::size_t n = outline.size();
    for (std::size_t i = 0; i < n; ++i) {
        const PixelCorner& a = outline[i];
        const PixelCorner& b = outline[(i + 1) % n];
        sum += int64_t{a.x} * b.y - int64_t{b.x} * a.y;
    }
    return sum;
}

double TwiceArea(const std::vector<OutlinePoint>& outline) {
    double sum = 0.0;
    const std::size_t n = outline.size();
    for (std::size_t i = 0; i < n; ++i) {
        const OutlinePoint& a = outline[i];
        const OutlinePoint& b = outline[(i + 1) % n];
        sum += a.x * b.y - b.x * a.y;
    }
    return sum;
}

std::vector<OutlinePoint> SimplifyOutline(const std::vector<PixelCorner>& outline,
                                          double tolerance) {
    const auto exact = static_cast<double>(std::llabs(TwiceArea(outline)));
    const std::vector<OutlinePoint> points = PointsOf(outline, true);
    for (double t = tolerance; t >= 0.125; t /= 2.0) {
        std::vector<OutlinePoint> out = Simplified(points, t);
        // Twice the areas: a change of 1 % of a region of 100 pixels or more.
        if (exact < 200.0 || std::fabs(std::fabs(TwiceArea(out)) - exact) * 100.0 <= exact) {
            return out;
        }
    }
    return PointsOf(outline, false);
}

}  // namespace kvx
