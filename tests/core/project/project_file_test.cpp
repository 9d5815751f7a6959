#include "core/project/project_file.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <thread>

#include "common/fake_ui.hpp"
#include "common/file_size_limit.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/picture/picture_kinds.hpp"
#include "core/program/program.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

std::string Columns(ErrorCode code) {
    const DecodedErrorCode d = DecodeErrorCode(code);
    return IntToStr(d.errorClass, 4) + IntToStr(d.unit, 4) + IntToStr(d.procedure, 4);
}

MeasuredObject Point(int32_t type, double x, double y, int32_t kind, std::string name = {},
                     bool excluded = false) {
    MeasuredObject p;
    p.typeIndex = type;
    p.x = x;
    p.y = y;
    p.vertexKind = kind;
    p.name = std::move(name);
    p.excluded = excluded;
    return p;
}

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ui.pressDetails = true;
        program.settings.RecordCapacity = 1024;
        ASSERT_EQ(ws.CreateHistory(), kOk);
        image = dir.Write("image.jpg", "not decoded here");
    }

    // A project on image.jpg whose user name is already known, so that
    // saving asks nothing.
    void StartProject() {
        ChangeProject(ws, [&](Project& p) {
            p.imagePath = image;
            p.originalImagePath = "C:\\scans\\image.jpg";
            p.resolutionDpi = 1200;
            p.userName = "Ann";
        });
        ws.SetUserNameAsked(true);
        ws.SetFileState(kChanged);
    }

    void Add(const MeasuredObject& p) { ASSERT_TRUE(ws.AppendRecord(p)); }

    // Reads file into a cleared workspace.
    bool Read(const std::string& file, bool showErrors = true) {
        ws.ClearProject();
        return ws.ReadProject(file, showErrors);
    }

    // Reads body as a project file and expects the load to fail with the
    // given pass-on (or raised) code and the line as detail.
    void ExpectFailure(const std::string& body, ErrorCode code, const std::string& info) {
        const std::string file = dir.Write("bad.KXP", body);
        ui.errorDialogs.clear();
        ui.details.clear();
        EXPECT_FALSE(Read(file)) << body;
        EXPECT_NE(ui.details.find(Columns(code)), std::string::npos) << ui.details;
        ASSERT_EQ(ui.errorDialogs.size(), 1u);
        EXPECT_EQ(ui.errorDialogs[0].info, info);
        EXPECT_EQ(ws.fileState(), kNoProject);
        EXPECT_EQ(ws.history().Count(), 0);
        EXPECT_TRUE(ws.project().imagePath.empty());
        EXPECT_TRUE(ws.project().originalImagePath.empty());
        EXPECT_TRUE(ws.project().projectPath.empty());
        EXPECT_TRUE(ws.project().userName.empty());
        EXPECT_EQ(ws.project().resolutionDpi, 0);
        EXPECT_EQ(test::TempDir::Read(file), body) << "reading never writes";
    }

    std::string Header() const { return ";C: " + image + "\r\nB " + image + "\r\nR 1200\r\n"; }

    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.File("program")};
    Workspace ws{program};
    std::string image;
};

TEST_F(ProjectFileTest, WritesHeaderAndPointLinesExactly) {
    StartProject();
    Add(Point(3, 11.5, 10.5, 1, "cell a"));
    Add(Point(3, 2.5, -0.5, 2));
    Add(Point(0, 7, 7, 1, "deleted"));
    Add(Point(256, 1e6, 999999.4999, 1, "", true));

    ASSERT_EQ(ws.Save(dir.File("p.kxp")), kOk);
    // The picture beside the project is named from the project's folder.
    EXPECT_EQ(test::TempDir::Read(dir.File("p.kxp")),
              ";C: image.jpg\r\nB image.jpg"
              "\r\nO C:\\scans\\image.jpg\r\nR 1200\r\nV 18\r\nU Ann\r\n"
              "; 1 .. 10\r\n"
              "D 3,10,12,1,cell a,0,\r\n"
              "D 3,0,2,2,,0,\r\n"
              "D 256,999999,1000000,1,,1,\r\n");
    EXPECT_EQ(ws.fileState(), kUnchanged);
    EXPECT_EQ(ws.savedCount(), 4);
    EXPECT_EQ(program.settings.DataPath, dir.File(""));
    EXPECT_FALSE(std::filesystem::exists(dir.File("p.KXP"))) << "the extension's case is kept";
}

