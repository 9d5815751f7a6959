#include "core/stats/collect_values.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/program/program.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

constexpr int kLine2 = 10;  // Two Point Line
constexpr int kPoly = 11;
constexpr int kCnt = 12;
constexpr int kTxt = 13;
constexpr int kPolyline = 14;  // Line: never yields values

class ValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        program.settings.RecordCapacity = 2048;
        ASSERT_EQ(ws.CreateHistory(), kOk);
        build.DefineType(kLine2, kTwoPointLine, "Distance");
        build.DefineType(kPoly, kPolygon, "Area");
        build.DefineType(kCnt, kCount, "Cells");
        build.DefineType(kTxt, kText, "Label");
        build.DefineType(kPolyline, kLine, "Outline");
        build.DefineType(kSlotLabelPoint, kPoint, "Labels", {}, kClassSystem);
    }

    ValueList Collect(int type) {
        ValueList list;
        CollectValues(ws.history(), program.objectTypes, type, list);
        return list;
    }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.Path().string()};
    Workspace ws{program};
    test::MeasuredProject build{ws};
};

struct SingleObjectCase {
    const char* name;
    int type;
    std::function<void(test::MeasuredProject&)> make;
    std::optional<double> value;  // none: the object yields no value
};

class SingleObjectTest : public ValuesTest,
                         public ::testing::WithParamInterface<SingleObjectCase> {};

