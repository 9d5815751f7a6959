#include "core/draw/render_objects.hpp"

#include <gtest/gtest.h>

#include <array>
#include <ostream>

#include "common/fake_ui.hpp"
#include "common/temp_dir.hpp"
#include "core/draw/recording.hpp"
#include "core/program/program.hpp"
#include "core/project/measured_object.hpp"

namespace kvx {
namespace {

using draw_op::Ellipse;
using draw_op::Line;
using draw_op::Pixel;
using draw_op::Polygon;
using draw_op::Polyline;
using draw_op::Rectangle;
using draw_op::Text;

// Text metrics simple enough to follow by hand: every character is as many
// pixels wide as the font's size, a line twice as high.
class SizeMetrics : public TextMetrics {
public:
    int32_t TextWidth(const Font& font, std::string_view text) const override {
        return static_cast<int32_t>(text.size()) * font.size;
    }
    int32_t TextHeight(const Font& font, std::string_view) const override { return 2 * font.size; }
};

TEST(FormatLengthTest, UnitsDecimalsAndTrimming) {
    EXPECT_EQ(FormatLength(15000, 100000, true, 1), "1.5 cm");
    EXPECT_EQ(FormatLength(3000, 9000, true, 1), "3 mm");
    EXPECT_EQ(FormatLength(100000, 1000000, true, 1), "10 cm");
    EXPECT_EQ(FormatLength(1500, 2000, false, 1), "1.5");
    EXPECT_EQ(FormatLength(1234, 2000, false, 1), "1.234");
    EXPECT_EQ(FormatLength(1234, 2001, false, 1), "1.23");
    EXPECT_EQ(FormatLength(15000, 100000, true, 0), "1,5 cm");
    // 20,000 is still millimetres with two decimals; one more switches to cm.
    EXPECT_EQ(FormatLength(12340, 20000, true, 1), "12.34 mm");
    EXPECT_EQ(FormatLength(12340, 20001, true, 1), "1.2 cm");
    EXPECT_EQ(FormatLength(0, 20001, true, 1), "0 cm");
}

TEST(FontScaleTest, RoundsHalvesToEven) {
    EXPECT_EQ(ScaledFontSize(8), 17);
    EXPECT_EQ(ScaledFontSize(10), 21);  // 21.25
    EXPECT_EQ(ScaledFontSize(2), 4);    // 4.25
    EXPECT_EQ(ScaledFontSize(12), 26);  // 25.5 → 26
    EXPECT_EQ(ScaledFontSize(4), 8);    // 8.5 → 8
    // Sizes of a damaged object-type file stay within int32 when scaled.
    EXPECT_EQ(ScaledFontSize(2147483647), 10000);
    EXPECT_EQ(ScaledFontSize(-2147483647 - 1), -10000);
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(history.Create(program.registry, 1024), kOk);
        ASSERT_TRUE(World(program, view));  // 500 µm per surface pixel
    }

    ObjectType& Type(int slot, DataType dataType) {
        ObjectType& t = *program.objectTypes.Find(slot);
        t.dataClass = kClassUser;
        t.dataType = dataType;
        t.show = true;
        t.colour = 255;
        t.size = 2;
        t.textFont = "Arial";
        t.textColour = 0xFF0000;
        return t;
    }
    void Add(int type, double x, double y, int kind, std::string name = {}) {
        MeasuredObject p;
        p.typeIndex = type;
        p.x = x;
        p.y = y;
        p.vertexKind = kind;
        p.name = std::move(name);
        ASSERT_TRUE(history.Append(p));
    }
    MeasuredObject& Last() {
        edited = history.Peek(history.Count());
        return edited;
    }
    void StoreLast() { history.Put(history.Count(), edited); }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.Path().string()};
    Settings& settings = program.settings;
    ViewBlock view;
    History history;
    MeasuredObject edited;
    SizeMetrics metrics;
    Recording rec{2000, 2000, metrics};
    ObjectRenderer renderer{view, program.settings, program.objectTypes, rec};
};

// ---- frame and raster --------------------------------------------------------

