#include "core/detect/shape_descriptors.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/detect/pixel_statistics.hpp"
#include "core/detect/shape_table.hpp"
#include "core/export/object_table_text.hpp"
#include "core/measure/values.hpp"
#include "core/program/program.hpp"
#include "core/stats/collect_values.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kUnset = kNoDescriptor;

struct ShapeCase {
    const char* name;
    std::vector<WorldPoint> outline;
    double area, perimeter, feret;
    std::vector<double> feretAngles;  // either of equally long diameters; none: any
    double minFeret, circularity, aspectRatio, ellipseAngle, solidity;
    double centroidX, centroidY;
    double boundsX, boundsY, boundsWidth, boundsHeight;
};

std::vector<WorldPoint> Disc(int sides, double radius, double cx, double cy) {
    std::vector<WorldPoint> points;
    for (int k = 0; k < sides; ++k) {
        const double a = 2.0 * kPi * k / sides;
        points.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
    }
    return points;
}

// A 4000 x 1000 rectangle turned by 30 degrees counter-clockwise as seen
// (world y runs down) about its corner (10000, 10000).
std::vector<WorldPoint> TurnedRectangle() {
    const double c = std::cos(kPi / 6), s = std::sin(kPi / 6);
    std::vector<WorldPoint> points;
    for (const auto& [u, v] :
         {std::pair{0.0, 0.0}, {4000.0, 0.0}, {4000.0, 1000.0}, {0.0, 1000.0}}) {
        points.push_back({10000.0 + u * c + v * s, 10000.0 - u * s + v * c});
    }
    return points;
}

// Worked by hand: see each case's comment for the numbers that are not
// plain arithmetic on its sides.
const ShapeCase kShapes[] = {
    // 4000 x 1000: diagonal sqrt(17) * 1000 at atan(1/4); ellipse moments
    // w^2/12 and h^2/12, so major/minor = 4 along x.
    {"Rectangle",
     {{1000, 2000}, {5000, 2000}, {5000, 3000}, {1000, 3000}},
     4e6,
     10000,
     std::sqrt(17.0) * 1000,
     {14.036243467926479, 165.96375653207352},
     1000,
     4 * kPi * 4e6 / 1e8,
     4,
     0,
     1,
     3000,
     2500,
     1000,
     2000,
     4000,
     1000},
    {"TurnedRectangle",
     TurnedRectangle(),
     4e6,
     10000,
     std::sqrt(17.0) * 1000,
     {30 + 14.036243467926479, 30 - 14.036243467926479},
     1000,
     4 * kPi * 4e6 / 1e8,
     4,
     30,
     1,
     kUnset,
     kUnset,
     kUnset,
     kUnset,
     kUnset,
     kUnset},
    // A regular 360-gon of radius r = 10000: area 180 r^2 sin(1 degree),
    // perimeter 720 r sin(0.5 degree), narrowest across 2 r cos(0.5 degree).
    {"Disc",
     Disc(360, 10000, 50000, 40000),
     314143315.8711032,
     62831.05558829233,
     20000,
     {},
     19999.238461283425,
     0.9999746150861394,
     1,
     kUnset,
     1,
     50000,
     40000,
     40000,
     30000,
     20000,
     20000},
    // Two rectangles 3 x 1 and 1 x 2 (thousands): centroid (4.5 + 1) / 5;
    // hull area 7; narrowest across the cut corner 2 sqrt(2); the central
    // moments 217/300 on both axes and -108/300 across give major/minor
    // sqrt(325/109) along the diagonal that rises to the right.
    {"LShape",
     {{0, 0}, {3000, 0}, {3000, 1000}, {1000, 1000}, {1000, 3000}, {0, 3000}},
     5e6,
     12000,
     3000 * std::sqrt(2.0),
     {45},
     2000 * std::sqrt(2.0),
     4 * kPi * 5e6 / 144e6,
     1.7267458921760286,
     45,
     5.0 / 7.0,
     1100,
     1100,
     0,
     0,
     3000,
     3000},
    // Legs 4 and 3 (thousands): hypotenuse 5 rising at atan(3/4); narrowest
    // caliper the altitude 2 * 6 / 5; central moments a^2/18, b^2/18 and
    // -ab/36 give major/minor 1.87121 at 29.8718 degrees.
    {"Triangle",
     {{0, 0}, {4000, 0}, {0, 3000}},
     6e6,
     12000,
     5000,
     {36.86989764584402},
     2400,
     kPi / 6,
     1.8712135838959405,
     29.871781418235372,
     1,
     4000.0 / 3.0,
     1000,
     0,
     0,
     4000,
     3000},
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << c.name;
}

