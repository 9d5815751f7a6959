#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "common/test_pictures.hpp"
#include "core/program/program.hpp"
#include "core/support/file_list.hpp"
#include "core/support/file_names.hpp"
#include "core/workspace/project_commands.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

namespace fs = std::filesystem;

using test::TinyJpeg;

struct ResolutionCase {
    const char* answer;
    int32_t dpi;
    bool plain;
};

void PrintTo(const ResolutionCase& c, std::ostream* os) {
    *os << '"' << c.answer << '"';
}

class ResolutionAnswerTest : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(ResolutionAnswerTest, Reads) {
    const ResolutionAnswer got = ParseResolutionAnswer(GetParam().answer);
    EXPECT_EQ(got.dpi, GetParam().dpi);
    if (got.dpi > 0) {
        EXPECT_EQ(got.plain, GetParam().plain);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ResolutionAnswerTest,
    ::testing::Values(ResolutionCase{"1200", 1200, true}, ResolutionCase{" 600 ", 600, true},
                      ResolutionCase{"299,6", 300, true},
                      // 472 pixels in 10 mm: 472 × 2.54 = 1198.88.
                      ResolutionCase{"472/10", 1199, false}, ResolutionCase{"100/1", 2540, false},
                      // 1 pixel per millimetre is 25.4 dpi.
                      ResolutionCase{"1/1", 25, false},
                      // Only five characters after the slash count: 12345 mm.
                      ResolutionCase{"1000000/123456", 2058, false},
                      ResolutionCase{"10/0", 0, false}, ResolutionCase{"10/", 0, false},
                      ResolutionCase{"-5/2", 0, false}, ResolutionCase{"0", 0, false},
                      ResolutionCase{"-300", 0, false}, ResolutionCase{"", 0, false},
                      ResolutionCase{"dpi", 0, false}, ResolutionCase{"1/10000", 0, false},
                      // Decimal millimetres count as typed, with a point or a comma.
                      ResolutionCase{"1000/2.5", 10160, false},
                      ResolutionCase{"1000/1,5", 16933, false},
                      ResolutionCase{"472/.5", 23978, false},
                      // 1 pixel in 0.0508 mm is exactly 500 dpi.
                      ResolutionCase{"1/0,0508", 0, false}, ResolutionCase{"1/.0508", 500, false},
                      ResolutionCase{"5/2,54", 50, false},
                      // Decimal pixels too: 472.5 px in 10 mm are 1200.15 dpi,
                      // 1000.5 px 2541.27.
                      ResolutionCase{"472.5/10", 1200, false},
                      ResolutionCase{"1000,5/10", 2541, false},
                      ResolutionCase{" 472 / 10 ", 1199, false}, ResolutionCase{"/10", 0, false},
                      ResolutionCase{"x/10", 0, false}));

class ProjectCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(program.LoadMessages(), kOk);
        ASSERT_EQ(ws.CreateHistory(), kOk);
        fs::create_directories(dir.File("config"));
        fs::create_directories(dir.File("docs"));
        fs::create_directories(dir.File("images"));
        program.configDir = dir.File("config");
        program.documentsDir = dir.File("docs");
        program.startDir = dir.Path().string();
        image = dir.Write("images/slide.jpg", TinyJpeg());
        imageFolder = dir.File("images") + "/";
    }

    // A new project on the image with one measured line, changed since.
    void NewMeasuredProject() {
        ui.inputAnswers.push_back({true, "1200"});
        ws.NewProject("slide.jpg", imageFolder);
        ASSERT_EQ(ws.fileState(), kUnchanged);
        AddPoint(1, 100, 200, 1);
        AddPoint(1, 300, 400, 2);
        ws.SetFileState(kChanged);
    }
    void AddPoint(int32_t type, double x, double y, int32_t kind) {
        MeasuredObject p;
        p.typeIndex = type;
        p.x = x;
        p.y = y;
        p.vertexKind = kind;
        ASSERT_TRUE(ws.AppendRecord(p));
    }

    test::TempDir dir;
    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
    Workspace ws{program};
    std::string image;
    std::string imageFolder;
};

