#include "core/export/text_export.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/picture/picture.hpp"
#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        program.settings.RecordCapacity = 1024;
        program.documentsDir = dir.Path().string();
        ASSERT_EQ(ws.CreateHistory(), kOk);
        ChangeProject(ws, [&](Project& p) {
            p.imagePath = "/pictures/leaf.jpg";
            p.projectPath = "/projects/leaf.KXP";
            p.resolutionDpi = 1200;
        });
        ws.SetFileState(kUnchanged);
    }

    /// Runs a file export of kind into name (inside the temporary folder) and
    /// returns the file's bytes, or "<none>" when no file was made.
    std::string Export(int32_t kind, const std::string& name = "out.txt") {
        const std::string path = dir.File(name);
        ui.saveAnswers.push_back(path);
        ws.DoWriteFile(kind);
        const std::string written = ForceExtension(path, ExportExtension(kind));
        return std::filesystem::exists(written) ? test::TempDir::Read(written) : "<none>";
    }

    /// Selects a type as the window would; the report and Tessaplot exports
    /// take their go-ahead from the selected type's class width.
    void Select(int32_t type) {
        ws.SetCurrentType(type);
        ws.StatisticsPass();
    }

    std::vector<std::string> Screen() {
        std::vector<std::string> lines;
        ws.DoWriteFile(kExportScreen, &lines);
        return lines;
    }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.Path().string()};
    Workspace ws{program};
    test::MeasuredProject build{ws};
};

std::string Crlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

TEST_F(ExportTest, ReportOfAPolygonTypeDividesAreasByAThousand) {
    build.DefineType(40, kPolygon, "Leaf area",
                     "Blattfl\xE4"
                     "che");
    build.Square(40, 1000);
    build.Square(40, 2000);
    build.Square(40, 3000);
    Select(40);
    EXPECT_EQ(Export(kExportReport),
              Crlf({"/projects/leaf.KXP",
                    "Leaf area\tBlattfl\xE4"
                    "che",
                    "n\t3", "min\t1000.0", "max\t9000.0", "d\t4666.667", "v\t16333333333.333",
                    "s\t4041.452", "cv\t86.6", "d-s\t625.215", "d+s\t8708.119", "p\t66.7",
                    "V 1\t1000.0", "V 2\t4000.0", "V 3\t9000.0", "",
                    // 100 micrometre classes up to 1,000,000: only the smallest area fits
                    "1000000\t1"}));
}

struct SeriesCase {
    uint8_t language;
    std::vector<std::string> block;
};

class SeriesReportTest : public ExportTest, public ::testing::WithParamInterface<SeriesCase> {};

