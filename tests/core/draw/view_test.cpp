#include "core/draw/view.hpp"

#include <gtest/gtest.h>

#include <ostream>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/program/program.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(program.InitErrorStack()); }

    // A square view without snapping, with the raster chosen for it.
    void Show(int64_t left, int64_t top, int64_t size) {
        ASSERT_EQ(SetWindow(program, view, {left, top, left + size, top + size}, false, true), kOk);
    }
    int EntriesOnStack() {
        int n = 0;
        for (int slot = 1; slot <= ErrorStack::kSize; ++slot) {
            if (program.errors.Slot(slot).code != 0) ++n;
        }
        return n;
    }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.Path().string()};
    ViewBlock view;
    int32_t lastZoom = 100;
};

TEST_F(ViewTest, WorldShowsTheWholeSquareWithAQuarterRaster) {
    ASSERT_TRUE(World(program, view));
    EXPECT_TRUE(view.viewValid);
    EXPECT_EQ(view.viewLeft, 0);
    EXPECT_EQ(view.viewTop, 0);
    EXPECT_EQ(view.viewRight, 1000000);
    EXPECT_EQ(view.viewBottom, 1000000);
    EXPECT_EQ(view.viewSize, 1000000);
    EXPECT_EQ(view.activeSurfaceSize, 2000);
    EXPECT_EQ(view.rasterLength, 250000);
}

TEST_F(ViewTest, ZoomInByAQuarterKeepsTheCentre) {
    ASSERT_TRUE(World(program, view));
    ASSERT_EQ(ZoomBy(program, view, 25, lastZoom), kOk);
    EXPECT_EQ(view.viewLeft, 375000);
    EXPECT_EQ(view.viewTop, 375000);
    EXPECT_EQ(view.viewSize, 250000);
    EXPECT_EQ(view.viewRight, 625000);
    EXPECT_EQ(view.rasterLength, 50000);
    EXPECT_EQ(lastZoom, 25);
}

TEST_F(ViewTest, ZoomOutAtTheCornerGivesTheSmallerExtent) {
    Show(0, 0, 250000);
    ASSERT_EQ(ZoomBy(program, view, 400, lastZoom), kOk);
    // Asked: 1,000,000 around the centre; the negative edges clamp to 0.
    EXPECT_EQ(view.viewLeft, 0);
    EXPECT_EQ(view.viewTop, 0);
    EXPECT_EQ(view.viewSize, 625000);
    EXPECT_EQ(view.rasterLength, 100000);
}

TEST_F(ViewTest, ZoomStepThatRoundsToZeroStillGrowsTheView) {
    Show(500, 500, 1);
    ASSERT_EQ(ZoomBy(program, view, 99, lastZoom), kOk);
    EXPECT_EQ(view.viewLeft, 499);
    EXPECT_EQ(view.viewSize, 3);
}

TEST_F(ViewTest, ZoomingASideOfTwoInEmptiesTheViewAndLocksZoomAndPan) {
    Show(1000, 1000, 2);
    const ViewBlock before = view;
    EXPECT_EQ(ZoomBy(program, view, 25, lastZoom), kErrViewLeftEqualsRight);
    EXPECT_FALSE(view.viewValid);
    EXPECT_EQ(view.viewLeft, before.viewLeft);
    EXPECT_EQ(view.viewSize, before.viewSize);
    // The check's code with SetWindow's pass-on code, then ZoomBy's.
    EXPECT_EQ(program.errors.Slot(1).code, kErrViewLeftEqualsRight);
    EXPECT_EQ(program.errors.Slot(1).passCode, kPassSetWindow);
    EXPECT_EQ(program.errors.Slot(2).passCode, kPassZoomBy);

    EXPECT_EQ(ZoomBy(program, view, 400, lastZoom), kErrZoomViewInvalid);
    EXPECT_EQ(Pan(program, view, kKeyLeft, false), kErrPanViewInvalid);
    ASSERT_TRUE(World(program, view));
    EXPECT_TRUE(view.viewValid);
}

TEST_F(ViewTest, ZoomingASideOfThreeInStillWorks) {
    Show(1000, 1000, 3);
    ASSERT_EQ(ZoomBy(program, view, 25, lastZoom), kOk);
    EXPECT_EQ(view.viewLeft, 1001);
    EXPECT_EQ(view.viewSize, 1);
}

