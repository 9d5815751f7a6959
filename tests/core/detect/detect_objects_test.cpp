#include "core/detect/detect_objects.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kvx {
namespace {

constexpr uint16_t kBackground = 200;
constexpr uint16_t kObject = 40;

/// A plane of background with shapes painted on it; each shape's pixels
/// are counted as they are painted.
class Canvas {
public:
    Canvas(int32_t width, int32_t height, int32_t levels = 256, uint16_t background = kBackground) {
        plane.width = width;
        plane.height = height;
        plane.levels = levels;
        plane.values.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                            background);
    }

    uint16_t& At(int32_t x, int32_t y) {
        return plane.values[static_cast<std::size_t>(y) * static_cast<std::size_t>(plane.width) +
                            static_cast<std::size_t>(x)];
    }

    /// An ellipse with the given centre and half axes, pixel centres inside.
    int64_t Ellipse(double cx, double cy, double rx, double ry, uint16_t value = kObject) {
        int64_t n = 0;
        for (int32_t y = 0; y < plane.height; ++y) {
            for (int32_t x = 0; x < plane.width; ++x) {
                const double dx = (x + 0.5 - cx) / rx;
                const double dy = (y + 0.5 - cy) / ry;
                if (dx * dx + dy * dy <= 1.0) {
                    if (At(x, y) != value) ++n;
                    At(x, y) = value;
                }
            }
        }
        return n;
    }
    int64_t Disc(double cx, double cy, double r, uint16_t value = kObject) {
        return Ellipse(cx, cy, r, r, value);
    }
    void Box(int32_t left, int32_t top, int32_t width, int32_t height, uint16_t value = kObject) {
        for (int32_t y = top; y < top + height; ++y) {
            for (int32_t x = left; x < left + width; ++x) At(x, y) = value;
        }
    }

    DetectResult Detect(const DetectSettings& settings = {}) const {
        DetectResult result;
        EXPECT_TRUE(DetectObjects(plane, settings, result));
        return result;
    }

    SamplePlane plane;
};

double Area(const std::vector<OutlinePoint>& outline) {
    return std::fabs(TwiceArea(outline)) / 2.0;
}
double Area(const std::vector<PixelCorner>& outline) {
    return std::fabs(static_cast<double>(TwiceArea(outline))) / 2.0;
}

/// How far the outline's area is from a pixel count, as a share of it.
double AreaOff(const std::vector<OutlinePoint>& outline, int64_t pixels) {
    const auto n = static_cast<double>(pixels);
    return std::fabs(Area(outline) - n) / n;
}

double DistanceToOutline(double px, double py, const std::vector<OutlinePoint>& outline) {
    double best = 1e300;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const OutlinePoint& a = outline[i];
        const OutlinePoint& b = outline[(i + 1) % outline.size()];
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double l = dx * dx + dy * dy;
        double t = l > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / l : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(px - a.x - t * dx, py - a.y - t * dy));
    }
    return best;
}

TEST(DetectObjectsTest, DiscsAndEllipsesOfKnownSize) {
    Canvas canvas(300, 200);
    struct Shape {
        double cx, cy, rx, ry;
        int64_t pixels = 0;
    };
    std::vector<Shape> shapes = {{30, 30, 5.6, 5.6},  {90, 30, 12, 12}, {170, 40, 25, 25},
                                 {250, 40, 30, 14},   {60, 120, 9, 20}, {150, 140, 40, 40},
                                 {250, 150, 3.2, 3.2}};
    for (Shape& s : shapes) s.pixels = canvas.Ellipse(s.cx, s.cy, s.rx, s.ry);
    const DetectResult result = canvas.Detect();
    EXPECT_GT(result.level, kObject);
    EXPECT_LT(result.level, kBackground);
    ASSERT_EQ(result.objects.size(), shapes.size());
    for (const Shape& s : shapes) {
        SCOPED_TRACE(testing::Message() << "shape at " << s.cx << ", " << s.cy);
        const auto it = std::find_if(
            result.objects.begin(), result.objects.end(), [&](const DetectedObject& o) {
                return std::hypot(o.centroidX - s.cx, o.centroidY - s.cy) < 1.0;
            });
        ASSERT_NE(it, result.objects.end());
        EXPECT_EQ(it->pixels, s.pixels);
        EXPECT_NEAR(it->centroidX, s.cx, 0.05);
        EXPECT_NEAR(it->centroidY, s.cy, 0.05);
        // The simplified outline keeps the area of 100 pixels and more within 1 %.
        if (s.pixels >= 100) {
            EXPECT_LE(AreaOff(it->outline, s.pixels), 0.01);
        }
        EXPECT_LT(it->outline.size(), 4 * static_cast<std::size_t>(s.rx + s.ry) + 8);
        if (s.rx == s.ry && s.rx >= 10) {
            EXPECT_GT(it->circularity, 0.85);
        }
    }
}