TEST_F(RenderTest, FrameFilledOrOutlinedInItsSlotStyle) {
    renderer.DrawFrame(kWhite, true);
    EXPECT_TRUE(rec.Empty());  // slot not shown

    ObjectType& frame = Type(kDecorationFrame, kLine);
    frame.colour = 0x123456;
    frame.size = 3;
    frame.attribute = kPenDot;
    renderer.DrawFrame(0x00EEEEEE, true);
    ASSERT_EQ(rec.Size(), 1u);
    EXPECT_EQ(std::get<Rectangle>(rec.Ops()[0]),
              (Rectangle{{0, 0, 2000, 2000}, {0x123456, 3, kPenDot}, {0x00EEEEEE}}));

    rec.Clear();
    renderer.DrawFrame(kBlack, false);
    const auto lines = rec.OpsOf<Line>();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]->from, (CanvasPoint{0, 0}));
    EXPECT_EQ(lines[0]->to, (CanvasPoint{0, 2000}));
    EXPECT_EQ(lines[1]->to, (CanvasPoint{2000, 2000}));
    EXPECT_EQ(lines[2]->to, (CanvasPoint{2000, 0}));
    EXPECT_EQ(lines[3]->to, (CanvasPoint{0, 0}));
}

class RasterTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        Type(kDecorationHorizontalLines, kLine).colour = 0x00AA00;
        Type(kDecorationVerticalLines, kLine).colour = 0x0000AA;
        Type(kDecorationHorizontalLabels, kText).size = 10;
        Type(kDecorationVerticalLabels, kText).size = 10;
    }
};

TEST_F(RasterTest, LinesOnlyStrictlyInsideTheView) {
    renderer.DrawRaster();
    const auto lines = rec.OpsOf<Line>();
    ASSERT_EQ(lines.size(), 6u);  // 250, 500 and 750 mm; not 0 nor 1000
    EXPECT_EQ(*lines[0], (Line{{500, 0}, {500, 2000}, {0x0000AA, 2, 0}}));
    EXPECT_EQ(lines[2]->from, (CanvasPoint{1500, 0}));
    EXPECT_EQ(*lines[3], (Line{{0, 500}, {2000, 500}, {0x00AA00, 2, 0}}));
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0]->text, "25 cm");
    EXPECT_EQ(texts[0]->at, (CanvasPoint{510, 10}));
    EXPECT_EQ(texts[0]->font.size, 21);
    EXPECT_EQ(texts[0]->brush, (Brush{kWhite}));
    EXPECT_EQ(texts[3]->at, (CanvasPoint{10, 510}));
}

TEST_F(RasterTest, LabelsThatWouldOverlapTheirPredecessorAreSkipped) {
    // Size 48 → 102 points: "25 cm" is 510 pixels wide with these metrics,
    // so the label at 1010 would start inside the first (510 .. 1020).
    program.objectTypes.Find(kDecorationVerticalLabels)->size = 48;
    program.objectTypes.Find(kDecorationHorizontalLabels)->show = false;
    renderer.DrawRaster();
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->text, "25 cm");
    EXPECT_EQ(texts[1]->text, "75 cm");
    EXPECT_EQ(texts[1]->at, (CanvasPoint{1510, 10}));
}

TEST_F(RasterTest, AMinimumSizeRaisesSmallLabelsAndTheirSpacingFollows) {
    // Raised from 21 to 102 points, the labels are spaced as at that size.
    renderer.SetMinimumLabelSize(102);
    program.objectTypes.Find(kDecorationHorizontalLabels)->size = 120;
    renderer.DrawRaster();
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0]->font.size, 102);
    EXPECT_EQ(texts[1]->text, "75 cm");
    EXPECT_EQ(texts[1]->at, (CanvasPoint{1510, 10}));
    // A style larger than the minimum keeps its own size.
    EXPECT_EQ(texts[2]->font.size, 255);
}

TEST_F(RasterTest, HorizontalLabelsMustFitAboveTheBottomEdge) {
    // Size 120 → 255 points, 510 pixels high: 1510 + 510 reaches past 2000.
    program.objectTypes.Find(kDecorationHorizontalLabels)->size = 120;
    program.objectTypes.Find(kDecorationVerticalLabels)->show = false;
    renderer.DrawRaster();
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1]->at, (CanvasPoint{10, 1010}));
}

