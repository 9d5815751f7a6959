// Capturing objects of every data type through press and release events.
#include "core/measure/capture.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/measure_fixture.hpp"

namespace kvx {
namespace {

using test::MeasureTest;
using namespace test;  // type slots

TEST_F(MeasureTest, TwoPointLineIsStoredAsOnePairAndEndsMeasureMode) {
    Choose(kTplType);
    ws.MeasureCommand();
    EXPECT_EQ(ws.captureState(), 1);
    EXPECT_FALSE(ws.cboEnabled());
    Click(100, 100);
    Click(400, 500);
    ASSERT_EQ(ws.pendingPoints().size(), 2u);
    EXPECT_EQ(ws.pendingPoints()[1].vertexKind, 2);
    EXPECT_EQ(ws.history().Count(), 0);
    ws.MeasureCommand();

    ASSERT_EQ(ws.history().Count(), 2);
    EXPECT_EQ(At(1).x, 10000.0);
    EXPECT_EQ(At(1).y, 10000.0);
    EXPECT_EQ(At(1).vertexKind, 1);
    EXPECT_EQ(At(2).x, 40000.0);
    EXPECT_EQ(At(2).y, 50000.0);
    EXPECT_EQ(At(2).vertexKind, 2);
    EXPECT_EQ(At(1).typeIndex, kTplType);
    EXPECT_FALSE(At(1).excluded);
    // A new object takes its type's own display values.
    EXPECT_EQ(At(1).colourOverride, program.objectTypes.At(kTplType).colour);
    EXPECT_EQ(At(2).colourOverride, -1);
    EXPECT_EQ(ws.fileState(), kChanged);
    EXPECT_EQ(ws.captureState(), 0);
    EXPECT_TRUE(ws.cboEnabled());
    EXPECT_TRUE(ws.pendingPoints().empty());
    // 30,000 by 40,000 µm.
    ASSERT_EQ(ws.valueList().Count(), 1);
    EXPECT_DOUBLE_EQ(ws.valueList().Entry(1).value, 50000.0);
    EXPECT_EQ(program.objectTypes.At(kTplType).frequency, 2);  // chosen, then captured
}

TEST_F(MeasureTest, FiveClicksOfATwoPointLineKeepTwoPairs) {
    MeasureObject(kTplType, {{10, 10}, {20, 10}, {30, 10}, {50, 10}, {70, 10}});
    ASSERT_EQ(ws.history().Count(), 4);
    EXPECT_EQ(At(3).vertexKind, 1);
    EXPECT_EQ(At(4).vertexKind, 2);
    EXPECT_EQ(At(4).x, 5000.0);
    EXPECT_EQ(ws.captureState(), 0);
    ASSERT_EQ(ws.valueList().Count(), 2);
    EXPECT_DOUBLE_EQ(ws.valueList().Entry(2).value, 2000.0);
}

TEST_F(MeasureTest, PolygonGetsItsClosingCopyAndMeasureModeStaysOn) {
    MeasureObject(kPolyType, {{0, 0}, {100, 0}, {0, 100}});
    ASSERT_EQ(ws.history().Count(), 4);
    EXPECT_EQ(At(4).x, 0.0);
    EXPECT_EQ(At(4).y, 0.0);
    EXPECT_EQ(At(4).vertexKind, 2);
    EXPECT_EQ(ws.captureState(), 2);
    // A right triangle with legs of 10,000 µm.
    ASSERT_EQ(ws.valueList().Count(), 1);
    EXPECT_DOUBLE_EQ(ws.valueList().Entry(1).value, 5e7);

    // The next click starts the next object at once.
    Click(500, 500);
    EXPECT_EQ(ws.captureState(), 1);
    ASSERT_EQ(ws.pendingPoints().size(), 1u);
    EXPECT_EQ(ws.pendingPoints()[0].vertexKind, 1);
    ws.MeasureCommand();  // one point: committed, no closing copy
    EXPECT_EQ(ws.history().Count(), 5);
    ws.MeasureCommand();
    EXPECT_EQ(ws.captureState(), 0);
}

TEST_F(MeasureTest, TwoClicksOfAPolygonGiveTwoRecordsAndNoValue) {
    MeasureObject(kPolyType, {{0, 0}, {100, 0}});
    EXPECT_EQ(ws.history().Count(), 2);
    EXPECT_EQ(ws.valueList().Count(), 0);
}

TEST_F(MeasureTest, CountOfThreeClicksCountsThree) {
    MeasureObject(kCountType, {{10, 10}, {20, 20}, {30, 30}});
    ASSERT_EQ(ws.history().Count(), 4);
    ASSERT_EQ(ws.valueList().Count(), 1);
    EXPECT_EQ(ws.valueList().Entry(1).value, 3.0);
}

TEST_F(MeasureTest, PointsOfPointObjectAndTextTypesNeverReadAsFurtherPoints) {
    MeasureObject(kPolyType, {{0, 0}, {100, 0}, {0, 100}});
    ws.MeasureCommand();
    MeasureObject(kObjectType, {{300, 300}, {400, 300}});
    ws.MeasureCommand();
    MeasureObject(kPointType, {{600, 600}, {700, 700}});
    ASSERT_EQ(ws.history().Count(), 8);
    for (int32_t i = 5; i <= 8; ++i) EXPECT_EQ(At(i).vertexKind, kStandaloneKind) << i;
    Choose(kPolyType);
    ASSERT_EQ(ws.valueList().Count(), 1);
    EXPECT_DOUBLE_EQ(ws.valueList().Entry(1).value, 5e7);
}

TEST_F(MeasureTest, PointerCalibrationScalesTheClickBeforeConversion) {
    program.settings.Calibration = 125.0;
    Choose(kLineType);
    ws.MeasureCommand();
    Click(100, 80);
    ASSERT_EQ(ws.pendingPoints().size(), 1u);
    EXPECT_EQ(ws.pendingPoints()[0].x, 12500);
    EXPECT_EQ(ws.pendingPoints()[0].y, 10000);
}

TEST_F(MeasureTest, RightClickCapturesLikeALeftClick) {
    Choose(kLineType);
    ws.MeasureCommand();
    Click(100, 100, MouseButton::Right);
    ASSERT_EQ(ws.pendingPoints().size(), 1u);
    EXPECT_EQ(ws.pendingPoints()[0].x, 10000);
}

TEST_F(MeasureTest, TextLabelComesFromTheObjectDialog) {
    Choose(kTextType);
    EXPECT_EQ(program.settings.AskObjectName, 1);
    ws.MeasureCommand();
    ObjectDialogAnswer answer;
    answer.ok = true;
    answer.type = kTextType;
    answer.label = "12,5";
    ui.objectDialogAnswers.push_back(answer);
    Click(200, 300);
    ASSERT_EQ(ui.objectDialogs.size(), 1u);
    EXPECT_EQ(ui.objectDialogs[0].preselected, kTextType);
    EXPECT_TRUE(ui.objectDialogs[0].askObjectName);
    ws.MeasureCommand();

    ASSERT_EQ(ws.history().Count(), 1);
    EXPECT_EQ(At(1).name, "12,5");
    EXPECT_EQ(At(1).typeIndex, kTextType);
    // The dialog gave no display values of its own.
    EXPECT_EQ(At(1).colourOverride, -1);
    EXPECT_EQ(ws.captureState(), 0);
    ASSERT_EQ(ws.valueList().Count(), 1);
    EXPECT_DOUBLE_EQ(ws.valueList().Entry(1).value, 12.5);
}

TEST_F(MeasureTest, EachTextClickAsksAgainWhileAskObjectNameIsOn) {
    Choose(kTextType);
    ws.MeasureCommand();
    for (const char* label : {"1", "2"}) {
        ObjectDialogAnswer answer;
        answer.ok = true;
        answer.type = kTextType;
        answer.label = label;
        ui.objectDialogAnswers.push_back(answer);
    }
    Click(100, 100);
    Click(200, 200);
    EXPECT_EQ(ui.objectDialogs.size(), 2u);
    ws.MeasureCommand();
    ASSERT_EQ(ws.history().Count(), 2);
    EXPECT_EQ(At(2).name, "2");
}

TEST_F(MeasureTest, CancellingTheDialogDropsTheClickAndLeavesMeasureMode) {
    ws.MeasureCommand();  // no type chosen
    Click(100, 100);
    ASSERT_EQ(ui.objectDialogs.size(), 1u);
    EXPECT_EQ(ui.objectDialogs[0].preselected, kSlotTemplate);
    EXPECT_TRUE(ws.pendingPoints().empty());
    EXPECT_EQ(ws.captureState(), 0);
    EXPECT_EQ(ws.history().Count(), 0);
}

TEST_F(MeasureTest, DialogListHoldsOnlyUserTypes) {
    ws.MeasureCommand();
    Click(100, 100);
    ASSERT_EQ(ui.objectDialogs.size(), 1u);
    for (const ObjectDialogItem& item : ui.objectDialogs[0].items) {
        EXPECT_NE(item.type, kSlotLabelPoint);
    }
    EXPECT_EQ(ui.objectDialogs[0].items.front().text, " 10 Distance (mm) (Two Point Line )");
}

TEST_F(MeasureTest, LabelledPolygonGetsALabelPointAndAClosingCopyOfItsOwnFirstPoint) {
    ws.MeasureCommand();
    ObjectDialogAnswer answer;
    answer.ok = true;
    answer.type = kPolyType;
    answer.label = "A";
    answer.checkBox2 = true;  // AskObjectName off: later clicks continue the object
    ui.objectDialogAnswers.push_back(answer);
    Click(0, 0);
    Click(100, 0);
    ASSERT_EQ(ws.pendingPoints().size(), 3u);
    EXPECT_EQ(ws.pendingPoints()[0].typeIndex, kSlotLabelPoint);
    ws.MeasureCommand();
    // Two clicks: label point and two points, no closing copy, no value.
    ASSERT_EQ(ws.history().Count(), 3);
    EXPECT_EQ(At(1).typeIndex, kSlotLabelPoint);
    EXPECT_EQ(At(1).name, "A");
    EXPECT_EQ(At(2).typeIndex, kPolyType);
    EXPECT_EQ(At(2).vertexKind, 1);
    EXPECT_EQ(At(2).name, "A");
    // The selector shows the type just measured; back at "none" the next
    // object asks again.
    EXPECT_EQ(ws.currentType(), kPolyType);
    ws.CboChange(0);

    ui.objectDialogAnswers.push_back(answer);
    ws.MeasureCommand();
    Click(0, 0);  // a new object with no type chosen: the dialog again
    Click(100, 0);
    Click(0, 100);
    ws.MeasureCommand();
    ASSERT_EQ(ws.history().Count(), 3 + 5);
    EXPECT_EQ(At(4).typeIndex, kSlotLabelPoint);
    EXPECT_EQ(At(8).typeIndex, kPolyType);
    EXPECT_EQ(At(8).vertexKind, 2);
    EXPECT_EQ(program.settings.AskObjectName, 0);
}

TEST_F(MeasureTest, LabelledTwoPointLinePairsCountFromItsFirstPoint) {
    ws.MeasureCommand();
    ObjectDialogAnswer answer;
    answer.ok = true;
    answer.type = kTplType;
    answer.label = "d";
    answer.checkBox2 = true;
    ui.objectDialogAnswers.push_back(answer);
    Click(0, 0);
    Click(30, 40);
    Click(100, 100);
    ws.MeasureCommand();
    ASSERT_EQ(ws.history().Count(), 3);
    EXPECT_EQ(At(2).vertexKind, 1);
    EXPECT_EQ(At(3).vertexKind, 2);
    Choose(kTplType);
    ASSERT_EQ(ws.valueList().Count(), 1);
    EXPECT_DOUBLE_EQ(ws.valueList().Entry(1).value, 5000.0);
}

TEST_F(MeasureTest, WithoutALabelPointTypeTheLabelStaysOnTheFirstPoint) {
    *program.objectTypes.Find(kSlotLabelPoint) = ObjectType{};
    ws.MeasureCommand();
    ObjectDialogAnswer answer;
    answer.ok = true;
    answer.type = kCountType;
    answer.label = "cells";
    answer.checkBox2 = true;
    ui.objectDialogAnswers.push_back(answer);
    Click(0, 0);
    Click(10, 0);
    Click(0, 10);
    ws.MeasureCommand();
    ASSERT_EQ(ws.history().Count(), 4);
    EXPECT_EQ(At(1).typeIndex, kCountType);
    EXPECT_EQ(At(1).name, "cells");
}

TEST_F(MeasureTest, WithoutTheTemplateTypeNothingIsPreselected) {
    *program.objectTypes.Find(kSlotTemplate) = ObjectType{};
    ws.MeasureCommand();
    Click(100, 100);
    ASSERT_EQ(ui.objectDialogs.size(), 1u);
    EXPECT_EQ(ui.objectDialogs[0].preselected, 0);
}

TEST_F(MeasureTest, ThePendingBufferRefusesThe1021stPoint) {
    Choose(kLineType);
    ws.MeasureCommand();
    for (int k = 0; k < kPendingLimit; ++k) Click(k % 1000, k / 1000 * 10);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ws.pendingPoints().size(), static_cast<std::size_t>(kPendingLimit));
    Click(500, 500);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(kMsgTooManyPending));
    EXPECT_EQ(ws.pendingPoints().size(), 1020u);
    ws.MeasureCommand();
    EXPECT_EQ(ws.history().Count(), 1020);
}