TEST_F(ProjectCommandsTest, NewAsksForAnImageAndItsResolution) {
    program.settings.User = "Ann";
    ui.fileAnswers.push_back({imageFolder, "slide.jpg", ""});
    ui.inputAnswers.push_back({true, "2400"});
    ws.MnNewClick();

    ASSERT_EQ(ui.fileRequests.size(), 1u);
    const SelectFileRequest& request = ui.fileRequests[0];
    // Every picture kind the program reads is listed, in any letter case.
    for (const char* name : {"a.jpg", "b.JPEG", "c.Bmp", "d.gif", "e.txt", "f.KXP", "g.png",
                             "h.TIF", "i.tiff", "j.tiffany"}) {
        std::ofstream(JoinPath(imageFolder, name)) << "x";
    }
    std::vector<std::string> listed;
    for (const FileListEntry& e : ListFiles(imageFolder, request.patterns, false, 1)) {
        listed.push_back(e.fileName);
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"a.jpg", "b.JPEG", "c.Bmp", "d.gif", "g.png",
                                                "h.TIF", "i.tiff", "slide.jpg"}));
    EXPECT_EQ(request.startDirectory, dir.File("docs"));  // ImportPath is empty
    EXPECT_EQ(request.rememberFile, dir.File("config") + "/KXP2Dir.pck");
    EXPECT_FALSE(request.descriptions);
    ASSERT_EQ(ui.inputs.size(), 1u);
    EXPECT_EQ(ui.inputs[0].text, "1200");  // the last resolution

    EXPECT_EQ(ws.fileState(), kUnchanged);
    EXPECT_EQ(ws.savedCount(), 0);
    EXPECT_EQ(ws.project().imagePath, image);
    EXPECT_EQ(ws.project().originalImagePath, image);
    EXPECT_EQ(ws.project().resolutionDpi, 2400);
    EXPECT_TRUE(ws.project().fitImagePending);
    EXPECT_EQ(ws.project().userName, "Ann");
    EXPECT_EQ(program.settings.LastResolution, 2400);
    EXPECT_EQ(program.settings.LastImportDir, imageFolder);
}

TEST_F(ProjectCommandsTest, NewStartsInTheImportFolderWhenSet) {
    program.settings.ImportPath = imageFolder;
    ws.MnNewClick();  // cancelled in the dialog
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ui.fileRequests[0].startDirectory, imageFolder);
    EXPECT_TRUE(ui.inputs.empty());
    EXPECT_EQ(ws.fileState(), kNoProject);
}

TEST_F(ProjectCommandsTest, PixelsPerMillimetreAnswerKeepsTheLastResolution) {
    ui.inputAnswers.push_back({true, "100/1"});
    ws.NewProject("slide.jpg", imageFolder);
    EXPECT_EQ(ws.project().resolutionDpi, 2540);
    EXPECT_EQ(program.settings.LastResolution, 1200);
}

TEST_F(ProjectCommandsTest, UnusableOrCancelledResolutionLeavesTheOpenProject) {
    NewMeasuredProject();
    for (const test::FakeUserInterface::InputAnswer& answer :
         {test::FakeUserInterface::InputAnswer{true, "5/0"},
          test::FakeUserInterface::InputAnswer{true, "none"},
          test::FakeUserInterface::InputAnswer{false, "600"}}) {
        ui.inputAnswers.push_back(answer);
        ws.NewProject("other.jpg", imageFolder);
        EXPECT_EQ(ws.project().imagePath, image);
        EXPECT_EQ(ws.history().Count(), 2);
        EXPECT_EQ(ws.fileState(), kChanged);
    }
    EXPECT_TRUE(ui.boxes.empty());  // no save question without a resolution

    // Decimals the five characters would cut off are refused with a word.
    for (const char* answer : {"1/0,0508", "1000/12345.5"}) {
        ui.inputAnswers.push_back({true, answer});
        ws.NewProject("other.jpg", imageFolder);
        EXPECT_EQ(ws.project().imagePath, image);
        ASSERT_EQ(ui.boxes.size(), 1u) << answer;
        EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2380) + " " + answer);
        ui.boxes.clear();
    }
}

TEST_F(ProjectCommandsTest, NewAfterChangesAsksToSave) {
    NewMeasuredProject();
    ui.inputAnswers.push_back({true, "600"});
    ui.boxAnswers.push_back(kAnswerCancel);
    ws.NewProject("other.jpg", imageFolder);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(ws.project().imagePath, image);
    EXPECT_EQ(ws.history().Count(), 2);

    ui.inputAnswers.push_back({true, "600"});
    ui.boxAnswers.push_back(kAnswerNo);
    ws.NewProject("other.jpg", imageFolder);
    EXPECT_EQ(ws.project().imagePath, imageFolder + "other.jpg");
    EXPECT_EQ(ws.history().Count(), 0);
    EXPECT_EQ(ws.fileState(), kUnchanged);
}

