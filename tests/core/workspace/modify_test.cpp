// Moving, deleting and duplicating stored points in modify mode.
#include <gtest/gtest.h>

#include "common/measure_fixture.hpp"
#include "core/measure/capture.hpp"

namespace kvx {
namespace {

using test::MeasureTest;
using namespace test;

class ModifyTest : public MeasureTest {
protected:
    void EnterModify() {
        ws.SetFileState(kUnchanged);
        ws.ModifyCommand();
        ASSERT_EQ(ws.modifyMode(), 1);
        ASSERT_FALSE(ws.cboEnabled());
    }
};

TEST_F(ModifyTest, ModifyNeedsStoredPoints) {
    ws.ModifyCommand();
    EXPECT_EQ(ws.modifyMode(), 0);
    build.Line(kTplType, 1000.0);
    ws.ModifyCommand();
    EXPECT_EQ(ws.modifyMode(), 1);
    ws.ModifyCommand();
    EXPECT_EQ(ws.modifyMode(), 0);
}

TEST_F(ModifyTest, ModifyCommitsAnObjectUnderCaptureFirst) {
    Choose(kLineType);
    ws.MeasureCommand();
    Click(10, 10);
    Click(20, 10);
    ws.ModifyCommand();
    EXPECT_EQ(ws.history().Count(), 2);
    EXPECT_EQ(ws.captureState(), 0);
    EXPECT_EQ(ws.modifyMode(), 1);
    ws.MeasureCommand();  // leaves modify mode and starts measuring
    EXPECT_EQ(ws.modifyMode(), 0);
    EXPECT_EQ(ws.captureState(), 1);
}

TEST_F(ModifyTest, DraggedPointTakesTheFractionalReleasePosition) {
    build.Line(kTplType, 10000.0, false, 10000.0, 10000.0);  // (100, 100) to (200, 100) px
    EnterModify();
    MouseEvent press = Event(100, 100);
    ws.MainPBMouseDown(press);
    EXPECT_EQ(ws.dragIndex(), 1);
    EXPECT_EQ(ui.sizingCursor, std::vector<bool>{true});
    // On a paint box of 300 pixels one pixel is 333.3 µm.
    MouseEvent release = Event(100, 50);
    release.boxWidth = 300;
    release.boxHeight = 300;
    ws.MainPBMouseUp(release);
    EXPECT_NEAR(At(1).x, 100000.0 / 3.0, 1e-6);
    EXPECT_NEAR(At(1).y, 50000.0 / 3.0, 1e-6);
    EXPECT_EQ(ws.dragIndex(), 0);
    EXPECT_EQ(ui.sizingCursor, (std::vector<bool>{true, false}));
    EXPECT_EQ(ws.fileState(), kChanged);
}

TEST_F(ModifyTest, DraggedFirstPointTakesTheClosingCopyAlong) {
    build.Square(kPolyType, 10000.0, false, 10000.0, 10000.0);  // (100, 100) to (200, 200) px
    build.Closed(kCountType, {{50000.0, 50000.0}, {60000.0, 50000.0}, {60000.0, 60000.0}});
    // Two clicks only: the second point lies on the first but is no copy.
    build.Closed(kCountType, {{80000.0, 80000.0}, {80000.0, 80000.0}});
    EnterModify();
    Drag(100, 100, 50, 100);
    Drag(500, 500, 500, 400);
    Drag(800, 800, 900, 900);
    EXPECT_EQ(At(1).x, 5000.0);
    EXPECT_EQ(At(5).x, 5000.0);  // the polygon's closing copy
    EXPECT_EQ(At(5).y, 10000.0);
    EXPECT_EQ(At(6).y, 40000.0);
    EXPECT_EQ(At(9).y, 40000.0);  // the count's closing copy
    EXPECT_EQ(At(10).x, 90000.0);
    EXPECT_EQ(At(11).x, 80000.0);
    ws.ModifyCommand();
    Choose(kPolyType);
    ASSERT_EQ(ws.valueList().Count(), 1);
    // The square with its top-left corner pulled 5 mm to the left.
    EXPECT_DOUBLE_EQ(ws.valueList().Entry(1).value, 1e8 + 0.5 * 5000.0 * 10000.0);
}

TEST_F(ModifyTest, PointDroppedOutsideTheImageKeepsItsWorldPosition) {
    build.Line(kTplType, 10000.0, false, 10000.0, 10000.0);
    EnterModify();
    ws.MainPBMouseDown(Event(200, 100));
    ws.MainPBMouseUp(Event(1500, 990));
    EXPECT_EQ(At(2).x, 150000.0);
    EXPECT_EQ(At(2).y, 99000.0);
}

TEST_F(ModifyTest, ClickBesideEveryPointChangesNothing) {
    build.Line(kTplType, 10000.0, false, 10000.0, 10000.0);
    EnterModify();
    // The tolerance is 1,000 µm: ten pixels away is a miss.
    Click(110, 100);
    Click(110, 100, MouseButton::Right);
    EXPECT_EQ(ws.dragIndex(), 0);
    EXPECT_EQ(At(1).typeIndex, kTplType);
    EXPECT_EQ(ws.fileState(), kUnchanged);
}

TEST_F(ModifyTest, RightClickOnATwoPointLineDeletesBothPoints) {
    build.Line(kTplType, 10000.0, false, 10000.0, 10000.0);
    build.Line(kTplType, 10000.0, false, 10000.0, 50000.0);
    EnterModify();
    Click(200, 100, MouseButton::Right);  // second point of the first line
    EXPECT_EQ(At(1).typeIndex, 0);
    EXPECT_EQ(At(2).typeIndex, 0);
    EXPECT_EQ(At(3).typeIndex, kTplType);
    EXPECT_EQ(ws.fileState(), kChanged);
    ws.ModifyCommand();
    ASSERT_EQ(ws.modifyMode(), 0);
    Choose(kTplType);
    EXPECT_EQ(ws.valueList().Count(), 1);
}

TEST_F(ModifyTest, RightClickOnAPolygonsFirstPointDeletesNothing) {
    build.Square(kPolyType, 10000.0, false, 10000.0, 10000.0);
    EnterModify();
    Click(100, 100, MouseButton::Right);
    for (int32_t i = 1; i <= 5; ++i) EXPECT_EQ(At(i).typeIndex, kPolyType) << i;
    EXPECT_EQ(ws.fileState(), kUnchanged);
    // A corner in the middle goes.
    Click(200, 200, MouseButton::Right);
    EXPECT_EQ(At(3).typeIndex, 0);
    EXPECT_EQ(At(2).typeIndex, kPolyType);
}

TEST_F(ModifyTest, RightClickWhereObjectsOverlapDeletesTheHitPointsOfBoth) {
    build.Line(kTplType, 10000.0, false, 10000.0, 10000.0);
    build.Closed(kCountType, {{0.0, 0.0}, {10000.0, 10000.0}, {20000.0, 0.0}});
    build.Line(kTplType, 5000.0, false, 10000.0, 10000.0);
    EnterModify();
    Click(100, 100, MouseButton::Right);
    EXPECT_EQ(At(1).typeIndex, 0);
    EXPECT_EQ(At(2).typeIndex, 0);
    EXPECT_EQ(At(4).typeIndex, 0);  // the count's middle point
    EXPECT_EQ(At(7).typeIndex, 0);
    EXPECT_EQ(At(8).typeIndex, 0);
    EXPECT_EQ(At(3).typeIndex, kCountType);
}

TEST_F(ModifyTest, AltClickDuplicatesACountPoint) {
    build.Closed(kCountType, {{0.0, 0.0}, {10000.0, 10000.0}, {20000.0, 0.0}});
    EnterModify();
    AltClick(100, 100);
    ASSERT_EQ(ws.history().Count(), 5);
    EXPECT_EQ(At(2).x, 10000.0);
    EXPECT_EQ(At(3).x, 10000.0);
    EXPECT_EQ(At(2).vertexKind, 2);
    EXPECT_EQ(ws.fileState(), kChanged);
    EXPECT_TRUE(ui.boxes.empty());
    ws.ModifyCommand();
    Choose(kCountType);
    ASSERT_EQ(ws.valueList().Count(), 1);
    EXPECT_EQ(ws.valueList().Entry(1).value, 4.0);
}

TEST_F(ModifyTest, AltClickOnAnotherTypeGrabsThePoint) {
    build.Line(kTplType, 10000.0, false, 10000.0, 10000.0);
    EnterModify();
    MouseEvent e = Event(100, 100);
    e.alt = true;
    ws.MainPBMouseDown(e);
    EXPECT_EQ(ws.dragIndex(), 1);
    EXPECT_EQ(ws.history().Count(), 2);
}

struct RefusalCase {
    const char* name;
    int32_t x;
    int32_t y;
    const char* reason;
};

class DuplicateRefusalTest : public ModifyTest,
                             public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DuplicateRefusalTest, IsRefusedWithItsReason) {
    // Two-click count objects have no closing copy: their second point is
    // followed by another object's first point, or ends the table.
    build.Closed(kCountType, {{0.0, 0.0}, {10000.0, 10000.0}, {20000.0, 0.0}});
    build.Closed(kCountType, {{50000.0, 50000.0}, {60000.0, 50000.0}});
    build.Line(kTplType, 30000.0, false, 30000.0, 0.0);
    build.Closed(kCountType, {{90000.0, 90000.0}, {95000.0, 90000.0}});
    EnterModify();
    AltClick(GetParam().x, GetParam().y);
    EXPECT_EQ(ws.history().Count(), 10);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, program.GetMessage(kMsgMeasureCaption));
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(kMsgNoDuplicate) + GetParam().reason);
    EXPECT_EQ(ws.fileState(), kUnchanged);
}

INSTANTIATE_TEST_SUITE_P(Reasons, DuplicateRefusalTest,
                         ::testing::Values(RefusalCase{"FirstPoint", 0, 0, "1."},
                                           RefusalCase{"BeforeAnotherObject", 600, 500, "2."},
                                           RefusalCase{"LastRecord", 950, 900, "2."}),
                         [](const auto& c) { return std::string(c.param.name); });

TEST_F(ModifyTest, DuplicateIntoAFullTableIsRefused) {
    build.Closed(kCountType, {{0.0, 0.0}, {10000.0, 10000.0}, {20000.0, 0.0}});
    while (ws.history().Count() < ws.history().Capacity())
        build.Point(kPointType, 90000.0, 90000.0, 1);
    EnterModify();
    AltClick(100, 100);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(kMsgNoDuplicate) + "3.");
}

}  // namespace
}  // namespace kvx
