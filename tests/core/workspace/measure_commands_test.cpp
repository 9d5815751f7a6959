// Zoom rectangles on the paint box and the choice of the type to measure.
#include <gtest/gtest.h>

#include "common/measure_fixture.hpp"
#include "core/measure/type_choice.hpp"

namespace kvx {
namespace {

using test::MeasureTest;
using namespace test;

TEST_F(MeasureTest, DraggedRectangleZoomsToItsRasterCorners) {
    ASSERT_EQ(ws.project().view.rasterLength, 25000);
    ws.MainPBMouseDown(Event(100, 100));
    ws.MainPBMouseMove(600, 700);
    const auto outline = ws.ZoomOutline();
    ASSERT_TRUE(outline.has_value());
    EXPECT_EQ(outline->second, (ScreenPoint{600, 700}));
    ws.MainPBMouseUp(Event(600, 700));
    // Corners (10,000, 10,000) and (60,000, 70,000) snap to the 25,000 µm
    // raster: (0, 0) and (50,000, 75,000); the square is 50,000 wide.
    EXPECT_EQ(ws.project().view.viewLeft, 0);
    EXPECT_EQ(ws.project().view.viewTop, 0);
    EXPECT_EQ(ws.project().view.viewSize, 50000);
    EXPECT_FALSE(ws.ZoomOutline().has_value());
}

TEST_F(MeasureTest, FiveByFortyDragCapturesInsteadOfZooming) {
    Choose(kLineType);
    ws.MeasureCommand();
    ws.MainPBMouseDown(Event(100, 100));
    ws.MainPBMouseMove(105, 140);
    ws.MainPBMouseUp(Event(105, 140));
    EXPECT_EQ(ws.project().view.viewSize, 100000);
    ASSERT_EQ(ws.pendingPoints().size(), 1u);
    EXPECT_EQ(ws.pendingPoints()[0].x, 10500);
    EXPECT_EQ(ws.pendingPoints()[0].y, 14000);
}

TEST_F(MeasureTest, MovingLeftOfThePressCancelsTheRectangle) {
    ws.MainPBMouseDown(Event(300, 300));
    ws.MainPBMouseMove(290, 400);
    EXPECT_FALSE(ws.ZoomOutline().has_value());
    ws.MainPBMouseUp(Event(600, 600));
    EXPECT_EQ(ws.project().view.viewSize, 100000);
}

TEST_F(MeasureTest, NoZoomWhileAnObjectOfSeveralPointsIsCaptured) {
    Choose(kLineType);
    ws.MeasureCommand();
    Click(10, 10);
    Click(20, 10);
    Drag(100, 100, 600, 700);
    EXPECT_EQ(ws.project().view.viewSize, 100000);
    EXPECT_EQ(ws.pendingPoints().size(), 3u);
}

TEST_F(MeasureTest, RectangleOfOneRasterCellKeepsItsUnsnappedCorners) {
    // Both corners snap to 0: the unsnapped rectangle is used.
    Drag(10, 10, 100, 100);
    EXPECT_EQ(ws.project().view.viewSize, 9000);
    EXPECT_EQ(ws.project().view.viewLeft, 1000);
}

TEST_F(MeasureTest, AClickPicksOutTheObjectUnderIt) {
    // One paint-box pixel is 100 micrometres; the hit tolerance is a few.
    MeasureObject(kPolyType, {{100, 100}, {400, 100}, {400, 400}, {100, 400}});
    const int32_t outer = 1;
    MeasureObject(kPolyType, {{200, 200}, {250, 200}, {250, 250}, {200, 250}});
    const int32_t inner = ws.history().Count() - 4;
    MeasureObject(kTplType, {{500, 600}, {800, 600}});
    const int32_t line = ws.history().Count() - 1;
    ws.FinishMeasuring();
    ASSERT_EQ(ws.captureState(), 0);
    ASSERT_EQ(ws.history().Peek(inner).vertexKind, 1);

    Click(300, 300);  // inside the large square only
    EXPECT_EQ(ws.pickedObjects(), std::vector<int32_t>{outer});
    Click(225, 225);  // inside both: the smaller one
    EXPECT_EQ(ws.pickedObjects(), std::vector<int32_t>{inner});
    Click(650, 601);  // on the line
    EXPECT_EQ(ws.pickedObjects(), std::vector<int32_t>{line});
    MouseEvent more = Event(300, 300);
    more.control = true;
    ws.MainPBMouseDown(more);
    ws.MainPBMouseUp(more);
    EXPECT_EQ(ws.pickedObjects(), (std::vector<int32_t>{outer, line}));
    ws.MainPBMouseDown(more);
    ws.MainPBMouseUp(more);
    EXPECT_EQ(ws.pickedObjects(), std::vector<int32_t>{line});
    Click(900, 100);  // nothing there
    EXPECT_TRUE(ws.pickedObjects().empty());

    // Picks of records that start no object are passed over.
    ws.PickObjects({outer, outer + 1, 99999});
    EXPECT_EQ(ws.pickedObjects(), std::vector<int32_t>{outer});
    // Taking the object back drops its pick.
    ws.PickObjects({line});
    ASSERT_TRUE(ws.UndoCommand());
    EXPECT_TRUE(ws.pickedObjects().empty());
}

TEST_F(MeasureTest, SelectorListsUserTypesWithADataType) {
    build.DefineType(20, kUndefined, "Empty");
    ws.FillTypeSelector();
    ASSERT_GE(ws.cboItems().size(), 2u);
    EXPECT_EQ(ws.cboItems()[0].text, "  0 none");
    EXPECT_EQ(ws.cboItems()[1].text, " 10 Distance (mm) (Two Point Line )");
    for (const TypeItem& item : ws.cboItems()) {
        EXPECT_NE(item.type, 20);
        EXPECT_NE(item.type, kSlotLabelPoint);
    }
    program.settings.Language = 0;
    EXPECT_EQ(FormatTypeItem(program.objectTypes, kCountType, 0), " 12 Cells (Z\xE4hlen )");
}

TEST_F(MeasureTest, ChoosingATypeSetsAskObjectNameByItsDataType) {
    Choose(kTextType);
    EXPECT_EQ(ws.currentType(), kTextType);
    EXPECT_EQ(program.settings.AskObjectName, 1);
    EXPECT_EQ(ws.captureDataType(), kText);
    Choose(kPolyType);
    EXPECT_EQ(program.settings.AskObjectName, 0);
    EXPECT_EQ(ws.captureDataType(), kPolygon);
    EXPECT_EQ(program.objectTypes.At(kPolyType).frequency, 1);
    ws.CboChange(0);
    EXPECT_EQ(ws.currentType(), 0);
}

TEST_F(MeasureTest, FunctionButtonsCarryTheTenMostUsedTypes) {
    for (int slot = 30; slot < 40; ++slot)
        build.DefineType(slot, kLine, "T" + std::to_string(slot));
    program.objectTypes.Find(35)->frequency = 7;
    program.objectTypes.Find(33)->frequency = 7;
    program.objectTypes.Find(kCountType)->frequency = 9;
    Choose(kPolyType);  // the first update while a type is selected ranks
    const FunctionButtons& b = ws.functionButtons();
    EXPECT_EQ(b[0].tag, kCountType);
    EXPECT_EQ(b[1].tag, 33);  // equal counts: the lower slot first
    EXPECT_EQ(b[2].tag, 35);
    EXPECT_EQ(b[3].tag, kPolyType);
    EXPECT_EQ(b[4].tag, kTplType);  // unused types by slot
    EXPECT_EQ(b[4].caption, "Distance ");
    EXPECT_TRUE(b[3].bold);
    EXPECT_FALSE(b[0].bold);

    // Pressing a button selects its type and, with quick select, measures.
    program.settings.QuickSelectCaptures = 1;
    ws.FunctionButtonClick(0);
    EXPECT_EQ(ws.currentType(), kCountType);
    EXPECT_EQ(ws.cboItems()[static_cast<std::size_t>(ws.cboIndex())].type, kCountType);
    EXPECT_EQ(ws.captureState(), 1);
    EXPECT_TRUE(ws.functionButtons()[0].bold);
}

TEST_F(MeasureTest, ButtonsAreRerankedOnlyEveryTwentiethUpdate) {
    for (int slot = 30; slot < 40; ++slot)
        build.DefineType(slot, kLine, "T" + std::to_string(slot));
    Choose(kPolyType);
    const int32_t first = ws.functionButtons()[0].tag;
    program.objectTypes.Find(39)->frequency = 1000;
    for (int k = 1; k < 20; ++k) ws.UpdateFunctionButtons();
    EXPECT_EQ(ws.functionButtons()[0].tag, first);
    ws.UpdateFunctionButtons();
    EXPECT_EQ(ws.functionButtons()[0].tag, 39);
}

TEST_F(MeasureTest, FewerThanTenDefinedTypesLeaveTheButtonsAlone) {
    Choose(kPolyType);
    for (const FunctionButton& b : ws.functionButtons()) EXPECT_EQ(b.tag, 0);
}

TEST_F(MeasureTest, SavingFinishesTheObjectUnderCapture) {
    Choose(kPolyType);
    ws.MeasureCommand();
    Click(0, 0);
    Click(100, 0);
    Click(0, 100);
    ws.FinishMeasuring();
    EXPECT_EQ(ws.history().Count(), 4);
    EXPECT_EQ(ws.captureState(), 0);
    EXPECT_TRUE(ws.cboEnabled());
}

// What observers are told: every notice an observer receives, in order.
class NoticeTest : public MeasureTest, public WorkspaceObserver {
protected:
    void SetUp() override {
        MeasureTest::SetUp();
        ws.AddObserver(this);
    }
    void TearDown() override { ws.RemoveObserver(this); }
    void WorkspaceChanged(ChangeFlags changes) override { notices.push_back(changes); }
    ChangeFlags All() const {
        ChangeFlags all;
        for (const ChangeFlags& n : notices) all |= n;
        return all;
    }
    std::vector<ChangeFlags> notices;
};

TEST_F(NoticeTest, MeasuringAnObjectTellsWhatChangedStepByStep) {
    Choose(kTplType);
    EXPECT_TRUE(All().Has(Change::Selection));
    EXPECT_TRUE(All().Has(Change::Statistics));
    EXPECT_TRUE(All().Has(Change::Window));
    EXPECT_FALSE(All().Has(Change::Records));

    notices.clear();
    ws.MeasureCommand();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].Has(Change::Tool));
    EXPECT_FALSE(notices[0].Has(Change::Records));
    EXPECT_FALSE(notices[0].Has(Change::FileState));