TEST_F(RasterTest, NothingWithoutARasterLength) {
    view.rasterLength = 0;
    renderer.DrawRaster();
    EXPECT_TRUE(rec.Empty());
}

// ---- lines and two-point lines ------------------------------------------------

TEST_F(RenderTest, LinesUseTheTypeStyleAndTheObjectOverrides) {
    Type(1, kLine).attribute = kPenDash;
    Add(1, 100000, 100000, 1);
    Add(1, 200000, 100000, 2);
    Add(1, 200000, 300000, 2);
    Add(1, 0, 0, 1);
    Last().colourOverride = 0x00FF00;
    edited.sizeOverride = 5;
    StoreLast();
    Add(1, 10000, 0, 2);
    Add(1, 0, 0, 1);
    Last().excluded = true;
    edited.colourOverride = 0x00FF00;
    StoreLast();
    Add(1, 0, 10000, 2);
    EXPECT_EQ(renderer.DrawObjects(history, 0, 0), 0);

    const auto lines = rec.OpsOf<Line>();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(*lines[0], (Line{{200, 200}, {400, 200}, {255, 2, kPenDash}}));
    EXPECT_EQ(*lines[1], (Line{{400, 200}, {400, 600}, {255, 2, kPenDash}}));
    EXPECT_EQ(lines[2]->pen, (Pen{0x00FF00, 5, kPenDash}));
    EXPECT_EQ(lines[3]->pen, (Pen{settings.Colour2, 2, kPenDash}));
}

TEST_F(RenderTest, OtherTypesAreDimmedToThinBlackLines) {
    Type(1, kLine).attribute = kPenDash;
    Type(2, kLine);
    Add(1, 0, 0, 1);
    Add(1, 10000, 0, 2);
    Add(2, 0, 0, 1);
    Add(2, 10000, 0, 2);
    renderer.DrawObjects(history, 0, 2);
    const auto lines = rec.OpsOf<Line>();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]->pen, (Pen{kBlack, 1, kPenSolid}));
    EXPECT_EQ(lines[1]->pen, (Pen{255, 2, kPenSolid}));

    rec.Clear();
    settings.HideNonCurrent = 0;
    renderer.DrawObjects(history, 0, 2);
    EXPECT_EQ(rec.OpsOf<Line>()[0]->pen, (Pen{255, 2, kPenDash}));
}

TEST_F(RenderTest, TwoPointLineHasEndTicksAndItsLengthForTheCurrentType) {
    Type(6, kTwoPointLine);
    Add(6, 400000, 100000, 1);  // (800, 200)
    Add(6, 100000, 100000, 2);  // (200, 200): a = −600 div 15 = −40, b = 0
    renderer.DrawObjects(history, 0, 6);
    const auto lines = rec.OpsOf<Line>();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1]->from, (CanvasPoint{800, 240}));
    EXPECT_EQ(lines[1]->to, (CanvasPoint{800, 160}));
    EXPECT_EQ(lines[2]->from, (CanvasPoint{200, 240}));
    EXPECT_EQ(lines[2]->to, (CanvasPoint{200, 160}));
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text, "300000.00");
    EXPECT_EQ(texts[0]->at, (CanvasPoint{205, 205}));
    EXPECT_EQ(texts[0]->font.name, "Courier");
    EXPECT_EQ(texts[0]->font.size, 24);
    EXPECT_EQ(texts[0]->font.colour, kBlack);
    EXPECT_EQ(texts[0]->brush, (Brush{kWhite}));

    rec.Clear();
    renderer.DrawObjects(history, 0, 0);  // not the current type: no length
    EXPECT_TRUE(rec.OpsOf<Text>().empty());
    EXPECT_EQ(rec.OpsOf<Line>().size(), 3u);
}