TEST_F(ProjectFileTest, RoundTripGivesTheSameRecordsWithRoundedCoordinates) {
    StartProject();
    for (int i = 1; i <= 40; ++i) {
        MeasuredObject p = Point(1 + i % 7, i * 1000.25, 500000.5 + i, i % 3 == 1 ? 1 : 2,
                                 i % 4 == 0 ? "n" + std::to_string(i) : "", i % 5 == 1);
        p.colourOverride = 77;  // overrides are not stored
        Add(p);
    }
    ChangeProject(ws, [&](Project& p) { p.title = "kept in memory only"; });
    ASSERT_EQ(ws.Save(dir.File("round")), kOk);
    const std::string saved = test::TempDir::Read(dir.File("round.KXP"));

    ASSERT_TRUE(Read(dir.File("round.KXP")));
    EXPECT_EQ(ws.fileState(), kUnchanged);
    EXPECT_EQ(ws.project().imagePath, image);
    EXPECT_EQ(ws.project().originalImagePath, "C:\\scans\\image.jpg");
    EXPECT_EQ(ws.project().resolutionDpi, 1200);
    EXPECT_EQ(ws.project().userName, "Ann");
    EXPECT_EQ(ws.project().formatVersion, 18);
    EXPECT_EQ(ws.project().title, "image.jpg");
    EXPECT_EQ(ws.project().projectPath, dir.File("round.KXP"));
    EXPECT_TRUE(ws.project().fitImagePending);
    ASSERT_EQ(ws.history().Count(), 40);
    for (int i = 1; i <= 40; ++i) {
        MeasuredObject expected =
            Point(1 + i % 7, std::nearbyint(i * 1000.25), std::nearbyint(500000.5 + i),
                  i % 3 == 1 ? 1 : 2, i % 4 == 0 ? "n" + std::to_string(i) : "", i % 5 == 1);
        EXPECT_EQ(ws.history().Peek(i), expected) << i;
    }
    EXPECT_EQ(test::TempDir::Read(dir.File("round.KXP")), saved) << "reading never writes";
}

TEST_F(ProjectFileTest, CommentEveryTenthIndexOnlyWhenThatRecordIsWritten) {
    StartProject();
    for (int i = 1; i <= 25; ++i) Add(Point(i == 11 ? 0 : 1, i, i, 1));
    ASSERT_EQ(ws.Save(dir.File("c.KXP")), kOk);
    const std::string text = test::TempDir::Read(dir.File("c.KXP"));
    EXPECT_NE(text.find("; 1 .. 10\r\nD 1,1,1,1,,0,\r\n"), std::string::npos);
    EXPECT_EQ(text.find("; 11 .. 20"), std::string::npos);
    EXPECT_NE(text.find("D 1,10,10,1,,0,\r\nD 1,12,12,1,,0,\r\n"), std::string::npos);
    EXPECT_NE(text.find("D 1,20,20,1,,0,\r\n; 21 .. 30\r\nD 1,21,21,1,,0,\r\n"), std::string::npos);

    ASSERT_TRUE(Read(dir.File("c.KXP")));
    EXPECT_EQ(ws.history().Count(), 24) << "deleted records are gone after save and load";
}

TEST_F(ProjectFileTest, EmptyProjectWritesTheHeaderAndReadsBackEmpty) {
    StartProject();
    ChangeProject(ws, [&](Project& p) { p.userName.clear(); });
    program.settings.User.clear();
    ASSERT_EQ(ws.Save(dir.File("empty.KXP")), kOk);
    EXPECT_EQ(test::TempDir::Read(dir.File("empty.KXP")),
              ";C: image.jpg\r\nB image.jpg\r\nO C:\\scans\\image.jpg\r\nR 1200\r\nV 18\r\n");
    EXPECT_EQ(ws.project().title, kDefaultProjectTitle);
    ASSERT_TRUE(Read(dir.File("empty.KXP")));
    EXPECT_EQ(ws.history().Count(), 0);
    EXPECT_EQ(ws.fileState(), kUnchanged);
}

