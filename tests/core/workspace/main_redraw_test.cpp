#include "core/workspace/main_redraw.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <utility>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "common/test_pictures.hpp"
#include "core/export/bmp_writer.hpp"
#include "core/export/jpeg_writer.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/program/program.hpp"
#include "core/program/startup.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

using draw_op::Ellipse;
using draw_op::Line;
using draw_op::Polygon;
using draw_op::Rectangle;
using draw_op::SetClip;
using draw_op::Text;

class MainRedrawTest : public ::testing::Test, public WorkspaceObserver {
protected:
    void WorkspaceChanged(ChangeFlags changes) override {
        if (changes.Has(Change::Window)) ++notified;
    }
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(program.LoadMessages(), kOk);
        program.settings.RecordCapacity = 10240;
        ASSERT_EQ(ws.CreateHistory(), kOk);
        ASSERT_TRUE(ws.ResetViewToWorld());
        ws.SetRedrawCount(3);  // past start-up and the splash
        ws.AddObserver(this);
    }
    void ShowOnly(std::initializer_list<int32_t> layers) {
        program.settings.DisplayLayers.fill(-1);
        std::size_t i = 0;
        for (int32_t layer : layers) program.settings.DisplayLayers[i++] = layer;
    }
    void ShowSize(int64_t size) {
        ErrorCode code = kOk;
        ChangeProject(ws, [&](Project& p) {
            code = SetWindow(program, p.view, {0, 0, size, size}, false, true);
        });
        ASSERT_EQ(code, kOk);
    }
    void AddPoints(int n) {
        MeasuredObject p;
        p.typeIndex = 1;
        p.vertexKind = 1;
        for (int i = 0; i < n; ++i) ASSERT_TRUE(ws.AppendRecord(p));
    }
    // The white box, label and blue bar of the scale bar, in drawing order.
    std::vector<const Rectangle*> ScaleBarRects() const {
        return ws.windowState().surface->OpsOf<Rectangle>();
    }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, test::DataDir()};
    Workspace ws{program};
    int notified = 0;
};

TEST_F(MainRedrawTest, TheFirstTwoRequestsOnlyCountAndTheThirdShowsTheSplash) {
    ws.SetRedrawCount(0);
    ws.Redraw();
    ws.Redraw();
    EXPECT_EQ(ws.redrawCount(), 2);
    EXPECT_EQ(notified, 0);
    EXPECT_EQ(ws.windowState().surface, nullptr);

    ws.Redraw();
    EXPECT_EQ(notified, 1);
    EXPECT_TRUE(ws.windowState().splashDrawn);
    const auto boxes = ws.windowState().surface->OpsOf<Rectangle>();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(*boxes.back(), (Rectangle{{500, 800, 1500, 1150}, {kBlack, 5, 0}, {kWhite}}));
    const auto texts = ws.windowState().surface->OpsOf<Text>();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back()->text, WindowCaption(program));
    EXPECT_EQ(texts.back()->font.colour, 16711680);
    EXPECT_EQ(texts.back()->font.size, 48);

    ws.Redraw();
    EXPECT_FALSE(ws.windowState().splashDrawn);
    EXPECT_EQ(ws.redrawCount(), 4);
}

TEST_F(MainRedrawTest, TheSurfaceStartsBlackAndIsClippedByTheBackgroundLayer) {
    ws.Redraw();
    const Recording& surface = *ws.windowState().surface;
    ASSERT_GE(surface.Size(), 2u);
    const Polygon& black = std::get<Polygon>(surface.Ops()[0]);
    EXPECT_EQ(black.brush.colour, kBlack);
    EXPECT_EQ(black.pen, (Pen{kWhite, 1, 0}));
    EXPECT_EQ(black.points.back(), (CanvasPoint{0, 2000}));
    const auto clips = surface.OpsOf<SetClip>();
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0]->rect, (CanvasRect{1, 1, 2000, 2000}));
    EXPECT_TRUE(std::holds_alternative<draw_op::ResetClip>(surface.Ops().back()));
    EXPECT_EQ(ws.drawnView(), (DrawnView{0, 0, 1000000, 1000000}));
}

