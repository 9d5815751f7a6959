#include "core/program/config.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>

#include "common/fake_ui.hpp"
#include "common/file_size_limit.hpp"
#include "common/temp_dir.hpp"
#include "core/program/program.hpp"
#include "core/program/settings_file.hpp"

namespace kvx {
namespace {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        program.configDir = dir.Path().string();
    }

    std::string ConfigFile() const { return dir.File("Korvanix.cfg"); }
    void WriteConfig(std::string_view text) const { dir.Write("Korvanix.cfg", text); }
    bool Recorded(ErrorCode code, std::string_view info = {}) {
        for (int slot = 1; slot <= ErrorStack::kSize; ++slot) {
            const ErrorEntry& entry = program.errors.Slot(slot);
            if (entry.code == code && (info.empty() || entry.info == info)) return true;
        }
        return false;
    }

    test::TempDir dir;
    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
};

// One value line and what it must do to the settings.
struct ItemCase {
    const char* label;
    int32_t item;
    const char* value;
    std::function<void(Settings&)> before;
    std::function<void(const Settings&)> check;
};

void PrintTo(const ItemCase& c, std::ostream* os) {
    *os << c.label;
}

class SetConfigItemTest : public ConfigTest, public ::testing::WithParamInterface<ItemCase> {};

TEST_P(SetConfigItemTest, AppliesTheReadingRule) {
    const ItemCase& c = GetParam();
    if (c.before) c.before(program.settings);
    EXPECT_EQ(SetConfigItem(program, c.item, c.value), kOk);
    EXPECT_TRUE(program.errors.Empty());
    c.check(program.settings);
}

INSTANTIATE_TEST_SUITE_P(
    Items, SetConfigItemTest,
    ::testing::Values(
        ItemCase{"LanguageDefault", 5, "default", [](Settings& s) { s.Language = 0; },
                 [](const Settings& s) { EXPECT_EQ(s.Language, 1); }},
        ItemCase{
            "LanguageSpanish", 5, "2", {}, [](const Settings& s) { EXPECT_EQ(s.Language, 2); }},
        ItemCase{"LanguageOutsideAByteIsIgnored",
                 5,
                 "300",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.Language, 1); }},
        ItemCase{"MarkPointSizeZeroKeepsTheValue",
                 23,
                 "0",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.PointSizeCapture, 10); }},
        ItemCase{"MarkPointSizePositive",
                 23,
                 "7",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.PointSizeCapture, 7); }},
        ItemCase{"EditPointSizeNegativeKeepsTheValue",
                 24,
                 "-4",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.PointSizeModify, 20); }},
        ItemCase{"ScaleMeasureBelow100Gives100",
                 63,
                 "50",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.ScaleMeasure, 100); }},
        ItemCase{"ScaleMeasureAbove100",
                 63,
                 "150",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.ScaleMeasure, 150); }},
        ItemCase{"DecimalCommaIsTruncated",
                 12,
                 "12,7",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.TableUnit, 12); }},
        ItemCase{"NegativeIsTruncatedTowardZero",
                 12,
                 "-3.9",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.TableUnit, -3); }},
        ItemCase{"FlagNonZeroGivesOne",
                 6,
                 "5",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.AdaptToCdr, 1); }},
        ItemCase{
            "FlagZero", 39, "0", {}, [](const Settings& s) { EXPECT_EQ(s.AppendExportFile, 0); }},
        ItemCase{"DriveIsUpperCased",
                 59,
                 "d:\\images",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.BitmapDrive, 'D'); }},
        ItemCase{"EmptyDriveIsABlank", 59, "", [](Settings& s) { s.BitmapDrive = 'E'; },
                 [](const Settings& s) { EXPECT_EQ(s.BitmapDrive, ' '); }},
        ItemCase{"CalibrationKeepsTheFraction",
                 64,
                 "0,125",
                 {},
                 [](const Settings& s) { EXPECT_DOUBLE_EQ(s.Calibration, 0.125); }},
        ItemCase{"LayerNineIsTheNinthEntry",
                 56,
                 "9",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.DisplayLayers[8], 9); }},
        ItemCase{"LayerTenIsTheTenthEntry",
                 60,
                 "10",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.DisplayLayers[9], 10); }},
        ItemCase{"TextKeepsBlanks",
                 66,
                 " Ann Lee ",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.User, " Ann Lee "); }},
        ItemCase{"DefaultOfAText", 8, "default", [](Settings& s) { s.ObjectTypeFile = "x.kxo"; },
                 [](const Settings& s) { EXPECT_EQ(s.ObjectTypeFile, "Korvanix.kxo"); }},
        ItemCase{"FormatIsOnlyWritten",
                 1,
                 "3",
                 {},
                 [](const Settings& s) { EXPECT_EQ(s.OutputItemMask, 511); }},
        ItemCase{"GapInTheNumbering", 34, "anything", {}, [](const Settings&) {}},
        ItemCase{"UnitIdRight", 0, "62", {}, [](const Settings&) {}}),
    [](const ::testing::TestParamInfo<ItemCase>& param) { return std::string(param.param.label); });

