#include "core/program/startup.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

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
        FitCase{"OffTheTopStaysThere", {0, -20, 800, 900}, 1024, 768, {0, -20, 800, 753}}),
    [](const ::testing::TestParamInfo<FitCase>& param) { return std::string(param.param.label); });

}  // namespace
}  // namespace kvx