TEST_F(ProjectCommandsTest, SaveToWritesAProjectThatLoadsBack) {
    NewMeasuredProject();
    ui.saveAnswers.push_back(dir.File("docs/first"));
    ui.inputAnswers.push_back({true, "Ann Lee"});  // the user name, asked once
    ws.MnSaveToClick();

    ASSERT_EQ(ui.saveRequests.size(), 1u);
    // A project not saved yet starts beside its picture.
    EXPECT_EQ(ui.saveRequests[0].startDirectory, ExtractFileDir(ws.project().imagePath));
    EXPECT_TRUE(ui.saveRequests[0].filter.ends_with(" |*.KXP"));
    const std::string path = dir.File("docs/first.KXP");
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(ws.project().projectPath, path);
    EXPECT_EQ(ws.fileState(), kUnchanged);
    EXPECT_EQ(ws.savedCount(), 2);
    EXPECT_EQ(program.settings.User, "Ann Lee");
    EXPECT_EQ(program.settings.DataPath, dir.File("docs") + "/");

    // A further change saved with Save asks no more names.
    AddPoint(1, 500, 600, 1);
    AddPoint(1, 700, 800, 2);
    ws.SetFileState(kChanged);
    ws.MnSaveClick();
    EXPECT_EQ(ui.inputs.size(), 2u);  // resolution and user name only
    EXPECT_EQ(ws.savedCount(), 4);
    EXPECT_TRUE(fs::exists(dir.File("docs/first.BAK")));

    // Load asks for a pattern, then lists the project folder.
    ui.inputAnswers.push_back({true, "*.kxp"});
    ui.fileAnswers.push_back({dir.File("docs") + "/", "first.KXP", "slide"});
    ws.MnLoadClick();
    ASSERT_EQ(ui.inputs.size(), 3u);
    EXPECT_EQ(ui.inputs[2].text, "*.KXP");
    EXPECT_TRUE(ui.inputs[2].selectAll);
    EXPECT_EQ(ui.inputs[2].width, 430);
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ui.fileRequests[0].patterns, "*.kxp");
    EXPECT_EQ(ui.fileRequests[0].startDirectory, dir.File("docs") + "/");
    EXPECT_EQ(ui.fileRequests[0].rememberFile, dir.File("config") + "/KXPDir.pck");
    EXPECT_TRUE(ui.fileRequests[0].descriptions);
    EXPECT_EQ(ws.loadPattern(), "*.kxp");

    EXPECT_EQ(ws.fileState(), kUnchanged);
    EXPECT_EQ(ws.history().Count(), 4);
    EXPECT_EQ(ws.savedCount(), 4);
    EXPECT_EQ(ws.project().projectPath, path);
    EXPECT_EQ(ws.project().userName, "Ann Lee");
    EXPECT_EQ(ws.project().resolutionDpi, 1200);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ProjectCommandsTest, CancelledLoadQuestionsChangeNothing) {
    NewMeasuredProject();
    ui.inputAnswers.push_back({false, ""});
    ws.MnLoadClick();
    ui.inputAnswers.push_back({true, "  "});
    ws.MnLoadClick();
    EXPECT_TRUE(ui.fileRequests.empty());
    ui.inputAnswers.push_back({true, "*.KXP"});
    ws.MnLoadClick();  // the file list is cancelled
    EXPECT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ws.fileState(), kChanged);
    EXPECT_EQ(ws.history().Count(), 2);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ProjectCommandsTest, FailedLoadLeavesNoProject) {
    NewMeasuredProject();
    dir.Write("docs/broken.KXP", "B " + image + "\r\nR 1200\r\nD 1,x,2,1,,0,\r\n");
    ui.boxAnswers.push_back(kAnswerNo);  // discard the changes
    EXPECT_FALSE(ws.LoadProject("broken.KXP", dir.File("docs") + "/"));
    EXPECT_EQ(ws.fileState(), kNoProject);
    EXPECT_EQ(ws.history().Count(), 0);
    EXPECT_EQ(ws.project().imagePath, "");
    EXPECT_EQ(program.settings.DataPath, "");
    EXPECT_FALSE(ui.errorDialogs.empty());
}

TEST_F(ProjectCommandsTest, SaveWithoutProjectFileDoesNothing) {
    NewMeasuredProject();
    ws.MnSaveClick();
    EXPECT_EQ(ws.fileState(), kChanged);
    EXPECT_TRUE(ui.inputs.size() == 1u);
}