TEST_F(MainRedrawTest, PanelsCaptionAndCommands) {
    ws.Redraw();
    const WindowState& s = ws.windowState();
    EXPECT_EQ(s.caption, WindowCaption(program));
    EXPECT_EQ(s.panels[0], "");
    EXPECT_EQ(s.panels[2], "100.0 cm");  // a whole number keeps one decimal
    EXPECT_EQ(s.LbDetails, "100.0 cm");
    EXPECT_EQ(s.LbRaster1, "250 mm");
    EXPECT_EQ(s.panels[4], "0/10240 (0 %) " + program.GetMessage(2085));
    EXPECT_EQ(s.Control("MnSave")->enabled, false);
    EXPECT_EQ(s.Control("ImgVec")->visible, false);

    ChangeProject(ws, [&](Project& p) {
        p.imagePath = dir.File("slides/slide 7.bmp");
        p.projectPath = dir.File("slides/slide.KXP");
        p.resolutionDpi = 1200;
    });
    ws.SetFileState(kChanged);
    AddPoints(512);
    ChangeProject(ws, [&](Project& p) { p.picture = nullptr; });
    program.settings.DisplayLayers[2] = -3;  // no picture to draw
    ws.Redraw();
    EXPECT_EQ(ws.windowState().caption, ws.project().projectPath);
    EXPECT_EQ(ws.windowState().panels[0], "slide.KXP (1200dpi)");
    // A folder's UTF-8 name shows as the text it is.
    ChangeProject(ws, [&](Project& p) {
        p.projectPath =
            "/F\xC3\xA4rbungen/Gr\xC3\xB6\xC3\x9F"
            "e.KXP";
    });
    ws.Redraw();
    EXPECT_EQ(ws.windowState().caption,
              "/F\xE4rbungen/Gr\xF6\xDF"
              "e.KXP");
    EXPECT_EQ(ws.windowState().panels[0],
              "Gr\xF6\xDF"
              "e.KXP (1200dpi)");
    ChangeProject(ws, [&](Project& p) { p.projectPath = dir.File("slides/slide.KXP"); });
    EXPECT_EQ(ws.windowState().panels[4], "512/10240 (5 %) " + program.GetMessage(2086));
    EXPECT_EQ(ws.windowState().Control("MnSave")->enabled, true);
    EXPECT_EQ(ws.windowState().Control("BitBtn3")->enabled, true);
    EXPECT_EQ(ws.windowState().Control("ImgEdit")->visible, true);
    EXPECT_EQ(ws.windowState().Control("MnRecalculate")->enabled, true);
    ws.ModifyCommand();
    ASSERT_EQ(ws.modifyMode(), 1);
    ws.Redraw();
    EXPECT_EQ(ws.windowState().Control("MnRecalculate")->enabled, false);
    EXPECT_EQ(ws.windowState().Control("cbo")->enabled, false);
}

TEST_F(MainRedrawTest, MagnificationAndRasterTexts) {
    program.settings.MeasureFieldWidth = 100;  // mm of the real field
    ShowSize(20000);                           // 20 mm visible
    ws.Redraw();
    EXPECT_EQ(ws.windowState().panels[1], "x 5.0");
    EXPECT_EQ(ws.windowState().LbRaster1, "5 mm");
    ShowSize(500000);
    ws.Redraw();
    EXPECT_EQ(ws.windowState().panels[1], " 1 : 5.0");
    ShowSize(900);
    ws.Redraw();
    EXPECT_EQ(ws.windowState().LbRaster1, "250 \xB5m");
    EXPECT_EQ(ws.windowState().panels[2], "900.0 \xB5m");
    ChangeProject(ws, [&](Project& p) { p.view.rasterLength = 2500; });
    ws.Redraw();
    EXPECT_EQ(ws.windowState().LbRaster1, "2.5 mm");
}

TEST_F(MainRedrawTest, SkipNextRedrawUpdatesTextsButDrawsNothing) {
    ws.WindowLaidOut(true);
    ws.Redraw();
    EXPECT_FALSE(ws.skipNextRedraw());
    EXPECT_EQ(ws.windowState().surface, nullptr);
    EXPECT_TRUE(ws.windowState().panels[4].has_value());
    EXPECT_FALSE(ws.windowState().LbDetails.has_value());
    EXPECT_EQ(ws.redrawCount(), 3);
}