TEST_F(ProjectFileTest, UserNameIsAskedAtTheFirstSaveOfTheRunOnly) {
    StartProject();
    ws.SetUserNameAsked(false);
    ChangeProject(ws, [&](Project& p) { p.userName.clear(); });
    program.settings.User = "previous";
    ui.inputAnswers.push_back({true, "Bea"});
    ASSERT_EQ(ws.Save(dir.File("u1.KXP")), kOk);
    ASSERT_EQ(ui.inputs.size(), 1u);
    EXPECT_EQ(ui.inputs[0].text, "previous");
    EXPECT_EQ(program.settings.User, "Bea");
    EXPECT_EQ(ws.project().userName, "Bea");

    ChangeProject(ws, [&](Project& p) { p.userName.clear(); });
    ASSERT_EQ(ws.Save(dir.File("u2.KXP")), kOk);
    EXPECT_EQ(ui.inputs.size(), 1u);
    EXPECT_NE(test::TempDir::Read(dir.File("u2.KXP")).find("\r\nU Bea\r\n"), std::string::npos);

    // A new run asks again; cancelling leaves no user name.
    ws.SetUserNameAsked(false);
    ChangeProject(ws, [&](Project& p) { p.userName.clear(); });
    ASSERT_EQ(ws.Save(dir.File("u3.KXP")), kOk);
    EXPECT_EQ(ui.inputs.size(), 2u);
    EXPECT_TRUE(program.settings.User.empty());
    EXPECT_EQ(test::TempDir::Read(dir.File("u3.KXP")).find("\r\nU "), std::string::npos);
}

TEST_F(ProjectFileTest, SaveKeepsThePreviousFileAsBackup) {
    StartProject();
    const std::string previous = Header() + "D 1,1,1,1,old,0,\r\n";
    dir.Write("b.KXP", previous);
    Add(Point(1, 5, 5, 1, "new"));
    ASSERT_EQ(ws.Save(dir.File("b.KXP")), kOk);
    EXPECT_EQ(test::TempDir::Read(dir.File("b.BAK")), previous);
    EXPECT_NE(test::TempDir::Read(dir.File("b.KXP")).find("new"), std::string::npos);
}

TEST_F(ProjectFileTest, FailedSaveLosesNothing) {
    StartProject();
    Add(Point(1, 5, 5, 1, "unsaved"));
    EXPECT_EQ(ws.Save(dir.File("no-such-folder/p.KXP")), kProjectCreate);
    EXPECT_EQ(ws.fileState(), kChanged);
    EXPECT_EQ(ws.savedCount(), 0);
    ASSERT_EQ(ui.errorDialogs.size(), 1u);
    EXPECT_NE(ui.details.find("Passed" + Columns(kProjectCreate)), std::string::npos);

    // Two saves in a row that fail half-way (a full disk) leave the project
    // file and its backup exactly as they were, and no temporary file.
    const std::string previous = Header() + "D 1,1,1,1,old,0,\r\n";
    const std::string older = Header() + "D 1,1,1,1,older,0,\r\n";
    dir.Write("full.KXP", previous);
    dir.Write("full.BAK", older);
    for (int i = 0; i < 200; ++i) Add(Point(1, i, i, 1, "a name to fill the disk"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        test::FileSizeLimit full(1000);
        EXPECT_EQ(ws.Save(dir.File("full.KXP")), kProjectWrite);
    }
    EXPECT_EQ(test::TempDir::Read(dir.File("full.KXP")), previous);
    EXPECT_EQ(test::TempDir::Read(dir.File("full.BAK")), older);
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "full.KXP" || name == "full.BAK" || name == "image.jpg") << name;
    }
    EXPECT_EQ(ws.fileState(), kChanged);
    EXPECT_EQ(ws.savedCount(), 0);
    EXPECT_EQ(ui.errorDialogs.size(), 3u);
}

struct TitleCase {
    const char* line;
    const char* title;
};

class TitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleTest, FirstLineGivesTheTitle) {
    EXPECT_EQ(TitleFromFirstLine(GetParam().line), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Lines, TitleTest,
                         ::testing::Values(TitleCase{";C: /data/cells.jpg", "/data/cells.jpg"},
                                           TitleCase{";C: /my data/cells 2.jpg",
                                                     "data/cells 2.jpg"},
                                           TitleCase{";C: Project Alpha", "Alpha"},
                                           TitleCase{";C:", ""}, TitleCase{"; 1 .. 10", "10"}));

TEST_F(ProjectFileTest, OnlyTheFirstLineGivesTheTitle) {
    ChangeProject(ws, [&](Project& p) { p.title = "before"; });
    ASSERT_TRUE(Read(dir.Write("t.KXP", "B " + image + "\r\n;C: late title\r\nR 300\r\n")));
    EXPECT_EQ(ws.project().title, "before");
    ASSERT_TRUE(Read(dir.Write("t.KXP", ";C: early title\r\n" + Header())));
    EXPECT_EQ(ws.project().title, "title");
}

TEST_F(ProjectFileTest, ExcludedFieldIsReadFromVersionFifteenOn) {
    const std::string points = "D 1,1,1,1,a,1,\r\nD 1,2,2,1,b,1,\r\n";
    ASSERT_TRUE(Read(dir.Write("v14.KXP", Header() + "V 14\r\n" + points)));
    EXPECT_FALSE(ws.history().Peek(1).excluded);
    EXPECT_FALSE(ws.history().Peek(2).excluded);
    EXPECT_EQ(ws.project().formatVersion, 14);

    ASSERT_TRUE(Read(dir.Write("v15.KXP", Header() + "V 15\r\n" + points)));
    EXPECT_TRUE(ws.history().Peek(1).excluded);

    // The version is not reset before reading: points before a version line
    // follow the version read last.
    ChangeProject(ws, [&](Project& p) { p.formatVersion = 0; });
    ASSERT_TRUE(
        Read(dir.Write("late.KXP", Header() + "D 1,1,1,1,a,1,\r\nV 18\r\nD 1,2,2,1,b,1,\r\n")));
    EXPECT_FALSE(ws.history().Peek(1).excluded);
    EXPECT_TRUE(ws.history().Peek(2).excluded);

    ChangeProject(ws, [&](Project& p) { p.formatVersion = 0; });
    ASSERT_TRUE(Read(dir.Write("none.KXP", Header() + points)));
    EXPECT_FALSE(ws.history().Peek(1).excluded);
    EXPECT_EQ(ws.project().formatVersion, 18) << "a file without a version line leaves 18";
}

struct PointCase {
    const char* text;  // after "D "
    ErrorCode code;    // 0 = parses
    ErrorCode field;
    const char* name;
    bool excluded;
};

class PointLineTest : public ::testing::TestWithParam<PointCase> {};

TEST_P(PointLineTest, Parses) {
    const PointCase& c = GetParam();
    MeasuredObject p;
    ErrorCode field = 0;
    const ErrorCode code = ParsePointLine(c.text, 18, p, field);
    if (c.code == 0) {
        ASSERT_EQ(code, kOk) << c.text;
        EXPECT_EQ(p.name, c.name);
        EXPECT_EQ(p.excluded, c.excluded);
        EXPECT_EQ(p.colourOverride, -1);
        EXPECT_EQ(p.sizeOverride, -1);
        EXPECT_EQ(p.textColourOverride, -1);
    } else {
        EXPECT_EQ(code, c.code) << c.text;
        EXPECT_EQ(field, c.field) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, PointLineTest,
                         ::testing::Values(PointCase{"1,2,3,1,", 0, 0, "", false},
                                           PointCase{"1,2,3,1", 0, 0, "", false},
                                           PointCase{"1,2,3,1,a,b,0,", 0, 0, "a", false},
                                           PointCase{"1,2,3,1,a,1,", 0, 0, "a", true},
                                           PointCase{"1,2,3,1,a,7,", 0, 0, "a", true},
                                           PointCase{"1,2.5,3e2,1,cell,x,", 0, 0, "cell", false},
                                           PointCase{"x,2,3,1,", 1030201, 60070400, "", false},
                                           PointCase{"257,2,3,1,", 60070401, 60070400, "", false},
                                           PointCase{"1,y,3,1,", 1030201, 60070500, "", false},
                                           PointCase{"1,2,1e999,1,", 1020101, 60070600, "", false},
                                           PointCase{"1,2,3,", 1030401, 60070700, "", false},
                                           PointCase{"", 1030101, 60070400, "", false}));

TEST_F(ProjectFileTest, CommasInNamesNeverShiftTheFieldsOfTheirLine) {
    // Labels of a Value (Text) type typed with a decimal comma.
    ObjectType* text = program.objectTypes.Find(4);
    text->dataClass = kClassUser;
    text->dataType = kText;
    program.settings.Language = 0;
    StartProject();
    Add(Point(4, 1, 1, 1, "12,5", true));
    Add(Point(4, 2, 2, 1, "3,25"));
    Add(Point(1, 3, 3, 1, "a,1"));
    Add(Point(1, 4, 4, 1, "b,c,d", true));
    Add(Point(1, 5, 5, 1, std::string(70, 'n')));
    const auto valueGrid = [&] {
        ws.SetCurrentType(4);
        ws.StatisticsPass();
        std::vector<std::string> cells;
        for (const GridRow& row : ws.grids().DGrid) cells.push_back(row.value);
        return cells;
    };
    const std::vector<std::string> before = valueGrid();
    ASSERT_EQ(ws.valueList().Count(), 2);

    ASSERT_EQ(ws.Save(dir.File("comma.KXP")), kOk);
    const std::string saved = test::TempDir::Read(dir.File("comma.KXP"));
    // Older readers take "12.5" for the same number; other commas become the
    // low quotation mark, so every line keeps its seven fields.
    EXPECT_NE(saved.find("D 4,1,1,1,12.5,1,\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("D 1,3,3,1,a\x82"
                         "1,0,\r\n"),
              std::string::npos)
        << saved;

    ASSERT_TRUE(Read(dir.File("comma.KXP")));
    EXPECT_EQ(ws.history().Peek(1).name, "12.5");
    EXPECT_TRUE(ws.history().Peek(1).excluded);
    EXPECT_EQ(ws.history().Peek(3).name, "a,1");
    EXPECT_FALSE(ws.history().Peek(3).excluded);
    EXPECT_EQ(ws.history().Peek(4).name, "b,c,d");
    EXPECT_TRUE(ws.history().Peek(4).excluded);
    EXPECT_EQ(ws.history().Peek(5).name, std::string(63, 'n'));
    EXPECT_EQ(valueGrid(), before);
    EXPECT_DOUBLE_EQ(ws.valueList().Entry(1).value, 12.5);
    EXPECT_TRUE(ws.valueList().Entry(1).excluded);
}

TEST_F(ProjectFileTest, FailuresNameTheirCodeAndLineAndClearTheProject) {
    ExpectFailure(Header() + "U someone\r\nD 1,2,x,1,\r\n", kProjectFieldX, "D 1,2,x,1,");
    ExpectFailure(Header() + "D 1,y,3,1,\r\n", kProjectFieldY, "D 1,y,3,1,");
    ExpectFailure(Header() + "D 300,1,3,1,\r\n", kProjectFieldType, "D 300,1,3,1,");
    ExpectFailure(";C: x\r\nB " + image + "\r\nR twelve\r\nD 1,1,1,1,\r\n", kProjectBadResolution,
                  "R twelve");
    const std::string noResolution = dir.File("bad.KXP");
    ExpectFailure(";C: x\r\nB " + image + "\r\nD 1,1,1,1,\r\n", kProjectNoResolution, noResolution);
    ExpectFailure(";C: x\r\nB " + image + "\r\nR 0\r\n", kProjectNoResolution, noResolution);
    ExpectFailure(";C: x\r\nB " + image + "\r\nR -300\r\n", kProjectNoResolution, noResolution);
    ExpectFailure(";C: x\r\nR 300\r\nD 1,1,1,1,\r\n", kProjectNoImage, noResolution);
}

TEST_F(ProjectFileTest, MissingFileFailsWithTheOpenCode) {
    ChangeProject(ws, [&](Project& p) { p.userName = "from before"; });
    EXPECT_FALSE(Read(dir.File("absent")));
    EXPECT_NE(ui.details.find("Passed" + Columns(kProjectOpen)), std::string::npos);
    EXPECT_EQ(ws.fileState(), kNoProject);
    EXPECT_FALSE(std::filesystem::exists(dir.File("absent.KXP")));

    ui.errorDialogs.clear();
    EXPECT_FALSE(ws.ReadProject(dir.File("absent"), false));
    EXPECT_TRUE(ui.errorDialogs.empty());
    EXPECT_TRUE(program.errors.Empty()) << "without showErrors the errors are discarded";
}

TEST_F(ProjectFileTest, FullHistoryFailsTheLoadRatherThanLosingPoints) {
    std::string body = Header();
    for (int i = 0; i < 1025; ++i) body += "D 1,1,1,1,\r\n";
    EXPECT_FALSE(Read(dir.Write("big.KXP", body)));
    EXPECT_EQ(ws.history().Count(), 0);
    EXPECT_EQ(ws.fileState(), kNoProject);
}

TEST_F(ProjectFileTest, BareLineFeedsReadTheSameRecords) {
    const std::string crlf = Header() + "V 18\r\nD 1,1,2,1,a,1,\r\nD 1,3,4,2,,0,\r\n";
    std::string lf = crlf;
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    ASSERT_TRUE(Read(dir.Write("lf.KXP", lf)));
    ASSERT_EQ(ws.history().Count(), 2);
    EXPECT_EQ(ws.history().Peek(1), Point(1, 2, 1, 1, "a", true));
    EXPECT_EQ(test::TempDir::Read(dir.File("lf.KXP")), lf);

    // A line of 255 characters or more is what a reader that knows only
    // CR LF sees of such a file: it is read through the converted copy, which
    // is removed afterwards.
    const std::string longLine = "U " + std::string(300, 'u') + "\n";
    ASSERT_TRUE(Read(dir.Write("long.KXP", longLine + lf)));
    EXPECT_EQ(ws.history().Count(), 2);
    EXPECT_EQ(ws.project().userName, std::string(253, 'u'));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with("~KXPTEMP")) << entry.path();
    }
}