// Every corner of the outline along the pixel edges lies within half a
// pixel of the simplified one.
TEST(DetectObjectsTest, SimplifiedOutlinesStayWithinHalfAPixel) {
    Canvas canvas(120, 120);
    canvas.Ellipse(60, 60, 41.3, 23.7);
    const DetectResult result = canvas.Detect();
    ASSERT_EQ(result.objects.size(), 1u);
    std::vector<uint8_t> mask(122 * 122, 0);
    for (int32_t y = 0; y < 120; ++y) {
        for (int32_t x = 0; x < 120; ++x) {
            mask[static_cast<std::size_t>(y + 1) * 122 + static_cast<std::size_t>(x + 1)] =
                canvas.At(x, y) == kObject ? 1 : 0;
        }
    }
    const RegionMask region{mask.data(), 122, 122, 122, 0, 0};
    int32_t fx = 0;
    int32_t fy = 0;
    for (int32_t i = 0; i < 122 * 122; ++i) {
        if (mask[static_cast<std::size_t>(i)] != 0) {
            fx = i % 122;
            fy = i / 122;
            break;
        }
    }
    const std::vector<PixelCorner> traced = TraceOutline(region, fx, fy);
    EXPECT_EQ(Area(traced), static_cast<double>(result.objects[0].pixels));
    EXPECT_LT(result.objects[0].outline.size(), traced.size());
    for (const PixelCorner& c : traced) {
        EXPECT_LE(DistanceToOutline(c.x, c.y, result.objects[0].outline), 0.5 + 1e-9);
    }
}

TEST(DetectObjectsTest, OutlinesFollowPixelEdges) {
    // A pixel pair and an L: corners exactly where the edges turn.
    std::vector<uint8_t> m = {0, 0, 0, 0, 0,  //
                              0, 1, 1, 0, 0,  //
                              0, 1, 0, 0, 0,  //
                              0, 0, 1, 0, 0,  //
                              0, 0, 0, 0, 0};
    const RegionMask mask{m.data(), 5, 5, 5, 10, 20};
    const std::vector<PixelCorner> outline = TraceOutline(mask, 1, 1);
    // The lone pixel touching at a corner belongs to the same region.
    EXPECT_EQ(TwiceArea(outline), 2 * 4);
    EXPECT_EQ(outline.front(), (PixelCorner{10, 20}));
    EXPECT_EQ(outline[1], (PixelCorner{12, 20}));
    // A single pixel: four sides, two corners cut.
    const std::vector<PixelCorner> square = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    EXPECT_NEAR(TracedPerimeter(square), 4 - 2 * (2 - std::sqrt(2.0)), 1e-12);
    const std::vector<PixelCorner> box = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    EXPECT_NEAR(TracedPerimeter(box), 8 - 4 * (2 - std::sqrt(2.0)), 1e-12);
}

TEST(DetectObjectsTest, RandomBlobsKeepTheirPixelCount) {
    std::mt19937 random(7);
    Canvas canvas(160, 160);
    for (int32_t y = 0; y < 160; ++y) {
        for (int32_t x = 0; x < 160; ++x) {
            if (random() % 100 < 45) canvas.At(x, y) = kObject;
        }
    }
    DetectSettings settings;
    settings.method = ThresholdMethod::kValue;
    settings.level = 100;
    const DetectResult result = canvas.Detect(settings);
    ASSERT_FALSE(result.objects.empty());
    int64_t total = 0;
    for (const DetectedObject& o : result.objects) {
        total += o.pixels;
        if (o.pixels >= 100) {
            EXPECT_LE(AreaOff(o.outline, o.pixels), 0.01);
        }
        EXPECT_GE(o.outline.size(), 3u);
    }
    // Filled holes only add pixels: at least every object pixel is counted once.
    int64_t painted = 0;
    for (uint16_t v : canvas.plane.values) painted += v == kObject ? 1 : 0;
    EXPECT_GE(total, painted);
    EXPECT_LE(total, 160 * 160);
}

TEST(DetectObjectsTest, HolesAreFilledAndIslandsInThemJoinTheObject) {
    Canvas canvas(100, 100);
    const int64_t outer = canvas.Disc(50, 50, 30);
    canvas.Disc(50, 50, 18, kBackground);
    canvas.Disc(50, 50, 6);  // an island in the hole
    canvas.Disc(90, 90, 5);  // and an object of its own outside
    const DetectResult result = canvas.Detect();
    ASSERT_EQ(result.objects.size(), 2u);
    EXPECT_EQ(result.objects[0].pixels, outer);
    EXPECT_LE(AreaOff(result.objects[0].outline, outer), 0.01);
    // The island stays part of the ring when the ring is filtered out.
    DetectSettings small;
    small.maxArea = 500;
    const DetectResult smalls = canvas.Detect(small);
    ASSERT_EQ(smalls.objects.size(), 1u);
    EXPECT_GT(smalls.objects[0].centroidX, 80.0);
}