TEST_F(RenderTest, TicksFollowTheSlopeWithTruncatedSteps) {
    Type(6, kTwoPointLine);
    Add(6, 100000, 100000, 1);  // (200, 200)
    Add(6, 111000, 151000, 2);  // (222, 302): a = 22 div 15 = 1, b = 102 div 15 = 6
    renderer.DrawObjects(history, 0, 0);
    const auto lines = rec.OpsOf<Line>();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1]->from, (CanvasPoint{206, 199}));
    EXPECT_EQ(lines[1]->to, (CanvasPoint{194, 201}));
    EXPECT_EQ(lines[2]->from, (CanvasPoint{228, 301}));
    EXPECT_EQ(lines[2]->to, (CanvasPoint{216, 303}));
}

TEST_F(RenderTest, ModifyModeDrawsNumberedHandlesInsteadOfTicks) {
    Type(6, kTwoPointLine).attribute = kPenDot;
    settings.EditModeNbr = 1;
    settings.PointSizeModify = 20;
    Add(6, 400000, 100000, 1);
    Add(6, 100000, 100000, 2);
    renderer.DrawObjects(history, 1, 6);
    const auto ellipses = rec.OpsOf<Ellipse>();
    ASSERT_EQ(ellipses.size(), 2u);
    EXPECT_EQ(ellipses[0]->rect, (CanvasRect{780, 180, 820, 220}));
    EXPECT_EQ(ellipses[0]->brush, (Brush{kRed}));
    EXPECT_EQ(ellipses[0]->pen, (Pen{kRed, 1, kPenDot}));
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 2u);  // the numbers only, no length
    EXPECT_EQ(texts[0]->text, "1");
    EXPECT_EQ(texts[0]->at, (CanvasPoint{780, 178}));
    EXPECT_EQ(texts[1]->text, "2");
    // The handle pen stays current for the segment after it.
    const auto lines = rec.OpsOf<Line>();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->pen, (Pen{kRed, 1, kPenDot}));
}

// ---- points and their labels -------------------------------------------------------

class SymbolTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        ObjectType& t = Type(2, kPoint);
        t.symbolNumber = 'A';
        t.symbolFont = "Symbols";
        t.symbolSize = 8;  // 17 points: 'A' is 17 × 34, half 8 × 17
        t.style = kFontBold;
        t.size = 10;  // labels at 21 points
        t.attribute = kFontItalic;
        t.showLabel = true;
    }
};

TEST_F(SymbolTest, CharacterCentredAndLabelAtItsLowerRight) {
    Add(2, 500000, 500000, 0, "P1");
    renderer.DrawObjects(history, 0, 0);
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->text, "A");
    EXPECT_EQ(texts[0]->at, (CanvasPoint{992, 983}));
    EXPECT_EQ(texts[0]->font, (Font{"Symbols", 17, kFontBold, 255}));
    EXPECT_EQ(texts[0]->brush, (Brush{settings.Colour1, BrushStyle::kSolid}));
    EXPECT_EQ(texts[1]->text, "P1");
    EXPECT_EQ(texts[1]->at, (CanvasPoint{1008, 1017}));
    EXPECT_EQ(texts[1]->font, (Font{"Arial", 21, kFontItalic, 0xFF0000}));
}

TEST_F(SymbolTest, SymbolTouchingTheBorderIsLeftOutButTheLabelStays) {
    Add(2, 4000, 500000, 0, "Edge");  // sx 8: 8 − 8 is not inside
    renderer.DrawObjects(history, 0, 0);
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text, "Edge");
    EXPECT_EQ(texts[0]->at, (CanvasPoint{16, 1017}));
}

TEST_F(SymbolTest, LabelsAreCutAtTheRightEdgeAndDroppedAtTheBottom) {
    Add(2, 950000, 500000, 0, "ABCDEFG");  // 1900 + 8 + 4 × 21 = 1992
    Add(2, 999000, 400000, 0, "XYZ");      // 1998 + 8: not even one character
    Add(2, 500000, 975000, 0, "Low");      // 1950 + 17 + 42 = 2009
    renderer.DrawObjects(history, 0, 0);
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 3u);  // two symbols (the second is at the edge) and one label
    EXPECT_EQ(texts[1]->text, "ABCD");
    EXPECT_EQ(texts[2]->text, "A");
    EXPECT_EQ(texts[2]->at, (CanvasPoint{992, 1933}));
}