TEST(ConvertedCopyNameTest, ReadersOnOtherThreadsGetCopiesOfTheirOwn) {
    const std::string here = ConvertedCopyName();
    std::string there;
    std::thread([&] { there = ConvertedCopyName(); }).join();
    EXPECT_TRUE(here.starts_with("~KXPTEMP-")) << here;
    EXPECT_TRUE(here.ends_with(".$$$")) << here;
    EXPECT_EQ(here, ConvertedCopyName());
    EXPECT_NE(here, there);
}

TEST_F(ProjectFileTest, ConversionKeepsItsSizeLimitOthersReadDirectly) {
    std::string points;
    for (int i = 0; i < 1000; ++i) {
        points +=
            "D 1,100000,200000,1,a name long enough to take the file past 64000 bytes in all,0,\n";
    }
    const std::string lf = ";C: x\nB " + image + "\nR 300\nV 18\n" + points;
    ASSERT_GT(lf.size(), 64000u);

    ASSERT_TRUE(Read(dir.Write("big-lf.KXP", lf)));
    EXPECT_EQ(ws.history().Count(), 1000);

    const std::string longLine = "U " + std::string(300, 'u') + "\n";
    EXPECT_FALSE(Read(dir.Write("big-long.KXP", longLine + lf)));
    EXPECT_NE(ui.details.find("Passed" + Columns(kProjectConvert)), std::string::npos);
    EXPECT_NE(ui.details.find(Columns(60110201)), std::string::npos);

    // With CR LF there is nothing to convert, however long a line is.
    std::string crlf;
    for (const char c : longLine + lf) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    ASSERT_TRUE(Read(dir.Write("big-crlf.KXP", crlf)));
    EXPECT_EQ(ws.history().Count(), 1000);
}