TEST(DetectObjectsTest, TouchingDiscsArePartedOnlyWhenAsked) {
    Canvas canvas(160, 100);
    const int64_t left = canvas.Disc(50, 50, 20);
    const int64_t right = canvas.Disc(85, 50, 20);  // overlapping by 5 pixels
    canvas.Disc(130, 50, 12);                       // a single disc is not cut
    EXPECT_EQ(canvas.Detect().objects.size(), 2u);

    DetectSettings split;
    split.split = true;
    const DetectResult result = canvas.Detect(split);
    ASSERT_EQ(result.objects.size(), 3u);
    const DetectedObject& a = result.objects[0].centroidX < result.objects[1].centroidX
                                  ? result.objects[0]
                                  : result.objects[1];
    const DetectedObject& b = &a == &result.objects[0] ? result.objects[1] : result.objects[0];
    EXPECT_NEAR(a.centroidX, 49.0, 1.5);
    EXPECT_NEAR(b.centroidX, 86.0, 1.5);
    // Parted along the narrowing: together they lose at most the dividing line.
    EXPECT_LE(std::abs(a.pixels - b.pixels), a.pixels / 50);
    EXPECT_LE(a.bounds.left + a.bounds.width, b.bounds.left + 1);
    const int64_t joined = canvas.Detect().objects[0].pixels;
    EXPECT_EQ(joined, left + right);
    EXPECT_GE(a.pixels + b.pixels, joined - 45);
    EXPECT_LT(a.pixels + b.pixels, joined);
}

TEST(DetectObjectsTest, EdgeSizeAndShapeFilters) {
    Canvas canvas(200, 100);
    canvas.Disc(5, 50, 15);  // cut by the left edge
    const int64_t middle = canvas.Disc(60, 50, 15);
    canvas.Disc(110, 50, 5);     // small
    canvas.Box(140, 20, 50, 4);  // long and thin
    DetectSettings all;
    EXPECT_EQ(canvas.Detect(all).objects.size(), 4u);

    DetectSettings edges;
    edges.excludeEdges = true;
    EXPECT_EQ(canvas.Detect(edges).objects.size(), 3u);

    DetectSettings size;
    size.minArea = 150;
    size.maxArea = static_cast<double>(middle);
    const DetectResult sized = canvas.Detect(size);
    for (const DetectedObject& o : sized.objects) {
        EXPECT_GE(o.pixels, 150);
        EXPECT_LE(o.pixels, middle);
    }
    EXPECT_EQ(sized.objects.size(), 3u);  // the cut disc, the middle one and the bar

    DetectSettings round;
    round.minCircularity = 0.6;
    const DetectResult rounds = canvas.Detect(round);
    EXPECT_EQ(rounds.objects.size(), 3u);
    for (const DetectedObject& o : rounds.objects) EXPECT_GT(o.bounds.height, 4);

    // A region: only what lies in it, and its edges count as edges.
    DetectSettings part;
    part.region = {40, 0, 100, 100};
    part.excludeEdges = true;
    const DetectResult inside = canvas.Detect(part);
    ASSERT_EQ(inside.objects.size(), 2u);
    EXPECT_EQ(inside.region, (PixelRect{40, 0, 100, 100}));
    part.region = {70, 0, 100, 100};  // cuts the middle disc
    EXPECT_EQ(canvas.Detect(part).objects.size(), 1u);
}

TEST(DetectObjectsTest, LightObjectsAndSixteenBitValues) {
    Canvas light(80, 80, 256, 30);
    light.Disc(40, 40, 10, 220);
    DetectSettings settings;
    settings.darkObjects = false;
    ASSERT_EQ(light.Detect(settings).objects.size(), 1u);
    settings.darkObjects = true;  // the background is then the one object
    const DetectResult background = light.Detect(settings);
    ASSERT_EQ(background.objects.size(), 1u);
    EXPECT_EQ(background.objects[0].pixels, 80 * 80);  // its hole, the disc, filled

    // Sixteen bits apart by less than one 8-bit step.
    Canvas deep(80, 80, 65536, 30100);
    const int64_t pixels = deep.Disc(40, 40, 12, 30000);
    deep.Disc(10, 10, 3, 30050);
    const DetectResult result = deep.Detect();
    EXPECT_GE(result.level, 30000);
    EXPECT_LT(result.level, 30100);
    ASSERT_FALSE(result.objects.empty());
    EXPECT_EQ(result.objects.back().pixels, pixels);
}

TEST(DetectObjectsTest, EmptyPlanesAndRegionsFindNothing) {
    const SamplePlane empty;
    DetectResult result;
    EXPECT_TRUE(DetectObjects(empty, {}, result));
    EXPECT_TRUE(result.objects.empty());
    Canvas canvas(20, 20);
    canvas.Disc(10, 10, 4);
    DetectSettings outside;
    outside.region = {40, 40, 10, 10};
    EXPECT_TRUE(canvas.Detect(outside).objects.empty());
}

}  // namespace
}  // namespace kvx