TEST_F(MainRedrawTest, AnInvalidViewGivesAnEmptySurface) {
    ChangeProject(ws, [&](Project& p) { p.view.viewValid = false; });
    ws.Redraw();
    ASSERT_NE(ws.windowState().surface, nullptr);
    EXPECT_TRUE(ws.windowState().surface->Empty());
    EXPECT_EQ(ws.windowState().LbDetails, "0");
}

TEST(ScaleBarLengthTest, RoundsATwentiethUpToTheSteps) {
    EXPECT_EQ(ScaleBarLength(3), 1);     // n = 0
    EXPECT_EQ(ScaleBarLength(250), 20);  // n = 12
    EXPECT_EQ(ScaleBarLength(20), 1);    // n = 1
    EXPECT_EQ(ScaleBarLength(100), 5);   // n = 5 stays
    EXPECT_EQ(ScaleBarLength(2000), 100);
    EXPECT_EQ(ScaleBarLength(4999), 250);  // n = 249
    EXPECT_EQ(ScaleBarLength(5100), 500);  // n = 255
    EXPECT_EQ(ScaleBarLength(39.9), 1);    // n = 199 div 100
    EXPECT_EQ(ScaleBarLength(40), 5);      // n = 2
}

struct ScaleBarCase {
    int64_t viewSize;
    const char* label;
    int32_t bar;  // pixels
};

void PrintTo(const ScaleBarCase& c, std::ostream* os) {
    *os << c.viewSize;
}

class ScaleBarTest : public MainRedrawTest, public ::testing::WithParamInterface<ScaleBarCase> {};

TEST_P(ScaleBarTest, BarLabelAndBox) {
    ShowOnly({1, 8});
    ShowSize(GetParam().viewSize);
    ws.Redraw();
    const auto texts = ws.windowState().surface->OpsOf<Text>();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text, GetParam().label);
    const auto rects = ScaleBarRects();
    ASSERT_EQ(rects.size(), 2u);
    const int32_t b = GetParam().bar;
    const int32_t w = std::max(b, texts[0]->width);
    EXPECT_EQ(rects[0]->rect, (CanvasRect{48, 1796, w + 96, 1916}));
    EXPECT_EQ(rects[0]->pen, (Pen{kBlack, 2, 0}));
    const int32_t x = (w + 48 - b) / 2 + 48;
    EXPECT_EQ(*rects[1], (Rectangle{{x, 1868, x + b, 1883}, {15728640, 2, 0}, {15728640}}));
    EXPECT_EQ(texts[0]->at, (CanvasPoint{(w + 48 - texts[0]->width) / 2 + 48, 1808}));
}

// 3000 µm: a 1 mm bar over a third of the view; 250 µm: 20 µm; 20 cm: 1 cm.
INSTANTIATE_TEST_SUITE_P(Widths, ScaleBarTest,
                         ::testing::Values(ScaleBarCase{3000, "1 mm", 667},
                                           ScaleBarCase{250, "20 \xB5m", 160},
                                           ScaleBarCase{200000, "1 cm", 100}));

TEST_F(MainRedrawTest, ScaleBarTextStaysReadableOnASmallScreenField) {
    ShowOnly({1, 8});
    ShowSize(3000);
    const auto label = [this] {
        ws.Redraw();
        const auto texts = ws.windowState().surface->OpsOf<Text>();
        EXPECT_EQ(texts.size(), 1u);
        return texts.empty() ? Text{} : *texts.front();
    };
    // A field large enough, and every picture export, keep the size of 20.
    ws.SetScreenFieldSize(1352);
    EXPECT_EQ(label().font.size, 20);
    ws.SetScreenFieldSize(452);  // the field of a window 580 pixels high
    ws.SetDrawingPictureExport(true);
    EXPECT_EQ(label().font.size, 20);
    ws.SetDrawingPictureExport(false);

    const Text shown = label();
    EXPECT_GE(shown.font.size * 96.0 / 72.0 * 452 / 2000, 12.0);
    const auto rects = ScaleBarRects();
    ASSERT_EQ(rects.size(), 2u);
    const CanvasRect box = rects[0]->rect;
    EXPECT_GE(shown.at.y, box.top + 12);
    EXPECT_LE(shown.at.y + shown.height, rects[1]->rect.top - 6);
    EXPECT_GE(shown.at.x, box.left);
    EXPECT_LE(shown.at.x + shown.width, box.right);
    EXPECT_EQ(box.bottom, 2000 - 84);
}