TEST_P(SeriesReportTest, EightValueSeries) {
    program.settings.Language = GetParam().language;
    build.DefineType(41, kTwoPointLine, "Length", "L\xE4nge");
    for (const double v : {2, 4, 4, 4, 5, 5, 7, 9}) build.Line(41, v);
    Select(41);
    std::vector<std::string> expected = {"/projects/leaf.KXP", "Length\tL\xE4nge", "n\t8"};
    expected.insert(expected.end(), GetParam().block.begin(), GetParam().block.end());
    expected.push_back("");
    expected.push_back("0\t8");
    EXPECT_EQ(Export(kExportReport), Crlf(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, SeriesReportTest,
    ::testing::Values(
        SeriesCase{1,
                   {"min\t2.0", "max\t9.0", "d\t5.0", "v\t4.571", "s\t2.138", "cv\t42.8",
                    "d-s\t2.862", "d+s\t7.138", "p\t75.0", "V 1\t2.0", "V 2\t4.0", "V 3\t4.0",
                    "V 4\t4.0", "V 5\t5.0", "V 6\t5.0", "V 7\t7.0", "V 8\t9.0"}},
        SeriesCase{0,
                   {"min\t2,0", "max\t9,0", "d\t5,0", "v\t4,571", "s\t2,138", "cv\t42,8",
                    "d-s\t2,862", "d+s\t7,138", "p\t75.0", "V 1\t2,0", "V 2\t4,0", "V 3\t4,0",
                    "V 4\t4,0", "V 5\t5,0", "V 6\t5,0", "V 7\t7,0", "V 8\t9,0"}}),
    [](const auto& p) { return p.param.language == 0 ? "German" : "English"; });

TEST_F(ExportTest, ReportKeepsClassLinesOfTypesWithoutSpread) {
    build.DefineType(42, kTwoPointLine, "Stem");
    build.DefineType(43, kTwoPointLine, "Root");
    build.Line(42, 250);
    build.Line(43, 120);
    build.Line(43, 130, true);
    build.Line(43, 180);
    build.Line(43, 1000000);  // the last class that is written
    build.Line(43, 1000100);  // beyond it
    Select(42);
    const std::string text = Export(kExportReport);
    EXPECT_EQ(text.substr(0, text.find("Root")), Crlf({"/projects/leaf.KXP", "200\t1", ""}));
    EXPECT_NE(text.find("V 1\t120.0\r\nV 3\t180.0\r\nV 4\t1000000.0\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with(Crlf({"", "100\t2", "1000000\t1"}))) << text;

    // The report is Windows-1252 throughout, its project's path included.
    ChangeProject(ws, [&](Project& p) {
        p.projectPath =
            "/Proben/Gr\xC3\xB6\xC3\x9F"
            "e.KXP";
    });
    const std::string again = Export(kExportReport, "b.TXT");
    EXPECT_TRUE(
        again.starts_with("/Proben/Gr\xF6\xDF"
                          "e.KXP\r\n"))
        << again;
}

TEST_F(ExportTest, OnlyUserTypesWithValuesAndPointsQualify) {
    program.settings.OutputItemMask = 1 | 4;
    build.DefineType(1, kTwoPointLine, "System", {}, kClassSystem);
    build.DefineType(2, kLine, "Outline");
    build.DefineType(3, kPoint, "Dot");
    build.DefineType(4, kCount, "Unused");
    build.DefineType(5, kCount, "Cells");
    build.DefineType(6, kText, "Score");
    build.DefineType(7, kPolygon, "Gone");
    build.Line(1, 10);
    build.Point(2, 0, 0, 1);
    build.Point(2, 5, 0, 2);
    build.Point(3, 0, 0, 0);
    build.Text(6, "x");  // in use, but no value: listed with n = 0
    build.Count(5, 3);
    build.Point(0, 0, 0, 1);  // deleted points name no type
    EXPECT_EQ(Screen(), (std::vector<std::string>{"\tn", "Cells\t1", "Score\t0"}));
}

TEST_F(ExportTest, ScreenLineWithNameAndCount) {
    program.settings.OutputItemMask = 1 | 4;
    build.DefineType(44, kPolygon, "Leaf (area)");
    build.Square(44, 10);
    build.Square(44, 20);
    build.Square(44, 30);
    // The name carries the unit of the numbers after it.
    EXPECT_EQ(Screen(), (std::vector<std::string>{"\tn", "Leaf [mm\xB2]\t3"}));

    program.settings.OutputItemMask = 2;
    EXPECT_EQ(Screen(), (std::vector<std::string>{"", "(area) [mm\xB2]"}));
    program.settings.OutputItemMask = 3;
    EXPECT_EQ(Screen().back(), "Leaf (area) [mm\xB2]");
    program.settings.OutputItemMask = 4;
    EXPECT_EQ(Screen().back(), "\t3");
}

TEST_F(ExportTest, ScreenLinesWithEveryItem) {
    build.DefineType(45, kTwoPointLine, "Stem");
    build.DefineType(46, kCount, "Cells");
    build.DefineType(47, kTwoPointLine, "Len");
    build.DefineType(48, kText, "Score");
    build.Line(45, 2500);
    for (const int m : {3, 4, 4}) build.Count(46, m);
    for (const char* label : {"2.5", "7", "12.25"}) build.Text(48, label);
    for (const double v : {2, 4, 4, 4, 5, 5, 7, 9}) build.Line(47, v);
    // Counts keep their whole numbers, their mean and spread the report's
    // places rather than twelve.
    EXPECT_EQ(Screen(), (std::vector<std::string>{
                            "\tn\tmin-max\t\xB5\ts\tcv\t\xB5\xB1s\t%",
                            "Stem [mm]\t1\t2.500\t2.500\t-\t-\t-\t1",
                            "Cells\t3\t3-4\t3.667\t0.577\t15.7\t3.089-4.244\t66.7",
                            "Len [mm]\t8\t0.002-0.009\t0.005\t0.002\t42.8\t0.003-0.007\t75.0",
                            // Labels keep the decimals they were written with.
                            "Score\t3\t2.5-12.25\t7.250\t4.880\t67.3\t2.370-12.130\t66.7",
                        }));
    program.settings.Language = 0;
    program.settings.DecimalPlaces = 4;
    const std::vector<std::string> german = Screen();
    EXPECT_EQ(german[german.size() - 2],
              "Len [mm]\t8\t0,0020-0,0090\t0,0050\t0,0021\t42,8\t0,0029-0,0071\t75,0");
    EXPECT_EQ(german.back(), "Score\t3\t2,5-12,25\t7,2500\t4,8798\t67,3\t2,3702-12,1298\t66,7");
}

TEST_F(ExportTest, ScreenReportWindowAndRestoredStatistics) {
    build.DefineType(48, kTwoPointLine, "Stem");
    build.DefineType(49, kCount, "Cells");
    build.Line(48, 10);
    build.Line(48, 30);
    build.Count(49, 3);
    ws.SetCurrentType(48);
    ws.StatisticsPass();
    ws.DoWriteFile(kExportScreen);
    ASSERT_EQ(ui.screenReports.size(), 1u);
    EXPECT_EQ(ui.screenReports[0].caption, program.GetMessage(2119) + " /pictures/leaf.jpg");
    EXPECT_EQ(ui.screenReports[0].lines.size(), 3u);
    EXPECT_EQ(ws.currentType(), 48);
    EXPECT_DOUBLE_EQ(ws.valueList().mean(), 20.0);
    EXPECT_EQ(ws.ClassWidth(), 100.0);
    EXPECT_EQ(ws.grids().RowCount(), 2);
    EXPECT_TRUE(ui.saveRequests.empty());
}

TEST_F(ExportTest, RTableOfTwoTypes) {
    build.DefineType(50, kTwoPointLine, "Length (mm)", "L\xE4nge (mm)");
    build.DefineType(51, kCount, "Cells");
    build.Line(50, 1234.5);
    build.Count(51, 3);
    build.Line(50, 2000.25);
    build.Line(50, 10);
    build.Count(51, 4);
    EXPECT_EQ(Export(kExportR),
              "Length \tCells\n"
              "1234.500\t0.0\n"
              "2000.250\t0.0\n"
              "10.0\t0.0\n"
              "0.0\t3.0\n"
              "0.0\t4.0\n");
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].title, program.GetMessage(2018));
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2019) + "\r\nLength (mm)");
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::YesNoCancel);

    program.settings.Language = 0;
    ui.boxes.clear();
    ui.boxAnswers = {kAnswerYes, kAnswerNo};
    // The R table is UTF-8, as R reads text on this system.
    EXPECT_EQ(Export(kExportR), "L\xC3\xA4nge \n1234.500\n2000.250\n10.0\n");
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2019) + "\r\nL\xE4nge (mm)");
}

