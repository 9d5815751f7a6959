#include "core/detect/detect_records.hpp"

#include <gtest/gtest.h>

#include "common/measure_fixture.hpp"
#include "core/stats/collect_values.hpp"

namespace kvx {
namespace {

using test::kCountType;
using test::kPolyType;
using test::kTextType;

/// A square object of side pixels with its top left corner at (x, y).
DetectedObject Square(int32_t x, int32_t y, int32_t side) {
    DetectedObject o;
    const auto l = static_cast<double>(x);
    const auto t = static_cast<double>(y);
    o.outline = {{l, t}, {l + side, t}, {l + side, t + side}, {l, t + side}};
    o.pixels = int64_t{side} * side;
    o.centroidX = l + side / 2.0;
    o.centroidY = t + side / 2.0;
    return o;
}

TEST(DetectRecordsTest, PolygonsAndCountsAsMeasuredByHand) {
    // 2540 dpi: a pixel is 10 µm.
    const std::vector<DetectedObject> found = {Square(10, 20, 4), Square(3, 3, 1)};
    const DetectionRecords polygons = RecordsForDetection(found, 7, kPolygon, 2540);
    ASSERT_EQ(polygons.records.size(), 10u);
    EXPECT_EQ(polygons.ends, (std::vector<std::size_t>{5, 10}));
    EXPECT_EQ(polygons.records[0].vertexKind, 1);
    EXPECT_EQ(polygons.records[0].x, 100.0);
    EXPECT_EQ(polygons.records[2].y, 240.0);
    EXPECT_EQ(polygons.records[4].vertexKind, 2);  // the closing copy of the first point
    EXPECT_EQ(polygons.records[4].x, polygons.records[0].x);
    EXPECT_EQ(polygons.records[5].vertexKind, 1);
    EXPECT_EQ(polygons.records[1].typeIndex, 7);
    EXPECT_EQ(polygons.records[1].colourOverride, -1);
    EXPECT_DOUBLE_EQ(ObjectAreaMicrometres(found[0], 2540), 1600.0);
    EXPECT_DOUBLE_EQ(SquarePixels(1600.0, 2540), 16.0);

    const DetectionRecords counts = RecordsForDetection(found, 8, kCount, 2540);
    ASSERT_EQ(counts.records.size(), 3u);
    EXPECT_EQ(counts.records[0].x, 120.0);
    EXPECT_EQ(counts.records[1].vertexKind, 2);
    EXPECT_EQ(counts.records[2].x, 120.0);
    EXPECT_EQ(counts.ObjectsFitting(3), 2);
    EXPECT_EQ(counts.ObjectsFitting(2), 1);
    EXPECT_EQ(polygons.ObjectsFitting(9), 1);

    // The view or a drawn rectangle as picture pixels: every pixel touched.
    EXPECT_EQ(PixelsOfWorldRect({95, 200, 305, 400}, 2540), (PixelRect{9, 20, 22, 20}));
    EXPECT_TRUE(PixelsOfWorldRect({300, 0, 300, 100}, 2540).Empty());

    EXPECT_TRUE(RecordsForDetection(found, 7, kText, 2540).records.empty());
    EXPECT_TRUE(RecordsForDetection(found, 7, kPolygon, 0).records.empty());
}

TEST(DetectRecordsTest, PositionsRoundToWholeMicrometresHalvesToEven) {
    // 1016 dpi: 25 µm a pixel; a half pixel is 12.5 µm.
    DetectedObject o = Square(0, 0, 1);
    o.outline = {{0.5, 0.0}, {1.5, 0.0}, {1.5, 1.5}, {0.5, 1.5}};
    const DetectionRecords r = RecordsForDetection({o}, 7, kPolygon, 1016);
    ASSERT_EQ(r.records.size(), 5u);
    EXPECT_EQ(r.records[0].x, 12.0);
    EXPECT_EQ(r.records[1].x, 38.0);
    // At 100,000 dpi neighbouring corners round together; too few stay.
    EXPECT_TRUE(RecordsForDetection({Square(0, 0, 1)}, 7, kPolygon, 100000).records.empty());
}

class DetectCommandTest : public test::MeasureTest {};

TEST_F(DetectCommandTest, AddsAllAsOneUndoableChange) {
    build.Text(kTextType, "1");
    ws.SetFileState(kUnchanged);
    const std::vector<DetectedObject> found = {Square(10, 10, 4), Square(30, 10, 2),
                                               Square(50, 50, 3)};
    ASSERT_TRUE(ws.AddDetectedObjects(found, kPolyType));
    EXPECT_EQ(ws.history().Count(), 1 + 15);
    EXPECT_EQ(ws.fileState(), kChanged);
    ValueList values;
    CollectValues(ws.history(), program.objectTypes, kPolyType, values);
    ASSERT_EQ(values.Count(), 3);
    // 1200 dpi: the corners 10 and 14 pixels in lie at 211.67 and 296.33 µm,
    // stored as 212 and 296 as every measured point is.
    EXPECT_DOUBLE_EQ(values.Entry(1).value, 84.0 * 84.0);

    ASSERT_TRUE(ws.AddDetectedObjects(found, kCountType));
    CollectValues(ws.history(), program.objectTypes, kCountType, values);
    ASSERT_EQ(values.Count(), 1);
    EXPECT_EQ(values.Entry(1).value, 3.0);

    ASSERT_TRUE(ws.UndoCommand());
    ASSERT_TRUE(ws.UndoCommand());
    EXPECT_EQ(ws.history().Count(), 1);
    EXPECT_TRUE(ws.RedoCommand());
    EXPECT_EQ(ws.history().Count(), 16);
}

TEST_F(DetectCommandTest, RefusesBeforeAddingWhatDoesNotFit) {
    // 2048 records: 409 squares of 5 records fill 2045; the 410th would not fit.
    std::vector<DetectedObject> found;
    for (int32_t i = 0; i < 420; ++i) found.push_back(Square(i % 40 * 5, i / 40 * 5, 2));
    build.Text(kTextType, "1");
    ASSERT_FALSE(ws.AddDetectedObjects(found, kPolyType));
    EXPECT_EQ(ws.history().Count(), 1);
    EXPECT_FALSE(ws.CanUndo());
    ASSERT_EQ(ui.boxes.size(), 1u);
    const std::string& text = ui.boxes[0].text;
    EXPECT_NE(text.find(program.GetMessage(2263) + " 420"), std::string::npos) << text;
    EXPECT_NE(text.find(program.GetMessage(2264) + " 409"), std::string::npos) << text;
    EXPECT_NE(text.find(program.GetMessage(2265)), std::string::npos);

    // Other data types are refused too; a closed project silently.
    EXPECT_FALSE(ws.AddDetectedObjects(found, kTextType));
    EXPECT_EQ(ui.boxes.size(), 2u);
    found.resize(3);
    ws.SetFileState(kNoProject);
    EXPECT_FALSE(ws.AddDetectedObjects(found, kPolyType));
    EXPECT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ws.history().Count(), 1);
}

}  // namespace
}  // namespace kvx