TEST_F(ProjectFileTest, ImageMadeOnWindowsResolvesByBareNameBesideTheProject) {
    std::filesystem::create_directory(dir.Path() / "moved");
    const std::string moved = dir.Write("moved/Scan 01.JPG", "x");
    const std::string body =
        ";C: X:\\work\\Scan 01.JPG\r\nB X:\\work\\Scan 01.JPG\r\nR 600\r\nD 2,5,5,1,,0,\r\n";
    const std::string file = dir.Write("moved/p.KXP", body);
    ASSERT_TRUE(Read(file));
    EXPECT_EQ(ws.project().imagePath, moved);
    EXPECT_EQ(ws.project().originalImagePath, "X:\\work\\Scan 01.JPG");
    EXPECT_EQ(ws.project().title, "01.JPG");
    EXPECT_EQ(ws.fileState(), kChanged) << "the image was found elsewhere";
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(test::TempDir::Read(file), body);

    // A stored name that differs only in letter case still finds the image.
    ASSERT_TRUE(Read(dir.Write("moved/q.kxp", "B D:\\Work\\scan 01.jpg\r\nR 600\r\n")));
    EXPECT_EQ(ws.project().imagePath, moved);
    EXPECT_EQ(ws.project().projectPath, dir.File("moved/q.kxp"));
}