TEST_F(ExportTest, RHeaderKeepsAColumnForANameStartingWithAParenthesis) {
    build.DefineType(54, kCount, "(unnamed)");
    build.DefineType(55, kCount, "Cells");
    build.Count(54, 3);
    build.Count(55, 4);
    EXPECT_EQ(Export(kExportR), "\tCells\n3.0\t0.0\n0.0\t4.0\n");
}

TEST_F(ExportTest, RQuestionsNoAndCancel) {
    build.DefineType(52, kTwoPointLine, "A");
    build.DefineType(53, kTwoPointLine, "B");
    build.Line(52, 1);
    build.Line(53, 2, true);
    build.Line(53, 3);

    ui.boxAnswers = {kAnswerNo, kAnswerYes};
    EXPECT_EQ(Export(kExportR, "a.txt"), "B\n3.0\n");

    ui.boxAnswers = {kAnswerNo, kAnswerNo};
    EXPECT_EQ(Export(kExportR, "b.txt"), "<none>");

    ui.boxAnswers = {kAnswerCancel};
    EXPECT_EQ(Export(kExportR, "c.txt"), "<none>");
    EXPECT_EQ(ui.boxes.size(), 5u);  // the cancel ends the questions

    // A file already started keeps what it holds: the table itself comes last.
    ui.boxAnswers = {kAnswerYes, kAnswerCancel};
    EXPECT_EQ(Export(kExportR, "d.txt"), "");
}

