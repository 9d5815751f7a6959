#include "core/detect/detect_records.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "common/measure_fixture.hpp"
#include "core/detect/detect_choices.hpp"
#include "core/detect/object_at.hpp"
#include "core/options/detect_dialog_model.hpp"
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

/// A light picture with dark discs in a grid, as a flatbed scan of seeds
/// shows them; each disc's pixels (centres inside) are counted.
struct DiscPicture {
    std::shared_ptr<Picture> picture = std::make_shared<Picture>();
    std::vector<int64_t> pixels;

    DiscPicture(int32_t width, int32_t height, int32_t columns, int32_t rows, double radius) {
        EXPECT_TRUE(picture->pixels.Allocate(width, height));
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* row = picture->pixels.Row(y);
            for (int32_t x = 0; x < 3 * width; ++x) row[x] = 220;
        }
        for (int32_t r = 0; r < rows; ++r) {
            for (int32_t c = 0; c < columns; ++c) {
                const double cx = (c + 0.5) * width / columns;
                const double cy = (r + 0.5) * height / rows;
                int64_t n = 0;
                for (auto y = static_cast<int32_t>(cy - radius) - 1; y <= cy + radius + 1; ++y) {
                    for (auto x = static_cast<int32_t>(cx - radius) - 1; x <= cx + radius + 1;
                         ++x) {
                        const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                        if (dx * dx + dy * dy > radius * radius) continue;
                        uint8_t* p = picture->pixels.Row(y) + 3 * x;
                        p[0] = p[1] = p[2] = 40;
                        ++n;
                    }
                }
                pixels.push_back(n);
            }
        }
    }
};

TEST(DetectChoicesTest, KeptInTheirOwnFileAndReadBackAsChosen) {
    test::TempDir dir;
    const std::string path = dir.File("Korvanix.detect");
    DetectChoices c;
    c.method = ThresholdMethod::kValue;
    c.level = 4000;
    c.darkObjects = false;
    c.channel = SampleChannel::kGreenChannel;
    c.minArea = 1250.5;
    c.minCircularity = 0.25;
    c.maxCircularity = 0.9;
    c.excludeEdges = true;
    c.split = true;
    c.area = DetectArea::kRectangle;
    c.rectangle = {10, 20, 300, 400};
    c.type = 11;
    SettingsFile file;
    StoreDetectChoices(c, file);
    ASSERT_TRUE(file.Write(path));
    EXPECT_EQ(DetectChoicesFrom(SettingsFile::Read(path)), c);  // no upper area limit included
    EXPECT_EQ(SettingsFile::Read(path).Text("threshold"), "4000");
    EXPECT_EQ(SettingsFile::Read(path).Text("max_area"), "none");

    c.method = ThresholdMethod::kOtsu;
    c.maxArea = 9e6;
    StoreDetectChoices(c, file);
    ASSERT_TRUE(file.Write(path));
    EXPECT_EQ(DetectChoicesFrom(SettingsFile::Read(path)), c);

    // What a hand-edited file holds out of range or in the wrong order keeps
    // the defaults.
    dir.Write("bad.detect",
              "threshold = 70000\nobjects = grey\nchannel = purple\nmin_area = 5\n"
              "max_area = 2\nmin_circularity = 1.5\narea = everywhere\ntype = 300\n");
    EXPECT_EQ(DetectChoicesFrom(SettingsFile::Read(dir.File("bad.detect"))), DetectChoices{});
}