class ShapeDescriptorsTest : public ::testing::TestWithParam<ShapeCase> {};

void ExpectNearOrUnset(double actual, double expected, double tolerance, const char* what) {
    if (std::isnan(expected)) return;
    EXPECT_NEAR(actual, expected, tolerance) << what;
}

void ExpectShape(const PolygonDescriptors& d, const ShapeCase& c) {
    const double length = 1e-6 * c.feret;  // relative to the shape's size
    EXPECT_NEAR(d.area, c.area, 1e-9 * c.area);
    EXPECT_NEAR(d.perimeter, c.perimeter, length);
    EXPECT_NEAR(d.feret, c.feret, length);
    EXPECT_TRUE(c.feretAngles.empty() ||
                std::any_of(c.feretAngles.begin(), c.feretAngles.end(),
                            [&](double a) { return std::fabs(d.feretAngle - a) < 1e-6; }))
        << "feret angle " << d.feretAngle;
    EXPECT_NEAR(d.minFeret, c.minFeret, length);
    EXPECT_NEAR(d.circularity, c.circularity, 1e-9);
    EXPECT_LE(d.circularity, 1.0);
    EXPECT_NEAR(d.aspectRatio, c.aspectRatio, 1e-6);
    ExpectNearOrUnset(d.ellipseAngle, c.ellipseAngle, 1e-6, "ellipse angle");
    // The fitted ellipse has the outline's area.
    EXPECT_NEAR(kPi / 4 * d.major * d.minor, d.area, 1e-9 * d.area);
    EXPECT_NEAR(d.major / d.minor, d.aspectRatio, 1e-9);
    EXPECT_NEAR(d.solidity, c.solidity, 1e-9);
    ExpectNearOrUnset(d.centroidX, c.centroidX, length, "centroid x");
    ExpectNearOrUnset(d.centroidY, c.centroidY, length, "centroid y");
    ExpectNearOrUnset(d.boundsX, c.boundsX, length, "left");
    ExpectNearOrUnset(d.boundsY, c.boundsY, length, "top");
    ExpectNearOrUnset(d.boundsWidth, c.boundsWidth, length, "width");
    ExpectNearOrUnset(d.boundsHeight, c.boundsHeight, length, "height");
}

TEST_P(ShapeDescriptorsTest, WorkedNumbers) {
    ExpectShape(DescribePolygon(GetParam().outline), GetParam());
}

// Traced the other way round, closed with a copy of the first point and far
// out in the world square, a shape keeps its descriptors (moved by as much).
TEST_P(ShapeDescriptorsTest, DirectionClosingCopyAndPlaceDoNotMatter) {
    ShapeCase moved = GetParam();
    std::reverse(moved.outline.begin(), moved.outline.end());
    moved.outline.push_back(moved.outline.front());
    for (WorldPoint& p : moved.outline) {
        p.x += 900000.0;
        p.y += 700000.0;
    }
    for (double* v : {&moved.centroidX, &moved.boundsX}) *v += 900000.0;
    for (double* v : {&moved.centroidY, &moved.boundsY}) *v += 700000.0;
    ExpectShape(DescribePolygon(moved.outline), moved);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeDescriptorsTest, ::testing::ValuesIn(kShapes),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ShapeDescriptorsEdgeTest, DegenerateOutlinesDefineWhatTheyCan) {
    // Three points on a line: no area, so no ellipse, solidity or centroid;
    // the calipers still measure the line.
    const std::vector<WorldPoint> line = {{0, 0}, {3000, 4000}, {6000, 8000}};
    const PolygonDescriptors d = DescribePolygon(line);
    EXPECT_DOUBLE_EQ(d.feret, 10000);
    EXPECT_NEAR(d.feretAngle, 180 - 53.13010235415598, 1e-9);  // falls to the right as seen
    EXPECT_DOUBLE_EQ(d.minFeret, 0);
    EXPECT_DOUBLE_EQ(d.perimeter, 20000);
    EXPECT_TRUE(std::isnan(d.area));
    EXPECT_TRUE(std::isnan(d.aspectRatio));
    EXPECT_TRUE(std::isnan(d.solidity));
    EXPECT_TRUE(std::isnan(d.circularity));
    EXPECT_TRUE(std::isnan(DescribePolygon({}).perimeter));

    // A bow tie: the crossing halves cancel in the signed area, and the
    // hull is the whole square.
    const std::vector<WorldPoint> bowTie = {{0, 0}, {1000, 1000}, {1000, 0}, {0, 1000}};
    EXPECT_NEAR(DescribePolygon(bowTie).convexArea, 1e6, 1e-6);
}