TEST_F(ExportTest, RTableStopsAtItsColumnLimit) {
    program.settings.RecordCapacity = 2048;
    ws.ReleaseHistory();
    ASSERT_EQ(ws.CreateHistory(), kOk);
    for (int t = 1; t <= 33; ++t) {
        build.DefineType(100 + t, kText, "T" + std::to_string(t));
        build.Text(100 + t, std::to_string(t));
    }
    const std::string text = Export(kExportR);
    ASSERT_EQ(ui.boxes.size(), 33u);
    const std::string header = text.substr(0, text.find('\n'));
    EXPECT_EQ(std::count(header.begin(), header.end(), '\t'), 31);
    EXPECT_TRUE(header.ends_with("\tT32"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 33);  // header and 32 rows
    // The last row holds the 32nd type's value in the last column, nothing of the 33rd.
    EXPECT_TRUE(text.ends_with("\t0.0\t32.0\n"));
}

TEST_F(ExportTest, RTableStopsAtItsRowLimit) {
    program.settings.RecordCapacity = 11264;
    ws.ReleaseHistory();
    ASSERT_EQ(ws.CreateHistory(), kOk);
    for (int t = 1; t <= 11; ++t) {
        build.DefineType(100 + t, kText, "T" + std::to_string(t));
        for (int k = 1; k <= 999; ++k) build.Text(100 + t, std::to_string(t));
    }
    const std::string text = Export(kExportR);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + TextExport::kMaxRows);
    // 10 types fill 9990 rows; the 11th gets the remaining 250.
    const std::string last = "0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t11.0\n";
    EXPECT_TRUE(text.ends_with(last));
    EXPECT_EQ(text.find(last), text.size() - 250 * last.size());
}

TEST_F(ExportTest, TessaplotWithMoreThanThreeTypes) {
    for (int t = 1; t <= 4; ++t) build.DefineType(60 + t, kTwoPointLine, "T" + std::to_string(t));
    build.Line(61, 50);
    build.Line(61, 150);
    build.Line(61, 150);
    build.Line(62, 250);
    build.Line(63, 50);
    build.Line(64, 950);  // written without a question, counted nowhere
    build.Line(61, 160, true);
    Select(61);
    EXPECT_EQ(Export(kExportTessaplot), Crlf({";C: leaf.jpg", ";D: 3,EXPMES.CFG,,0,0,0", "", "", "",
                                              "LABEL X;\xB5m", "LABEL HEAD;1:T1, 2:T2, 3:T3, ",
                                              "DATA;0;1;0;1", "DATA;100;2;0;0", "DATA;200;0;1;0"}));
    EXPECT_EQ(ui.boxes.size(), 3u);
}

TEST_F(ExportTest, TessaplotCountsOnlyTypesAnsweredYes) {
    for (int t = 1; t <= 3; ++t) build.DefineType(60 + t, kTwoPointLine, "T" + std::to_string(t));
    build.Line(61, 50);
    build.Line(62, 150);
    build.Line(63, 250);
    Select(63);
    ui.boxAnswers = {kAnswerYes, kAnswerNo, kAnswerYes};
    EXPECT_EQ(Export(kExportTessaplot),
              Crlf({";C: leaf.jpg", ";D: 3,EXPMES.CFG,,0,0,0", "", "LABEL X;\xB5m",
                    "LABEL HEAD;1:T1, 2:T3, ", "DATA;0;1;0", "DATA;200;0;1"}));
}

TEST_F(ExportTest, ClassWidthGatesAndLimits) {
    build.DefineType(65, kTwoPointLine, "T");
    build.Line(65, 1);
    build.Line(65, 1);
    ws.SetCurrentType(65);

    // No usable class width: neither the report nor Tessaplot writes anything.
    program.settings.AdaptClassSize = 1;
    program.settings.ClassSizePercent = 1;
    ws.StatisticsPass();
    EXPECT_EQ(Export(kExportReport, "a.txt"), "<none>");
    EXPECT_EQ(Export(kExportTessaplot, "a.tsp"), "<none>");
    EXPECT_TRUE(ui.boxes.empty());

    // A width below 1: files, but no class and no DATA lines.
    program.settings.ClassSizePercent = 50;
    ws.StatisticsPass();
    ASSERT_DOUBLE_EQ(ws.ClassWidth(), 0.5);
    EXPECT_EQ(Export(kExportReport, "b.txt"), Crlf({"/projects/leaf.KXP"}));
    EXPECT_EQ(Export(kExportTessaplot, "b.tsp"), Crlf({";C: leaf.jpg", ";D: 3,EXPMES.CFG,,0,0,0",
                                                       "LABEL X;\xB5m", "LABEL HEAD;1:T, "}));
}

