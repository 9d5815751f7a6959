#include "core/stats/grid_model.hpp"

#include <gtest/gtest.h>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/measure/values.hpp"
#include "core/program/program.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

constexpr int kLen = 30;  // Two Point Line
constexpr int kCells = 31;

class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        program.settings.RecordCapacity = 1024;
        ASSERT_EQ(ws.CreateHistory(), kOk);
        build.DefineType(kLen, kTwoPointLine, "Length");
        build.DefineType(kCells, kCount, "Cells");
        program.settings.TableUnit = kUnitMillimetre;
    }

    void Pass(int type) {
        ws.SetCurrentType(type);
        ws.StatisticsPass();
    }
    std::string Cell(int row) const { return ws.grids().DGrid.at(row).value; }
    std::string Caption(int row) const { return ws.grids().DGrid.at(row).caption; }
    std::string Stat(GridModel::StatisticsRow row) const { return ws.grids().vGrid.at(row).value; }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.Path().string()};
    Workspace ws{program};
    test::MeasuredProject build{ws};
};

struct LanguageCase {
    uint8_t language;
    const char* cells[3];
    const char* variance;
    const char* variation;
    const char* interval;
};

class ThreeValueGridTest : public GridTest, public ::testing::WithParamInterface<LanguageCase> {};

// 1.5 mm, 2.25 mm (excluded) and 3 mm: mean 2.25 mm, s = sqrt(1.125) mm = 1.0607 mm.
TEST_P(ThreeValueGridTest, CellsCaptionsAndStatistics) {
    const LanguageCase& c = GetParam();
    program.settings.Language = c.language;
    build.Line(kLen, 1500);
    build.Line(kLen, 2250, true);
    build.Line(kLen, 3000);
    Pass(kLen);

    ASSERT_EQ(ws.grids().RowCount(), 3);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(Cell(r), c.cells[r]);
    EXPECT_EQ(Caption(0), "1 (min)");
    EXPECT_EQ(Caption(1), "2");
    EXPECT_EQ(Caption(2), "3 (max)");

    EXPECT_EQ(Stat(GridModel::kRowN), "2");
    EXPECT_EQ(Stat(GridModel::kRowMin), c.cells[0]);
    EXPECT_EQ(Stat(GridModel::kRowMax), c.cells[2]);
    EXPECT_EQ(Stat(GridModel::kRowVariance), c.variance);
    EXPECT_EQ(Stat(GridModel::kRowVariation), c.variation);
    EXPECT_EQ(Stat(GridModel::kRowInterval), c.interval);
    EXPECT_EQ(Stat(GridModel::kRowWithin), "66 %");  // 2 inside, of 3 listed
}

INSTANTIATE_TEST_SUITE_P(
    Languages, ThreeValueGridTest,
    ::testing::Values(
        // The variance in mm², as the values are in mm.
        LanguageCase{1, {"1.500 mm", "[2.250 mm]", "3.0 mm"}, "1.125", "47.1 %", "1.19 - 3.31 mm"},
        LanguageCase{0, {"1,500 mm", "[2,250 mm]", "3,0 mm"}, "1,125", "47,1 %", "1,19 - 3,31 mm"}),
    [](const auto& p) { return p.param.language == 0 ? "German" : "English"; });

TEST_F(GridTest, CountValuesHaveNoDecimalsButTheMeanHasThree) {
    build.Count(kCells, 3);
    build.Count(kCells, 4);
    build.Count(kCells, 5);
    Pass(kCells);
    EXPECT_EQ(Cell(0), "3");
    EXPECT_EQ(Cell(2), "5");
    EXPECT_EQ(Stat(GridModel::kRowMin), "3");
    EXPECT_EQ(Stat(GridModel::kRowMax), "5");
    EXPECT_EQ(Stat(GridModel::kRowMean), "4.0");
    EXPECT_EQ(Stat(GridModel::kRowS), "1.0");
    EXPECT_EQ(Stat(GridModel::kRowVariation), "25.0 %");
    EXPECT_EQ(Stat(GridModel::kRowInterval), "3.0 - 5.0");
    EXPECT_EQ(Stat(GridModel::kRowWithin), "100 %");
}