TEST_F(MainRedrawTest, NoScaleBarWhenItComesBeforeTheBackground) {
    ShowOnly({8, 1});
    ws.Redraw();
    EXPECT_TRUE(ws.windowState().surface->OpsOf<Rectangle>().empty());
}

struct DotCase {
    int unsaved;
    Colour colour;
};

void PrintTo(const DotCase& c, std::ostream* os) {
    *os << c.unsaved;
}

class UnsavedDotTest : public MainRedrawTest, public ::testing::WithParamInterface<DotCase> {};

TEST_P(UnsavedDotTest, ColourFollowsThePointsSinceTheLastSave) {
    ShowOnly({});
    ChangeProject(ws, [&](Project& p) { p.imagePath = "/images/a.bmp"; });
    ws.SetFileState(kChanged);
    AddPoints(200);
    ws.SetSavedCount(200 - GetParam().unsaved);
    ws.Redraw();
    const auto dots = ws.windowState().surface->OpsOf<Ellipse>();
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(*dots[0], (Ellipse{{5, 5, 50, 50}, {kBlack, 2, 0}, {GetParam().colour}}));
}

INSTANTIATE_TEST_SUITE_P(Counts, UnsavedDotTest,
                         ::testing::Values(DotCase{0, 32768}, DotCase{39, 32768},
                                           DotCase{40, 65535}, DotCase{79, 65535}, DotCase{80, 255},
                                           DotCase{159, 255}, DotCase{160, 8388736}));

TEST_F(MainRedrawTest, NoDotWithoutUnsavedChanges) {
    ShowOnly({});
    ChangeProject(ws, [&](Project& p) { p.imagePath = "/images/a.bmp"; });
    ws.SetFileState(kUnchanged);
    ws.Redraw();
    EXPECT_TRUE(ws.windowState().surface->OpsOf<Ellipse>().empty());
}

class HistogramTest : public MainRedrawTest {
protected:
    void SetUp() override {
        MainRedrawTest::SetUp();
        ShowOnly({9});
        for (int32_t slot = kFirstType; slot < kFirstType + 6; ++slot) {
            build.DefineType(slot, kText, "Values " + std::to_string(slot));
        }
    }
    // The values come from labelled objects of a type of their own, listed
    // by the statistics pass as the window lists them.
    void Value(double v, bool excluded = false) {
        ASSERT_GT(build.Text(type, std::to_string(static_cast<long long>(v)), excluded), 0);
    }
    void Values(std::initializer_list<double> values) {
        for (double v : values) Value(v);
        Pass();
    }
    void Pass() {
        ws.SetCurrentType(type);
        ws.StatisticsPass();
        ws.SetClassWidth(classWidth);
    }
    static constexpr int32_t kFirstType = 7;
    int32_t type = kFirstType;
    double classWidth = 1000;
    test::MeasuredProject build{ws};
    // BoxSize 252, PerformanceMode 2: box top 1712, baseline 1952.
    static constexpr int32_t kTop = 1712;
    static constexpr int32_t kBase = 1952;
};