TEST(ShapeDescriptorsEdgeTest, HullLinesAndAngles) {
    // Inner, repeated and collinear points are left out of the hull.
    const std::vector<WorldPoint> cloud = {{0, 0}, {2, 0}, {4, 0}, {4, 4},
                                           {0, 4}, {2, 2}, {4, 4}, {0, 2}};
    EXPECT_EQ(ConvexHull(cloud).size(), 4u);

    EXPECT_DOUBLE_EQ(PolylineLength(std::vector<WorldPoint>{{0, 0}, {3, 4}, {3, 10}}), 11);
    EXPECT_DOUBLE_EQ(LineAngle({0, 0}, {10, 0}), 0);
    EXPECT_DOUBLE_EQ(LineAngle({0, 0}, {0, -10}), 90);  // up on the screen
    EXPECT_DOUBLE_EQ(LineAngle({0, 0}, {-10, 0}), 180);
    EXPECT_DOUBLE_EQ(LineAngle({0, 0}, {10, 10}), -45);
    EXPECT_DOUBLE_EQ(LineAngle({5, 5}, {5, 5}), 0);
}

// A 6 x 4 picture whose pixel (x, y) holds red 10 x, green 10 y and blue
// 100, its 16-bit grey twin 1000 (x + y).
struct SmallPictures {
    std::vector<uint8_t> rgb;
    std::vector<uint16_t> grey16;
    SampleView colour, grey;
    SmallPictures() {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                rgb.insert(rgb.end(),
                           {static_cast<uint8_t>(10 * x), static_cast<uint8_t>(10 * y), 100});
                grey16.push_back(static_cast<uint16_t>(1000 * (x + y)));
            }
        }
        colour = {rgb.data(), 6, 4, 18, 3, 8};
        grey = {grey16.data(), 6, 4, 12, 1, 16};
    }
};

// At 25400 dpi one pixel is one micrometre.
constexpr double kOnePixelPerMicrometre = 1.0;

TEST(PixelStatisticsTest, PixelsWhoseCentresLieInside) {
    const SmallPictures pictures;
    // Corners at pixel edges: columns 1..3, rows 1..2 (6 pixels).
    const std::vector<WorldPoint> box = {{1, 1}, {4, 1}, {4, 3}, {1, 3}};
    const PixelStatistics s = MeasurePixels(pictures.colour, kOnePixelPerMicrometre, box);
    EXPECT_EQ(s.grey.count, 6);
    EXPECT_DOUBLE_EQ(s.colour[0].mean, 20);  // red 10, 20, 30
    EXPECT_DOUBLE_EQ(s.colour[0].min, 10);
    EXPECT_DOUBLE_EQ(s.colour[0].max, 30);
    EXPECT_DOUBLE_EQ(s.colour[0].sd, std::sqrt(80.0));  // squares 100+0+100 twice over 5
    EXPECT_DOUBLE_EQ(s.colour[1].mean, 15);
    EXPECT_DOUBLE_EQ(s.colour[2].sd, 0);  // flat blue: exactly 0
    // Grey is the luminance the objects are detected on (ImageJ's weighted
    // conversion): (10, 10, 100) gives 2.99 + 5.87 + 11.4 = 20.26 -> 20,
    // (20, 10, 100) 23.25 -> 23, (30, 10, 100) 26.24 -> 26; one row lower
    // each grows by 5.87: 26.13 -> 26, 29.12 -> 29, 32.11 -> 32.
    EXPECT_DOUBLE_EQ(s.grey.min, 20);
    EXPECT_DOUBLE_EQ(s.grey.max, 32);
    EXPECT_DOUBLE_EQ(s.grey.mean, (20 + 23 + 26 + 26 + 29 + 32) / 6.0);

    // Half a pixel in from the edges, no centre is passed: the same pixels.
    const std::vector<WorldPoint> inner = {{1.5, 1.5}, {3.6, 1.5}, {3.6, 2.6}, {1.5, 2.6}};
    EXPECT_EQ(MeasurePixels(pictures.colour, kOnePixelPerMicrometre, inner).grey.count, 6);
    // Past the picture's edges only the pixels there are counted.
    const std::vector<WorldPoint> over = {{-5, -5}, {100, -5}, {100, 100}, {-5, 100}};
    EXPECT_EQ(MeasurePixels(pictures.colour, kOnePixelPerMicrometre, over).grey.count, 24);
    // A triangle's diagonal takes the pixels whose centres lie below it.
    const std::vector<WorldPoint> half = {{0, 0}, {4, 4}, {0, 4}};
    EXPECT_EQ(MeasurePixels(pictures.colour, kOnePixelPerMicrometre, half).grey.count, 6);
    // At 2 pixels per micrometre the box covers 6 x 4 pixels.
    EXPECT_EQ(
        MeasurePixels(pictures.colour, 2.0, std::vector<WorldPoint>{{0, 0}, {3, 0}, {3, 2}, {0, 2}})
            .grey.count,
        24);
}