TEST_F(GridTest, WithinRowDividesByAllListedValues) {
    program.settings.TableUnit = kUnitMicrometre;
    build.Line(kLen, 1);
    build.Line(kLen, 2);
    build.Line(kLen, 50, true);
    build.Line(kLen, 3);
    Pass(kLen);
    EXPECT_EQ(Stat(GridModel::kRowWithin), "75 %");
    EXPECT_DOUBLE_EQ(ws.valueList().withinPercent(), 100.0);
}

TEST_F(GridTest, EmptyAndSingleValueRows) {
    Pass(kLen);
    ASSERT_EQ(ws.grids().RowCount(), 1);
    EXPECT_EQ(Cell(0), "");
    EXPECT_EQ(Caption(0), "");
    EXPECT_EQ(Stat(GridModel::kRowN), "0");
    EXPECT_EQ(Stat(GridModel::kRowMin), "");

    build.Line(kLen, 1500);
    Pass(kLen);
    ASSERT_EQ(ws.grids().RowCount(), 1);
    EXPECT_EQ(Caption(0), "1");
    EXPECT_EQ(Stat(GridModel::kRowMin), "1.500 mm");
    EXPECT_EQ(Stat(GridModel::kRowMean), "");
    EXPECT_EQ(Stat(GridModel::kRowWithin), "");

    build.Line(kLen, 900);
    Pass(kLen);
    EXPECT_EQ(Caption(0), "1");  // two values carry no marks
    EXPECT_EQ(Caption(1), "2");
}

TEST_F(GridTest, ExcludingTheMaximumMovesItsMark) {
    build.Line(kLen, 5);
    build.Line(kLen, 9);
    build.Line(kLen, 7);
    Pass(kLen);
    EXPECT_EQ(Caption(1), "2 (max)");
    ASSERT_TRUE(ws.ToggleValueExclusion(1));
    EXPECT_EQ(Caption(0), "1 (min)");
    EXPECT_EQ(Caption(1), "2");
    EXPECT_EQ(Caption(2), "3 (max)");
}

TEST_F(GridTest, DoubleClickTogglesTheObjectsFirstPoint) {
    build.Line(kLen, 1000);
    const int32_t second = build.Line(kLen, 2000);
    build.Line(kLen, 3000);
    ws.SetFileState(kUnchanged);
    Pass(kLen);

    EXPECT_FALSE(ws.ToggleValueExclusion(3));  // blank row
    EXPECT_FALSE(ws.ToggleValueExclusion(-1));
    // Measuring and modifying need a picture to work on.
    ChangeProject(ws, [&](Project& p) { p.imagePath = dir.File("slide.jpg"); });
    ws.MeasureCommand();
    ASSERT_EQ(ws.captureState(), 1);
    EXPECT_FALSE(ws.ToggleValueExclusion(1));
    ws.MeasureCommand();
    ws.ModifyCommand();
    ASSERT_EQ(ws.modifyMode(), 1);
    EXPECT_FALSE(ws.ToggleValueExclusion(1));
    ws.ModifyCommand();
    ASSERT_EQ(ws.modifyMode(), 0);
    EXPECT_FALSE(ws.history().Peek(second).excluded);
    EXPECT_EQ(ws.fileState(), kUnchanged);

    ASSERT_TRUE(ws.ToggleValueExclusion(1));
    EXPECT_TRUE(ws.history().Peek(second).excluded);
    EXPECT_FALSE(ws.history().Peek(second + 1).excluded);
    EXPECT_EQ(ws.fileState(), kChanged);
    EXPECT_EQ(Cell(1), "[2.0 mm]");
    EXPECT_EQ(ws.valueList().n(), 2);

    ASSERT_TRUE(ws.ToggleValueExclusion(1));
    EXPECT_FALSE(ws.history().Peek(second).excluded);
    EXPECT_EQ(Cell(1), "2.0 mm");
    EXPECT_EQ(ws.valueList().n(), 3);
}