TEST_F(HistogramTest, OneClassIsOneBar600PixelsWide) {
    Values({100, 110, 120});
    ws.Redraw();
    const Recording& s = *ws.windowState().surface;
    const auto rects = s.OpsOf<Rectangle>();
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(*rects[0], (Rectangle{{1364, kTop, 1982, kTop + 252}, {kBlack, 2, 0}, {kWhite}}));
    const int32_t u = 270 / 4;
    EXPECT_EQ(*rects[1],
              (Rectangle{{1376, kBase - 3 * u, 1976, kBase}, {16711680, 2, 0}, {16711680}}));
    const auto lines = s.OpsOf<Line>();
    ASSERT_EQ(lines.size(), 4u + 2u);  // levels 0..3, boundaries of one class
    EXPECT_EQ(lines[3]->from, (CanvasPoint{1376, kBase - 3 * u}));
    EXPECT_EQ(lines[3]->to, (CanvasPoint{1976, kBase - 3 * u}));
    EXPECT_EQ(lines[5]->from, (CanvasPoint{1976, kBase - 3 * u}));
    const auto texts = s.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text, "1");
    EXPECT_EQ(texts[0]->at, (CanvasPoint{1370, kTop + 12}));
}

TEST_F(HistogramTest, SmallValuesFallIntoClassZero) {
    Values({400, 1000, 2100, 2400});
    ws.Redraw();
    const auto rects = ws.windowState().surface->OpsOf<Rectangle>();
    ASSERT_EQ(rects.size(), 4u);  // frame and classes 0, 1, 2
    const int32_t u = 270 / 3;
    EXPECT_EQ(rects[1]->rect, (CanvasRect{1376, kBase - u, 1576, kBase}));
    EXPECT_EQ(rects[3]->rect, (CanvasRect{1776, kBase - 2 * u, 1976, kBase}));
}

TEST_F(HistogramTest, NeedsThreeCountedValues) {
    Value(100);
    Value(110, true);
    Value(120);
    Pass();
    ASSERT_EQ(ws.valueList().Count(), 3);
    ws.Redraw();
    EXPECT_TRUE(ws.windowState().surface->OpsOf<Rectangle>().empty());
}

TEST_F(HistogramTest, ValuesBeyondTheClassRangeAreLeftOut) {
    Values({-5000, 100, 110, 120, 1.0e12});
    ws.Redraw();
    EXPECT_EQ(ws.windowState().surface->OpsOf<Rectangle>().size(), 2u);
}

TEST_F(HistogramTest, BarsStayInsideTheFrameAtAnyCount) {
    for (const int values : {3, 7, 9, 40, 270, 998}) {
        for (int k = 0; k < values; ++k) Value(100);
        Value(2100);  // a second class of one value
        Pass();
        ASSERT_EQ(ws.valueList().Count(), values + 1);
        ++type;  // the next count's values under a type of their own
        ws.Redraw();
        const auto rects = ws.windowState().surface->OpsOf<Rectangle>();
        ASSERT_EQ(rects.size(), 3u) << values;
        const CanvasRect frame = rects[0]->rect;
        for (const Rectangle* bar : {rects[1], rects[2]}) {
            EXPECT_GT(bar->rect.top, frame.top) << values;
            EXPECT_LT(bar->rect.top, bar->rect.bottom) << values;  // never flat
            EXPECT_EQ(bar->rect.bottom, kBase);
        }
        for (const Line* line : ws.windowState().surface->OpsOf<Line>()) {
            EXPECT_GT(std::min(line->from.y, line->to.y), frame.top) << values;
        }
    }
}

TEST_F(HistogramTest, AreaClassesAreTheSquareOfTheClassSize) {
    classWidth = 100;  // µm: classes of 10,000 µm²
    Values({112707, 250000, 480000, 1226120});
    // Shown as areas: the values listed stay, the classes become squares.
    program.objectTypes.Find(type)->dataType = kPolygon;
    ws.Redraw();
    const auto rects = ws.windowState().surface->OpsOf<Rectangle>();
    ASSERT_EQ(rects.size(), 5u);
    // Classes 11 to 123: 113 classes of 5 pixels.
    EXPECT_EQ(rects[1]->rect.left, 1376);
    EXPECT_EQ(rects[1]->rect.right, 1381);
    EXPECT_EQ(rects[4]->rect.left, 1376 + 112 * 5);
}