TEST(PixelStatisticsTest, SixteenBitGreyInItsOwnValues) {
    const SmallPictures pictures;
    const std::vector<WorldPoint> box = {{4, 2}, {6, 2}, {6, 4}, {4, 4}};
    const PixelStatistics s = MeasurePixels(pictures.grey, kOnePixelPerMicrometre, box);
    EXPECT_EQ(s.grey.count, 4);
    EXPECT_DOUBLE_EQ(s.grey.min, 6000);
    EXPECT_DOUBLE_EQ(s.grey.max, 8000);
    EXPECT_DOUBLE_EQ(s.grey.mean, 7000);
    EXPECT_DOUBLE_EQ(s.grey.sd, std::sqrt(2e6 / 3));
    EXPECT_EQ(s.colour[0].count, 0);  // a grey picture has no colour channels

    // The same values held as a picture keeps them: high and low bytes of
    // red, green and blue apart, grey in all three.
    std::vector<uint8_t> high, low;
    for (const uint16_t v : pictures.grey16) {
        high.insert(high.end(), 3, static_cast<uint8_t>(v >> 8));
        low.insert(low.end(), 3, static_cast<uint8_t>(v & 0xFF));
    }
    const SampleView split{high.data(), 6, 4, 18, 3, 16, low.data()};
    ASSERT_TRUE(split.Valid());
    const PixelStatistics t = MeasurePixels(split, kOnePixelPerMicrometre, box);
    EXPECT_DOUBLE_EQ(t.grey.mean, 7000);
    EXPECT_DOUBLE_EQ(t.grey.sd, std::sqrt(2e6 / 3));
    EXPECT_DOUBLE_EQ(t.colour[1].min, 6000);
    EXPECT_DOUBLE_EQ(t.colour[2].max, 8000);
    EXPECT_FALSE((SampleView{high.data(), 6, 4, 18, 3, 8, low.data()}.Valid()));
}

TEST(PixelStatisticsTest, NothingToMeasure) {
    const SmallPictures pictures;
    const std::vector<WorldPoint> outside = {{10, 10}, {20, 10}, {20, 20}};
    const PixelStatistics s = MeasurePixels(pictures.colour, kOnePixelPerMicrometre, outside);
    EXPECT_EQ(s.grey.count, 0);
    EXPECT_TRUE(std::isnan(s.grey.mean));
    // One pixel: a mean, but no deviation.
    const std::vector<WorldPoint> one = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const PixelStatistics single = MeasurePixels(pictures.colour, kOnePixelPerMicrometre, one);
    EXPECT_EQ(single.grey.count, 1);
    EXPECT_TRUE(std::isnan(single.grey.sd));
    // Points far outside any picture, or not numbers at all, are no fault:
    // a vast triangle takes the whole picture.
    const std::vector<WorldPoint> huge = {{-1e300, 0}, {1e300, 0}, {0, 1e300}};
    EXPECT_EQ(MeasurePixels(pictures.colour, 1.0, huge).grey.count, 24);
    const std::vector<WorldPoint> nan = {{NAN, 0}, {1, 0}, {0, 1}};
    EXPECT_EQ(MeasurePixels(pictures.colour, 1.0, nan).grey.count, 0);
    EXPECT_EQ(MeasurePixels(SampleView{}, 1.0, one).grey.count, 0);
}