TEST_F(ConfigTest, PoolPathMustBeAnExistingFolderOfThreeCharacters) {
    EXPECT_EQ(SetConfigItem(program, 2, dir.Path().string()), kOk);
    EXPECT_EQ(program.settings.ImagePoolPath, dir.Path().string());
    EXPECT_EQ(SetConfigItem(program, 2, dir.File("missing")), kOk);
    EXPECT_EQ(program.settings.ImagePoolPath, "");
    EXPECT_EQ(SetConfigItem(program, 2, "/"), kOk);  // exists, but too short
    EXPECT_EQ(program.settings.ImagePoolPath, "");
}

TEST_F(ConfigTest, RejectedItemsRecordTheirCodes) {
    ASSERT_EQ(program.LoadMessages(), kOk);
    EXPECT_EQ(SetConfigItem(program, -1, "1"), kConfigNegativeItem);
    EXPECT_EQ(SetConfigItem(program, 68, "1"), kConfigItemTooLarge);
    EXPECT_EQ(SetConfigItem(program, 9, "many"), kConfigBadNumber);
    EXPECT_EQ(SetConfigItem(program, 9, "1e12"), kConfigBadNumber);  // beyond 32 bits
    EXPECT_EQ(SetConfigItem(program, 64, "x"), kConfigBadNumber);
    EXPECT_EQ(SetConfigItem(program, 0, "61"), kConfigWrongUnit);
    // Values the drawing would overflow on.
    EXPECT_EQ(SetConfigItem(program, 67, "2147483647"), kConfigOutOfRange);
    EXPECT_EQ(SetConfigItem(program, 40, "2147483647"), kConfigOutOfRange);
    EXPECT_EQ(SetConfigItem(program, 40, "-1"), kConfigOutOfRange);
    // A record table that cannot be created would stop the start.
    for (const char* capacity : {"0", "-1024", "2147483647", "102401"}) {
        EXPECT_EQ(SetConfigItem(program, 21, capacity), kConfigOutOfRange) << capacity;
    }
    EXPECT_EQ(program.settings.RecordCapacity, 10240);
    EXPECT_EQ(SetConfigItem(program, 21, "102400"), kOk);
    EXPECT_EQ(program.settings.RecordCapacity, 102400);
    EXPECT_TRUE(Recorded(kConfigNegativeItem));
    EXPECT_TRUE(Recorded(kConfigItemTooLarge, "68"));
    // A refused value names its item and its text.
    EXPECT_TRUE(Recorded(kConfigBadNumber, "Item 9: many"));
    EXPECT_TRUE(Recorded(kConfigOutOfRange, "Item 67: 2147483647"));
    EXPECT_TRUE(Recorded(kConfigWrongUnit, "61"));
    EXPECT_EQ(program.settings.EnlargePercent, 25);
    EXPECT_EQ(program.settings.BoxSize, 252);
    EXPECT_EQ(program.settings.MaxStatisticsFontSize, 0);
}

TEST_F(ConfigTest, ABadValueCostsOnlyItsOwnLine) {
    WriteConfig("9\t30\r\n10\tabc\r\n67\t2147483647\r\n11\t8\r\n22\t5\r\n");
    EXPECT_EQ(ReadWriteConfig(program, false), kConfigItemRejected);
    EXPECT_EQ(program.settings.EnlargePercent, 30);
    EXPECT_EQ(program.settings.ReducePercent, 400);
    EXPECT_EQ(program.settings.BoxSize, 252);
    EXPECT_EQ(program.settings.RasterDivision, 8);
    EXPECT_EQ(program.settings.DecimalPlaces, 5);
    EXPECT_TRUE(Recorded(kConfigBadNumber));
    EXPECT_TRUE(Recorded(kConfigOutOfRange));
}