// The statistics box beside a histogram, on the first redraw after its
// right edge moved there: Count and Text rows beside lengths.
TEST_F(MainRedrawTest, StatisticsBoxCellsNeitherOverlapNorLeaveTheBox) {
    test::MeasuredProject build(ws);
    build.DefineType(20, kTwoPointLine, "Length");
    build.DefineType(21, kCount, "Count");
    build.DefineType(22, kText, "Value");
    for (const double v : {4819.3, 9741.2, 7087.05, 5024.1, 9150.9}) build.Line(20, v);
    for (const int m : {3, 4, 4}) build.Count(21, m);
    for (const char* label : {"1,25", "2", "3"}) build.Text(22, label);
    ShowOnly({1, 9, 10});
    ws.SetCurrentType(21);
    ws.StatisticsPass();
    ws.Redraw();

    const int32_t right = 2000 - 648;  // left of the histogram
    const auto texts = ws.windowState().surface->OpsOf<Text>();
    std::map<int32_t, std::vector<const Text*>> lines;
    for (const Text* t : texts) {
        if (t->at.y >= 1712 && t->at.x < right) lines[t->at.y].push_back(t);
    }
    ASSERT_EQ(lines.size(), 4u);  // the header and three types
    for (auto& [y, cells] : lines) {
        std::sort(cells.begin(), cells.end(),
                  [](const Text* a, const Text* b) { return a->at.x < b->at.x; });
        EXPECT_GE(cells.front()->at.x, 12 + 12);
        for (std::size_t i = 0; i + 1 < cells.size(); ++i) {
            EXPECT_LE(cells[i]->at.x + cells[i]->width, cells[i + 1]->at.x) << cells[i]->text;
        }
        EXPECT_LE(cells.back()->at.x + cells.back()->width, right - 12) << cells.back()->text;
    }
    // Counts and labels as they are (a label 1.25 is not rounded), every
    // mean and spread with three places, lengths with their unit.
    std::vector<std::string> rows;
    for (const auto& [y, cells] : lines) {
        std::string row;
        for (const Text* t : cells) row += t->text + "|";
        rows.push_back(row);
    }
    EXPECT_EQ(rows[1].substr(0, rows[1].find('|', rows[1].find('|') + 1)), "Length [mm]|5");
    EXPECT_EQ(rows[2], "Count|3|3-4|3.667|0.577|15.7|3.089-4.244|66.7|");
    EXPECT_EQ(rows[3], "Value|3|1.25-3|2.083|0.878|42.1|1.205-2.961|66.7|");

    // Sizes from a hand-edited configuration: the box is drawn, nothing overflows.
    program.settings.BoxSize = 2147483647;
    program.settings.MaxStatisticsFontSize = 2147483647;
    ws.Redraw();
    for (const Text* t : ws.windowState().surface->OpsOf<Text>()) {
        EXPECT_LE(t->at.x + int64_t{t->width}, 2000) << t->text;
    }
}

TEST_F(MainRedrawTest, GeometryLayerPrintsTheWindowSizes) {
    ShowOnly({2});
    ws.SetWindowGeometry({1920, 1080, 1200, 700, 572, 572, 200, 300});
    ws.Redraw();
    const auto texts = ws.windowState().surface->OpsOf<Text>();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0]->text, "Screen (x/y) : 1920 / 1080");
    EXPECT_EQ(texts[3]->text, "Tabs (y) : 500");
    EXPECT_EQ(texts[4]->text, "Offset (x/y) : 0 / 0 \xB5m");
    EXPECT_EQ(texts[5]->at, (CanvasPoint{10, 260}));
}

class PictureRedrawTest : public MainRedrawTest {
protected:
    std::string WriteImage(int32_t width, int32_t height) {
        PixelImage image;
        EXPECT_TRUE(image.Allocate(width, height));
        for (int32_t y = 0; y < height; ++y) {
            std::fill(image.Row(y), image.Row(y) + image.Stride(), static_cast<uint8_t>(y));
        }
        const std::string path = dir.File("slide.BMP");
        EXPECT_EQ(SaveBitmapFile(path, image.View()), kOk);
        return path;
    }
};