TEST_F(ViewTest, PercentOutOfRangeResetsTheRepeatPercentage) {
    Show(1000, 1000, 100);
    EXPECT_EQ(ZoomBy(program, view, 1001, lastZoom), kErrZoomPercent);
    EXPECT_EQ(lastZoom, 100);
    EXPECT_EQ(view.viewSize, 100);
    EXPECT_TRUE(view.viewValid);
    ASSERT_EQ(ZoomBy(program, view, 0, lastZoom), kOk);
    EXPECT_EQ(view.viewLeft, 999);
    EXPECT_EQ(view.viewSize, 102);
    EXPECT_EQ(ZoomBy(program, view, -5, lastZoom), kErrZoomPercent);
}

TEST_F(ViewTest, PanLeftStopsExactlyAtZero) {
    Show(300, 0, 5000);
    ASSERT_EQ(view.rasterLength, 1000);
    ASSERT_EQ(Pan(program, view, kKeyLeft, false), kOk);
    EXPECT_EQ(view.viewLeft, 0);
    EXPECT_EQ(view.viewRight, 5000);
    ASSERT_EQ(Pan(program, view, kKeyUp, false), kOk);
    EXPECT_EQ(view.viewTop, 0);
    ASSERT_EQ(Pan(program, view, kKeyDown, false), kOk);
    EXPECT_EQ(view.viewTop, 1000);
    EXPECT_EQ(view.viewBottom, 6000);
}

TEST_F(ViewTest, PanRightPastTheWorldIsRefusedWithoutMoving) {
    Show(996000, 0, 4000);
    ASSERT_EQ(view.rasterLength, 1000);
    EXPECT_EQ(Pan(program, view, kKeyRight, false), kOk);
    EXPECT_EQ(view.viewLeft, 996000);
    EXPECT_TRUE(view.viewValid);
    EXPECT_TRUE(ui.errorDialogs.empty());  // warnings are not shown by default

    program.settings.ShowWarningErrors = 1;
    EXPECT_EQ(Pan(program, view, kKeyRight, false), kOk);
    EXPECT_EQ(ui.errorDialogs.size(), 1u);
    EXPECT_EQ(view.viewLeft, 996000);
}

TEST_F(ViewTest, PanWithoutRasterIsRefused) {
    ASSERT_EQ(SetWindow(program, view, {0, 0, 5000, 5000}, false, false), kOk);
    EXPECT_EQ(Pan(program, view, kKeyLeft, false), kErrPanNoRaster);
}

TEST_F(ViewTest, SnappingCanCarryTheRightEdgePastTheWorld) {
    ASSERT_EQ(SetWindow(program, view, {987600, 0, 1000000, 12400}, true, true), kOk);
    EXPECT_EQ(view.viewLeft, 988000);
    EXPECT_EQ(view.viewRight, 1000400);
    EXPECT_EQ(view.viewSize, 12400);
}

TEST_F(ViewTest, EdgesOutsideTheWorldAreClampedSilentlyAndEmptyTheStack) {
    program.ReportError(12345601);
    ASSERT_EQ(SetWindow(program, view, {-50, 10, 500, 1200000}, false, false), kOk);
    EXPECT_TRUE(view.viewValid);
    EXPECT_EQ(view.viewLeft, 0);
    EXPECT_EQ(view.viewTop, 10);
    EXPECT_EQ(view.viewSize, 500);
    EXPECT_EQ(view.viewBottom, 510);
    EXPECT_EQ(EntriesOnStack(), 0);
}

TEST_F(ViewTest, WiderThanTallKeepsItsRightEdgeUntilSnapped) {
    ASSERT_EQ(SetWindow(program, view, {100, 100, 400, 200}, false, false), kOk);
    EXPECT_EQ(view.viewSize, 100);
    EXPECT_EQ(view.viewRight, 400);
    ASSERT_EQ(SetWindow(program, view, {100, 100, 400, 200}, true, false), kOk);
    EXPECT_EQ(view.viewRight, 200);
}

struct BadRect {
    WorldRect rect;
    ErrorCode code;
};

void PrintTo(const BadRect& r, std::ostream* os) {
    *os << r.rect.left << "," << r.rect.top << "," << r.rect.right << "," << r.rect.bottom;
}

class SetWindowRefusal : public ViewTest, public ::testing::WithParamInterface<BadRect> {};

TEST_P(SetWindowRefusal, LeavesTheViewButInvalid) {
    Show(1000, 2000, 3000);
    const ViewBlock before = view;
    EXPECT_EQ(SetWindow(program, view, GetParam().rect, true, true), GetParam().code);
    EXPECT_FALSE(view.viewValid);
    EXPECT_EQ(view.viewLeft, before.viewLeft);
    EXPECT_EQ(view.viewSize, before.viewSize);
    EXPECT_EQ(program.errors.Slot(1).code, GetParam().code);
    EXPECT_EQ(program.errors.Slot(1).passCode, kPassSetWindow);
}

