#include "core/workspace/main_layout.hpp"

#include <gtest/gtest.h>

namespace kvx {
namespace {

MainLayoutInput Window(int32_t width, int32_t height, int32_t screenHeight = 1024) {
    MainLayoutInput in;
    in.windowWidth = width;
    in.windowHeight = height;
    in.screenHeight = screenHeight;
    return in;
}

TEST(MainLayout, FieldIsSquareAndWindowFollowsItsWidth) {
    MainLayoutInput in = Window(900, 700);
    in.performanceMode = 2;
    const MainLayout layout = ComputeMainLayout(in);
    EXPECT_EQ(layout.MainPB, (LayoutRect{3, 36, 572, 572}));
    EXPECT_EQ(layout.windowWidth, 220 + 612);
    EXPECT_FALSE(layout.heightCut);

    // The grids sit 8 pixels right of the field; the value grid is its
    // height less the statistics grid and the allowance.
    EXPECT_EQ(layout.DGrid, (LayoutRect{583, 33, 220, 572 - 191 - 15}));
    EXPECT_EQ(layout.vGrid, (LayoutRect{583, 700 - 92 - 191, 220, 191}));
    EXPECT_EQ(layout.cbo.left, 583);
    EXPECT_EQ(layout.cbo.width, 220);
    EXPECT_EQ(layout.BitBtn7.left, 533);

    in.performanceMode = 1;
    const MainLayout xp = ComputeMainLayout(in);
    EXPECT_EQ(xp.windowWidth, 220 + 572 + 20);
    EXPECT_EQ(xp.DGrid.height, 572 - 191 - 5);
}

TEST(MainLayout, TallWindowIsCutToTheScreen) {
    const MainLayout layout = ComputeMainLayout(Window(900, 800, 768));
    EXPECT_TRUE(layout.heightCut);
    EXPECT_EQ(layout.windowHeight, 740);
    EXPECT_EQ(layout.MainPB.height, 612);

    const MainLayout fits = ComputeMainLayout(Window(900, 740, 768));
    EXPECT_FALSE(fits.heightCut);
    EXPECT_EQ(fits.windowHeight, 740);
}

TEST(MainLayout, WidthStaysWithinTheWindowLimits) {
    EXPECT_EQ(ComputeMainLayout(Window(800, 580)).windowWidth, kMainMinWidth);
    // The tallest window gives a field of 1352: its width stays below the limit.
    EXPECT_EQ(ComputeMainLayout(Window(1700, 1480, 2000)).windowWidth, 220 + 1352 + 40);
}

TEST(MainLayout, EnlargedFieldGrowsByWholeHundredths) {
    MainLayoutInput in = Window(900, 700);
    in.measureFieldEnlarge = 150;
    const MainLayout layout = ComputeMainLayout(in);
    // 572 div 100 = 5, times 150; the grids keep their place.
    EXPECT_EQ(layout.MainPB.height, 750);
    EXPECT_EQ(layout.MainPB.width, 750);
    EXPECT_EQ(layout.DGrid.left, 583);

    in.measureFieldEnlarge = 100;
    EXPECT_EQ(ComputeMainLayout(in).MainPB.height, 572);
}

TEST(MainLayout, FunctionButtonsOnlyWhereTheyEndBeforeTheCopyButton) {
    // Field 572: the copy button is at 533, so buttons must end before 523
    // (with their 5-pixel gap): from 561 there is no room at all.
    EXPECT_EQ(ComputeMainLayout(Window(900, 700)).functionButtons[0], std::nullopt);

    // Field 872: copy button at 833; buttons at 561, 616, ... while x + 55 < 828.
    const MainLayout wide = ComputeMainLayout(Window(1200, 1000, 2000));
    ASSERT_EQ(wide.BitBtn7.left, 833);
    const std::array<std::optional<int32_t>, kFunctionButtons> expected{
        561,          616,          671,          726,          std::nullopt,
        std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    EXPECT_EQ(wide.functionButtons, expected);

    // A narrow button later in the row still takes the room a wide one left.
    MainLayoutInput mixed = Window(1200, 1000, 2000);
    mixed.buttonWidths[4] = 80;
    mixed.buttonWidths[5] = 20;
    const MainLayout placed = ComputeMainLayout(mixed);
    EXPECT_EQ(placed.functionButtons[4], std::nullopt);
    EXPECT_EQ(placed.functionButtons[5], 781);
}

TEST(MainLayout, StatusPanelsShareTheBarInTwentieths) {
    MainLayoutInput in = Window(900, 700);
    in.performanceMode = 2;
    const MainLayout layout = ComputeMainLayout(in);
    ASSERT_EQ(layout.statusBarWidth, 832 - 16);
    const int32_t u = 816 / 20;  // 40
    EXPECT_EQ(layout.panelWidths,
              (std::array<int32_t, 5>{4 * u, 2 * u, 3 * u, 5 * u, 816 - 14 * u}));
}

}  // namespace
}  // namespace kvx