    notices.clear();
    Click(100, 100);
    EXPECT_TRUE(All().Has(Change::Tool));  // a point pending
    EXPECT_FALSE(All().Has(Change::Records));

    Click(300, 100);
    notices.clear();
    ws.MeasureCommand();  // commits the pair
    EXPECT_EQ(ws.history().Count(), 2);
    EXPECT_TRUE(All().Has(Change::Records));
    EXPECT_TRUE(All().Has(Change::FileState));
    EXPECT_TRUE(All().Has(Change::Statistics));
    EXPECT_TRUE(All().Has(Change::Tool));
}

TEST_F(NoticeTest, NothingChangedIsNoNotice) {
    build.Line(kTplType, 1000);
    Choose(kTplType);
    notices.clear();
    EXPECT_FALSE(ws.ToggleValueExclusion(5));  // a blank row
    ws.MainPBMouseMove(10, 10);
    EXPECT_TRUE(notices.empty());
}

TEST_F(NoticeTest, ACommandOfManyStepsTellsOnceAtItsEnd) {
    // Below the start-up guard nothing is drawn, so no redraw tells early.
    ws.SetRedrawCount(0);
    notices.clear();
    Choose(kPolyType);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].Has(Change::Selection));
    EXPECT_TRUE(notices[0].Has(Change::Statistics));
    EXPECT_FALSE(notices[0].Has(Change::Window));
}