INSTANTIATE_TEST_SUITE_P(
    Rectangles, SetWindowRefusal,
    ::testing::Values(BadRect{{5, 0, 5, 10}, kErrViewLeftEqualsRight},
                      BadRect{{0, 7, 10, 7}, kErrViewTopEqualsBottom},
                      // Both edges fall onto the same world border once clamped.
                      BadRect{{1000000, 0, 1000005, 10}, kErrViewLeftEqualsRight},
                      BadRect{{0, -20, 10, 0}, kErrViewTopEqualsBottom}));

TEST_F(ViewTest, SwappedCornersAreAccepted) {
    ASSERT_EQ(SetWindow(program, view, {600, 800, 100, 300}, false, false), kOk);
    EXPECT_EQ(view.viewLeft, 100);
    EXPECT_EQ(view.viewTop, 300);
    EXPECT_EQ(view.viewSize, 500);
}

struct RasterCase {
    int64_t viewSize;
    int32_t division;
    int64_t raster;
};

void PrintTo(const RasterCase& c, std::ostream* os) {
    *os << c.viewSize << "/" << c.division;
}

class ChooseRasterTable : public ::testing::TestWithParam<RasterCase> {};

TEST_P(ChooseRasterTable, PicksTheFirstLengthInRange) {
    ViewBlock v;
    v.viewSize = GetParam().viewSize;
    ChooseRaster(v, GetParam().division);
    EXPECT_EQ(v.rasterLength, GetParam().raster);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ChooseRasterTable,
                         ::testing::Values(RasterCase{1000000, 6, 250000},
                                           RasterCase{250000, 6, 50000},
                                           RasterCase{50800, 6, 10000}, RasterCase{9000, 6, 2500},
                                           RasterCase{30, 6, 10}, RasterCase{10, 6, 1},
                                           RasterCase{1000000, 1, 500000},
                                           RasterCase{1000000, 10, 100000}));

TEST(SnapStepTest, ThresholdsAreInclusive) {
    EXPECT_EQ(SnapStepFor(1000000), 100000);
    EXPECT_EQ(SnapStepFor(900000), 100000);
    EXPECT_EQ(SnapStepFor(899999), 50000);
    EXPECT_EQ(SnapStepFor(50800), 5000);
    EXPECT_EQ(SnapStepFor(200), 25);
    EXPECT_EQ(SnapStepFor(199), 1);
    EXPECT_EQ(SnapStepFor(0), 1);
}

TEST_F(ViewTest, SurfaceMappingRoundsHalvesToEven) {
    ASSERT_TRUE(World(program, view));
    EXPECT_EQ(WorldToSurface(view, 250000, 500000), (SurfacePoint{500, 1000}));
    EXPECT_EQ(WorldToSurface(view, 250, 750), (SurfacePoint{0, 2}));  // 0.5 and 1.5
    EXPECT_EQ(WorldToSurface(view, 1000000, 0), (SurfacePoint{2000, 0}));
    EXPECT_FALSE(WorldToSurface(view, -1, 10).has_value());
    EXPECT_FALSE(WorldToSurface(view, 10, 1000000.5).has_value());
    EXPECT_EQ(MapToSurface(view, -1000, 1500000), (SurfacePoint{-2, 3000}));
}

TEST_F(ViewTest, IntegerMappingTruncatesTowardsZero) {
    Show(1000, 1000, 3000);
    EXPECT_EQ(MapXTruncated(view, 1001), 0);
    EXPECT_EQ(MapXTruncated(view, 3999), 1999);
    EXPECT_EQ(MapYTruncated(view, 999), 0);
    EXPECT_EQ(MapYTruncated(view, -500), -1000);
}

TEST(ScreenToWorldTest, WideBoxesDoNotOverflow) {
    const DrawnView drawn{0, 0, 1000000, 1000000};
    // 2999 × 1,000,000 is beyond 32 bits.
    EXPECT_EQ(ScreenToWorld(drawn, 2999, 1500, 3000, 3000), (WorldPosition{999666, 500000}));
    const DrawnView zoomed{5000, 7000, 3000, 3000};
    EXPECT_EQ(ScreenToWorld(zoomed, 10, 10, 600, 600), (WorldPosition{5050, 7050}));
    EXPECT_FALSE(ScreenToWorld(zoomed, 10, 10, 0, 600).has_value());
    const auto exact = ScreenToWorldExact(zoomed, 1, 1, 600, 600);
    ASSERT_TRUE(exact.has_value());
    EXPECT_DOUBLE_EQ(exact->x, 5005.0);
}