constexpr int kTpl = 10;
constexpr int kPoly = 11;
constexpr int kCnt = 12;
constexpr int kTxt = 13;
constexpr int kPolyline = 14;
constexpr int kSpot = 15;

class ShapeTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        program.settings.RecordCapacity = 256;
        ASSERT_EQ(ws.CreateHistory(), kOk);
        build.DefineType(kTpl, kTwoPointLine, "Distance");
        build.DefineType(kPoly, kPolygon, "Area");
        build.DefineType(kCnt, kCount, "Cells");
        build.DefineType(kTxt, kText, "Label");
        build.DefineType(kPolyline, kLine, "Outline");
        build.DefineType(kSpot, kPoint, "Spot");
        build.DefineType(kSlotLabelPoint, kPoint, "Labels", {}, kClassSystem);
    }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.Path().string()};
    Workspace ws{program};
    test::MeasuredProject build{ws};
};

TEST_F(ShapeTableTest, EveryObjectOfEveryTypeWithTheValueTheStatisticsList) {
    build.Point(kSlotLabelPoint, 0, 0, 0, "first");  // a label point: no object
    build.Closed(kPoly, {{0, 0}, {3000, 0}, {3000, 1000}, {1000, 1000}, {1000, 3000}, {0, 3000}});
    build.Point(kTpl, 0, 0, 1, {}, true);
    build.Point(kTpl, 3000, -4000, 2);
    build.Closed(kPoly, {{0, 0}, {100, 0}});  // two clicks: no area
    const int32_t triangle = build.Closed(kPoly, {{0, 0}, {4000, 0}, {0, 3000}});
    // A deleted further point leaves the object whole, and out of it.
    build.Closed(kCnt, {{0, 0}, {300, 0}, {300, 600}});
    MeasuredObject deleted = ws.history().Peek(ws.history().Count() - 1);
    deleted.typeIndex = 0;
    ws.PutRecord(ws.history().Count() - 1, deleted);
    build.Text(kTxt, "12,5");
    build.Text(kTxt, "seed");
    build.Point(kPolyline, 0, 0, 1);
    build.Point(kPolyline, 3000, 4000, 2);
    build.Point(kPolyline, 3000, 10000, 2);
    build.Point(kSpot, 70, 80, 0);
    build.Point(kTpl, 10, 10, 1);  // a lone first point at the very end

    const std::vector<ObjectDescription> rows = DescribeObjects(ws.history(), program.objectTypes);
    ASSERT_EQ(rows.size(), 10u);
    // In slot order, then in history order, numbered within the type.
    const std::vector<std::pair<int, int>> order = {
        {kTpl, 1}, {kTpl, 2}, {kPoly, 1}, {kPoly, 2},     {kPoly, 3},
        {kCnt, 1}, {kTxt, 1}, {kTxt, 2},  {kPolyline, 1}, {kSpot, 1}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].type, order[i].first) << i;
        EXPECT_EQ(rows[i].object, order[i].second) << i;
    }

    EXPECT_DOUBLE_EQ(rows[0].length, 5000);
    EXPECT_NEAR(rows[0].angle, 53.13010235415598, 1e-9);
    EXPECT_TRUE(rows[0].excluded);
    EXPECT_TRUE(std::isnan(rows[1].value));  // no partner

    // The values are the statistics pass's own numbers.
    for (const int type : {kTpl, kPoly, kCnt, kTxt}) {
        ValueList list;
        CollectValues(ws.history(), program.objectTypes, type, list);
        std::vector<double> listed;
        for (const ObjectDescription& d : rows) {
            if (d.type == type && !std::isnan(d.value)) listed.push_back(d.value);
        }
        ASSERT_EQ(listed.size(), static_cast<std::size_t>(list.Count())) << type;
        for (int32_t k = 1; k <= list.Count(); ++k) {
            EXPECT_EQ(listed[static_cast<std::size_t>(k - 1)], list.Entry(k).value) << type;
        }
    }

    EXPECT_DOUBLE_EQ(rows[2].shape.area, 5e6);
    EXPECT_DOUBLE_EQ(rows[2].shape.solidity, 5.0 / 7.0);
    EXPECT_EQ(rows[2].points, 6);  // the closing copy is no point of its own
    EXPECT_TRUE(std::isnan(rows[3].value));
    EXPECT_EQ(rows[4].firstPoint, triangle);
    EXPECT_DOUBLE_EQ(rows[4].shape.minFeret, 2400);
    EXPECT_FALSE(rows[4].hasPixels);

    EXPECT_DOUBLE_EQ(rows[5].value, 2);  // counted as the statistics count it
    EXPECT_EQ(rows[5].points, 2);
    EXPECT_DOUBLE_EQ(rows[5].shape.centroidX, 150);
    EXPECT_DOUBLE_EQ(rows[5].shape.centroidY, 0);

    EXPECT_DOUBLE_EQ(rows[6].value, 12.5);
    EXPECT_EQ(rows[7].label, "seed");
    EXPECT_TRUE(std::isnan(rows[7].value));
    EXPECT_DOUBLE_EQ(rows[7].shape.centroidX, 10);
    EXPECT_DOUBLE_EQ(rows[8].length, 11000);
    EXPECT_DOUBLE_EQ(rows[9].shape.centroidY, 80);
}