TEST(DetectDialogModelTest, PreviewIsTheDetectionOnASmallPictureAndCloseOnALargeOne) {
    // 2540 dpi: a pixel is 10 µm, 100 µm² of area.
    const DiscPicture small(400, 300, 4, 3, 20.0);
    DetectDialogModel model(small.picture, 2540, {0, 0, 2000, 1500});
    DetectChoices choices;
    choices.minArea = 100.0 * 50;
    ASSERT_TRUE(model.Update(choices));
    const DetectPreview& p = model.preview();
    EXPECT_EQ(p.scale, 1);
    EXPECT_EQ(p.levels, 256);
    ASSERT_EQ(p.bars.size(), 256u);
    EXPECT_EQ(p.bars[220] + p.bars[40], 400 * 300);
    EXPECT_GT(p.level, 40);
    EXPECT_LT(p.level, 220);
    EXPECT_EQ(p.levelBar, p.level);
    ASSERT_EQ(p.objects.size(), 12u);
    int64_t pixels = 0;
    for (int64_t n : small.pixels) pixels += n;
    EXPECT_DOUBLE_EQ(p.totalArea, 100.0 * static_cast<double>(pixels));
    std::vector<DetectedObject> all;
    ASSERT_TRUE(model.DetectAll(all));
    ASSERT_EQ(all.size(), p.objects.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].pixels, p.objects[i].pixels);
        EXPECT_EQ(all[i].outline, p.objects[i].outline);
    }

    // The view (the left half of the picture: 1000 µm = 100 pixels of 400)
    // holds the first column of discs; a rectangle the last disc alone.
    choices.area = DetectArea::kCurrentView;
    ASSERT_TRUE(model.Update(choices));
    EXPECT_EQ(model.preview().region, (PixelRect{0, 0, 200, 150}));
    EXPECT_EQ(model.preview().objects.size(), 4u);
    choices.area = DetectArea::kRectangle;
    choices.rectangle = {300, 200, 100, 100};
    ASSERT_TRUE(model.Update(choices));
    ASSERT_EQ(model.preview().objects.size(), 1u);
    EXPECT_EQ(model.preview().objects[0].pixels, small.pixels.back());
    choices.rectangle = {500, 0, 10, 10};  // beside the picture: nothing, not everything
    ASSERT_TRUE(model.Update(choices));
    EXPECT_TRUE(model.preview().objects.empty());

    // 2400 x 1600 is previewed at half size; counts hold and areas are close.
    const DiscPicture large(2400, 1600, 12, 8, 40.0);
    DetectDialogModel big(large.picture, 2540, {});
    ASSERT_TRUE(big.Update(DetectChoices{}));
    EXPECT_EQ(big.preview().scale, 2);
    ASSERT_EQ(big.preview().objects.size(), 96u);
    const double exact = 100.0 * static_cast<double>(large.pixels[0]);
    EXPECT_NEAR(ObjectAreaMicrometres(big.preview().objects[0], 2540), exact, exact * 0.03);
    const OutlinePoint& corner = big.preview().objects[0].outline[0];
    EXPECT_NEAR(corner.y, 100.0 - 40.0, 2.0);  // in picture pixels, not preview ones
    ASSERT_TRUE(big.DetectAll(all));
    ASSERT_EQ(all.size(), 96u);
    EXPECT_EQ(all[0].pixels, large.pixels[0]);
    EXPECT_EQ(DetectDialogModel::PreviewScale(6000, 4000), 3);
    EXPECT_EQ(DetectDialogModel::PreviewScale(2000, 1500), 1);
}

TEST(DetectObjectAtTest, TheRegionUnderThePixelWithItsHolesFilled) {
    const DiscPicture discs(200, 100, 2, 1, 30.0);
    SamplePlane plane;
    ASSERT_TRUE(SamplesOf(discs.picture->pixels, SampleChannel::kLuminance, plane));
    // A light hole in the second disc, and a dark speck in the hole.
    for (int32_t y = 45; y < 55; ++y) {
        for (int32_t x = 145; x < 155; ++x) {
            const bool speck = x >= 149 && x < 151 && y >= 49 && y < 51;
            plane.values[static_cast<std::size_t>(y) * 200 + static_cast<std::size_t>(x)] =
                speck ? 40 : 220;
        }
    }
    DetectedObject object;
    ASSERT_TRUE(ObjectAt(plane, 128, true, 50, 50, object));
    EXPECT_EQ(object.pixels, discs.pixels[0]);
    EXPECT_DOUBLE_EQ(std::fabs(TwiceArea(object.outline)) / 2.0,
                     static_cast<double>(discs.pixels[0]));
    ASSERT_TRUE(ObjectAt(plane, 128, true, 120, 50, object));
    EXPECT_EQ(object.pixels, discs.pixels[1]);  // filled
    // The speck inside the hole is what was clicked.
    ASSERT_TRUE(ObjectAt(plane, 128, true, 149, 49, object));
    EXPECT_EQ(object.pixels, 4);
    EXPECT_FALSE(ObjectAt(plane, 128, true, 146, 46, object));  // in the hole
    EXPECT_FALSE(ObjectAt(plane, 128, true, 2, 2, object));     // background
    EXPECT_FALSE(ObjectAt(plane, 128, true, 200, 50, object));  // beside the picture
    // Light objects: the background is one object, holes and all.
    ASSERT_TRUE(ObjectAt(plane, 128, false, 2, 2, object));
    EXPECT_EQ(object.pixels, 200 * 100);
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