TEST_F(ViewTest, ZoomRectangleSnapsToTheRasterOnlyWhenItKeepsItsArea) {
    ASSERT_TRUE(World(program, view));
    auto rect = ZoomRectangleToWorld(view, 100, 100, 400, 300, 1000, 1000, true);
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(*rect, (WorldRect{0, 0, 500000, 250000}));
    rect = ZoomRectangleToWorld(view, 10, 10, 50, 50, 1000, 1000, true);
    EXPECT_EQ(*rect, (WorldRect{10000, 10000, 50000, 50000}));
    rect = ZoomRectangleToWorld(view, 100, 100, 400, 300, 1000, 1000, false);
    EXPECT_EQ(*rect, (WorldRect{100000, 100000, 400000, 300000}));
}

TEST(ImageWorldSizeTest, RoundsToWholeMicrometres) {
    EXPECT_EQ(ImageWorldSize(2400, 1200), 50800);
    EXPECT_EQ(ImageWorldSize(1800, 1200), 38100);
    EXPECT_EQ(ImageWorldSize(1, 2000), 13);  // 12.7
    EXPECT_EQ(ImageWorldSize(1, 1200), 21);  // 21.17
    EXPECT_EQ(ImageWorldSize(100, 0), 0);
}

TEST_F(ViewTest, ZoomAboutAPixelKeepsItsWorldPointWithinTheLimits) {
    Show(200000, 300000, 100000);
    // On a 500 × 400 box the pixel (100, 300) shows (220000, 375000).
    auto in = ZoomAboutPixel(view, 0.5, 100, 300, 500, 400);
    ASSERT_TRUE(in);
    EXPECT_EQ(*in, (WorldRect{210000, 337500, 260000, 387500}));
    // The side never drops below the smallest zoomed view nor grows past the
    // world, and a square that would stick out is moved back inside.
    Show(0, 0, 40);
    in = ZoomAboutPixel(view, 0.01, 250, 200, 500, 400);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->right - in->left, kMinZoomedViewSize);
    Show(900000, 0, 80000);
    auto out = ZoomAboutPixel(view, 2.0, 0, 0, 500, 400);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, (WorldRect{840000, 0, 1000000, 160000}));
    out = ZoomAboutPixel(view, 100.0, 0, 0, 500, 400);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, (WorldRect{0, 0, 1000000, 1000000}));
    EXPECT_FALSE(ZoomAboutPixel(view, 0.5, 1, 1, 0, 400));
    EXPECT_EQ(MovedInsideWorld(view, 50000, -10), (WorldRect{920000, 0, 1000000, 80000}));
}

// ---- the commands of the main window ----------------------------------------

class ZoomCommandTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        ASSERT_TRUE(ws.ResetViewToWorld());
    }
    Workspace ws{program};
};

TEST_F(ZoomCommandTest, MenuItemsZoomCrosswiseToTheirNames) {
    ASSERT_FALSE(ws.ZoomCommand(Workspace::ZoomControl::MnReduce));
    EXPECT_EQ(ws.project().view.viewSize, 250000);  // in by EnlargePercent
    ws.ZoomCommand(Workspace::ZoomControl::MnEnlarge);
    EXPECT_EQ(ws.project().view.viewSize, 1000000);  // out by ReducePercent
    EXPECT_EQ(ws.lastZoomPercent(), 400);
}

TEST_F(ZoomCommandTest, ToolbarButtonsHandTheFocusToTheValueGrid) {
    EXPECT_TRUE(ws.ZoomCommand(Workspace::ZoomControl::BitBtn4));
    EXPECT_EQ(ws.project().view.viewSize, 250000);
    EXPECT_TRUE(ws.ZoomCommand(Workspace::ZoomControl::BitBtn5));
    EXPECT_EQ(ws.project().view.viewSize, 1000000);
}

TEST_F(ZoomCommandTest, FineZoomUsesTheSpinStep) {
    program.settings.FineScalingPercent = 10;
    ws.ZoomCommand(Workspace::ZoomControl::SpinDetDown);
    // d = 1,000,000 × −10 / 200 = −50,000; 50,000 snaps to 100,000.
    EXPECT_EQ(ws.project().view.viewLeft, 100000);
    EXPECT_EQ(ws.project().view.viewSize, 900000);
    EXPECT_EQ(ws.lastZoomPercent(), 90);
}