// Points far outside the world (a damaged project file): statistics that
// overflow read "-" (in the R table R's "NA"), and a class width of 10^300
// leaves class 0 alone instead of overflowing an integer.
TEST_F(ExportTest, AbsurdValuesShowADashAndKeepTheClassesSound) {
    build.DefineType(67, kTwoPointLine, "Far");
    build.Line(67, 1e300);
    build.Line(67, 3e300);
    build.Line(67, 2000);
    program.settings.AdaptClassSize = 1;
    program.settings.ClassSizePercent = 50;
    Select(67);
    ASSERT_GT(ws.ClassWidth(), 1e299);
    EXPECT_EQ(Screen().back(), "Far [mm]\t3\t-\t-\t-\t-\t-\t100.0");
    const std::string report = Export(kExportReport);
    for (const char* line : {"\r\nmax\t-\r\n", "\r\nv\t-\r\n", "\r\nV 1\t-\r\n",
                             "\r\nV 3\t2000.0\r\n", "\r\n0\t1\r\n"}) {
        EXPECT_NE(report.find(line), std::string::npos) << line << report;
    }
    EXPECT_EQ(report.find("inf"), std::string::npos);
    EXPECT_EQ(Export(kExportTessaplot, "far.tsp"),
              Crlf({";C: leaf.jpg", ";D: 3,EXPMES.CFG,,0,0,0", "LABEL X;\xB5m",
                    "LABEL HEAD;1:Far, ", "DATA;0;1"}));
    EXPECT_EQ(Export(kExportR, "far.txt"), "Far\nNA\nNA\n2000.0\n");
}

TEST_F(ExportTest, UncreatableFileIsReportedAndNothingWritten) {
    build.DefineType(66, kTwoPointLine, "T");
    build.Line(66, 5);
    const std::string path = dir.File("missing/out.TXT");
    ui.saveAnswers.push_back(path);
    ws.DoWriteFile(kExportR);
    ASSERT_EQ(ui.boxes.size(), 2u);  // the question, then the failure
    EXPECT_EQ(ui.boxes[1].title, program.GetMessage(147));
    EXPECT_EQ(ui.boxes[1].text, program.GetMessage(2017) + " " + path);
    EXPECT_EQ(ui.boxes[1].buttons, MessageButtons::Ok);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ExportTest, TheChosenFileIsWrittenAndNoOtherReplacedUnasked) {
    build.DefineType(67, kTwoPointLine, "A");
    build.Line(67, 10);
    Select(67);
    const std::string neighbour = dir.Write("results.TXT", "another export");
    const std::string report = Export(kExportReport, "results.txt");
    EXPECT_NE(report.find("/projects/leaf.KXP"), std::string::npos);
    EXPECT_EQ(test::TempDir::Read(neighbour), "another export");

    // A name whose extension had to change: an existing file of the new name
    // is only replaced when the person says so.
    dir.Write("results.TSP", "kept");
    ui.boxAnswers.push_back(kAnswerNo);
    ui.saveAnswers.push_back(dir.File("results.csv"));
    ws.DoWriteFile(kExportTessaplot);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2365) + "\r\n" + dir.File("results.TSP"));
    EXPECT_EQ(test::TempDir::Read(dir.File("results.TSP")), "kept");
    ui.boxAnswers.push_back(kAnswerYes);
    ui.boxAnswers.push_back(kAnswerYes);
    ui.saveAnswers.push_back(dir.File("results.csv"));
    ws.DoWriteFile(kExportTessaplot);
    EXPECT_NE(test::TempDir::Read(dir.File("results.TSP")).find("LABEL X"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("results.csv")));
}

