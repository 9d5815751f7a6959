#include "core/stats/statistics.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/program/program.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

constexpr int kLen = 20;  // Two Point Line
constexpr int kCells = 21;

class StatisticsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        program.settings.RecordCapacity = 1024;
        ASSERT_EQ(ws.CreateHistory(), kOk);
        build.DefineType(kLen, kTwoPointLine, "Length");
        build.DefineType(kCells, kCount, "Cells");
        program.settings.TableUnit = 0;
    }

    void Pass(int type) {
        ws.SetCurrentType(type);
        ws.StatisticsPass();
    }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.Path().string()};
    Workspace ws{program};
    test::MeasuredProject build{ws};
};

TEST_F(StatisticsTest, EightValueSeries) {
    for (const double v : {2, 4, 4, 4, 5, 5, 7, 9}) build.Line(kLen, v);
    Pass(kLen);
    const ValueList& s = ws.valueList();
    EXPECT_EQ(s.n(), 8);
    EXPECT_EQ(s.excludedCount(), 0);
    EXPECT_EQ(s.min(), 2);
    EXPECT_EQ(s.max(), 9);
    EXPECT_DOUBLE_EQ(s.mean(), 5.0);
    EXPECT_DOUBLE_EQ(s.variance(), 32.0 / 7.0);
    EXPECT_NEAR(s.s(), 2.138, 5e-4);
    EXPECT_NEAR(s.lowerBound(), 2.862, 5e-4);
    EXPECT_NEAR(s.upperBound(), 7.138, 5e-4);
    EXPECT_DOUBLE_EQ(s.withinPercent(), 75.0);

    // As the statistics grid shows them, in micrometres.
    const auto& grid = ws.grids().vGrid;
    EXPECT_EQ(grid[GridModel::kRowMean].value, "5.0 \xB5m");
    EXPECT_EQ(grid[GridModel::kRowVariance].value, "4.571");
    EXPECT_EQ(grid[GridModel::kRowS].value, "2.138 \xB5m");
    EXPECT_EQ(grid[GridModel::kRowVariation].value, "42.8 %");
    EXPECT_EQ(grid[GridModel::kRowInterval].value, "2.86 - 7.14 \xB5m");
    EXPECT_EQ(grid[GridModel::kRowWithin].value, "75 %");
    EXPECT_EQ(ws.grids().DGrid[0].caption, "1 (min)");
    EXPECT_EQ(ws.grids().DGrid[7].caption, "8 (max)");
}

TEST_F(StatisticsTest, SmallListsLeaveTheSpreadAtZero) {
    Pass(kLen);  // no objects
    EXPECT_EQ(ws.valueList().n(), 0);
    EXPECT_EQ(ws.valueList().max(), 0);
    EXPECT_EQ(ws.valueList().min(), kNoMinimum);
    EXPECT_EQ(ws.valueList().mean(), 0);

    build.Line(kLen, 1500);
    Pass(kLen);
    EXPECT_EQ(ws.valueList().n(), 1);
    EXPECT_EQ(ws.valueList().min(), 1500);
    EXPECT_EQ(ws.valueList().max(), 1500);
    EXPECT_EQ(ws.valueList().mean(), 1500);
    EXPECT_EQ(ws.valueList().s(), 0);
    EXPECT_EQ(ws.valueList().variance(), 0);
    EXPECT_EQ(ws.valueList().withinPercent(), 0);
    EXPECT_EQ(ws.valueList().upperBound(), 0);

    build.Line(kLen, 1500);
    Pass(kLen);
    EXPECT_EQ(ws.valueList().s(), 0);
    EXPECT_EQ(ws.valueList().lowerBound(), 1500);
    EXPECT_EQ(ws.valueList().upperBound(), 1500);
    EXPECT_EQ(ws.valueList().withinPercent(), 100);
}

TEST_F(StatisticsTest, ExcludedValuesOnlyCountAsExcluded) {
    build.Line(kLen, 10);
    build.Line(kLen, 1000, true);
    build.Line(kLen, 30);
    build.Line(kLen, 1, true);
    build.Line(kLen, 20);
    Pass(kLen);
    const ValueList& s = ws.valueList();
    EXPECT_EQ(s.Count(), 5);
    EXPECT_EQ(s.n(), 3);
    EXPECT_EQ(s.excludedCount(), 2);
    EXPECT_EQ(s.min(), 10);
    EXPECT_EQ(s.max(), 30);
    EXPECT_DOUBLE_EQ(s.mean(), 20);
    EXPECT_DOUBLE_EQ(s.variance(), 100);
    EXPECT_DOUBLE_EQ(s.withinPercent(), 100);
}

TEST_F(StatisticsTest, NoCurrentTypeLeavesTheBlockAsItWas) {
    build.Line(kLen, 10);
    build.Line(kLen, 20);
    Pass(kLen);
    build.Line(kLen, 90);
    Pass(0);
    EXPECT_EQ(ws.valueList().Count(), 2);
    EXPECT_DOUBLE_EQ(ws.valueList().mean(), 15);
    EXPECT_EQ(ws.grids().RowCount(), GridModel::kBlankValueRows);
    EXPECT_EQ(ws.grids().vGrid[0].caption, "n");
    EXPECT_EQ(ws.grids().vGrid[0].value, "");
    EXPECT_FALSE(ws.grids().CopyButtonVisible(2000));
}

TEST_F(StatisticsTest, NegativeLabelsRankBySize) {
    constexpr int kTxt = 22;
    build.DefineType(kTxt, kText, "Offset");
    build.Text(kTxt, "-3");
    build.Text(kTxt, "-1");
    build.Text(kTxt, "-2");
    Pass(kTxt);
    EXPECT_EQ(ws.valueList().max(), -1);
    EXPECT_EQ(ws.valueList().min(), -3);
    EXPECT_EQ(ws.grids().DGrid[0].caption, "1 (min)");
    EXPECT_EQ(ws.grids().DGrid[1].caption, "2 (max)");
}

struct ClassSizeCase {
    int32_t adapt;
    int32_t percent;
    double mean;
    int dataType;
    double width;
};

class ClassSizeTest : public ::testing::TestWithParam<ClassSizeCase> {};

TEST_P(ClassSizeTest, Width) {
    const ClassSizeCase& c = GetParam();
    Settings settings;
    settings.ClassSize = 250;
    settings.AdaptClassSize = c.adapt;
    settings.ClassSizePercent = c.percent;
    EXPECT_DOUBLE_EQ(CalcClassSize(settings, c.mean, c.dataType), c.width);
}

INSTANTIATE_TEST_SUITE_P(Settings, ClassSizeTest,
                         ::testing::Values(ClassSizeCase{0, 3, 5000, kTwoPointLine, 250},
                                           ClassSizeCase{1, 3, 5000, kTwoPointLine, 150},
                                           ClassSizeCase{2, 50, 5000, kPolygon, 2500},
                                           ClassSizeCase{1, 1, 5000, kTwoPointLine, 0},
                                           ClassSizeCase{1, 100, 5000, kTwoPointLine, 0},
                                           ClassSizeCase{1, 3, 0, kTwoPointLine, 0},
                                           ClassSizeCase{1, 3, 5000, kCount, 1},
                                           ClassSizeCase{0, 3, 5000, kCount, 1},
                                           ClassSizeCase{1, 100, 5000, kCount, 1}));

}  // namespace
}  // namespace kvx