TEST_F(SymbolTest, ExcludedPointsAreDrawnInTheExclusionColour) {
    Add(2, 500000, 500000, 0, "Out");
    Last().excluded = true;
    StoreLast();
    renderer.DrawObjects(history, 0, 0);
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->font.colour, settings.Colour2);
    EXPECT_EQ(texts[1]->font.colour, settings.Colour2);
}

TEST_F(SymbolTest, DimmedCharactersKeepTheirColourOnAClearBrush) {
    Add(2, 500000, 500000, 0, "P");
    renderer.DrawObjects(history, 0, 9);
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->font.colour, 255);
    EXPECT_EQ(texts[0]->brush.style, BrushStyle::kClear);
    EXPECT_EQ(texts[1]->brush, (Brush{settings.Colour1}));
}

TEST_F(SymbolTest, PointsOutsideTheViewAreNotDrawnAndLabelsNeedTheSwitch) {
    Add(2, 500000, 500000, 0, "Hidden label");
    ASSERT_EQ(SetWindow(program, view, {600000, 0, 700000, 100000}, false, false), kOk);
    renderer.DrawObjects(history, 0, 0);
    EXPECT_TRUE(rec.Empty());

    ASSERT_TRUE(World(program, view));
    program.objectTypes.Find(2)->showLabel = false;
    renderer.DrawObjects(history, 0, 0);
    EXPECT_EQ(rec.OpsOf<Text>().size(), 1u);  // the symbol only

    rec.Clear();
    ObjectType& text = Type(4, kText);
    text.size = 10;
    Add(4, 500000, 500000, 0, "Always");
    renderer.DrawObjects(history, 0, 0);
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1]->text, "Always");
    EXPECT_EQ(texts[1]->at, (CanvasPoint{1000, 1000}));  // no symbol: no offset
}

struct ShapeCase {
    int shape;
    const char* kind;  // "pixel", "ellipse", "rectangle", "polygon"
    Colour fill;       // −2: the symbol's colour
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << "shape " << c.shape;
}

class ShapeTable : public SymbolTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(ShapeTable, DrawsTheShapeAndOffsetsTheLabelByItsRadius) {
    ObjectType& t = *program.objectTypes.Find(2);
    t.symbolNumber = GetParam().shape * 256;
    t.symbolSize = 6;
    Add(2, 500000, 500000, 0, "L");
    renderer.DrawObjects(history, 0, 0);
    const std::string kind = GetParam().kind;
    const Colour fill = GetParam().fill == -2 ? 255 : GetParam().fill;
    const CanvasRect box{994, 994, 1006, 1006};
    if (kind == "pixel") {
        ASSERT_EQ(rec.OpsOf<Pixel>().size(), 1u);
        EXPECT_EQ(*rec.OpsOf<Pixel>()[0], (Pixel{{1000, 1000}, 255}));
    } else if (kind == "ellipse") {
        ASSERT_EQ(rec.OpsOf<Ellipse>().size(), 1u);
        EXPECT_EQ(rec.OpsOf<Ellipse>()[0]->rect, box);
        EXPECT_EQ(rec.OpsOf<Ellipse>()[0]->brush, (Brush{fill}));
        EXPECT_EQ(rec.OpsOf<Ellipse>()[0]->pen.colour, 255);
    } else if (kind == "rectangle") {
        ASSERT_EQ(rec.OpsOf<Rectangle>().size(), 1u);
        EXPECT_EQ(rec.OpsOf<Rectangle>()[0]->rect, box);
        EXPECT_EQ(rec.OpsOf<Rectangle>()[0]->brush, (Brush{fill}));
    } else if (kind == "polygon") {
        ASSERT_EQ(rec.OpsOf<Polygon>().size(), 1u);
        const Polygon& p = *rec.OpsOf<Polygon>()[0];
        EXPECT_EQ(p.points,
                  (std::vector<CanvasPoint>{{1000, 994}, {1006, 1000}, {1000, 1006}, {994, 1000}}));
        EXPECT_EQ(p.brush.colour, fill);
        EXPECT_EQ(p.pen, (Pen{255, 1, kPenSolid}));
    }
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 1u);
    const int32_t offset = kind == "pixel" || kind == "none" ? 0 : 7;
    EXPECT_EQ(texts[0]->at, (CanvasPoint{1000 + offset, 1000 + offset}));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapeTable,
    ::testing::Values(ShapeCase{1, "pixel", 0}, ShapeCase{2, "ellipse", kWhite},
                      ShapeCase{3, "ellipse", -2}, ShapeCase{4, "rectangle", kWhite},
                      ShapeCase{5, "rectangle", -2}, ShapeCase{6, "polygon", kWhite},
                      ShapeCase{7, "polygon", -2}, ShapeCase{8, "none", 0}));