TEST_F(ExportTest, DispatcherChoosesTheFileAndRestoresTheCurrentType) {
    build.DefineType(67, kTwoPointLine, "A");
    build.DefineType(68, kTwoPointLine, "B");
    build.Line(67, 10);
    build.Line(68, 20);
    build.Line(68, 40);
    ws.SetCurrentType(67);
    ws.StatisticsPass();

    ui.saveAnswers.push_back(dir.File("sub.dir/result.dat"));
    std::filesystem::create_directory(dir.File("sub.dir"));
    ws.DoWriteFile(kExportReport);
    ASSERT_EQ(ui.saveRequests.size(), 1u);
    const SaveFileRequest& request = ui.saveRequests[0];
    EXPECT_EQ(request.fileName, "leaf.TXT");
    EXPECT_EQ(request.startDirectory, program.documentsDir);
    EXPECT_EQ(request.filter, program.GetMessage(339) + " |*.TXT");
    EXPECT_EQ(request.defaultExtension, "TXT");
    EXPECT_TRUE(std::filesystem::exists(dir.File("sub.dir/result.TXT")));
    EXPECT_EQ(program.settings.LastExportDir, dir.File("sub.dir/"));
    EXPECT_EQ(ws.currentType(), 67);
    EXPECT_EQ(ws.valueList().Count(), 1);
    EXPECT_EQ(ws.fileState(), kUnchanged);

    // Without a project file the name is "noname"; a cancelled dialog exports nothing.
    ChangeProject(ws, [&](Project& p) { p.projectPath.clear(); });
    ws.DoWriteFile(kExportTessaplot);
    ASSERT_EQ(ui.saveRequests.size(), 2u);
    EXPECT_EQ(ui.saveRequests[1].fileName, "noname.TSP");
    EXPECT_EQ(ui.saveRequests[1].startDirectory, dir.File("sub.dir/"));
    EXPECT_TRUE(ui.boxes.empty());
}

}  // namespace
}  // namespace kvx

namespace kvx {
namespace {

TEST_F(ExportTest, PictureKindsSaveTheShownFieldUnderTheChosenName) {
    build.DefineType(67, kTwoPointLine, "A");
    build.Line(67, 10);
    ASSERT_TRUE(ws.ResetViewToWorld());
    // Past the start-up requests, and without the picture (which is not on disk).
    ws.SetRedrawCount(3);
    program.settings.DisplayLayers[2] = -3;
    int grabs = 0;
    ws.SetGrabPaintBox([&grabs](PixelImage& image) {
        ++grabs;
        if (!image.Allocate(30, 20)) return false;
        for (int32_t y = 0; y < 20; ++y) std::fill_n(image.Row(y), 90, uint8_t{200});
        return true;
    });

    // The metafile is the surface the redraw records while the path is set.
    EXPECT_NE(Export(kExportMetafile, "view.wmf"), "<none>");
    EXPECT_TRUE(ws.metafileOutputPath().empty());
    EXPECT_EQ(grabs, 0);

    const std::string bitmap = Export(kExportBitmap, "view.bmp");
    ASSERT_GT(bitmap.size(), 54u);
    EXPECT_EQ(bitmap.substr(0, 2), "BM");
    EXPECT_EQ(bitmap[18], 30);  // width
    EXPECT_EQ(bitmap[22], 20);  // height
    program.settings.JpegQuality = 100;
    const std::string jpeg = Export(kExportJpeg, "view.jpg");
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[1]), 0xD8);
    EXPECT_EQ(grabs, 2);
    EXPECT_TRUE(ui.boxes.empty());

    // Without a copy of the paint box nothing is written, and a cancelled
    // dialog asks for no copy at all.
    ws.SetGrabPaintBox(nullptr);
    EXPECT_EQ(Export(kExportBitmap, "none.bmp"), "<none>");
    ws.SetGrabPaintBox([&grabs](PixelImage&) { return ++grabs > 0 && false; });
    ws.DoWriteFile(kExportJpeg);
    EXPECT_EQ(grabs, 2);

    // A view whose picture cannot be drawn is never written over the files
    // made before: no metafile, and no copy of the paint box is taken.
    ws.SetGrabPaintBox([&grabs](PixelImage& image) { return ++grabs > 0 && image.Allocate(5, 5); });
    program.settings.DisplayLayers[2] = 3;
    ChangeProject(ws, [&](Project& p) {
        p.imagePath = dir.Write("damaged.jpg", "not a picture");
        p.fitImagePending = true;
    });
    const std::string metafile = test::TempDir::Read(dir.File("view.wmf"));
    EXPECT_EQ(Export(kExportMetafile, "view.wmf"), metafile);
    EXPECT_EQ(Export(kExportBitmap, "view.bmp"), bitmap);
    EXPECT_EQ(grabs, 2);
    EXPECT_FALSE(ui.errorDialogs.empty());  // the person is told why
}

}  // namespace
}  // namespace kvx