TEST_F(PictureRedrawTest, ALoadedImageFitsTheViewAndDrawsAgain) {
    ChangeProject(ws, [&](Project& p) {
        p.imagePath = WriteImage(2400, 1800);
        p.resolutionDpi = 1200;
        p.fitImagePending = true;
    });
    ws.Redraw();
    const ViewBlock& v = ws.project().view;
    EXPECT_EQ(v.viewLeft, 0);
    EXPECT_EQ(v.viewTop, 0);
    EXPECT_EQ(v.viewSize, 50800);
    EXPECT_EQ(v.rasterLength, 10000);
    EXPECT_EQ(v.fitRectangle, WorldRect{});
    EXPECT_EQ(ws.project().imageInfo, "x=2400 y=1800 (527.3 KB)");
    EXPECT_EQ(ws.windowState().panels[3], "x=2400 y=1800 (527.3 KB)");
    EXPECT_EQ(ws.redrawCount(), 5);  // the nested pass drew once more
    // The nested pass drew the picture at the fitted view: 50,800 µm wide,
    // 38,100 µm (1500 pixels of the surface) high.
    const auto pictures = ws.windowState().surface->OpsOf<draw_op::StretchPicture>();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0]->rect, (CanvasRect{0, 0, 2000, 1500}));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PictureRedrawTest, AFailedPictureStopsTheLaterLayers) {
    ChangeProject(ws, [&](Project& p) {
        p.imagePath = dir.File("missing.jpg");
        p.resolutionDpi = 1200;
        p.fitImagePending = true;
    });
    ws.SetFileState(kChanged);
    ObjectType& frame = *program.objectTypes.Find(121);
    frame.show = true;
    frame.size = 1;
    ws.Redraw();
    EXPECT_EQ(ui.errorDialogs.size(), 1u);
    EXPECT_TRUE(ws.project().fitImagePending);
    const Recording& s = *ws.windowState().surface;
    EXPECT_TRUE(s.OpsOf<Line>().empty());        // no raster, no frame outline
    EXPECT_TRUE(s.OpsOf<Ellipse>().empty());     // no unsaved-work dot
    EXPECT_EQ(s.OpsOf<Rectangle>().size(), 1u);  // the background of layer 1
}

// A JPEG of 2400 x 1600 shown on a display of 500 pixels across the
// field: its first view is decoded at a quarter (600 pixels across), and the
// full picture is asked for once a zoom draws it larger than that.
class FirstViewTest : public PictureRedrawTest {
protected:
    void SetUp() override {
        PictureRedrawTest::SetUp();
        ASSERT_EQ(program.errorTable.LoadErrorTable("korvanix.err", program.programDir), kOk);
        PixelImage image;
        ASSERT_TRUE(image.Allocate(2400, 1600));
        for (int32_t y = 0; y < 1600; ++y) {
            for (int32_t x = 0; x < 2400; ++x) {
                uint8_t* p = image.Row(y) + static_cast<std::size_t>(x) * 3;
                p[0] = static_cast<uint8_t>(x / 10);
                p[1] = static_cast<uint8_t>(y / 10);
                p[2] = 128;
            }
        }
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(EncodeJpeg(image.View(), 90, bytes));
        ChangeProject(ws, [&](Project& p) {
            p.imagePath = dir.Write("large.jpg", std::string(bytes.begin(), bytes.end()));
            p.resolutionDpi = 1200;
            p.fitImagePending = true;
        });
        ws.SetDisplayFieldPixels(500);
    }
    void ZoomToTheMiddle(int64_t side) {
        const int64_t centre = 25400;
        ErrorCode code = kOk;
        ChangeProject(ws, [&](Project& p) {
            code = SetWindow(
                program, p.view,
                {centre - side / 2, centre - side / 2, centre + side / 2, centre + side / 2}, false,
                true);
        });
        ASSERT_EQ(code, kOk);
        ws.Redraw();
    }
};

