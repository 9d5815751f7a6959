#include "core/program/startup.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace kvx {
namespace {

struct FitCase {
    const char* label;
    WindowRect saved;
    int32_t screenWidth;
    int32_t screenHeight;
    WindowRect fitted;
};

void PrintTo(const FitCase& c, std::ostream* os) {
    *os << c.label;
}

class FitWindowRectTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitWindowRectTest, FitsTheScreen) {
    const FitCase& c = GetParam();
    EXPECT_EQ(FitWindowRect(c.saved, c.screenWidth, c.screenHeight), c.fitted);
}

INSTANTIATE_TEST_SUITE_P(
    Rectangles, FitWindowRectTest,
    ::testing::Values(
        FitCase{"AlreadyInside", {10, 20, 800, 580}, 1024, 768, {10, 20, 800, 580}},
        FitCase{"MovesLeft", {100, 0, 1000, 580}, 1024, 768, {24, 0, 1000, 580}},
        FitCase{"NarrowsAtTheLeftEdge", {1, 0, 1100, 580}, 1024, 768, {1, 0, 1023, 580}},
        FitCase{"MovesLeftThenNarrows", {300, 0, 1100, 580}, 1024, 768, {1, 0, 1023, 580}},
        // The bottom stays 35 pixels above the screen's: 768 - 35 = 733.
        FitCase{"MovesUp", {0, 300, 800, 500}, 1024, 768, {0, 233, 800, 500}},
        FitCase{"MovesUpThenShrinks", {0, 50, 800, 900}, 1024, 768, {0, 1, 800, 732}},
        FitCase{"ExactlyAtTheLimit", {224, 153, 800, 580}, 1024, 768, {224, 153, 800, 580}},
        // Saved on a monitor left of or above this one, which is gone now.
        FitCase{"OffTheTopComesOntoTheScreen", {0, -20, 800, 900}, 1024, 768, {0, 0, 800, 733}},
        FitCase{"LeftOfTheScreenComesOntoIt", {-1700, 40, 800, 580}, 1024, 768, {0, 40, 800, 580}}),
    [](const ::testing::TestParamInfo<FitCase>& param) { return std::string(param.param.label); });

TEST(NearestScreenTest, TheSavedWindowGoesOntoTheScreenItBelongsTo) {
    const std::vector<WindowRect> screens{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    EXPECT_EQ(NearestScreen({2000, 100, 800, 600}, screens), 1u);
    EXPECT_EQ(NearestScreen({1800, 100, 800, 600}, screens), 1u);  // most of it on the right
    EXPECT_EQ(NearestScreen({-1500, 100, 800, 600}, screens), 0u);
    EXPECT_EQ(NearestScreen({5000, 5000, 800, 600}, screens), 1u);
    EXPECT_EQ(FitWindowRect({4000, 100, 800, 600}, screens[1]), (WindowRect{2400, 100, 800, 600}));
    EXPECT_EQ(FitWindowRect({1900, -50, 800, 600}, screens[1]), (WindowRect{1920, 0, 800, 600}));
}

TEST(FirstStartRectTest, FillsFourFifthsOfTheFreeAreaButNeverLessThanTheDesignedSize) {
    const WindowRect least{0, 0, 800, 580};
    // 1280 x 1024 with a 24-pixel panel on top: 1024 x 800, centred below it.
    EXPECT_EQ(FirstStartRect({0, 24, 1280, 1000}, least), (WindowRect{128, 124, 1024, 800}));
    EXPECT_EQ(FirstStartRect({0, 0, 1920, 1080}, least), (WindowRect{192, 108, 1536, 864}));
    // A small free area keeps the designed size, as far as the area has room.
    EXPECT_EQ(FirstStartRect({0, 0, 900, 640}, least), (WindowRect{50, 30, 800, 580}));
    EXPECT_EQ(FirstStartRect({10, 0, 700, 500}, least), (WindowRect{10, 0, 800, 580}));
}

}  // namespace
}  // namespace kvx
