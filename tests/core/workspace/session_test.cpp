#include "core/workspace/session.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "common/test_pictures.hpp"
#include "core/program/config.hpp"
#include "core/program/program.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

namespace fs = std::filesystem;

using test::TinyJpeg;

// Start-up in a fresh per-user folder: XDG_CONFIG_HOME points into the test's
// temporary folder while the test runs.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* previous = std::getenv("XDG_CONFIG_HOME")) previousConfigHome_ = previous;
        configHome = dir.File("config");
        ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        program.startDir = dir.Path().string();
    }
    void TearDown() override {
        if (previousConfigHome_) {
            ::setenv("XDG_CONFIG_HOME", previousConfigHome_->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
    }

    std::string ConfigFolder() const { return configHome + "/Znb2Win"; }
    void WriteConfig(std::string_view text) const {
        fs::create_directories(ConfigFolder());
        std::ofstream(ConfigFolder() + "/Korvanix.cfg", std::ios::binary) << text;
    }
    int32_t Start(std::string file = {}, int32_t width = 1024, int32_t height = 768) {
        return StartUp(workspace, state, {std::move(file), width, height});
    }

    test::TempDir dir;
    std::string configHome;
    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
    Workspace workspace{program};
    StartupState state;

private:
    std::optional<std::string> previousConfigHome_;
};

TEST_F(StartupTest, FreshFolderIsCreatedAndTheConfigurationWrittenAtShutdown) {
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(program.configDir, ConfigFolder());
    EXPECT_TRUE(fs::is_directory(ConfigFolder()));
    EXPECT_EQ(state.started, 1);
    EXPECT_EQ(state.caption, "Strativa/Korvanix 1.8");
    EXPECT_EQ(state.window, (WindowRect{0, 0, 800, 580}));
    EXPECT_TRUE(workspace.history().IsValid());
    EXPECT_EQ(workspace.history().Capacity(), 10240);
    EXPECT_TRUE(program.objectTypes.At(121).InUse());  // the shipped types are loaded
    EXPECT_EQ(program.settings.RecVecType, 0);
    EXPECT_FALSE(workspace.cboItems().empty());  // the type selector is filled
    EXPECT_EQ(workspace.cboIndex(), 0);
    EXPECT_FALSE(fs::exists(ConfigFolder() + "/Korvanix.cfg"));
    EXPECT_TRUE(ui.boxes.empty());

    program.settings.EnlargePercent = 40;
    program.settings.Language = 0;
    ASSERT_TRUE(ShutDown(workspace, state, {10, 20, 900, 650}, true));
    EXPECT_EQ(state.started, 0);
    EXPECT_FALSE(workspace.history().IsValid());
    EXPECT_TRUE(fs::exists(ConfigFolder() + "/Korvanix.cfg"));
    EXPECT_TRUE(fs::exists(ConfigFolder() + "/Korvanix.kxo"));

    // The next run finds everything as it was left.
    test::FakeUserInterface secondUi;
    Program second(secondUi, test::DataDir());
    Workspace secondWorkspace(second);
    StartupState secondState;
    ASSERT_EQ(StartUp(secondWorkspace, secondState, {"", 1024, 768}), 0);
    for (int32_t item = 1; item <= kLastConfigItem; ++item) {
        EXPECT_EQ(GetConfigItem(second.settings, item), GetConfigItem(program.settings, item))
            << "item " << item;
    }
    EXPECT_EQ(secondState.window, (WindowRect{10, 20, 900, 650}));
    EXPECT_EQ(second.objectTypes, program.objectTypes);
}

TEST_F(StartupTest, ConfiguredLanguageReloadsTheTexts) {
    WriteConfig("5\t0\r\n");
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(program.settings.Language, 0);
    EXPECT_EQ(program.GetMessage(418), "Bildaufl\xF6sung");
}

TEST_F(StartupTest, SavedWindowIsFittedToTheScreen) {
    WriteConfig("30\t100\r\n32\t1000\r\n");
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(state.window, (WindowRect{24, 0, 1000, 580}));
}

TEST_F(StartupTest, SmallScreenStopsAtStep3) {
    EXPECT_EQ(Start({}, 800, 599), 3);
    EXPECT_EQ(state.step, 3);
    EXPECT_EQ(state.started, 0);
    EXPECT_EQ(StartupFailureText(3), "Error 3' occurred while starting the programme.");
    // Nothing is written when the window closes after a failed start.
    EXPECT_TRUE(ShutDown(workspace, state, {0, 0, 800, 580}, true));
    EXPECT_FALSE(fs::exists(ConfigFolder()));
}

TEST_F(StartupTest, MissingSharedTextsStopAtStep2) {
    test::FakeUserInterface otherUi;
    Program empty(otherUi, dir.Path().string());
    Workspace emptyWorkspace(empty);
    EXPECT_EQ(StartUp(emptyWorkspace, state, {"", 1024, 768}), 2);
}

TEST_F(StartupTest, AnUnusableRecordCapacityIsSkippedAsABadValue) {
    // A table of no record (or of billions) could not be made, and the
    // program would not start; the line is passed over as any bad value is.
    WriteConfig("21\t0\r\n");
    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(workspace.history().Capacity(), 10240);
}

TEST_F(StartupTest, FailingObjectTypeFileLeavesTheProgramRunningWithoutStartedFlag) {
    WriteConfig("8\tmissing.kxo\r\n");
    ui.boxAnswers.push_back(kAnswerCancel);  // do not look for the file
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(state.started, 0);
    EXPECT_FALSE(ui.boxes.empty());
    EXPECT_TRUE(ShutDown(workspace, state, {0, 0, 800, 580}, true));
    EXPECT_EQ(test::TempDir::Read(ConfigFolder() + "/Korvanix.cfg"), "8\tmissing.kxo\r\n");
}

class CommandLineTest : public StartupTest {
protected:
    void SetUp() override {
        StartupTest::SetUp();
        image = dir.Write("slide.jpg", TinyJpeg());
        dir.Write("slide.kxp", ";C: " + image + "\r\nB " + image + "\r\nR 1200\r\nV 18\r\n" +
                                   "D 1,100,200,1,,0,\r\nD 1,300,400,2,,0,\r\n");
    }
    std::string image;
};

TEST_F(CommandLineTest, ProjectArgumentIsLoaded) {
    ASSERT_EQ(Start(dir.File("slide.kxp")), 0);
    EXPECT_EQ(workspace.fileState(), kUnchanged);
    EXPECT_EQ(workspace.project().projectPath, dir.File("slide.kxp"));
    EXPECT_EQ(workspace.history().Count(), 2);
    EXPECT_EQ(workspace.savedCount(), 2);
}

TEST_F(CommandLineTest, RelativeArgumentIsTakenFromTheStartFolder) {
    ASSERT_EQ(Start("slide.kxp"), 0);
    EXPECT_EQ(workspace.project().projectPath, dir.File("slide.kxp"));
}

TEST_F(CommandLineTest, ImageArgumentStartsANewProject) {
    ui.inputAnswers.push_back({true, "600"});
    ASSERT_EQ(Start(image), 0);
    ASSERT_EQ(ui.inputs.size(), 1u);
    EXPECT_EQ(workspace.fileState(), kUnchanged);
    EXPECT_EQ(workspace.project().imagePath, image);
    EXPECT_EQ(workspace.project().resolutionDpi, 600);

    // A file manager hands over the other names of the formats too.
    fs::copy_file(image, dir.File("copy.jpeg"));
    ui.inputAnswers.push_back({true, "300"});
    EXPECT_TRUE(OpenCommandLineFile(workspace, dir.File("copy.jpeg")));
    EXPECT_EQ(workspace.project().imagePath, dir.File("copy.jpeg"));
}

TEST_F(CommandLineTest, MissingOrForeignFilesAreIgnored) {
    dir.Write("notes.txt", "x");
    for (const std::string& argument :
         {dir.File("gone.kxp"), dir.File("notes.txt"), dir.File("")}) {
        EXPECT_FALSE(OpenCommandLineFile(workspace, argument)) << argument;
    }
    ASSERT_EQ(Start(dir.File("gone.kxp")), 0);
    EXPECT_EQ(workspace.fileState(), kNoProject);
    EXPECT_TRUE(ui.inputs.empty());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(StartupTest, CancelledSaveQuestionKeepsTheWindowOpen) {
    ASSERT_EQ(Start(), 0);
    ChangeProject(workspace, [&](Project& p) {
        p.imagePath = "/x/a.jpg";
        p.resolutionDpi = 1200;
    });
    workspace.SetFileState(kChanged);
    ui.boxAnswers.push_back(kAnswerCancel);
    EXPECT_FALSE(ShutDown(workspace, state, {0, 0, 800, 580}, true));
    EXPECT_EQ(state.started, 1);
    EXPECT_TRUE(workspace.history().IsValid());
    EXPECT_FALSE(fs::exists(ConfigFolder() + "/Korvanix.cfg"));

    // A close that cannot be refused goes on, without saving.
    ui.boxAnswers.push_back(kAnswerCancel);
    EXPECT_TRUE(ShutDown(workspace, state, {0, 0, 800, 580}, false));
    EXPECT_TRUE(fs::exists(ConfigFolder() + "/Korvanix.cfg"));
}

}  // namespace
}  // namespace kvx