TEST_F(FirstViewTest, TheFirstViewIsReducedAndAZoomAsksForTheFullPictureOnce) {
    std::vector<std::pair<PictureRequest, uint64_t>> asked;
    ws.SetFullPictureWanted([&](const PictureRequest& request, uint64_t number) {
        asked.emplace_back(request, number);
    });
    ws.Redraw();
    ASSERT_TRUE(ws.project().picture);
    const std::shared_ptr<const Picture> first = ws.project().picture;
    EXPECT_EQ(first->reduction, 4);
    EXPECT_EQ(first->pixels.Width(), 600);
    // Everything the person reads is of the full picture.
    EXPECT_EQ(ws.project().view.imageWidth, 2400);
    EXPECT_EQ(ws.project().view.imageHeight, 1600);
    EXPECT_EQ(ws.project().imageInfo, "x=2400 y=1600 (468.8 KB)");
    EXPECT_TRUE(asked.empty());

    // A little closer still draws fewer pixels than the first view has.
    ZoomToTheMiddle(50000);
    EXPECT_TRUE(asked.empty());
    // Twice as close needs more: asked once, however often it is drawn.
    ZoomToTheMiddle(20000);
    ws.Redraw();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first.path, ws.project().imagePath);
    EXPECT_EQ(asked[0].first.options.wantedSide, 0);
    EXPECT_EQ(asked[0].first.options.background, static_cast<uint32_t>(program.settings.Colour1));
    EXPECT_EQ(ws.project().picture, first);  // meanwhile the reduced one is shown

    // The result of an older request, or of another picture, is not taken.
    auto full = std::make_shared<Picture>();
    ASSERT_EQ(ReadPicture(asked[0].first, *full), DecodeStatus::Ok);
    EXPECT_FALSE(ws.AdoptFullPicture(asked[0].second + 1, full, DecodeStatus::Ok));
    const int before = notified;
    EXPECT_TRUE(ws.AdoptFullPicture(asked[0].second, full, DecodeStatus::Ok));
    EXPECT_EQ(notified, before + 1);  // redrawn with it
    EXPECT_FALSE(ws.project().picture->Reduced());
    EXPECT_EQ(ws.project().picture->pixels.Width(), 2400);
    const auto pictures = ws.windowState().surface->OpsOf<draw_op::StretchPicture>();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0]->picture, ws.project().picture);
    EXPECT_TRUE(ui.errorDialogs.empty());
}

TEST_F(FirstViewTest, WithoutABackgroundDecodeOrForAMetafileTheFullPictureComesAtOnce) {
    ws.Redraw();
    ASSERT_TRUE(ws.project().picture->Reduced());
    ZoomToTheMiddle(20000);
    EXPECT_FALSE(ws.project().picture->Reduced());

    // A metafile holds the picture at one pixel per surface pixel: 2000
    // across the fitted view needs more than the first view's 600. It does
    // not wait for the background either, even when that was asked already.
    ChangeProject(ws, [&](Project& p) { p.fitImagePending = true; });
    ws.Redraw();
    ASSERT_TRUE(ws.project().picture->Reduced());
    int asked = 0;
    ws.SetFullPictureWanted([&](const PictureRequest&, uint64_t) { ++asked; });
    ws.SetMetafileOutputPath(dir.File("view.wmf"));
    ws.Redraw();
    ws.SetMetafileOutputPath({});
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(ws.project().picture->Reduced());

    ChangeProject(ws, [&](Project& p) { p.fitImagePending = true; });
    ws.Redraw();
    ZoomToTheMiddle(20000);
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(ws.project().picture->Reduced());
    ws.SetMetafileOutputPath(dir.File("view.wmf"));
    ws.Redraw();
    ws.SetMetafileOutputPath({});
    EXPECT_FALSE(ws.project().picture->Reduced());
}

TEST_F(FirstViewTest, AFullPictureThatCannotBeDecodedIsReportedAndTheFirstViewStays) {
    std::optional<uint64_t> number;
    ws.SetFullPictureWanted([&](const PictureRequest&, uint64_t n) { number = n; });
    ws.Redraw();
    ZoomToTheMiddle(20000);
    ASSERT_TRUE(number.has_value());
    EXPECT_FALSE(
        ws.AdoptFullPicture(*number, std::make_shared<Picture>(), DecodeStatus::OutOfMemory));
    ASSERT_EQ(ui.errorDialogs.size(), 1u);
    EXPECT_EQ(ui.errorDialogs[0].mainText, program.GetMessage(2383));
    EXPECT_TRUE(ws.project().picture->Reduced());
    // Not asked again for the same picture.
    number.reset();
    ws.Redraw();
    EXPECT_FALSE(number.has_value());
}

}  // namespace
}  // namespace kvx
