#include "core/support/message_catalog.hpp"

#include <gtest/gtest.h>

#include "common/temp_dir.hpp"

namespace kvx {
namespace {

class MessageCatalogTest : public ::testing::Test {
protected:
    // Builds a line of the message-file layout: letter, blank, four-digit
    // number, three blanks, text from character 10.
    static std::string Line(char letter, const std::string& number, const std::string& text) {
        return std::string(1, letter) + " " + number + "   " + text + "\r\n";
    }

    ErrorCode Load(const std::string& content, int language, bool keep = false) {
        const std::string path = dir.Write("TEST.MSG", content);
        return catalog.LoadMessageFile(path, keep, BaseLetter(language), language, dir.File(""));
    }

    test::TempDir dir;
    MessageCatalog catalog;
};

TEST_F(MessageCatalogTest, TakesLinesOfTheLanguageAndItsBase) {
    const std::string file = Line('E', "0012", "Caption") + Line('D', "0013", "Nur deutsch") +
                             Line('E', "0014", "English") + Line('S', "0014", "Espanol") +
                             Line('F', "0015", "Francais");
    ASSERT_EQ(Load(file, 1), kOk);
    EXPECT_EQ(catalog.GetMessage(12), "Caption");
    EXPECT_EQ(catalog.GetMessage(13), "Nur deutsch");  // German is the fallback of English
    EXPECT_EQ(catalog.GetMessage(14), "English");
    EXPECT_EQ(catalog.GetMessage(15), "[15 = nil]");

    ASSERT_EQ(Load(file, 0), kOk);
    EXPECT_EQ(catalog.GetMessage(12), "[12 = nil]");
    EXPECT_EQ(catalog.GetMessage(13), "Nur deutsch");

    // Spanish falls back on English; the later line wins.
    ASSERT_EQ(Load(file, 2), kOk);
    EXPECT_EQ(catalog.GetMessage(14), "Espanol");
    EXPECT_EQ(catalog.GetMessage(12), "Caption");
    EXPECT_EQ(catalog.GetMessage(13), "[13 = nil]");
}

TEST_F(MessageCatalogTest, TextRules) {
    const std::string file = Line('E', "0001", std::string(200, 'x')) + "E 0002\r\n" +
                             Line('E', "0003", "Value:   ~") + Line('E', "0004", "Trailing   ") +
                             Line('E', "  5 ", "Blank padded number") +
                             Line('E', "00x6", "not a number") + Line('E', "0000", "zero") + "\r\n";
    ASSERT_EQ(Load(file, 1), kOk);
    EXPECT_EQ(catalog.GetMessage(1), std::string(147, 'x'));
    EXPECT_EQ(catalog.GetMessage(2), "");
    EXPECT_EQ(catalog.GetMessage(3), "Value:   ");
    EXPECT_EQ(catalog.GetMessage(4), "Trailing");
    EXPECT_EQ(catalog.GetMessage(5), "Blank padded number");
    EXPECT_EQ(catalog.GetMessage(6), "[6 = nil]");
    EXPECT_EQ(catalog.GetMessage(0), "");
    EXPECT_EQ(catalog.GetMessage(17), "[17 = nil]");
}

TEST_F(MessageCatalogTest, NumberAboveTheTableStopsTheLoadKeepingEarlierLines) {
    const std::string file =
        Line('E', "0010", "kept") + Line('E', "2401", "too far") + Line('E', "0011", "never");
    EXPECT_EQ(Load(file, 1), 5020201);
    EXPECT_EQ(catalog.GetMessage(10), "kept");
    EXPECT_EQ(catalog.GetMessage(11), "[11 = nil]");
}

TEST_F(MessageCatalogTest, KeepExistingLayersASecondFile) {
    ASSERT_EQ(Load(Line('E', "0020", "shared") + Line('E', "0021", "shared too"), 1), kOk);
    ASSERT_EQ(Load(Line('E', "0021", "own"), 1, true), kOk);
    EXPECT_EQ(catalog.GetMessage(20), "shared");
    EXPECT_EQ(catalog.GetMessage(21), "own");
}

TEST_F(MessageCatalogTest, MissingFileLeavesOnlyPlaceholders) {
    ASSERT_EQ(Load(Line('E', "0030", "there"), 1), kOk);
    EXPECT_EQ(catalog.LoadMessageFile(dir.File("absent"), false, 'D', 1, dir.File("")), 2070203);
    EXPECT_EQ(catalog.GetMessage(30), "[30 = nil]");
}

TEST_F(MessageCatalogTest, NameResolutionForcesTheExtension) {
    dir.Write("ZNB2WIN2.MSG", Line('E', "0040", "shared file"));
    dir.Write("KX18.MSG", Line('E', "0041", "own file"));
    const std::string programDir = dir.File("");
    ASSERT_EQ(catalog.LoadMessageFile("", false, 'D', 1, programDir), kOk);
    ASSERT_EQ(catalog.LoadMessageFile("KX18.TXT", true, 'D', 1, programDir), kOk);
    EXPECT_EQ(catalog.GetMessage(40), "shared file");
    EXPECT_EQ(catalog.GetMessage(41), "own file");
}

TEST(LanguageLetters, Tables) {
    EXPECT_EQ(LanguageLetter(0), 'D');
    EXPECT_EQ(LanguageLetter(1), 'E');
    EXPECT_EQ(LanguageLetter(2), 'S');
    EXPECT_EQ(LanguageLetter(3), 'F');
    EXPECT_EQ(LanguageLetter(9), 'D');
    EXPECT_EQ(BaseLetter(0), 'D');
    EXPECT_EQ(BaseLetter(1), 'D');
    EXPECT_EQ(BaseLetter(2), 'E');
    EXPECT_EQ(BaseLetter(3), 'E');
}

}  // namespace
}  // namespace kvx