class SmallHistoryTest : public MeasureTest {
protected:
    SmallHistoryTest() { capacity = 4; }
};

// An object that does not fit whole is not stored, and the person is told
// how many records are free; the objects before it in the same capture stay.
struct FitCase {
    const char* name;
    int prefilled;  ///< point records already in the table of four
    int32_t type;
    std::vector<ScreenPoint> clicks;
    int stored;  ///< records in the table afterwards
};

class FullHistoryTest : public SmallHistoryTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FullHistoryTest, AnObjectThatDoesNotFitWholeIsNotStored) {
    const FitCase& c = GetParam();
    for (int k = 0; k < c.prefilled; ++k) build.Point(kPointType, 90000.0, 90000.0, 1);
    Choose(c.type);
    ws.MeasureCommand();
    for (const ScreenPoint& p : c.clicks) Click(p.x, p.y);
    ws.MeasureCommand();
    EXPECT_EQ(ws.history().Count(), c.stored);
    // What was stored of the capture ends as a whole object does.
    if (c.stored > c.prefilled) {
        EXPECT_EQ(At(c.stored).vertexKind, 2);
    }
    EXPECT_TRUE(ws.pendingPoints().empty());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2172) + "\n" + program.GetMessage(2173) + " " +
                                    std::to_string(4 - c.stored) + "\n" + program.GetMessage(2265));
}