TEST_F(SymbolTest, DiamondsAreDrawnEvenAtTheBorder) {
    ObjectType& t = *program.objectTypes.Find(2);
    t.symbolNumber = 6 * 256;
    t.symbolSize = 6;
    Add(2, 1000, 1000, 0);  // (2, 2)
    t.symbolNumber = 2 * 256;
    renderer.DrawObjects(history, 0, 0);
    EXPECT_TRUE(rec.Empty());  // a circle there does not fit
    t.symbolNumber = 6 * 256;
    renderer.DrawObjects(history, 0, 0);
    EXPECT_EQ(rec.OpsOf<Polygon>().size(), 1u);
}

// ---- polygons and counts -----------------------------------------------------------

class PolygonTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        ObjectType& poly = Type(5, kPolygon);
        poly.textColour = 0x00FFFF;
        poly.attribute = kPenDash;
        ObjectType& count = Type(7, kCount);
        count.symbolNumber = 3 * 256;
        count.symbolSize = 4;
        count.size = 12;
        count.textFont = "Courier New";
        count.textColour = 0x0000AA;
    }
    void Triangle(int type, double x0) {
        Add(type, x0, 100000, 1);
        Add(type, x0 + 100000, 100000, 2);
        Add(type, x0 + 100000, 400000, 2);
        Add(type, x0, 100000, 2);  // closing copy
    }
};

TEST_F(PolygonTest, FilledPolygonWithTheTypeFillAndPen) {
    Triangle(5, 100000);
    EXPECT_EQ(renderer.DrawPolygons(history, 0, 0), kOk);
    ASSERT_EQ(rec.Size(), 1u);
    const Polygon& p = std::get<Polygon>(rec.Ops()[0]);
    EXPECT_EQ(p.points, (std::vector<CanvasPoint>{{200, 200}, {400, 200}, {400, 800}, {200, 200}}));
    EXPECT_EQ(p.brush, (Brush{0x00FFFF}));
    EXPECT_EQ(p.pen, (Pen{255, 2, kPenDash}));
}

TEST_F(PolygonTest, UnfilledAndDimmedPolygonsAreOpenOutlines) {
    program.objectTypes.Find(5)->textColour = -100;
    Triangle(5, 100000);
    EXPECT_EQ(renderer.DrawPolygons(history, 0, 0), kOk);
    ASSERT_EQ(rec.OpsOf<Polyline>().size(), 1u);
    EXPECT_EQ(rec.OpsOf<Polyline>()[0]->points.size(), 4u);

    rec.Clear();
    program.objectTypes.Find(5)->textColour = 0x00FFFF;
    EXPECT_EQ(renderer.DrawPolygons(history, 0, 7), kOk);
    ASSERT_EQ(rec.OpsOf<Polyline>().size(), 1u);
    EXPECT_EQ(rec.OpsOf<Polyline>()[0]->pen, (Pen{kBlack, 1, kPenSolid}));
}

