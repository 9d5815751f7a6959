#include "core/support/text_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/file_size_limit.hpp"
#include "common/temp_dir.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"

namespace kvx {
namespace {

using test::TempDir;

std::vector<std::string> ReadAll(const std::string& path, bool* bareLineFeed = nullptr) {
    TextFile file;
    EXPECT_EQ(OpenTextFileAt(path, file), kOk);
    std::vector<std::string> lines;
    std::string line;
    while (file.ReadLine(line) == TextFile::ReadStatus::Line) lines.push_back(line);
    if (bareLineFeed != nullptr) *bareLineFeed = file.SawBareLineFeed();
    return lines;
}

struct LineEndCase {
    const char* bytes;
    std::vector<std::string> lines;
    bool bareLineFeed;
};

class ReadLineTest : public testing::TestWithParam<LineEndCase> {};

TEST_P(ReadLineTest, SplitsAtEveryKindOfLineEnd) {
    TempDir dir;
    bool bare = false;
    EXPECT_EQ(ReadAll(dir.Write("f.txt", GetParam().bytes), &bare), GetParam().lines);
    EXPECT_EQ(bare, GetParam().bareLineFeed);
}

INSTANTIATE_TEST_SUITE_P(Files, ReadLineTest,
                         testing::Values(LineEndCase{"a\r\nb\r\n", {"a", "b"}, false},
                                         LineEndCase{"a\nb", {"a", "b"}, true},
                                         LineEndCase{"a\rb\r", {"a", "b"}, false},
                                         LineEndCase{"a\r\n\r\nb", {"a", "", "b"}, false},
                                         LineEndCase{"a\r\nb\n", {"a", "b"}, true},
                                         LineEndCase{"", {}, false},
                                         LineEndCase{"\r\n", {""}, false}));

TEST(ReadLineTest, LongLineIsCutAndTheRestPassedOver) {
    TempDir dir;
    const std::string path =
        dir.Write("long.txt", std::string(300, 'x') + "\r\nnext\r\n" + std::string(254, 'y') +
                                  "\r\n" + std::string(255, 'z'));
    TextFile file;
    ASSERT_EQ(OpenTextFileAt(path, file), kOk);
    std::string line;
    ASSERT_EQ(file.ReadLine(line), TextFile::ReadStatus::Line);
    EXPECT_EQ(line, std::string(255, 'x'));
    EXPECT_TRUE(file.LastLineWasFull());
    ASSERT_EQ(file.ReadLine(line), TextFile::ReadStatus::Line);
    EXPECT_EQ(line, "next");
    EXPECT_FALSE(file.LastLineWasFull());
    ASSERT_EQ(file.ReadLine(line), TextFile::ReadStatus::Line);
    EXPECT_FALSE(file.LastLineWasFull());
    ASSERT_EQ(file.ReadLine(line), TextFile::ReadStatus::Line);
    EXPECT_TRUE(file.LastLineWasFull());
    EXPECT_TRUE(file.AtEof());
    EXPECT_EQ(file.ReadLine(line), TextFile::ReadStatus::End);
}

TEST(TextFileTest, WritesCrLfLinesThroughAReplacement) {
    TempDir dir;
    const std::string path = dir.File("out.txt");
    FileReplacement replacement;
    ASSERT_EQ(replacement.Begin(path), kOk);
    TextFile& file = replacement.File();
    for (int i = 0; i < 20000; ++i) ASSERT_TRUE(file.WriteLine("line " + std::to_string(i)));
    ASSERT_TRUE(file.Write("tail"));
    ASSERT_EQ(replacement.Commit(), kOk);
    EXPECT_FALSE(file.IsOpen());

    const std::string bytes = TempDir::Read(path);
    EXPECT_EQ(bytes.substr(0, 16), "line 0\r\nline 1\r\n");
    const auto lines = ReadAll(path);
    ASSERT_EQ(lines.size(), 20001u);
    EXPECT_EQ(lines[19999], "line 19999");
    EXPECT_EQ(lines.back(), "tail");

    // Replacing again leaves only the new content.
    ASSERT_EQ(ReplaceFileContent(path, ""), kOk);
    EXPECT_EQ(FileSize(path), 0);
}

TEST(TextFileTest, FailuresGiveCodesAndKeepTheIoResult) {
    TempDir dir;
    TextFile file;
    std::string missing = dir.File("none.txt");
    EXPECT_EQ(OpenTextFile(missing, 255, file, false, ""), 2070203);
    EXPECT_EQ(LastIoResult(), ENOENT);
    FileReplacement replacement;
    EXPECT_EQ(replacement.Begin(dir.File("no/such/dir.txt")), 2060203);
    // A directory is not a text file.
    std::string directory = dir.Path().string();
    EXPECT_FALSE(FileExists(directory, 255, false, ""));
    EXPECT_EQ(FileSize(directory), -1);
    EXPECT_EQ(FileSize(missing), -1);
    EXPECT_EQ(DeleteFile(directory), 2100103);
    EXPECT_NE(LastIoResult(), 0);
    // Nor are a FIFO nobody writes to and an endless device: reading them
    // would wait or go on for ever.
    std::string fifo = dir.File("fifo.KXP");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (std::string special : {fifo, std::string("/dev/zero")}) {
        EXPECT_EQ(OpenTextFile(special, 255, file, false, ""), 2070203) << special;
        EXPECT_EQ(LastIoResult(), EINVAL);
        EXPECT_FALSE(FileExists(special, 255, false, "")) << special;
    }

    const std::string present = dir.Write("a.txt", "abc");
    EXPECT_EQ(FileSize(present), 3);
    EXPECT_EQ(LastIoResult(), 0);
}

TEST(TextFileTest, SearchFindsTheBareNameInTheStartDirectory) {
    TempDir dir;
    const std::string found = dir.Write("proj.kxp", "x");
    // A name stored on another machine, with Windows separators.
    std::string name = "C:\\old\\place\\proj.kxp";
    EXPECT_FALSE(FileExists(name, 255, false, dir.Path().string()));
    EXPECT_EQ(name, "C:\\old\\place\\proj.kxp");
    EXPECT_TRUE(FileExists(name, 255, true, dir.Path().string()));
    EXPECT_EQ(name, found);

    name = "/elsewhere/proj.kxp";
    TextFile file;
    EXPECT_EQ(OpenTextFile(name, 10, file, true, dir.Path().string()), kOk);
    EXPECT_EQ(name, found.substr(0, 10));
    EXPECT_TRUE(file.IsOpen());

    name = "/elsewhere/other.kxp";
    EXPECT_FALSE(FileExists(name, 255, true, dir.Path().string()));
    EXPECT_EQ(name, "/elsewhere/other.kxp");
}

TEST(TextFileTest, DeleteFile) {
    TempDir dir;
    const std::string path = dir.Write("a.txt", "abc");
    EXPECT_EQ(DeleteFile(path), kOk);
    EXPECT_EQ(FileSize(path), -1);
    EXPECT_EQ(DeleteFile(path), kOk);
}

TEST(MakeBackupTest, MovesTheFileOverAnOlderBackup) {
    TempDir dir;
    const std::string path = dir.Write("p.kxp", "new");
    dir.Write("p.BAK", "old");
    EXPECT_EQ(MakeBackup(path, "BAKUP"), kOk);
    EXPECT_EQ(FileSize(path), -1);
    EXPECT_EQ(TempDir::Read(dir.File("p.BAK")), "new");
}

TEST(MakeBackupTest, MissingFileOrOwnBackupChangesNothing) {
    TempDir dir;
    dir.Write("p.BAK", "old");
    EXPECT_EQ(MakeBackup(dir.File("p.kxp"), "BAK"), kOk);
    EXPECT_EQ(TempDir::Read(dir.File("p.BAK")), "old");
    // A file that already carries the backup extension must not be deleted.
    EXPECT_EQ(MakeBackup(dir.File("p.BAK"), "BAK"), kOk);
    EXPECT_EQ(TempDir::Read(dir.File("p.BAK")), "old");
    EXPECT_EQ(MakeBackup("", "BAK"), kOk);
}

std::set<std::string> Names(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

ErrorCode Replace(const std::string& path, std::string_view text, std::string_view backup) {
    FileReplacement file;
    if (const ErrorCode code = file.Begin(path); code != kOk) return code;
    if (!file.File().Write(text)) return kReplaceFailed;
    return file.Commit(backup);
}

TEST(FileReplacementTest, BackupOnlyFromACompleteFileAndNothingLostOnFailure) {
    TempDir dir;
    const std::string path = dir.Write("p.kxp", "first");
    EXPECT_EQ(Replace(path, "second", "BAK"), kOk);
    EXPECT_EQ(TempDir::Read(path), "second");
    EXPECT_EQ(TempDir::Read(dir.File("p.BAK")), "first");
    EXPECT_EQ(Names(dir), (std::set<std::string>{"p.kxp", "p.BAK"}));

    // A full disk, twice in a row: the file and its backup stay as they were.
    const std::string big(64 * 1024, 'x');
    for (int attempt = 0; attempt < 2; ++attempt) {
        test::FileSizeLimit full(100);
        EXPECT_EQ(Replace(path, big, "BAK"), kReplaceFailed);
    }
    EXPECT_EQ(TempDir::Read(path), "second");
    EXPECT_EQ(TempDir::Read(dir.File("p.BAK")), "first");
    EXPECT_EQ(Names(dir), (std::set<std::string>{"p.kxp", "p.BAK"}));

    // Dropped without Commit: no trace, the target untouched.
    {
        FileReplacement dropped;
        ASSERT_EQ(dropped.Begin(path), kOk);
        ASSERT_TRUE(dropped.File().Write("never"));
    }
    EXPECT_EQ(TempDir::Read(path), "second");
    EXPECT_EQ(Names(dir), (std::set<std::string>{"p.kxp", "p.BAK"}));

    // No folder, a folder in the way, a file that may not be written.
    EXPECT_EQ(Replace(dir.File("none/p.kxp"), "x", ""), 2060203);
    std::filesystem::create_directory(dir.File("folder"));
    EXPECT_EQ(Replace(dir.File("folder"), "x", ""), 2060203);
    const std::string locked = dir.Write("locked.txt", "keep");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    if (::access(locked.c_str(), W_OK) != 0) {
        EXPECT_EQ(Replace(locked, "x", ""), 2060203);
        EXPECT_EQ(TempDir::Read(locked), "keep");
    }
}

TEST(FileReplacementTest, KeepsPermissionsAndWritesThroughSymbolicLinks) {
    TempDir dir;
    namespace fs = std::filesystem;
    const std::string shared = dir.Write("shared.cfg", "old");
    fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("shared.cfg", dir.Path() / "link.cfg");

    FileReplacement file;
    ASSERT_EQ(file.Begin(dir.File("link.cfg")), kOk);
    EXPECT_EQ(file.Target(), dir.File("shared.cfg"));
    ASSERT_TRUE(file.File().Write("new"));
    ASSERT_EQ(file.Commit("BAK"), kOk);
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.cfg"));
    EXPECT_EQ(TempDir::Read(dir.File("link.cfg")), "new");
    EXPECT_EQ(TempDir::Read(dir.File("shared.BAK")), "old");
    EXPECT_EQ(fs::status(shared).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Two replacements, in this process or another, never share a name.
    const std::string a = ReplacementName(shared);
    const std::string b = ReplacementName(shared);
    EXPECT_NE(a, b);
    EXPECT_NE(a.find("." + std::to_string(::getpid()) + "-"), std::string::npos) << a;
    EXPECT_EQ(ExtractFileDir(a), dir.File(""));
}

TEST(FileReplacementTest, KeepsTheGroupOfASharedFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file another group needs root here";
    TempDir dir;
    const std::string shared = dir.Write("lab.KXP", "old");
    // The folder's group, as a colleague's save left it: not this process's.
    const gid_t labGroup = ::getegid() + 4242;
    ASSERT_EQ(::chown(shared.c_str(), ::geteuid(), labGroup), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0664), 0);
    ASSERT_EQ(ReplaceFileContent(shared, "new"), kOk);
    struct stat info {};
    ASSERT_EQ(::stat(shared.c_str(), &info), 0);
    EXPECT_EQ(info.st_gid, labGroup);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
}

TEST(FileReplacementTest, NoTemporaryOutlivesAKilledSave) {
    TempDir dir;
    const std::string target = dir.Write("p.KXP", "old");
    auto temporaries = [&dir] {
        int found = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            if (entry.path().filename().string().ends_with("~")) ++found;
        }
        return found;
    };

    // A save stopped by SIGTERM while it writes removes its temporary.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        InstallTemporaryCleanup();
        FileReplacement replacement;
        if (replacement.Begin(target) != kOk || !replacement.File().Write("half")) ::_exit(3);
        if (::write(ready[1], "r", 1) != 1) ::_exit(4);
        for (;;) ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(temporaries(), 1);
    ASSERT_EQ(::kill(writer, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(temporaries(), 0);
    EXPECT_EQ(TempDir::Read(target), "old");

    // One left by a save killed outright goes with the next save of the
    // same file; one of a process that still runs (this one) stays.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(gone, &status, 0), gone);
    const std::string stale = dir.Write(".p.KXP." + std::to_string(gone) + "-0~", "half");
    const std::string live = dir.Write(".p.KXP." + std::to_string(::getpid()) + "-999~", "busy");
    const std::string other = dir.Write(".q.KXP." + std::to_string(gone) + "-0~", "other");
    ASSERT_EQ(ReplaceFileContent(target, "new"), kOk);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(TempDir::Read(target), "new");
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(ConvertLineEndsTest, AddsTheMissingCarriageReturns) {
    TempDir dir;
    const std::string target = dir.File("t.txt");
    EXPECT_EQ(ConvertLineEnds(dir.Write("s.txt", "a\nb\r\n\nc"), target), kOk);
    EXPECT_EQ(TempDir::Read(target), "a\r\nb\r\n\r\nc");
}

TEST(ConvertLineEndsTest, Limits) {
    TempDir dir;
    const std::string target = dir.File("t.txt");
    // 64,000 bytes of which 6,400 are line feeds grow to exactly 70,400.
    std::string text;
    for (int i = 0; i < 6400; ++i) text += "123456789\n";
    ASSERT_EQ(text.size(), 64000u);
    EXPECT_EQ(ConvertLineEnds(dir.Write("max.txt", text), target), kOk);
    EXPECT_EQ(FileSize(target), 70400);

    EXPECT_EQ(ConvertLineEnds(dir.Write("big.txt", text + "x"), target), 60110201);
    text[0] = '\n';
    EXPECT_EQ(ConvertLineEnds(dir.Write("grown.txt", text), target), 60110401);

    EXPECT_EQ(ConvertLineEnds(dir.File("none.txt"), target), 60110100);
    EXPECT_EQ(ConvertLineEnds(dir.Write("s.txt", "a\n"), dir.File("no/dir/t.txt")), 60110500);
}

TEST(FileNamesTest, BothSeparatorsAreRead) {
    EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileName("/x/y"), "y");
    EXPECT_EQ(ExtractFileName("plain"), "plain");
    EXPECT_EQ(ExtractFileName("dir/"), "");
    EXPECT_EQ(ExtractFileDir("/x/y\\z"), "/x/y\\");
    EXPECT_EQ(RemoveExtension("C:\\a.b\\file"), "C:\\a.b\\file");
    EXPECT_EQ(RemoveExtension("a/b.c.d"), "a/b.c");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\file", "KXP"), "C:\\a.b\\file.KXP");
    EXPECT_EQ(ChangeFileExt("x/p.kxp", "BAK"), "x/p.BAK");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("a\\", "/b"), "a/b");
    EXPECT_EQ(JoinPath("/", "b"), "/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
}

TEST(DirectoriesTest, TempAndCurrentHaveNoTrailingSeparator) {
    TempDir dir;
    EXPECT_TRUE(DirectoryExists(dir.Path().string()));
    EXPECT_FALSE(DirectoryExists(dir.Write("f", "")));
    EXPECT_EQ(CurrentDirectory(), std::filesystem::current_path().string());

    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved != nullptr ? saved : "";
    setenv("TMPDIR", "/var/tmp/", 1);
    EXPECT_EQ(TempDirectory(), "/var/tmp");
    unsetenv("TMPDIR");
    EXPECT_EQ(TempDirectory(), "/tmp");
    if (saved != nullptr) setenv("TMPDIR", savedValue.c_str(), 1);
}

}  // namespace
}  // namespace kvx