TEST_F(NoticeTest, ZoomingTellsTheViewAndARemovedObserverHearsNothing) {
    notices.clear();
    ASSERT_TRUE(ws.WheelZoom(1.0, 500, 500, kBox, kBox));
    EXPECT_TRUE(All().Has(Change::View));
    EXPECT_FALSE(All().Has(Change::FileState));
    ws.RemoveObserver(this);
    notices.clear();
    ASSERT_TRUE(ws.WheelZoom(1.0, 500, 500, kBox, kBox));
    EXPECT_TRUE(notices.empty());
}

TEST_F(NoticeTest, UndoTellsTheRecordsAndTheFileState) {
    MeasureObject(kTplType, {{100, 100}, {300, 100}});
    notices.clear();
    ASSERT_TRUE(ws.UndoCommand());
    EXPECT_EQ(ws.history().Count(), 0);
    EXPECT_TRUE(All().Has(Change::Records));
    EXPECT_TRUE(All().Has(Change::FileState));  // Redo is possible now
    notices.clear();
    ASSERT_TRUE(ws.RedoCommand());
    EXPECT_FALSE(ws.CanRedo());
    notices.clear();
    EXPECT_FALSE(ws.RedoCommand());  // nothing left to do again
    EXPECT_TRUE(notices.empty());
}

}  // namespace
}  // namespace kvx