// With fewer than two counted values the excluded rows stay listed, so they
// can still be double-clicked back in.
TEST_F(GridTest, ExcludedRowsStayReachable) {
    build.Line(kLen, 1000);
    build.Line(kLen, 2000, true);
    build.Line(kLen, 3000, true);
    Pass(kLen);
    EXPECT_EQ(ws.valueList().n(), 1);
    ASSERT_EQ(ws.grids().RowCount(), 3);
    EXPECT_EQ(Cell(2), "[3.0 mm]");
    ASSERT_TRUE(ws.ToggleValueExclusion(2));
    EXPECT_EQ(ws.valueList().n(), 2);
}

TEST_F(GridTest, CopyTextDropsUnitsAndKeepsBrackets) {
    build.Line(kLen, 12000);
    build.Line(kLen, 3500, true);
    Pass(kLen);
    EXPECT_EQ(ws.grids().CopyLines(), (std::vector<std::string>{"12.0", "[3.500]"}));
    EXPECT_EQ(ws.grids().CopyText(), "12.0\n[3.500]\n");

    program.settings.TableUnit = kUnitMicrometre;
    Pass(kLen);
    EXPECT_EQ(ws.grids().CopyLines(), (std::vector<std::string>{"12000.0", "[3500.0]"}));

    build.Count(kCells, 3);
    build.Count(kCells, 4, true);
    Pass(kCells);
    EXPECT_EQ(ws.grids().CopyLines(), (std::vector<std::string>{"3", "[4]"}));
}

TEST_F(GridTest, CopyButtonNeedsTwoRowsAndAWideWindow) {
    build.Line(kLen, 1000);
    Pass(kLen);
    EXPECT_FALSE(ws.grids().CopyButtonVisible(1200));
    build.Line(kLen, 2000);
    Pass(kLen);
    EXPECT_TRUE(ws.grids().CopyButtonVisible(841));
    EXPECT_FALSE(ws.grids().CopyButtonVisible(840));
    Pass(0);
    EXPECT_FALSE(ws.grids().CopyButtonVisible(1200));
}

TEST_F(GridTest, MeanOfZeroLeavesTheVariationBlank) {
    build.Line(kLen, 0);
    build.Line(kLen, 0);
    Pass(kLen);
    EXPECT_EQ(Stat(GridModel::kRowMean), "0.0 mm");
    EXPECT_EQ(Stat(GridModel::kRowS), "0.0 mm");
    EXPECT_EQ(Stat(GridModel::kRowVariation), "");
    EXPECT_EQ(Stat(GridModel::kRowWithin), "100 %");
}

// Points far outside the world (a damaged project file) give distances no
// cell can show, and statistics that overflow.
TEST_F(GridTest, AbsurdValuesShowADashNeverInfOrHundredsOfDigits) {
    build.Line(kLen, 1e300);
    build.Line(kLen, 3e300);
    build.Line(kLen, 2000);
    Pass(kLen);
    EXPECT_EQ(Cell(0), "-");
    EXPECT_EQ(Cell(2), "2.0 mm");
    EXPECT_EQ(Stat(GridModel::kRowMin), "2.0 mm");
    for (const auto row : {GridModel::kRowMax, GridModel::kRowMean, GridModel::kRowVariance,
                           GridModel::kRowS, GridModel::kRowVariation, GridModel::kRowInterval}) {
        EXPECT_EQ(Stat(row), "-") << row;
    }

    // Labels as large as they may be: the variance no longer fits.
    build.DefineType(32, kText, "Label");
    build.Text(32, "1e15");
    build.Text(32, "-1e15");
    Pass(32);
    EXPECT_EQ(Stat(GridModel::kRowMax), "1000000000000000");
    EXPECT_EQ(Stat(GridModel::kRowVariance), "-");
}

}  // namespace
}  // namespace kvx