TEST_F(ShapeTableTest, PolygonValuesOnThePicture) {
    const SmallPictures pictures;
    build.Closed(kPoly, {{1, 1}, {4, 1}, {4, 3}, {1, 3}});
    build.Closed(kCnt, {{1, 1}, {4, 1}, {4, 3}, {1, 3}});
    const std::vector<ObjectDescription> rows =
        DescribeObjects(ws.history(), program.objectTypes, {pictures.colour, 1.0});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].hasPixels);
    EXPECT_EQ(rows[0].pixels.grey.count, 6);
    EXPECT_DOUBLE_EQ(rows[0].pixels.colour[0].mean, 20);
    EXPECT_FALSE(rows[1].hasPixels);  // a Count encloses nothing
}

TEST_F(ShapeTableTest, TableCellsInTheUnitAndTheLanguage) {
    build.Closed(kPoly, {{0, 0}, {3000, 0}, {3000, 1000}, {1000, 1000}, {1000, 3000}, {0, 3000}},
                 true);
    build.Text(kTxt, "big, \"round\" \xB5-seed");
    const std::vector<ObjectDescription> rows = DescribeObjects(ws.history(), program.objectTypes);
    ASSERT_EQ(rows.size(), 2u);
    const auto columns = ObjectTableColumns();
    const auto column = [&](std::string_view name) {
        return static_cast<std::size_t>(std::find(columns.begin(), columns.end(), name) -
                                        columns.begin());
    };
    const std::vector<ObjectTableCell> cells =
        ObjectTableRow(rows[0], program.objectTypes, 0, kUnitMillimetre);
    ASSERT_EQ(cells.size(), columns.size());
    const auto shown = [&](std::string_view name) {
        const std::size_t c = column(name);
        return ObjectTableShown(cells[c], c, kPolygon, true, "ja", "nein");
    };
    EXPECT_EQ(shown("type_name"), "Area");
    EXPECT_EQ(shown("data_type"), "Polygon");
    EXPECT_EQ(shown("value"), "5,0");  // square millimetres, as the value grid shows them
    EXPECT_EQ(shown("unit"), "mm\xB2");
    EXPECT_EQ(shown("length_unit"), "mm");
    EXPECT_EQ(shown("perimeter"), "12,0");
    EXPECT_EQ(shown("circularity"), "0,4363");
    EXPECT_EQ(shown("feret_angle"), "45,0");
    EXPECT_EQ(shown("min_feret"), "2,828");
    EXPECT_EQ(shown("excluded"), "ja");
    EXPECT_EQ(shown("points"), "6");
    EXPECT_EQ(shown("length"), "");  // no length for a polygon
    EXPECT_EQ(shown("grey_mean"), "");

    // The CSV form: UTF-8, quoted where needed, shortest numbers.
    const std::string csv =
        ObjectTableCsvRows("p.KXP", "a,b.jpg", rows, program.objectTypes, 1, kUnitMillimetre);
    EXPECT_EQ(csv.substr(0, 45), "p.KXP,\"a,b.jpg\",11,Area,Polygon,1,5,mm\xC2\xB2,TRUE");
    EXPECT_NE(csv.find(",\"big, \"\"round\"\" \xC2\xB5-seed\","), std::string::npos) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
    EXPECT_EQ(ObjectTableCsvHeader().substr(0, 32), "project,image,type,type_name,dat");
}

}  // namespace
}  // namespace kvx