TEST_F(ConfigTest, ItemNames) {
    std::string name;
    EXPECT_EQ(ConfigItemName(5, name), 0);
    EXPECT_EQ(name, "Main.Language");
    EXPECT_EQ(ConfigItemName(67, name), 0);
    EXPECT_EQ(name, "Display.BoxHeight");
    EXPECT_EQ(ConfigItemName(0, name), 1);
    EXPECT_EQ(ConfigItemName(68, name), 2);
    EXPECT_EQ(ConfigItemName(46, name), 0);
    EXPECT_EQ(name, "");
}

TEST_F(ConfigTest, ReadingSkipsCommentsAndLinesWithoutTab) {
    WriteConfig(
        "; Display.PlusEnlarge\r\n"
        "9\t30\r\n"
        "10 500\r\n"
        "x\t600\r\n"
        "\r\n"
        ";11\t9\r\n"
        "22\t5\r\n");
    EXPECT_EQ(ReadWriteConfig(program, false), kConfigOk);
    EXPECT_EQ(program.settings.EnlargePercent, 30);
    EXPECT_EQ(program.settings.ReducePercent, 400);
    EXPECT_EQ(program.settings.RasterDivision, 6);
    EXPECT_EQ(program.settings.DecimalPlaces, 5);
}

TEST_F(ConfigTest, ItemAbove67StopsReadingWithResult2) {
    WriteConfig("9\t30\r\n68\t1\r\n10\t500\r\n");
    EXPECT_EQ(ReadWriteConfig(program, false), kConfigItemRejected);
    EXPECT_EQ(program.settings.EnlargePercent, 30);
    EXPECT_EQ(program.settings.ReducePercent, 400);
    EXPECT_TRUE(Recorded(kConfigItemTooLarge, "68"));
}

TEST_F(ConfigTest, WrongUnitIdStopsReading) {
    WriteConfig("0\t63\r\n9\t30\r\n");
    EXPECT_EQ(ReadWriteConfig(program, false), kConfigItemRejected);
    EXPECT_EQ(program.settings.EnlargePercent, 25);
    EXPECT_TRUE(Recorded(kConfigWrongUnit, "63"));
}

TEST_F(ConfigTest, MissingFileGivesResult1AndNoFolderDoesNothing) {
    EXPECT_EQ(ReadWriteConfig(program, false), kConfigCannotOpen);
    program.configDir.clear();
    EXPECT_EQ(ReadWriteConfig(program, true), kConfigOk);
    program.configDir = dir.File("missing");
    EXPECT_EQ(ReadWriteConfig(program, true), kConfigOk);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

TEST_F(ConfigTest, WrittenFormHasCommentAndValueLinesInItemOrder) {
    program.settings.Language = 0;
    program.settings.BitmapDrive = 'D';
    program.settings.Calibration = 2.5;
    program.settings.User = "Ann";
    ASSERT_EQ(ReadWriteConfig(program, true), kConfigOk);
    const std::string text = test::TempDir::Read(ConfigFile());

    EXPECT_EQ(text.rfind("; Output.Format\r\n1\t10\r\n; Data.PoolPath\r\n2\t\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\n; Main.Language\r\n5\t0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n; Display.Height\r\n33\t580\r\n; Output.AskForVectorNames\r\n35\t"),
              std::string::npos);
    EXPECT_NE(text.find("\r\n42\t0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n; System.ShowWarningErrors\r\n45\t0\r\n; Display.Layer1\r\n48\t1\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\n59\tD\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n64\t2.5\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n66\tAnn\r\n"), std::string::npos);
    EXPECT_EQ(text.find("ID.Unit-ID"), std::string::npos);
    EXPECT_TRUE(text.ends_with("; Display.BoxHeight\r\n67\t252\r\n"));
    // 64 items of two lines each; no bare line feeds.
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++lines;
            EXPECT_EQ(text[i - 1], '\r');
        }
    }
    EXPECT_EQ(lines, 128u);
}