TEST_P(SingleObjectTest, YieldsItsValue) {
    const SingleObjectCase& c = GetParam();
    c.make(build);
    const ValueList list = Collect(c.type);
    if (!c.value) {
        EXPECT_EQ(list.Count(), 0);
        return;
    }
    ASSERT_EQ(list.Count(), 1);
    EXPECT_NEAR(list.Entry(1).value, *c.value, 1e-9);
    EXPECT_EQ(list.Entry(1).firstPoint, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Objects, SingleObjectTest,
    ::testing::Values(
        SingleObjectCase{"PairThreeFourFive", kLine2,
                         [](auto& b) {
                             b.Point(kLine2, 1000, 1000, 1);
                             b.Point(kLine2, 4000, 5000, 2);
                         },
                         5000.0},
        SingleObjectCase{"PairCoincident", kLine2,
                         [](auto& b) {
                             b.Point(kLine2, 7, 7, 1);
                             b.Point(kLine2, 7, 7, 2);
                         },
                         0.0},
        // No partner record: no distance to whatever lies past the end.
        SingleObjectCase{"LonePairPointAtEnd", kLine2,
                         [](auto& b) { b.Point(kLine2, 3000, 4000, 1); }, std::nullopt},
        SingleObjectCase{"TriangleAnticlockwise", kPoly,
                         [](auto& b) {
                             b.Closed(kPoly, {{0, 0}, {4000, 0}, {0, 3000}});
                         },
                         6000000.0},
        SingleObjectCase{"TriangleClockwise", kPoly,
                         [](auto& b) {
                             b.Closed(kPoly, {{0, 0}, {0, 3000}, {4000, 0}});
                         },
                         6000000.0},
        SingleObjectCase{"PolygonOfTwoClicks", kPoly,
                         [](auto& b) {
                             b.Closed(kPoly, {{0, 0}, {4000, 0}});
                         },
                         std::nullopt},
        SingleObjectCase{"CountOfThree", kCnt, [](auto& b) { b.Count(kCnt, 3); }, 3.0},
        SingleObjectCase{"CountOfTwo", kCnt, [](auto& b) { b.Count(kCnt, 2); }, std::nullopt},
        SingleObjectCase{"LabelDecimalComma", kTxt, [](auto& b) { b.Text(kTxt, "12,5"); }, 12.5},
        SingleObjectCase{"LabelBlanks", kTxt, [](auto& b) { b.Text(kTxt, "   "); }, 0.0},
        SingleObjectCase{"LabelLetters", kTxt, [](auto& b) { b.Text(kTxt, "abc"); }, std::nullopt},
        SingleObjectCase{"LabelEmpty", kTxt, [](auto& b) { b.Text(kTxt, ""); }, std::nullopt},
        // A number no table can show is refused like letters.
        SingleObjectCase{"LabelHuge", kTxt, [](auto& b) { b.Text(kTxt, "1e308"); }, std::nullopt},
        SingleObjectCase{"LabelLargest", kTxt, [](auto& b) { b.Text(kTxt, "-1e15"); }, -1e15},
        SingleObjectCase{"LineTypeHasNoValues", kPolyline,
                         [](auto& b) {
                             b.Point(kPolyline, 0, 0, 1);
                             b.Point(kPolyline, 10, 0, 2);
                         },
                         std::nullopt}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ValuesTest, WalkFollowsObjectsInHistoryOrder) {
    build.Point(kSlotLabelPoint, 0, 0, 0, "first");  // 1: label point of the next object
    build.Square(kPoly, 1000);                       // 2..6
    build.Square(kPoly, 2000, true);                 // 7..11: starts where the last walk ended
    build.Point(kPolyline, 0, 0, 1);                 // 12
    build.Point(kPolyline, 5, 5, 2);                 // 13
    build.Point(kPoly, 0, 0, 1);                     // 14: triangle with a deleted point
    build.Point(kPoly, 4000, 0, 2);                  // 15
    build.Point(0, 2000, -500, 2);                   // 16: deleted, passed over
    build.Point(kPoly, 0, 3000, 2);                  // 17
    build.Point(kPoly, 0, 0, 2);                     // 18: closing copy
    build.Text(kTxt, "4");                           // 19: kind unset, does not end a walk
    build.Count(kCnt, 4);                            // 20..24

    const ValueList areas = Collect(kPoly);
    ASSERT_EQ(areas.Count(), 3);
    EXPECT_DOUBLE_EQ(areas.Entry(1).value, 1000000.0);
    EXPECT_EQ(areas.Entry(1).firstPoint, 2);
    EXPECT_FALSE(areas.Entry(1).excluded);
    EXPECT_DOUBLE_EQ(areas.Entry(2).value, 4000000.0);
    EXPECT_EQ(areas.Entry(2).firstPoint, 7);
    EXPECT_TRUE(areas.Entry(2).excluded);
    EXPECT_DOUBLE_EQ(areas.Entry(3).value, 6000000.0);
    EXPECT_EQ(areas.Entry(3).firstPoint, 14);

    const ValueList counts = Collect(kCnt);
    ASSERT_EQ(counts.Count(), 1);
    EXPECT_DOUBLE_EQ(counts.Entry(1).value, 4.0);
    EXPECT_EQ(counts.Entry(1).firstPoint, 20);

    // Deleting a further point of a count object lowers its count but keeps it one object.
    MeasuredObject p = ws.history().Peek(22);
    p.typeIndex = 0;
    ws.PutRecord(22, p);
    EXPECT_DOUBLE_EQ(Collect(kCnt).Entry(1).value, 3.0);
}

TEST_F(ValuesTest, PairsAreConsecutiveRecordsWhateverTheSecondHolds) {
    build.Line(kLine2, 300.0);
    build.Line(kLine2, 400.0, true);
    // A deleted second point still ends its pair where it lies.
    build.Point(kLine2, 0, 0, 1);
    build.Point(0, 0, 600, 2);
    const ValueList list = Collect(kLine2);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_DOUBLE_EQ(list.Entry(1).value, 300.0);
    EXPECT_EQ(list.Entry(2).firstPoint, 3);
    EXPECT_TRUE(list.Entry(2).excluded);
    EXPECT_DOUBLE_EQ(list.Entry(3).value, 600.0);
    EXPECT_EQ(list.Entry(3).firstPoint, 5);
}

TEST_F(ValuesTest, EveryValueIsCollectedBeyondAThousand) {
    for (int k = 1; k <= 1200; ++k) build.Text(kTxt, std::to_string(k));
    const ValueList list = Collect(kTxt);
    ASSERT_EQ(list.Count(), 1200);
    EXPECT_DOUBLE_EQ(list.Entry(1000).value, 1000.0);
    EXPECT_DOUBLE_EQ(list.Entry(1200).value, 1200.0);
    EXPECT_EQ(list.Entry(1200).firstPoint, 1200);
    EXPECT_EQ(list.Entry(1201).firstPoint, 0);
}

TEST_F(ValuesTest, TypesInUseIgnoresDeletedAndStrayReferences) {
    build.Text(kTxt, "1");
    build.Point(0, 0, 0, 1);
    build.Point(300, 0, 0, 1);
    build.Point(kSlotLabelPoint, 0, 0, 0);
    const auto used = TypesInUse(ws.history());
    EXPECT_TRUE(used[kTxt]);
    EXPECT_TRUE(used[kSlotLabelPoint]);
    EXPECT_FALSE(used[0]);
    EXPECT_EQ(std::count(used.begin(), used.end(), true), 2);
}

}  // namespace
}  // namespace kvx