TEST_F(ProjectCommandsTest, CancelledSaveToKeepsTheProjectFile) {
    NewMeasuredProject();
    ChangeProject(ws, [&](Project& p) { p.projectPath = dir.File("docs/kept.KXP"); });
    ws.MnSaveToClick();
    EXPECT_EQ(ws.project().projectPath, dir.File("docs/kept.KXP"));
    EXPECT_EQ(ws.fileState(), kChanged);
}

TEST_F(ProjectCommandsTest, FailedSaveToKeepsTheProjectFileAndState) {
    NewMeasuredProject();
    ChangeProject(ws, [&](Project& p) { p.projectPath = dir.File("docs/kept.KXP"); });
    ui.saveAnswers.push_back(dir.File("no/such/folder/new.KXP"));
    ws.MnSaveToClick();
    EXPECT_EQ(ws.project().projectPath, dir.File("docs/kept.KXP"));
    EXPECT_EQ(ws.fileState(), kChanged);
    EXPECT_FALSE(ui.errorDialogs.empty());
}

TEST_F(ProjectCommandsTest, LongNamesAreSavedWholeOrNotAtAll) {
    NewMeasuredProject();
    ws.SetUserNameAsked(true);
    // Past 255 bytes in all: saved where asked, not under a shortened name.
    const std::string folder = dir.File("docs/") + std::string(200, 'f');
    fs::create_directories(folder);
    const std::string chosen = folder + "/" + std::string(60, 'p') + ".KXP";
    const std::string cut = chosen.substr(0, 255) + ".KXP";
    dir.Write(cut.substr(dir.File("").size()), "another project");
    ui.saveAnswers.push_back(chosen);
    ws.MnSaveToClick();
    EXPECT_TRUE(fs::exists(chosen));
    EXPECT_EQ(ws.project().projectPath, chosen);
    EXPECT_EQ(test::TempDir::Read(cut), "another project");
    EXPECT_EQ(ws.fileState(), kUnchanged);

    // A file name the file system cannot take is refused with its limit.
    ws.SetFileState(kChanged);
    const std::string tooLong = dir.File("docs/") + std::string(300, 'q') + ".KXP";
    ui.saveAnswers.push_back(tooLong);
    ws.MnSaveToClick();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2162) + tooLong);
    EXPECT_TRUE(ui.errorDialogs.empty());
    EXPECT_EQ(ws.project().projectPath, chosen);
    EXPECT_EQ(ws.fileState(), kChanged);
}

TEST_F(ProjectCommandsTest, NewRefusesAPicturePathAProjectCannotKeep) {
    const std::string folder = dir.File("images/") + std::string(250, 'i') + "/";
    fs::create_directories(folder);
    dir.Write(folder.substr(dir.File("").size()) + "slide.jpg", TinyJpeg());
    ws.NewProject("slide.jpg", folder);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2164) + folder + "slide.jpg");
    EXPECT_TRUE(ui.inputs.empty()) << "no resolution asked for a picture that cannot be kept";
    EXPECT_EQ(ws.fileState(), kNoProject);
}

TEST_F(ProjectCommandsTest, SaveAsksBeforeReplacingAFileSavedElsewhereSinceItWasRead) {
    NewMeasuredProject();
    ws.SetUserNameAsked(true);
    const std::string path = dir.File("docs/shared.KXP");
    ui.saveAnswers.push_back(path);
    ws.MnSaveToClick();
    ASSERT_EQ(ws.project().projectPath, path);
    // Touched but not changed: nothing to ask.
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    AddPoint(1, 10, 10, 1);
    ASSERT_EQ(ws.Save(path), kOk);
    EXPECT_TRUE(ui.boxes.empty());

    // Another window saves its own point, of the same size.
    std::string theirs = test::TempDir::Read(path);
    theirs.replace(theirs.rfind("D 1,10,10,1"), 11, "D 1,77,77,1");
    dir.Write("docs/shared.KXP", theirs);
    AddPoint(1, 20, 20, 1);
    ws.SetFileState(kChanged);
    ui.boxAnswers.push_back(kAnswerCancel);
    EXPECT_NE(ws.Save(path), kOk);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2165) + "\r\n" + path);
    EXPECT_EQ(test::TempDir::Read(path), theirs);
    EXPECT_EQ(ws.fileState(), kChanged);

    // No: saved under another name, theirs stays.
    ui.boxAnswers.push_back(kAnswerNo);
    ui.saveAnswers.push_back(dir.File("docs/mine.KXP"));
    ws.MnSaveClick();
    EXPECT_EQ(test::TempDir::Read(path), theirs);
    EXPECT_EQ(ws.project().projectPath, dir.File("docs/mine.KXP"));
    EXPECT_EQ(ws.fileState(), kUnchanged);

    // Yes replaces.
    ASSERT_TRUE(ws.LoadProject("shared.KXP", dir.File("docs/")));
    dir.Write("docs/shared.KXP", theirs + "D 1,5,5,1,,0,\r\n");
    ws.SetFileState(kChanged);
    ui.boxes.clear();
    ui.boxAnswers.push_back(kAnswerYes);
    EXPECT_EQ(ws.Save(path), kOk);
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(test::TempDir::Read(path).find("D 1,5,5,1"), std::string::npos);
}

