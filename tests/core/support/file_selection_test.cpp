// The logic behind the file-selection dialog: patterns, the file list with
// project descriptions, and the recent directories.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/temp_dir.hpp"
#include "core/support/file_list.hpp"
#include "core/support/recent_dirs.hpp"

namespace kvx {
namespace {

TEST(FilePatternTest, NormalizeSplitAndMatch) {
    EXPECT_EQ(NormalizePattern(""), "*.*");
    EXPECT_EQ(NormalizePattern("C:\\data\\*.KXP"), "*.*");
    EXPECT_EQ(NormalizePattern(" *.kxp "), "*.kxp");

    EXPECT_EQ(SplitPatterns("*.JPG;*.BMP; ;*.gif;"),
              (std::vector<std::string>{"*.JPG", "*.BMP", "*.gif"}));
    std::string many;
    for (int i = 0; i < 20; ++i) many += "*." + std::to_string(i) + ";";
    EXPECT_EQ(SplitPatterns(many).size(), 16u);

    EXPECT_TRUE(MatchesPattern("slide.jpg", "*.JPG"));
    EXPECT_TRUE(MatchesPattern("README", "*.*"));
    EXPECT_TRUE(MatchesPattern("abc.kxp", "a?c.*"));
    EXPECT_TRUE(MatchesPattern("a.b.kxp", "*.kxp"));
    EXPECT_FALSE(MatchesPattern("slide.jpeg", "*.JPG"));
    EXPECT_FALSE(MatchesPattern("x.kxp.bak", "*.kxp"));
    EXPECT_FALSE(MatchesPattern("ab", "a?c"));
}

class FileListTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(FileListTest, ProjectsAreListedByDescription) {
    dir.Write("b.KXP", ";C: /images/liver.jpg\r\nB /images/liver.jpg\r\n");
    dir.Write("a.KXP", ";C: /images/liver.jpg\r\nB /images/liver.jpg\r\n");
    dir.Write("c.kxp", "  Kidney section  \r\n");
    dir.Write("empty.KXP", "");
    dir.Write(".hidden.KXP", ";C: hidden\r\n");
    dir.Write("notes.txt", ";C: not a project\r\n");
    std::filesystem::create_directory(dir.File("folder.KXP"));

    const std::vector<FileListEntry> entries = ListFiles(dir.Path().string(), "*.KXP", true, 1);
    // Equal descriptions are both listed, in the order of their file names.
    EXPECT_EQ(entries, (std::vector<FileListEntry>{{"/images/liver.jpg", "a.KXP"},
                                                   {"/images/liver.jpg", "b.KXP"},
                                                   {"Kidney section", "c.kxp"}}));
}

TEST_F(FileListTest, WithoutDescriptionsFilesAreListedByName) {
    dir.Write("B.jpg", "x");
    dir.Write("a.JPG", "x");
    dir.Write("c.bmp", "x");
    EXPECT_EQ(
        ListFiles(dir.Path().string(), "*.jpg;*.bmp", false, 1),
        (std::vector<FileListEntry>{{"a.JPG", "a.JPG"}, {"B.jpg", "B.jpg"}, {"c.bmp", "c.bmp"}}));
    EXPECT_TRUE(ListFiles(dir.Path().string(), "*.gif", false, 1).empty());

    // A UTF-8 name reads as the text a pattern is typed in (Windows-1252).
    dir.Write(
        "Gr\xC3\xB6\xC3\x9F"
        "e 1.KXP",
        ";C: F\xC3\xA4rbung.jpg\r\n");
    for (const bool descriptions : {false, true}) {
        EXPECT_EQ(ListFiles(dir.Path().string(),
                            "Gr\xF6\xDF"
                            "e*.KXP",
                            descriptions, 1),
                  (std::vector<FileListEntry>{{descriptions ? "F\xE4rbung.jpg"
                                                            : "Gr\xF6\xDF"
                                                              "e 1.KXP",
                                               "Gr\xC3\xB6\xC3\x9F"
                                               "e 1.KXP"}}));
    }
    EXPECT_TRUE(ListFiles(dir.File("missing"), "*.*", false, 1).empty());
}

TEST_F(FileListTest, SecondDescriptionLineServesOtherLanguages) {
    const std::string path = dir.Write("p.KXP", ";C: Leber\r\n;C: Liver\r\nB x.jpg\r\n");
    EXPECT_EQ(ProjectDescription(path, 0), "Leber");
    EXPECT_EQ(ProjectDescription(path, 1), "Liver");
    EXPECT_EQ(ProjectDescription(dir.Write("long.KXP", ";C: " + std::string(260, 'd')), 0).size(),
              250u);
    EXPECT_EQ(ProjectDescription(dir.File("none.KXP"), 0), "");
}

TEST(RecentDirectoriesTest, MostRecentFirstWithoutDuplicates) {
    RecentDirectories list;
    list.Add("/data/a/");
    list.Add("/data/b");
    list.Add("/DATA/A");
    list.Add("/");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/", "/DATA/A", "/data/b"}));
    for (int i = 0; i < 20; ++i) list.Add("/d" + std::to_string(i));
    ASSERT_EQ(list.Entries().size(), 16u);
    EXPECT_EQ(list.Entries().front(), "/d19");
    EXPECT_EQ(list.Entries().back(), "/d4");
}

TEST(RecentDirectoriesTest, RememberFileRoundTrip) {
    test::TempDir dir;
    const std::string path = dir.File("KXPDir.pck");
    EXPECT_TRUE(RecentDirectories::Read(path).Entries().empty());
    RecentDirectories list;
    list.Add("/home/ann/projects");
    list.Add("C:\\old\\");
    ASSERT_TRUE(list.Write(path));
    EXPECT_EQ(test::TempDir::Read(path), "C:\\old\r\n/home/ann/projects\r\n");
    EXPECT_EQ(RecentDirectories::Read(path).Entries(), list.Entries());
    EXPECT_FALSE(list.Write(dir.File("no/such/folder/x.pck")));
}

}  // namespace
}  // namespace kvx