TEST_F(ConfigTest, WrittenFileReadsBackToTheSameSettings) {
    Settings& s = program.settings;
    s.ImagePoolPath = dir.Path().string();
    s.DataPath = "/data/projects/";
    s.ObjectTypeFile = "Tissue.kxo";
    s.Language = 2;
    s.AdaptToCdr = 1;
    s.TableUnit = 0;
    s.PointSizeCapture = 12;
    s.WindowLeft = -8;
    s.WindowWidth = 1280;
    s.AskObjectName = 1;
    s.EditModeNbr = 3;
    s.ShowWarningErrors = 1;
    s.DisplayLayers = {10, 9, -8, 7, 6, 5, 4, 3, -2, 1};
    s.BitmapDrive = 'E';
    s.Calibration = 1.0 / 3.0;
    s.ScaleMeasure = 250;
    s.User = "Ann Lee";
    s.LastResolution = 2400;
    ASSERT_EQ(ReadWriteConfig(program, true), kConfigOk);

    test::FakeUserInterface otherUi;
    Program other(otherUi, test::DataDir());
    ASSERT_TRUE(other.InitErrorStack());
    other.configDir = program.configDir;
    ASSERT_EQ(ReadWriteConfig(other, false), kConfigOk);
    for (int32_t item = 0; item <= kLastConfigItem; ++item) {
        EXPECT_EQ(GetConfigItem(other.settings, item), GetConfigItem(s, item)) << "item " << item;
    }
    EXPECT_NEAR(other.settings.Calibration, 1.0 / 3.0, 1e-12);
    EXPECT_TRUE(other.errors.Empty());
}

TEST_F(ConfigTest, FailedWriteKeepsThePreviousFile) {
    WriteConfig("9\t30\r\n");
    {
        test::FileSizeLimit full(100);
        EXPECT_EQ(ReadWriteConfig(program, true), kConfigCannotCreate);
    }
    EXPECT_EQ(test::TempDir::Read(ConfigFile()), "9\t30\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace kvx

namespace kvx {
namespace {

TEST(SettingsFileTest, ReadsValuesInRangeAndFallsBackOtherwise) {
    test::TempDir dir;
    const std::string path = dir.Write("k.settings",
                                       "wheel.step = 20\r\n"
                                       "detect.min_area=0.25\n"
                                       "too.big = 2147483648\n"
                                       "not.number = 12x\n"
                                       "no equals sign here\n"
                                       "flag = 1\n");
    const SettingsFile s = SettingsFile::Read(path);
    EXPECT_EQ(s.Integer("wheel.step", 1, 1, 100), 20);
    EXPECT_EQ(s.Integer("wheel.step", 1, 1, 10), 1);
    EXPECT_DOUBLE_EQ(s.Real("detect.min_area", 9, 0, 1e9), 0.25);
    EXPECT_EQ(s.Integer("too.big", 7, 0, 2147483647), 7);
    EXPECT_EQ(s.Integer("not.number", 7, 0, 100), 7);
    EXPECT_EQ(s.Integer("missing", 7, 0, 100), 7);
    EXPECT_TRUE(s.Flag("flag", false));
    EXPECT_EQ(s.Entries().size(), 5u);
    EXPECT_TRUE(SettingsFile::Read(dir.File("none")).Entries().empty());
}

TEST(SettingsFileTest, WritesOnlyItsOwnChangesOverTheFileOnDisk) {
    test::TempDir dir;
    const std::string path = dir.Write("k.settings", "a = 1\nb = 2\n");
    SettingsFile mine = SettingsFile::Read(path);
    SettingsFile other = SettingsFile::Read(path);
    ASSERT_TRUE(other.SetInteger("b", 3));
    ASSERT_TRUE(other.Set("c", "x y"));
    ASSERT_TRUE(other.Write(path));
    ASSERT_TRUE(mine.SetReal("a", 0.1));
    ASSERT_TRUE(mine.Write(path));
    EXPECT_EQ(test::TempDir::Read(path), "a = 0.1\r\nb = 3\r\nc = x y\r\n");
    EXPECT_DOUBLE_EQ(SettingsFile::Read(path).Real("a", 0, 0, 1), 0.1);

    EXPECT_FALSE(mine.Set("two words", "1"));
    EXPECT_FALSE(mine.Set("k", "line\nbreak"));
    EXPECT_FALSE(mine.Set("", "1"));
    EXPECT_FALSE(mine.Write(dir.File("no/such/folder/k.settings")));
}

}  // namespace
}  // namespace kvx