INSTANTIATE_TEST_SUITE_P(
    Objects, FullHistoryTest,
    ::testing::Values(
        FitCase{
            "LineOfSixPoints", 0, kLineType, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}}, 0},
        FitCase{"TwoPointLineAtTheLastRecord", 3, kTplType, {{10, 10}, {20, 10}}, 3},
        FitCase{"SecondPairOfTwo", 1, kTplType, {{10, 10}, {20, 10}, {30, 10}, {40, 10}}, 3},
        FitCase{"PolygonWithoutRoomForItsClosingCopy", 1, kPolyType, {{0, 0}, {50, 0}, {0, 50}}, 1},
        FitCase{"CountOfThree", 2, kCountType, {{0, 0}, {50, 0}, {0, 50}}, 2}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(CaptureHelpers, HitToleranceIsOnePercentOfTheViewButAtLeastFive) {
    EXPECT_EQ(HitTolerance(100000), 1000);
    EXPECT_EQ(HitTolerance(1000), 10);
    EXPECT_EQ(HitTolerance(499), 5);
    EXPECT_EQ(HitTolerance(0), 5);
    EXPECT_TRUE(PointHit(104.0, 96.0, 100, 100, 5));
    EXPECT_FALSE(PointHit(105.0, 100.0, 100, 100, 5));  // strict
}

}  // namespace
}  // namespace kvx
