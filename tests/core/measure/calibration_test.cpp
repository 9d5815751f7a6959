// The properties dialog: resolution, scale bar, pointer calibration.
#include "core/measure/calibration.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "common/measure_fixture.hpp"

namespace kvx {
namespace {

using test::MeasureTest;
using namespace test;
using F = PropertiesDialogModel;

class PropertiesTest : public MeasureTest {
protected:
    /// Opens the dialog, lets edit fill it and presses OK.
    void Ok(std::function<void(PropertiesDialogModel&)> edit) {
        ui.propertiesEdits.push_back([edit](PropertiesDialogModel& m) {
            edit(m);
            return true;
        });
        ws.MnPropsClick();
    }
    double Length(int32_t first) const {
        const MeasuredObject a = At(first);
        const MeasuredObject b = At(first + 1);
        return std::hypot(a.x - b.x, a.y - b.y);
    }
};

TEST_F(PropertiesTest, DialogOpensWithTheProjectsValues) {
    ChangeProject(ws, [&](Project& p) {
        p.title = "Slide 4";
        p.userName = "mk";
        p.projectPath = "/data/slide.KXP";
    });
    program.settings.Calibration = 125.0;
    const auto m = PropertiesDialogModel::Open(ws.project(), program.settings, program.messages);
    EXPECT_EQ(m.Text(F::Edit1), "Slide 4");
    EXPECT_EQ(m.Text(F::Edit2), "1200");
    EXPECT_EQ(m.Text(F::Edit3), ws.project().imagePath);
    EXPECT_EQ(m.Text(F::Edit4), "");
    EXPECT_EQ(m.Text(F::Edit6), "1");
    EXPECT_EQ(m.Text(F::Edit7), "0.8");
    EXPECT_EQ(m.Text(F::Edit8), "mk");
    EXPECT_EQ(m.Label7, "/data/slide.KXP");
    EXPECT_EQ(m.caption, program.GetMessage(kMsgPropertiesCaption) + " : /data/slide.KXP");
}

TEST_F(PropertiesTest, ScaleBarMeasuredTooLongRaisesTheResolution) {
    ChangeProject(ws, [&](Project& p) { p.resolutionDpi = 300; });
    // A 10 mm bar that measures 12.5 mm at 300 dpi.
    build.Line(kTplType, 12500.0, false, 1000.0, 2000.0);
    Ok([](PropertiesDialogModel& m) {
        m.Enter(F::Edit4);
        m.Text(F::Edit4) = "10";
        m.Leave(F::Edit4);
        EXPECT_EQ(m.Text(F::Edit2), "");
        m.Text(F::Edit5) = "12,5";
        m.Leave(F::Edit5);
    });
    EXPECT_EQ(ws.project().resolutionDpi, 375);
    EXPECT_DOUBLE_EQ(At(1).x, 800.0);
    EXPECT_DOUBLE_EQ(At(1).y, 1600.0);
    EXPECT_NEAR(Length(1), 10000.0, 1e-6);
    EXPECT_EQ(ws.fileState(), kChanged);
}

TEST_F(PropertiesTest, DoublingTheResolutionHalvesLengthsAndQuartersAreas) {
    ChangeProject(ws, [&](Project& p) { p.resolutionDpi = 300; });
    build.Line(kTplType, 8000.0);
    build.Square(kPolyType, 4000.0);
    Ok([](PropertiesDialogModel& m) { m.Text(F::Edit2) = "600"; });
    EXPECT_EQ(ws.project().resolutionDpi, 600);
    EXPECT_DOUBLE_EQ(Length(1), 4000.0);
    Choose(kPolyType);
    ASSERT_EQ(ws.valueList().Count(), 1);
    EXPECT_DOUBLE_EQ(ws.valueList().Entry(1).value, 4e6);
}

TEST_F(PropertiesTest, ResolutionBelowOneDotPerInchIsRefused) {
    ChangeProject(ws, [&](Project& p) { p.resolutionDpi = 1; });
    build.Line(kTplType, 100.0);
    Ok([](PropertiesDialogModel& m) {
        m.Text(F::Edit2) = "";
        m.Text(F::Edit4) = "2";
        m.Text(F::Edit5) = "1";
    });
    EXPECT_EQ(ws.project().resolutionDpi, 1);
    EXPECT_DOUBLE_EQ(Length(1), 100.0);
}

TEST_F(PropertiesTest, UnreadableEntriesLeaveTheResolution) {
    Ok([](PropertiesDialogModel& m) {
        m.Text(F::Edit2) = "abc";
        m.Text(F::Edit4) = "0";
        m.Text(F::Edit5) = "5";
    });
    EXPECT_EQ(ws.project().resolutionDpi, 1200);
}

TEST_F(PropertiesTest, PointerCalibrationFromAPairOfDistances) {
    Ok([](PropertiesDialogModel& m) {
        m.Text(F::Edit6) = "1";
        m.Text(F::Edit7) = "0.8";
    });
    EXPECT_DOUBLE_EQ(program.settings.Calibration, 125.0);
    Ok([](PropertiesDialogModel& m) {
        m.Text(F::Edit6) = "1";
        m.Text(F::Edit7) = "1";
    });
    EXPECT_EQ(program.settings.Calibration, 0.0);
    const auto m = PropertiesDialogModel::Open(ws.project(), program.settings, program.messages);
    EXPECT_EQ(m.Text(F::Edit6), "");
    EXPECT_EQ(m.Text(F::Edit7), "");
}

TEST_F(PropertiesTest, TitleAndImagePathAreTaken) {
    Ok([](PropertiesDialogModel& m) {
        m.Text(F::Edit1) = "New title";
        m.Text(F::Edit3) = "/images/other.jpg";
        m.Text(F::Edit8) = "someone";
    });
    EXPECT_EQ(ws.project().title, "New title");
    EXPECT_EQ(ws.project().imagePath, "/images/other.jpg");
    EXPECT_EQ(ws.project().userName, "");
    Ok([](PropertiesDialogModel& m) { m.Text(F::Edit3) = " "; });
    EXPECT_EQ(ws.project().imagePath, "/images/other.jpg");
}

TEST_F(PropertiesTest, CancelAndBusyModesChangeNothing) {
    ws.MnPropsClick();  // the fake cancels
    EXPECT_EQ(ui.propertiesDialogs, 1);
    EXPECT_EQ(ws.fileState(), kUnchanged);
    Choose(kLineType);
    ws.MeasureCommand();
    ws.MnPropsClick();
    EXPECT_EQ(ui.propertiesDialogs, 1);
}

struct LeaveCase {
    const char* name;
    PropertiesDialogModel::Field field;
    const char* before;
    const char* typed;
    const char* after;
};

class LeaveFieldTest : public ::testing::TestWithParam<LeaveCase> {};

TEST_P(LeaveFieldTest, PutsTheRememberedNumberBack) {
    PropertiesDialogModel m;
    const LeaveCase& c = GetParam();
    m.Text(c.field) = c.before;
    m.Enter(c.field);
    m.Text(c.field) = c.typed;
    m.Leave(c.field);
    EXPECT_EQ(m.Text(c.field), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, LeaveFieldTest,
    ::testing::Values(LeaveCase{"Letters", F::Edit2, "300", "dpi", "300"},
                      LeaveCase{"ResolutionIntegerPart", F::Edit2, "300.75", "x", "300"},
                      LeaveCase{"ScaleKeepsDecimals", F::Edit4, "12,5", "?", "12.5"},
                      LeaveCase{"EmptyWasZero", F::Edit5, "", "mm", "0"},
                      LeaveCase{"NumberStays", F::Edit5, "3", "4.25", "4.25"}),
    [](const auto& c) { return std::string(c.param.name); });

struct ScaleCase {
    int32_t old;
    const char* known;
    const char* measured;
    int32_t expected;
};

class ScaleResolutionTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleResolutionTest, TruncatesTheDecimalQuotient) {
    PropertiesDialogModel m;
    m.Text(F::Edit2) = "";
    m.Text(F::Edit4) = GetParam().known;
    m.Text(F::Edit5) = GetParam().measured;
    EXPECT_EQ(ResolutionFromDialog(m, GetParam().old), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Pairs, ScaleResolutionTest,
                         ::testing::Values(
                             // Products whose binary value lies just below the whole number.
                             ScaleCase{2400, "1", "0,82", 1968}, ScaleCase{300, "1", "0.41", 123},
                             ScaleCase{3000, "1", "0,57", 1710}, ScaleCase{600, "0,3", "0,1", 200},
                             ScaleCase{1000, "1e-1", "0.07", 700},
                             // Quotients that are not whole are cut, not rounded.
                             ScaleCase{300, "10", "12,5", 375}, ScaleCase{1000, "3", "1", 333},
                             ScaleCase{2400, "-1", "-0.82", 1968},
                             ScaleCase{2400, "1", "-0.82", 2400},
                             // More digits than an exact reading holds still give a resolution.
                             ScaleCase{100, "1", "2.0000000000000000001", 200},
                             // Below 1 dpi or beyond int32 leaves the resolution.
                             ScaleCase{1, "2", "1", 1}, ScaleCase{2000000000, "1", "2", 2000000000},
                             ScaleCase{300, "1", "1e30", 300}));

TEST(PropertiesModel, ResolutionAndScaleExcludeEachOther) {
    PropertiesDialogModel m;
    m.Text(F::Edit4) = "10";
    m.Text(F::Edit5) = "12";
    m.Text(F::Edit2) = "600";
    m.Leave(F::Edit2);
    EXPECT_EQ(m.Text(F::Edit4), "");
    EXPECT_EQ(m.Text(F::Edit5), "");
    m.Text(F::Edit2) = "600";
    m.Text(F::Edit5) = "0";
    m.Leave(F::Edit5);  // 0 clears nothing
    EXPECT_EQ(m.Text(F::Edit2), "600");
}

}  // namespace
}  // namespace kvx