TEST_F(ProjectFileTest, WindowsNamesOfPicturesFindTheirUtf8Files) {
    std::filesystem::create_directory(dir.Path() / "Bilder");
    const std::string picture = dir.Write("Bilder/F\xC3\xA4rbung 3.jpg", "x");
    const std::string body = "B C:\\Bilder\\F\xE4rbung 3.jpg\r\nR 600\r\nD 2,5,5,1,,0,\r\n";
    ASSERT_TRUE(Read(dir.Write("Bilder/f3.KXP", body)));
    EXPECT_EQ(ws.project().imagePath, picture);
    EXPECT_EQ(ws.fileState(), kChanged) << "the name is written anew in UTF-8";
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ProjectFileTest, PicturePathsReadBackAsTheyWereSavedOrAreNotSaved) {
    // 251 to 255 bytes: more than the reader takes from a picture line.
    const std::string deep = dir.File("") + std::string(40, 'd') + "/";
    std::filesystem::create_directories(deep);
    const std::string longName = std::string(255 - deep.size() - 4, 'n') + ".jpg";
    const std::string inside = dir.Write(deep.substr(dir.File("").size()) + longName, "x");
    ASSERT_EQ(inside.size(), 255u);
    StartProject();
    Add(Point(1, 5, 5, 1));
    ChangeProject(ws, [&](Project& p) { p.imagePath = p.originalImagePath = inside; });
    const std::string file = dir.File("long.KXP");
    ASSERT_EQ(ws.Save(file), kOk);
    ASSERT_TRUE(Read(file));
    EXPECT_EQ(ws.project().imagePath, inside);
    EXPECT_EQ(ws.history().Count(), 1);

    // Outside the project's folder the whole path does not fit: not saved.
    std::filesystem::create_directory(dir.Path() / "p");
    ws.SetFileState(kChanged);
    EXPECT_NE(ws.Save(dir.File("p/other.KXP")), kOk);
    EXPECT_FALSE(std::filesystem::exists(dir.File("p/other.KXP")));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2163) + inside);
    EXPECT_EQ(ws.fileState(), kChanged);
}

TEST_F(ProjectFileTest, ImageBesideTheProjectComesBeforeTheCurrentFolder) {
    std::filesystem::create_directory(dir.Path() / "study");
    std::filesystem::create_directory(dir.Path() / "elsewhere");
    const std::string own = dir.Write("study/slide7.jpg", "the project's");
    dir.Write("elsewhere/slide7.jpg", "another study's");
    program.startDir = dir.File("elsewhere");
    const std::string body = "B /old/disk/slide7.jpg\r\nR 600\r\nD 1,1,1,1,\r\n";
    ASSERT_TRUE(Read(dir.Write("study/s7.KXP", body)));
    EXPECT_EQ(ws.project().imagePath, own);
    EXPECT_EQ(ws.fileState(), kChanged);

    // Where the written path is the picture beside the project, nothing moved.
    ASSERT_TRUE(Read(dir.Write("study/s8.KXP", "B " + own + "\r\nR 600\r\n")));
    EXPECT_EQ(ws.project().imagePath, own);
    EXPECT_EQ(ws.fileState(), kUnchanged);
}