TEST_F(PolygonTest, CountShowsEverySymbolAndTheNumberAtTheCentroid) {
    Add(7, 100000, 100000, 1);  // (200, 200)
    Add(7, 200000, 100000, 2);  // (400, 200)
    Add(7, 200000, 201000, 2);  // (400, 402)
    EXPECT_EQ(renderer.DrawPolygons(history, 0, 0), kOk);
    const auto symbols = rec.OpsOf<Ellipse>();
    ASSERT_EQ(symbols.size(), 3u);
    EXPECT_EQ(symbols[0]->rect, (CanvasRect{196, 196, 204, 204}));
    EXPECT_EQ(symbols[2]->brush, (Brush{255}));
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text, "2");
    EXPECT_EQ(texts[0]->at, (CanvasPoint{333, 267}));  // 1000 div 3, 802 div 3
    EXPECT_EQ(texts[0]->font.name, "Courier New");
    EXPECT_EQ(texts[0]->font.size, 12);  // not scaled
    EXPECT_EQ(texts[0]->font.colour, 0x0000AA);
    EXPECT_EQ(texts[0]->brush, (Brush{kWhite}));
}

TEST_F(PolygonTest, CountOfOnePointDrawsNothing) {
    Add(7, 100000, 100000, 1);
    Triangle(5, 500000);
    EXPECT_EQ(renderer.DrawPolygons(history, 0, 0), kOk);
    EXPECT_EQ(rec.Size(), 1u);  // the polygon
    EXPECT_EQ(rec.OpsOf<Polygon>().size(), 1u);
}

TEST_F(PolygonTest, ExcludedAndDimmedCounts) {
    Add(7, 100000, 100000, 1);
    Last().excluded = true;
    StoreLast();
    Add(7, 200000, 100000, 2);
    EXPECT_EQ(renderer.DrawPolygons(history, 0, 0), kOk);
    auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->font.colour, settings.Colour2);
    EXPECT_EQ(rec.OpsOf<Ellipse>()[0]->pen.colour, settings.Colour2);

    rec.Clear();
    EXPECT_EQ(renderer.DrawPolygons(history, 0, 5), kOk);  // dimmed: black symbols, no number
    EXPECT_TRUE(rec.OpsOf<Text>().empty());
    ASSERT_EQ(rec.OpsOf<Ellipse>().size(), 2u);
    EXPECT_EQ(rec.OpsOf<Ellipse>()[0]->pen.colour, kBlack);
    EXPECT_EQ(rec.OpsOf<Ellipse>()[0]->brush.style, BrushStyle::kClear);
}

TEST_F(PolygonTest, ModifyModeNumbersTheVerticesOfEachObject) {
    settings.EditModeNbr = 1;
    settings.PointSizeModify = 5;
    Triangle(5, 100000);
    Add(7, 100000, 100000, 1);
    Add(7, 200000, 100000, 2);
    EXPECT_EQ(renderer.DrawPolygons(history, 1, 0), kOk);
    EXPECT_EQ(rec.OpsOf<Polygon>().size(), 1u);
    const auto handles = rec.OpsOf<Ellipse>();
    ASSERT_EQ(handles.size(), 6u);  // no count symbols in modify mode
    EXPECT_EQ(handles[0]->rect, (CanvasRect{195, 195, 205, 205}));
    EXPECT_EQ(handles[0]->brush, (Brush{kRed}));
    EXPECT_EQ(handles[0]->pen, (Pen{kRed, 1, kPenDash}));
    const auto texts = rec.OpsOf<Text>();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0]->text, "1");
    EXPECT_EQ(texts[0]->at, (CanvasPoint{205, 190}));
    EXPECT_EQ(texts[0]->font, (Font{"Arial", 17, 0, kBlack}));
    EXPECT_EQ(texts[4]->text, "1");  // the count starts again at 1
}

TEST_F(PolygonTest, ABufferOf512PointsIgnoresEverythingAfterIt) {
    Add(5, 0, 0, 1);
    for (int k = 1; k < 600; ++k) Add(5, k * 1000.0, (k % 2) * 1000.0, 2);
    Triangle(5, 100000);
    Triangle(7, 100000);
    EXPECT_EQ(renderer.DrawPolygons(history, 0, 0), kOk);
    ASSERT_EQ(rec.Size(), 1u);
    EXPECT_EQ(std::get<Polygon>(rec.Ops()[0]).points.size(), 512u);
}