TEST_F(ProjectCommandsTest, AnOpenProjectIsLockedForOtherWindows) {
    NewMeasuredProject();
    ws.SetUserNameAsked(true);
    ws.SetLocksProjects(true);
    const std::string path = dir.File("docs/p.KXP");
    const std::string lock = dir.File("docs/.~lock.p.KXP#");
    ASSERT_EQ(ws.Save(path), kOk);
    EXPECT_EQ(ws.lockedProject(), path);
    ASSERT_TRUE(fs::exists(lock));
    ws.ClearProject();
    EXPECT_FALSE(fs::exists(lock));

    // Held by another running process of this host: said at opening, and
    // left to it.
    char hostName[256] = {};
    ASSERT_EQ(::gethostname(hostName, sizeof hostName - 1), 0);
    const std::string other = std::to_string(::getppid()) + " " + hostName + "\n";
    dir.Write("docs/.~lock.p.KXP#", other);
    ASSERT_TRUE(ws.LoadProject("p.KXP", dir.File("docs/")));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              program.GetMessage(2166) + std::to_string(::getppid()) + ")\r\n" + path);
    EXPECT_TRUE(ws.lockedProject().empty());
    ws.ClearProject();
    EXPECT_EQ(test::TempDir::Read(lock), other);

    // Left by a process that no longer runs: taken over without a word.
    dir.Write("docs/.~lock.p.KXP#", std::string("2147483000 ") + hostName + "\n");
    ui.boxes.clear();
    ASSERT_TRUE(ws.LoadProject("p.KXP", dir.File("docs/")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ws.lockedProject(), path);
    EXPECT_EQ(test::TempDir::Read(lock), std::to_string(::getpid()) + " " + hostName + "\n");
}

TEST_F(ProjectCommandsTest, AskSaveChangesAnswers) {
    EXPECT_EQ(ws.AskSaveChanges(), kAnswerNo);  // nothing to save: no question
    EXPECT_TRUE(ui.boxes.empty());

    NewMeasuredProject();
    ui.boxAnswers.push_back(kAnswerNo);
    EXPECT_EQ(ws.AskSaveChanges(), kAnswerNo);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, program.GetMessage(2021));
    EXPECT_EQ(ws.fileState(), kChanged);

    // Yes without a project file goes through Save to; cancelling that must
    // not let the caller discard the changes.
    ui.boxAnswers.push_back(kAnswerYes);
    EXPECT_EQ(ws.AskSaveChanges(), kAnswerCancel);
    EXPECT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_EQ(ws.fileState(), kChanged);

    ui.boxAnswers.push_back(kAnswerYes);
    ui.saveAnswers.push_back(dir.File("docs/asked.KXP"));
    EXPECT_EQ(ws.AskSaveChanges(), kAnswerYes);
    EXPECT_EQ(ws.fileState(), kUnchanged);
    EXPECT_TRUE(fs::exists(dir.File("docs/asked.KXP")));

    // With a project file, Yes saves there without a dialog.
    AddPoint(1, 1, 2, 1);
    ws.SetFileState(kChanged);
    ui.boxAnswers.push_back(kAnswerYes);
    EXPECT_EQ(ws.AskSaveChanges(), kAnswerYes);
    EXPECT_EQ(ui.saveRequests.size(), 2u);
    EXPECT_EQ(ws.savedCount(), 3);
}