TEST_F(ProjectFileTest, MissingImageAsksAndAbandonsTheLoadOnNo) {
    ui.boxAnswers.push_back(kAnswerNo);
    ChangeProject(ws, [&](Project& p) { p.title = "old"; });
    const std::string body = "B /gone/away.jpg\r\nR 600\r\nD 1,1,1,1,\r\n";
    EXPECT_FALSE(Read(dir.Write("gone.KXP", body)));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_NE(ui.boxes[0].text.find("/gone/away.jpg"), std::string::npos);
    EXPECT_TRUE(ui.fileRequests.empty());
    EXPECT_EQ(ws.fileState(), kNoProject);
    EXPECT_EQ(ws.history().Count(), 0);
    EXPECT_TRUE(ws.project().imagePath.empty());
    EXPECT_EQ(ws.project().resolutionDpi, 0);
}

TEST_F(ProjectFileTest, AnImageThatIsThereButCannotBeReadSaysWhy) {
    // A folder in place of the picture: there, and not to be opened.
    std::filesystem::create_directory(dir.Path() / "slide.jpg");
    ui.boxAnswers.push_back(kAnswerNo);
    EXPECT_FALSE(Read(dir.Write("held.KXP", "B slide.jpg\r\nR 600\r\nD 1,1,1,1,\r\n")));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2175) + dir.File("slide.jpg") + " (" +
                                    SystemErrorText(EISDIR) + ")");
    EXPECT_EQ(ws.fileState(), kNoProject);
}

TEST_F(ProjectFileTest, MissingImageChosenByThePersonMarksTheProjectChanged) {
    std::filesystem::create_directory(dir.Path() / "pictures");
    std::filesystem::create_directory(dir.Path() / "config");
    program.configDir = dir.File("config");
    program.settings.ImportPath = dir.File("imports");
    dir.Write("pictures/found.jpg", "x");
    ui.boxAnswers.push_back(kAnswerYes);
    ui.fileAnswers.push_back({dir.File("pictures") + "/", "found.jpg", ""});

    ASSERT_TRUE(Read(dir.Write("gone.KXP", "B /gone/away.jpg\r\nR 600\r\nD 1,1,1,1,\r\n")));
    EXPECT_EQ(ws.project().imagePath, dir.File("pictures/found.jpg"));
    EXPECT_EQ(ws.project().originalImagePath, "/gone/away.jpg");
    EXPECT_EQ(ws.fileState(), kChanged);
    EXPECT_EQ(program.settings.ImportPath, dir.File("pictures") + "/");
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ui.fileRequests[0].patterns, std::string(kImagePattern));
    EXPECT_EQ(ui.fileRequests[0].startDirectory, dir.File("imports"));
    EXPECT_EQ(ui.fileRequests[0].rememberFile, dir.File("config/KXP2Dir.pck"));
}

TEST_F(ProjectFileTest, ProjectFileNameForcesTheExtension) {
    EXPECT_EQ(ProjectFileName(dir.File("a")), dir.File("a.KXP"));
    EXPECT_EQ(ProjectFileName(dir.File("a.txt")), dir.File("a.KXP"));
    EXPECT_EQ(ProjectFileName(dir.File("a.kxp")), dir.File("a.kxp"));
    EXPECT_EQ(ProjectFileName("C:\\a.b\\file"), "C:\\a.b\\file.KXP");
}

TEST_F(ProjectFileTest, LetterCaseNeverLeadsASaveIntoAnotherProject) {
    const std::string other = Header() + "D 1,1,1,1,another project,0,\r\n";
    dir.Write("leaf1.kxp", other);
    EXPECT_EQ(ProjectFileName(dir.File("leaf1")), dir.File("leaf1.KXP"));

    StartProject();
    Add(Point(1, 5, 5, 1, "mine"));
    ASSERT_EQ(ws.Save(dir.File("Leaf1.KXP")), kOk);
    EXPECT_EQ(test::TempDir::Read(dir.File("leaf1.kxp")), other);
    EXPECT_FALSE(std::filesystem::exists(dir.File("leaf1.BAK")));
    EXPECT_NE(test::TempDir::Read(dir.File("Leaf1.KXP")).find("mine"), std::string::npos);

    // Reading still takes any letter case.
    dir.Write("notes.kxp", other);
    ASSERT_TRUE(Read(dir.File("NOTES.KXP")));
    EXPECT_EQ(ws.project().projectPath, dir.File("notes.kxp"));
}

}  // namespace
}  // namespace kvx
