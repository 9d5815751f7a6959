#include "core/program/shell_folders.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/fake_ui.hpp"
#include "common/temp_dir.hpp"
#include "core/program/program.hpp"

namespace kvx {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* previous = std::getenv(name)) previous_ = previous;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (previous_) {
            ::setenv(name_, previous_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

class ShellFoldersTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string home = dir.File("home");
    ScopedEnv homeEnv{"HOME", home.c_str()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", nullptr};
    ScopedEnv documentsEnv{"XDG_DOCUMENTS_DIR", nullptr};
    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
};

TEST_F(ShellFoldersTest, ConfigurationFolderIsCreatedUnderDotConfig) {
    LocateShellFolders(program, false, "Znb2Win");
    EXPECT_EQ(program.configDir, "");
    LocateShellFolders(program, true, "Znb2Win");
    EXPECT_EQ(program.configDir, home + "/.config/Znb2Win");
    EXPECT_TRUE(fs::is_directory(program.configDir));
    LocateShellFolders(program, false, "Znb2Win");
    EXPECT_EQ(program.configDir, home + "/.config/Znb2Win");
}

TEST_F(ShellFoldersTest, XdgConfigHomeWinsWhenAbsolute) {
    const std::string custom = dir.File("custom");
    {
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");
        EXPECT_EQ(UserConfigBase(), home + "/.config");
    }
    ScopedEnv absolute("XDG_CONFIG_HOME", (custom + "/").c_str());
    LocateShellFolders(program, true, "Znb2Win");
    EXPECT_EQ(program.configDir, custom + "/Znb2Win");
}

TEST_F(ShellFoldersTest, FolderThatCannotBeMadeKeepsThePreviousValue) {
    dir.Write("blocked", "a file where the folder should go");
    ScopedEnv blocked("XDG_CONFIG_HOME", dir.File("blocked").c_str());
    program.configDir = "/previous";
    LocateShellFolders(program, true, "Znb2Win");
    EXPECT_EQ(program.configDir, "/previous");
}

TEST_F(ShellFoldersTest, DocumentsFolderFromUserDirs) {
    fs::create_directories(home + "/.config");
    dir.Write("home/.config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
              "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    // The entry names a folder that does not exist (yet): home it is.
    EXPECT_EQ(UserDocumentsFolder(), home);
    fs::create_directories(home + "/Dokumente");
    LocateShellFolders(program, false, "Znb2Win");
    EXPECT_EQ(program.documentsDir, home + "/Dokumente");

    fs::create_directories(dir.File("elsewhere"));
    ScopedEnv documents("XDG_DOCUMENTS_DIR", dir.File("elsewhere").c_str());
    EXPECT_EQ(UserDocumentsFolder(), dir.File("elsewhere"));
}

}  // namespace
}  // namespace kvx