TEST_F(RenderTest, PendingPointsAreRedMarkersJoinedInPairs) {
    Type(6, kTwoPointLine);
    Type(1, kLine);
    settings.PointSizeCapture = 10;
    const std::vector<PendingMarker> pending{
        {100000, 100000, 6, 1}, {200000, 100000, 6, 2}, {0, 0, 0, 1}, {300000, 300000, 1, 1}};
    renderer.DrawPendingPoints(pending);
    const auto markers = rec.OpsOf<Ellipse>();
    ASSERT_EQ(markers.size(), 3u);
    EXPECT_EQ(*markers[0], (Ellipse{{190, 190, 210, 210}, {kRed, 1, 0}, {kRed}}));
    const auto lines = rec.OpsOf<Line>();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(*lines[0], (Line{{200, 200}, {400, 200}, {kRed, 1, 0}}));
}

TEST(RecordingTest, ShapesAreNormalizedAndTextIsMeasured) {
    ApproxTextMetrics metrics;
    Recording rec(2000, 2000, metrics);
    rec.Rectangle(48, 1916, 200, 1796);
    EXPECT_EQ(rec.OpsOf<Rectangle>()[0]->rect, (CanvasRect{48, 1796, 200, 1916}));
    rec.font() = Font{"Arial", 24};  // 32 pixels to the em
    rec.TextOut(1, 2, "abcd");
    const Text& t = *rec.OpsOf<Text>()[0];
    EXPECT_EQ(t.width, 64);
    EXPECT_EQ(t.height, 37);  // 36.8
    rec.MoveTo(1, 1);
    rec.LineTo(5, 5);
    rec.LineTo(9, 1);
    EXPECT_EQ(rec.OpsOf<Line>()[1]->from, (CanvasPoint{5, 5}));
}

TEST(RecordingTest, WhatLiesWhollyOutsideTheSurfaceIsNotRecorded) {
    ApproxTextMetrics metrics;
    Recording rec(200, 100, metrics);
    rec.SetPen(kBlack, 1);
    rec.Line({-50, -50}, {-10, -10});  // beyond the top left corner
    rec.Line({-50, 50}, {250, 50});    // crosses the whole surface
    rec.Line({250, 0}, {300, 100});    // right of it
    EXPECT_EQ(rec.OpsOf<Line>().size(), 1u);
    // A wide pen reaches in from just outside.
    rec.SetPen(kBlack, 9);
    rec.Line({-4, 0}, {-4, 100});
    EXPECT_EQ(rec.OpsOf<Line>().size(), 2u);
    rec.SetPen(kBlack, 1);
    rec.Ellipse(300, 10, 320, 30);
    rec.Rectangle(10, 120, 30, 140);
    rec.Rectangle(-20, -20, 400, 400);  // holds the whole surface
    const std::array<CanvasPoint, 3> far{{{500, 500}, {600, 500}, {550, 600}}};
    const std::array<CanvasPoint, 3> around{{{-100, -100}, {400, -100}, {100, 400}}};
    rec.Polygon(far);
    rec.Polyline(far);
    rec.Polygon(around);
    rec.SetPixel(200, 100, kBlack);
    rec.SetPixel(201, 50, kBlack);
    EXPECT_TRUE(rec.OpsOf<Ellipse>().empty());
    EXPECT_EQ(rec.OpsOf<Rectangle>().size(), 1u);
    EXPECT_EQ(rec.OpsOf<Polygon>().size(), 1u);
    EXPECT_TRUE(rec.OpsOf<Polyline>().empty());
    EXPECT_EQ(rec.OpsOf<Pixel>().size(), 1u);
    // A text that starts left of the surface still shows its end.
    rec.font() = Font{"Arial", 24};
    rec.TextOut(-40, 10, "abcd");  // 64 pixels wide
    rec.TextOut(-120, 10, "abcd");
    rec.TextOut(10, -80, "abcd");
    ASSERT_EQ(rec.OpsOf<Text>().size(), 1u);
    EXPECT_EQ(rec.OpsOf<Text>()[0]->at, (CanvasPoint{-40, 10}));
}

}  // namespace
}  // namespace kvx
