#include "core/options/options_model.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/fake_ui.hpp"
#include "common/temp_dir.hpp"
#include "core/program/config.hpp"
#include "core/program/program.hpp"
#include "core/project/object_type_file.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

struct FatalExit {
    int code;
};

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(program.LoadMessages(), kOk);
        program.configDir = dir.Path().string();
        program.exitProcess = [](int code) { throw FatalExit{code}; };
        typesFile = dir.Write("types.kxo", test::TempDir::Read(test::DataDir() + "/Korvanix.kxo"));
        program.settings.ObjectTypeFile = typesFile;
        ASSERT_TRUE(LoadObjectTypes(program, typesFile));
    }

    test::TempDir dir;
    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
    std::string typesFile;
};

// One entry, the text typed into it and what apply must leave in the settings.
struct AcceptCase {
    const char* label;
    std::string OptionsEntries::*entry;
    const char* text;
    int32_t Settings::*setting;
    int32_t expected;
};

void PrintTo(const AcceptCase& c, std::ostream* os) {
    *os << c.label;
}

class OptionsAcceptTest : public OptionsTest, public ::testing::WithParamInterface<AcceptCase> {};

TEST_P(OptionsAcceptTest, StoresOnlyAcceptedValues) {
    const AcceptCase& c = GetParam();
    OptionsModel model(program);
    model.entries.*c.entry = c.text;
    model.Apply();
    EXPECT_EQ(program.settings.*c.setting, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, OptionsAcceptTest,
    ::testing::Values(
        AcceptCase{"box150", &OptionsEntries::BoxSize, "150", &Settings::BoxSize, 252},
        AcceptCase{"box151", &OptionsEntries::BoxSize, "151", &Settings::BoxSize, 151},
        AcceptCase{"box400", &OptionsEntries::BoxSize, "400", &Settings::BoxSize, 400},
        AcceptCase{"enlarge199", &OptionsEntries::MeasureFieldEnlarge, "199",
                   &Settings::MeasureFieldEnlarge, 199},
        AcceptCase{"enlarge200", &OptionsEntries::MeasureFieldEnlarge, "200",
                   &Settings::MeasureFieldEnlarge, 100},
        AcceptCase{"capacity0", &OptionsEntries::RecordCapacity, "0", &Settings::RecordCapacity,
                   10240},
        AcceptCase{"capacityNeg", &OptionsEntries::RecordCapacity, "-5", &Settings::RecordCapacity,
                   10240},
        AcceptCase{"capacity100", &OptionsEntries::RecordCapacity, "100", &Settings::RecordCapacity,
                   102400},
        AcceptCase{"decimalsX", &OptionsEntries::DecimalPlaces, "x", &Settings::DecimalPlaces, 3},
        AcceptCase{"decimalsEmpty", &OptionsEntries::DecimalPlaces, "", &Settings::DecimalPlaces,
                   3},
        AcceptCase{"decimals7", &OptionsEntries::DecimalPlaces, "7", &Settings::DecimalPlaces, 7},
        AcceptCase{"jpeg0", &OptionsEntries::JpegQuality, "0", &Settings::JpegQuality, 100},
        AcceptCase{"jpeg55", &OptionsEntries::JpegQuality, "55", &Settings::JpegQuality, 55},
        AcceptCase{"fontSize25", &OptionsEntries::MaxStatisticsFontSize, "25",
                   &Settings::MaxStatisticsFontSize, 0},
        AcceptCase{"fontSize24", &OptionsEntries::MaxStatisticsFontSize, "24",
                   &Settings::MaxStatisticsFontSize, 24},
        AcceptCase{"fontSize0", &OptionsEntries::MaxStatisticsFontSize, "0",
                   &Settings::MaxStatisticsFontSize, 0},
        AcceptCase{"pointComma", &OptionsEntries::PointSizeCapture, "12,6",
                   &Settings::PointSizeCapture, 13},
        AcceptCase{"rasterZero", &OptionsEntries::RasterDivision, "0", &Settings::RasterDivision,
                   6},
        AcceptCase{"widthText", &OptionsEntries::MeasureFieldWidth, "wide",
                   &Settings::MeasureFieldWidth, 0},
        AcceptCase{"widthNeg", &OptionsEntries::MeasureFieldWidth, "-40",
                   &Settings::MeasureFieldWidth, -40}));

TEST_F(OptionsTest, LeaveChecksPutTheSettingBack) {
    OptionsModel model(program);
    EXPECT_EQ(model.LeaveTaggedEdit(kTagEnlarge, "95"), "25");
    EXPECT_EQ(model.LeaveTaggedEdit(kTagEnlarge, "90"), "90");
    EXPECT_EQ(model.LeaveTaggedEdit(kTagRasterLabelSpacing, "0"), "0");
    EXPECT_EQ(model.LeaveTaggedEdit(kTagReduce, "abc"), "400");
    EXPECT_EQ(model.LeaveRecordCapacity("lots"), "10");
    EXPECT_EQ(model.LeaveRecordCapacity("0"), "0");  // refused only on apply
    EXPECT_EQ(model.LeaveJpegQuality("101"), "100");
    EXPECT_EQ(model.LeaveJpegQuality("1"), "1");
}

TEST_F(OptionsTest, ChecksColoursLayersAndMasks) {
    OptionsModel model(program);
    EXPECT_EQ(model.entries.Colour3, 16777215);  // shown without the flag
    EXPECT_EQ(model.entries.BitmapDrive, "");
    model.entries.Colour3 = 0x0000FF;
    model.entries.BitmapDrive = "e:";
    model.entries.PerformanceMode = true;
    model.entries.AdaptClassSize = true;
    model.entries.OutputItems = {true, false, true, false, false, false, false, false, true};
    model.entries.DisplayLayers = {1, 3, -2, 4, 5, 6, 7, 8, -9, -10};
    model.Apply();
    const Settings& s = program.settings;
    EXPECT_EQ(s.Colour3, 0xFF + 33554432);
    EXPECT_EQ(s.BitmapDrive, 'E');
    EXPECT_EQ(s.PerformanceMode, 1);
    EXPECT_EQ(s.AdaptClassSize, 1);
    EXPECT_EQ(s.OutputItemMask, 1 + 4 + 256);
    EXPECT_EQ(s.DisplayLayers[1], 3);
    EXPECT_FALSE(model.ClassSizeEnabled());

    model.entries.DisplayLayers[1] = -3;
    model.ReloadLayers();
    EXPECT_EQ(model.entries.DisplayLayers[1], 3);
}

TEST_F(OptionsTest, MissingObjectTypeFileKeepsTheOldTypes) {
    const ObjectTypeTable before = program.objectTypes;
    OptionsModel model(program);
    model.entries.ObjectTypeFile = dir.File("missing.kxo");
    model.Apply();
    EXPECT_EQ(program.settings.ObjectTypeFile, typesFile);
    EXPECT_EQ(program.objectTypes, before);
    EXPECT_TRUE(model.TypesReloaded());
}

TEST_F(OptionsTest, AnotherObjectTypeFileIsLoadedAndEditsOfTheOldAreKept) {
    dir.Write("other.kxo", "1;0(User);Other#Anderer;Line;1;FF;0;Arial;1;0;Arial;0;0;0;0;0;\r\n");
    program.objectTypes.Find(2)->nameEnglish = "Edited";
    OptionsModel model(program);
    model.entries.ObjectTypeFile = dir.File("other.kxo");
    model.Apply();
    EXPECT_EQ(program.settings.ObjectTypeFile, dir.File("other.kxo"));
    EXPECT_EQ(program.objectTypes.At(1).nameEnglish, "Other");
    EXPECT_FALSE(program.objectTypes.At(2).InUse());
    // The edit made before switching reached the previous file.
    ASSERT_TRUE(LoadObjectTypes(program, typesFile));
    EXPECT_EQ(program.objectTypes.At(2).nameEnglish, "Edited");
}

TEST_F(OptionsTest, FatalStopsWhenNeitherTypeFileNorMessagesLoad) {
    OptionsModel model(program);
    model.entries.ObjectTypeFile = dir.File("missing.kxo");
    // The old file vanishes, and cannot be written back either.
    program.settings.ObjectTypeFile = dir.File("gone/types.kxo");
    program.configDir.clear();
    try {
        model.Apply();
        FAIL() << "no fatal stop";
    } catch (const FatalExit& e) {
        EXPECT_EQ(e.code, 601);
    }

    test::TempDir empty;
    program.programDir = empty.Path().string() + "/";
    program.settings.ObjectTypeFile = typesFile;
    OptionsModel language(program);
    language.entries.Language = 0;
    try {
        language.Apply();
        FAIL() << "no fatal stop";
    } catch (const FatalExit& e) {
        EXPECT_EQ(e.code, 602);
    }
    EXPECT_FALSE(ui.errorDialogs.empty());
}

TEST_F(OptionsTest, LanguageReloadsTheCatalogue) {
    OptionsModel model(program);
    model.entries.Language = 0;
    model.Apply();
    EXPECT_EQ(program.settings.Language, 0);
    EXPECT_EQ(program.GetMessage(179), "Abbrechen");
}

TEST_F(OptionsTest, AppliedSettingsSurviveARestart) {
    test::TempDir folders;
    OptionsModel model(program);
    OptionsEntries& e = model.entries;
    e.DataPath = folders.Path().string() + "/data";
    e.ImportPath = "/import";
    e.ImagePoolPath = folders.Path().string();
    e.BitmapDrive = "d";
    e.RecordCapacity = "20";
    e.ShowWarningErrors = true;
    e.EnlargePercent = "30";
    e.ReducePercent = "500";
    e.RasterDivision = "8";
    e.FineScalingPercent = "5";
    e.RasterLabelSpacing = "20";
    e.MinSelectionSize = "7";
    e.SnapToRaster = false;
    e.MeasureFieldWidth = "120";
    e.TableUnit = 2;
    e.ClassSize = "250";
    e.AdaptClassSize = true;
    e.ClassSizePercent = "12";
    e.HideNonCurrent = false;
    e.PerformanceMode = true;
    e.ShowTplValues = false;
    e.QuickSelectCaptures = true;
    e.AskObjectName = true;
    e.PointSizeCapture = "33";
    e.PointSizeModify = "44";
    e.MaxStatisticsFontSize = "18";
    e.BoxSize = "300";
    e.Colour1 = 0x102030;
    e.Colour2 = 0x405060;
    e.Colour3 = 0x708090;
    e.DisplayLayers = {1, 10, 9, 8, -7, -6, 5, 4, 3, 2};
    e.AdaptToCdr = true;
    e.OutputItems = {false, true, false, true, false, true, false, true, false};
    e.DecimalPlaces = "5";
    e.JpegQuality = "80";
    model.Apply();
    const Settings applied = program.settings;
    ASSERT_EQ(ReadWriteConfig(program, true), kConfigOk);

    test::FakeUserInterface ui2;
    Program restarted{ui2, test::DataDir()};
    ASSERT_TRUE(restarted.InitErrorStack());
    restarted.configDir = program.configDir;
    ASSERT_EQ(ReadWriteConfig(restarted, false), kConfigOk);
    OptionsModel reread(restarted);
    OptionsModel expected(program);
    const OptionsEntries& a = reread.entries;
    const OptionsEntries& b = expected.entries;
    EXPECT_EQ(a.DataPath, b.DataPath);
    EXPECT_EQ(a.ObjectTypeFile, b.ObjectTypeFile);
    EXPECT_EQ(a.ImportPath, b.ImportPath);
    EXPECT_EQ(a.ImagePoolPath, b.ImagePoolPath);
    EXPECT_EQ(a.BitmapDrive, "D");
    EXPECT_EQ(a.Language, b.Language);
    EXPECT_EQ(a.RecordCapacity, "20");
    EXPECT_EQ(a.ShowWarningErrors, b.ShowWarningErrors);
    for (auto field :
         {&OptionsEntries::EnlargePercent, &OptionsEntries::ReducePercent,
          &OptionsEntries::RasterDivision, &OptionsEntries::FineScalingPercent,
          &OptionsEntries::RasterLabelSpacing, &OptionsEntries::MinSelectionSize,
          &OptionsEntries::MeasureFieldWidth, &OptionsEntries::ClassSize,
          &OptionsEntries::ClassSizePercent, &OptionsEntries::PointSizeCapture,
          &OptionsEntries::PointSizeModify, &OptionsEntries::MaxStatisticsFontSize,
          &OptionsEntries::BoxSize, &OptionsEntries::DecimalPlaces, &OptionsEntries::JpegQuality}) {
        EXPECT_EQ(a.*field, b.*field);
    }
    for (auto flag : {&OptionsEntries::SnapToRaster, &OptionsEntries::AdaptClassSize,
                      &OptionsEntries::HideNonCurrent, &OptionsEntries::PerformanceMode,
                      &OptionsEntries::ShowTplValues, &OptionsEntries::QuickSelectCaptures,
                      &OptionsEntries::AskObjectName, &OptionsEntries::AdaptToCdr}) {
        EXPECT_EQ(a.*flag, b.*flag);
    }
    EXPECT_EQ(a.TableUnit, 2);
    EXPECT_EQ(restarted.settings.Colour1, applied.Colour1);
    EXPECT_EQ(restarted.settings.Colour2, applied.Colour2);
    EXPECT_EQ(restarted.settings.Colour3, applied.Colour3);
    EXPECT_EQ(restarted.settings.DisplayLayers, applied.DisplayLayers);
    EXPECT_EQ(restarted.settings.OutputItemMask, 2 + 8 + 32 + 128);
}

TEST_F(OptionsTest, CommandReportsWhatTheWindowMustRedo) {
    Workspace ws(program);
    ws.SetRedrawCount(2);
    ui.optionsEdits.push_back([](OptionsModel& m) {
        m.entries.Colour1 = 0x00FF00;
        m.Apply();
        return true;
    });
    Workspace::OptionsOutcome outcome = ws.MnOptionsClick();
    EXPECT_TRUE(outcome.applied);
    EXPECT_FALSE(outcome.languageChanged);
    EXPECT_FALSE(outcome.layoutChanged);
    EXPECT_EQ(ws.redrawCount(), 3);

    ui.optionsEdits.push_back([](OptionsModel& m) {
        m.entries.MeasureFieldEnlarge = "150";
        m.entries.Language = 2;
        m.Apply();
        return true;
    });
    outcome = ws.MnOptionsClick();
    EXPECT_TRUE(outcome.languageChanged);
    EXPECT_TRUE(outcome.layoutChanged);

    outcome = ws.MnOptionsClick();  // cancelled
    EXPECT_FALSE(outcome.applied);
    EXPECT_EQ(ws.redrawCount(), 5);
}

}  // namespace
}  // namespace kvx