TEST_F(ZoomCommandTest, WholeImageReloadsWhenThereIsAnImage) {
    ws.ZoomCommand(Workspace::ZoomControl::BitBtn4);
    EXPECT_TRUE(ws.ZoomCommand(Workspace::ZoomControl::BitBtn6));
    EXPECT_EQ(ws.project().view.viewSize, 1000000);  // no image: the world
    ChangeProject(ws, [&](Project& p) {
        p.imagePath = "/nowhere/none.jpg";
        p.view.viewValid = false;
    });
    EXPECT_FALSE(ws.ZoomCommand(Workspace::ZoomControl::BitBtn6));
    EXPECT_TRUE(ws.project().fitImagePending);
}

TEST_F(ZoomCommandTest, ZoomDoesNothingWhileTheViewIsInvalidButWorldDoes) {
    ChangeProject(ws, [&](Project& p) { p.view.viewValid = false; });
    ws.ZoomCommand(Workspace::ZoomControl::BitBtn4);
    EXPECT_EQ(ws.project().view.viewSize, 1000000);
    EXPECT_TRUE(ws.ViewKey(107, false, false, false));
    EXPECT_TRUE(ws.ViewKey(kKeyLeft, false, false, false));
    EXPECT_FALSE(ws.project().view.viewValid);
    EXPECT_TRUE(ui.errorDialogs.empty());
    ws.ZoomCommand(Workspace::ZoomControl::MnWorld);
    EXPECT_TRUE(ws.project().view.viewValid);
}

TEST_F(ZoomCommandTest, KeysZoomAndPanOnlyWithoutModifiers) {
    EXPECT_FALSE(ws.ViewKey(187, true, false, false));
    EXPECT_FALSE(ws.ViewKey(187, false, false, true));
    EXPECT_EQ(ws.project().view.viewSize, 1000000);
    EXPECT_TRUE(ws.ViewKey(187, false, false, false));
    EXPECT_EQ(ws.project().view.viewSize, 250000);
    EXPECT_TRUE(ws.ViewKey(kKeyRight, false, false, false));
    EXPECT_EQ(ws.project().view.viewLeft, 375000 + 50000);
    // Out by 400 % from 425,000: the right edge clamps to the world, so the
    // square is 950,000 wide, snapped from 50,000 to 100,000.
    EXPECT_TRUE(ws.ViewKey(109, false, false, false));
    EXPECT_EQ(ws.project().view.viewSize, 950000);
    EXPECT_EQ(ws.project().view.viewLeft, 100000);
    EXPECT_TRUE(ws.ViewKey(32, false, false, false));
    EXPECT_FALSE(ws.ViewKey(65, false, false, false));
}

TEST_F(ZoomCommandTest, AFailedZoomIsShown) {
    ErrorCode code = kOk;
    ChangeProject(ws, [&](Project& p) {
        code = SetWindow(program, p.view, {10, 10, 12, 12}, false, true);
    });
    ASSERT_EQ(code, kOk);
    ws.ZoomCommand(Workspace::ZoomControl::BitBtn4);
    EXPECT_EQ(ui.errorDialogs.size(), 1u);
    EXPECT_FALSE(ws.project().view.viewValid);
}

TEST_F(ZoomCommandTest, RasterSpinStepsThroughTheTable) {
    ASSERT_EQ(ws.project().view.rasterLength, 250000);
    ws.ZoomCommand(Workspace::ZoomControl::SpinRasterDown);
    EXPECT_EQ(ws.project().view.rasterLength, 500000);
    ws.ZoomCommand(Workspace::ZoomControl::SpinRasterDown);
    EXPECT_EQ(ws.project().view.rasterLength, 500000);
    ChangeProject(ws, [&](Project& p) { p.view.rasterLength = 5; });
    ws.ZoomCommand(Workspace::ZoomControl::SpinRasterUp);
    EXPECT_EQ(ws.project().view.rasterLength, 1);
    ws.ZoomCommand(Workspace::ZoomControl::SpinRasterUp);
    EXPECT_EQ(ws.project().view.rasterLength, 1);
    ChangeProject(ws, [&](Project& p) { p.view.rasterLength = 7; });
    ws.ZoomCommand(Workspace::ZoomControl::SpinRasterDown);
    EXPECT_EQ(ws.project().view.rasterLength, 7);
}

TEST_F(ZoomCommandTest, ZoomRectangleSetsTheSnappedView) {
    program.settings.SnapToRaster = 0;
    ws.ZoomToRectangle(100, 100, 400, 300, 1000, 1000);
    // 100,000 .. 300,000 high is the smaller side; 200,000 snaps by 25,000.
    EXPECT_EQ(ws.project().view.viewLeft, 100000);
    EXPECT_EQ(ws.project().view.viewTop, 100000);
    EXPECT_EQ(ws.project().view.viewSize, 200000);
}

}  // namespace
}  // namespace kvx