// A phone photo turned by its EXIF orientation 6: stored 64 x 48 pixels
// with red at the top left, shown 48 x 64 with red at the top right. At 254
// dpi a pixel is 100 µm.
class TurnedPhotoTest : public ProjectCommandsTest {
protected:
    void SetUp() override {
        ProjectCommandsTest::SetUp();
        ASSERT_TRUE(ws.ResetViewToWorld());
        ws.SetRedrawCount(3);  // past start-up: redraws load pictures
        dir.Write("images/phone.jpg", test::WithExifOrientation(test::QuarterJpeg(64, 48), 6));
    }
    // The points as they lie in memory.
    std::vector<std::pair<double, double>> Points() const {
        std::vector<std::pair<double, double>> points;
        for (int32_t i = 1; i <= ws.history().Count(); ++i) {
            const MeasuredObject p = ws.history().Peek(i);
            points.emplace_back(p.x, p.y);
        }
        return points;
    }
    // The red of the picture as shown under a point in world micrometres.
    int RedUnder(double x, double y) const {
        const PixelImage& pixels = ws.project().picture->pixels;
        return pixels.Row(static_cast<int32_t>(y / 100))[static_cast<std::size_t>(x / 100) * 3];
    }
    static std::string PointLines(const std::string& file) {
        std::string lines;
        std::size_t at = 0;
        while ((at = file.find("\nD ", at)) != std::string::npos) {
            const std::size_t end = file.find('\r', at);
            lines += file.substr(at + 1, end - at - 1) + "|";
            at = end;
        }
        return lines;
    }
};

TEST_F(TurnedPhotoTest, AnOldProjectKeepsItsPointsOnTheSpecimenAndItsFile) {
    // Written by a program that showed the photo as stored: one point in the
    // red quarter, one far in the blue.
    const std::string old =
        ";C: old\r\nB phone.jpg\r\nO phone.jpg\r\nR 254\r\nV 18\r\n"
        "; 1 .. 10\r\nD 1,1000,500,1,,0,\r\nD 1,3000,5000,2,,0,\r\n";
    dir.Write("images/old.KXP", old);
    ASSERT_TRUE(ws.LoadProject("old.KXP", imageFolder));
    ASSERT_TRUE(ws.project().picture);
    EXPECT_EQ(ws.project().pictureOrientation, 6);
    EXPECT_EQ(ws.project().view.imageWidth, 48);
    EXPECT_EQ(ws.project().view.imageHeight, 64);
    // Turned with the picture: (x, y) on the stored picture is (4800 - y, x).
    EXPECT_EQ(Points(), (std::vector<std::pair<double, double>>{{3800, 500}, {1800, 5000}}));
    EXPECT_GT(RedUnder(3800, 500), 200);
    EXPECT_LT(RedUnder(1800, 5000), 60);
    // Nothing to save: the file already says what the project holds.
    EXPECT_EQ(ws.fileState(), kUnchanged);

    ui.inputAnswers.push_back({true, "Ann"});
    ASSERT_EQ(ws.Save(dir.File("images/again.KXP")), kOk);
    EXPECT_EQ(PointLines(test::TempDir::Read(dir.File("images/again.KXP"))), PointLines(old));
}

TEST_F(TurnedPhotoTest, ANewProjectSavesItsPointsAsOnTheStoredPhotoAndLoadsThemBack) {
    ui.inputAnswers.push_back({true, "254"});
    ws.NewProject("phone.jpg", imageFolder);
    ASSERT_TRUE(ws.project().picture);
    EXPECT_EQ(ws.project().pictureOrientation, 6);
    // Measured on the photo as shown: a point in the red at the top right.
    AddPoint(1, 3800, 500, 1);
    AddPoint(1, 1800, 5000, 2);
    ASSERT_GT(RedUnder(3800, 500), 200);
    ui.inputAnswers.push_back({true, "Ann"});
    ASSERT_EQ(ws.Save(dir.File("images/new.KXP")), kOk);
    // Any reader of projects finds the point in the red of the stored photo.
    EXPECT_EQ(PointLines(test::TempDir::Read(dir.File("images/new.KXP"))),
              "D 1,1000,500,1,,0,|D 1,3000,5000,2,,0,|");

    ASSERT_TRUE(ws.LoadProject("new.KXP", imageFolder));
    EXPECT_EQ(Points(), (std::vector<std::pair<double, double>>{{3800, 500}, {1800, 5000}}));
    EXPECT_EQ(ws.fileState(), kUnchanged);
    EXPECT_TRUE(ui.errorDialogs.empty());
}

TEST_F(ProjectCommandsTest, WithoutConfigurationFolderNothingIsRemembered) {
    program.configDir.clear();
    ws.MnNewClick();
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(ui.fileRequests[0].rememberFile, "");
}

}  // namespace
}  // namespace kvx
