#include "core/program/error_report.hpp"

#include <gtest/gtest.h>

#include "common/fake_ui.hpp"
#include "common/temp_dir.hpp"
#include "core/program/program.hpp"

namespace kvx {
namespace {

struct FatalExit {
    int code;
};

class ErrorReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("ZNB2WIN2.MSG",
                  "E 0166   Error:\r\nE 0167   Details:\r\nE 0169   Details\r\n"
                  "E 0170   OK\r\nE 0171   An error occurred\r\nE 0172   Error\r\n"
                  "E 0258   Notice\r\nE 0423   Note\r\nE 0739   Show warnings\r\n"
                  "E 0746   Copy\r\nE 0301   The file cannot be opened.\r\n");
        dir.Write("KX18.MSG", "E 2050   The object-type file is damaged.\r\n");
        dir.Write("ZSYSTEM.ERR", "2,7,2,301,OpenTextFile: open failed,\r\n");
        dir.Write(
            "korvanix.err",
            "61,1,1,0,LoadObjectTypes: open failed,\r\n"
            "61,1,2,2050,LoadObjectTypes: bad line,\r\n61,4,1,0,LocateDataFile: cancelled,\r\n"
            "61,0,0,0,LoadObjectTypes,\r\n");
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(program.LoadMessages(), kOk);
        ASSERT_EQ(program.errorTable.LoadErrorTable("ZSYSTEM", program.programDir), kOk);
        ASSERT_EQ(program.errorTable.LoadErrorTable("korvanix.err", program.programDir), kOk);
        program.exitProcess = [](int code) { throw FatalExit{code}; };
    }

    test::TempDir dir;
    test::FakeUserInterface ui;
    Program program{ui, dir.Path().string()};
};

TEST_F(ErrorReportTest, ShowErrorShowsTheCurrentEntryAndClears) {
    program.ReportError(61010201, 61000000, "line 7");
    EXPECT_EQ(ShowError(program), 1);
    ASSERT_EQ(ui.errorDialogs.size(), 1u);
    const auto& shown = ui.errorDialogs[0];
    EXPECT_EQ(shown.caption, "Error");
    EXPECT_EQ(shown.headline, "An error occurred");
    EXPECT_EQ(shown.mainText, "The object-type file is damaged.");
    EXPECT_EQ(shown.info, "line 7");
    EXPECT_EQ(shown.infoLabel, "Details:");
    EXPECT_TRUE(program.errors.Empty());
    EXPECT_EQ(ShowError(program), 0);
}

TEST_F(ErrorReportTest, UnknownCodeShowsNotAvailable) {
    program.ReportError(63990101);
    EXPECT_EQ(ShowError(program, false, true), 1);
    EXPECT_EQ(ui.errorDialogs.back().mainText, "[n/a]");
    EXPECT_EQ(ui.errorDialogs.back().caption, "Note");
    EXPECT_TRUE(ui.errorDialogs.back().infoLabel.empty());
}

TEST_F(ErrorReportTest, FatalErrorsAreShownOnlyWhenAsked) {
    program.ReportError(61040105);
    EXPECT_EQ(ShowError(program), 0);
    EXPECT_TRUE(ui.errorDialogs.empty());
    EXPECT_TRUE(program.errors.Empty());
    program.ReportError(61040105);
    EXPECT_EQ(ShowError(program, true), 2);
    EXPECT_EQ(ui.errorDialogs.size(), 1u);
}

TEST_F(ErrorReportTest, TheDialogCheckBoxSetsShowWarningErrors) {
    ui.toggleWarnings = true;
    program.ReportError(2070203);
    ShowError(program);
    EXPECT_EQ(program.settings.ShowWarningErrors, 1);
}

TEST_F(ErrorReportTest, ReportErrorAndShowFollowsTheSetting) {
    program.settings.ShowWarningErrors = 0;
    EXPECT_TRUE(ReportErrorAndShow(program, 2070203, 0, "a.kxp"));
    EXPECT_TRUE(program.errors.Empty());
    EXPECT_TRUE(ui.errorDialogs.empty());
    program.settings.ShowWarningErrors = 1;
    EXPECT_TRUE(ReportErrorAndShow(program, 2070203, 0, "a.kxp"));
    ASSERT_EQ(ui.errorDialogs.size(), 1u);
    EXPECT_TRUE(ui.errorDialogs[0].noticeStyle);
    EXPECT_FALSE(ReportErrorAndShow(program, 0, 0));
}

TEST_F(ErrorReportTest, DetailLines) {
    errno = 0;
    program.ReportError(2070203, 61010100, "/data/Korvanix.kxo");
    program.ReportError(61010100, 61010100);
    const std::string text = WriteErrorDetails(program.errors, program.errorTable, "V\r\n");
    EXPECT_EQ(text,
              "V\r\n"
              "CLASS  UNT PRC POS IOE ErrorMess\r\n"
              "Caused   2   7   2   0OpenTextFile: open failed [/data/Korvanix.kxo]\r\n"
              "Passed  61   1   1 ...LoadObjectTypes: open failed [/data/Korvanix.kxo]\r\n");
    EXPECT_TRUE(program.errors.Empty());
    // Nothing recorded: nothing added.
    EXPECT_EQ(WriteErrorDetails(program.errors, program.errorTable, "V\r\n"), "V\r\n");
}

TEST_F(ErrorReportTest, DetailListingAfterTheRingWrapped) {
    for (int i = 1; i <= 33; ++i) program.ReportError(63000000 + i * 100 + 1);
    const std::string text = WriteErrorDetails(program.errors, program.errorTable, "");
    // The cause line names the entry in slot 1: the 33rd report.
    EXPECT_NE(text.find("Caused  63   0  33"), std::string::npos);
    EXPECT_EQ(text.find("Passed"), std::string::npos);
}

TEST_F(ErrorReportTest, DetailsThroughTheDialog) {
    ui.pressDetails = true;
    program.ReportError(61010201, 61000000, "bad");
    ShowError(program);
    EXPECT_NE(ui.details.find("Strativa/Korvanix V."), std::string::npos);
    EXPECT_NE(ui.details.find("Passed  61   0   0 ...LoadObjectTypes [bad]"), std::string::npos);
}

TEST_F(ErrorReportTest, FatalStopShowsTheBoxAndExitsWithTheCode) {
    try {
        FatalStop(program, 602);
        FAIL() << "FatalStop returned";
    } catch (const FatalExit& exit) {
        EXPECT_EQ(exit.code, 602);
    }
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Deadly Error");
    EXPECT_NE(ui.boxes[0].text.find("(Error 602)."), std::string::npos);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::OkCancel);
}

TEST_F(ErrorReportTest, RecordTableFailuresReachTheStack) {
    RecordArray table;
    ASSERT_EQ(table.Create(program.registry, "history", 10, 4), kOk);
    int32_t value = 0;
    table.Get(11, &value);
    ASSERT_TRUE(program.errors.FindCurrent());
    EXPECT_EQ(program.errors.Current().code, 4120101);
    EXPECT_EQ(program.errors.Current().info, "2/history/11");
}

}  // namespace
}  // namespace kvx
