#include "core/workspace/main_layout.hpp"

#include <gtest/gtest.h>

#include <vector>

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
    // (one pixel lower than usual, below the copy button that moved over it)
    EXPECT_EQ(layout.DGrid, (LayoutRect{583, 34, 220, 572 - 191 - 15}));
    EXPECT_EQ(layout.vGrid, (LayoutRect{583, 700 - 92 - 191, 220, 191}));
    EXPECT_EQ(layout.cbo.width, 220);
    // Fifty pixels left of the grid the copy button would cover the modify
    // button (518 .. 551): it follows that button, and the selector follows it.
    EXPECT_EQ(layout.BitBtn7.left, 556);
    EXPECT_EQ(layout.cbo.left, 592);

    in.performanceMode = 1;
    const MainLayout xp = ComputeMainLayout(in);
    EXPECT_EQ(xp.windowWidth, 220 + 572 + 20);
    EXPECT_EQ(xp.DGrid.height, 572 - 191 - 5);
    // The selector, moved right, gives up what the smaller allowance lacks.
    EXPECT_EQ(xp.cbo.width, 812 - 3 - 592);

    // A frame 16 pixels wide would cut the value grid's right edge: the
    // window grows by what the frame takes.
    in.frameWidth = 16;
    EXPECT_EQ(ComputeMainLayout(in).windowWidth, 583 + 220 + 3 + 16);
}

TEST(MainLayout, TheDesignedSizeKeepsTheDesignedPlaces) {
    // Tall enough, the copy button and the selector stand where the grid puts them.
    MainLayoutInput in = Window(900, 752);
    in.frameWidth = 16;
    const MainLayout layout = ComputeMainLayout(in);
    EXPECT_EQ(layout.MainPB.width, 624);
    EXPECT_EQ(layout.BitBtn7.left, 635 - 50);
    EXPECT_EQ(layout.cbo.left, 635);
    EXPECT_EQ(layout.DGrid.top, 33);
    EXPECT_EQ(layout.windowWidth, 220 + 624 + 40);
    // The outline-by-click button after the modify button moves nothing.
    in.bevel7Right = 578;
    EXPECT_EQ(ComputeMainLayout(in).BitBtn7.left, 635 - 50);
    EXPECT_EQ(ComputeMainLayout(in).cbo.left, 635);
}

// Every size the window may take, with and without a window manager's frame
// and in both performance modes: the toolbar row holds the picture buttons
// (up to the modify button), the function buttons shown, the copy button
// and the selector side by side, and every component lies inside the
// client area.
TEST(MainLayout, NoControlsOverlapAndAllStayInsideTheWindow) {
    struct Chrome {
        int32_t frameWidth, frameHeight, menuBar, statusBar;
    };
    for (const Chrome chrome : {Chrome{0, 0, 0, 0}, Chrome{0, 0, 25, 27}, Chrome{16, 39, 25, 27},
                                Chrome{10, 30, 30, 34}}) {
        for (const int32_t mode : {1, 2}) {
            for (int32_t height = kMainMinHeight; height <= kMainMaxHeight; height += 4) {
                MainLayoutInput in = Window(kMainMinWidth, height, 2000);
                in.bevel7Right = 578;  // the window's, with outline by click
                in.performanceMode = mode;
                in.frameWidth = chrome.frameWidth;
                in.frameHeight = chrome.frameHeight;
                in.menuBarHeight = chrome.menuBar;
                in.statusBarHeight = chrome.statusBar;
                const MainLayout out = ComputeMainLayout(in);
                SCOPED_TRACE(testing::Message()
                             << "height " << height << ", mode " << mode << ", frame "
                             << chrome.frameWidth << "x" << chrome.frameHeight);
                std::vector<LayoutRect> row{{0, 3, in.bevel7Right, 31}};
                for (std::size_t i = 0; i < kFunctionButtons; ++i) {
                    if (out.functionButtons[i]) {
                        row.push_back({*out.functionButtons[i], 3, in.buttonWidths[i], 31});
                    }
                }
                row.push_back(out.BitBtn7);
                row.push_back(out.cbo);
                for (std::size_t i = 1; i < row.size(); ++i) {
                    ASSERT_GT(row[i].left, row[i - 1].Right()) << "control " << i;
                }
                for (const LayoutRect& r : row) {
                    if (r.left < out.DGrid.Right() && out.DGrid.left < r.Right()) {
                        ASSERT_GE(out.DGrid.top, r.top + r.height);
                    }
                }
                const int32_t clientWidth = out.windowWidth - chrome.frameWidth;
                for (const LayoutRect& r : {out.cbo, out.DGrid, out.vGrid}) {
                    ASSERT_LE(r.Right(), clientWidth);
                }
                ASSERT_GE(out.cbo.width, 160);
                if (chrome.menuBar > 0) {
                    const int32_t area =
                        out.windowHeight - chrome.frameHeight - chrome.menuBar - chrome.statusBar;
                    ASSERT_LE(out.MainPB.top + out.MainPB.height, area);
                    ASSERT_LE(out.vGrid.top + out.vGrid.height, area);
                    ASSERT_LE(out.DGrid.top + out.DGrid.height, out.vGrid.top);
                }
                ASSERT_GE(out.windowWidth, kMainMinWidth);
            }
        }
    }
}

TEST(MainLayout, ATallerMenuAndStatusBarShortenTheField) {
    MainLayoutInput in = Window(900, 700);
    in.frameHeight = 39;
    in.menuBarHeight = 30;
    in.statusBarHeight = 34;  // together 103, 11 more than the allowance
    const MainLayout layout = ComputeMainLayout(in);
    EXPECT_EQ(layout.MainPB.height, 572 - 11);
    EXPECT_EQ(layout.vGrid.top, 700 - 103 - 191);
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
    // The first start's 580 pixels leave a field of 452: the selector,
    // moved right of the toolbar, is narrowed to the smallest window.
    const MainLayout first = ComputeMainLayout(Window(800, 580));
    EXPECT_EQ(first.windowWidth, kMainMinWidth);
    EXPECT_EQ(first.cbo, (LayoutRect{592, 4, 800 - 3 - 592, 24}));
    // The outline-by-click button after the modify button leaves the width
    // as it was, with or without a window manager's frame.
    MainLayoutInput wand = Window(800, 580);
    wand.bevel7Right = 578;
    EXPECT_EQ(ComputeMainLayout(wand).windowWidth, kMainMinWidth);
    EXPECT_EQ(ComputeMainLayout(wand).cbo.left, 583 + 31 + 5);
    MainLayoutInput framed = Window(800, 580);
    framed.frameWidth = 16;
    const int32_t without = ComputeMainLayout(framed).windowWidth;
    framed.bevel7Right = 578;
    EXPECT_EQ(ComputeMainLayout(framed).windowWidth, without);
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

    // A text wider than its panel takes the room the others do not need,
    // the most room first; the bar's width stays.
    const std::vector<int32_t> shares{160, 80, 120, 200, 256};
    EXPECT_EQ(FitPanelWidths(shares, {100, 130, 60, 150, 250}),
              (std::vector<int32_t>{110, 130, 120, 200, 256}));
    // Short of room, the others give up to their own texts' widths.
    EXPECT_EQ(FitPanelWidths(shares, {160, 300, 110, 190, 200}),
              (std::vector<int32_t>{160, 156, 110, 190, 200}));
    EXPECT_EQ(FitPanelWidths(shares, {160, 500, 120, 200, 256}), shares);
    EXPECT_EQ(FitPanelWidths(shares, {0, 0, 0, 0, 0}), shares);
}

}  // namespace
}  // namespace kvx
