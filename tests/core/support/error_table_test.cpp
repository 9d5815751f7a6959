#include "core/support/error_table.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/temp_dir.hpp"

namespace kvx {
namespace {

class ErrorTableTest : public ::testing::Test {
protected:
    test::TempDir dir;
    RecordArrayRegistry registry;
    ErrorTable table{registry};
};

TEST_F(ErrorTableTest, LoadsRecordsSkippingCommentsAndAppendsFiles) {
    dir.Write("A.ERR",
              "; class,unit,procedure,message,text\r\n"
              "\r\n"
              "1,1,1,301,Text is not a number,\r\n"
              "2,7,2,302,Cannot open a file for reading   \r\n");
    dir.Write("B.ERR", "61,5,2,2050,Bad slot number\r\n1,1,1,999,shadowed,\r\n");
    ASSERT_EQ(table.LoadErrorTable(dir.File("A.TXT"), dir.File("")), kOk);
    ASSERT_EQ(table.LoadErrorTable(dir.File("B"), dir.File("")), kOk);
    EXPECT_EQ(table.Count(), 4);

    auto hit = table.LookupErrorText(2, 7, 2);
    EXPECT_EQ(hit.text, "Cannot open a file for reading");
    EXPECT_EQ(hit.messageNumber, 302);
    // The first matching record wins, so the shared table comes first.
    EXPECT_EQ(table.LookupErrorText(1, 1, 1).messageNumber, 301);
    EXPECT_EQ(table.LookupErrorText(61, 5, 2).text, "Bad slot number");
    auto miss = table.LookupErrorText(9, 9, 9);
    EXPECT_EQ(miss.text, " [not available]");
    EXPECT_EQ(miss.messageNumber, 0);
}

TEST_F(ErrorTableTest, FallsBackToTheProgramDirectoryAndConvertsFromDos) {
    // 0x84 is "ä" in the DOS code page and 0xE4 in Windows-1252.
    dir.Write("OWN.ERR",
              "60,1,1,5,Gr\x84"
              "ber Fehler,\r\n");
    ASSERT_EQ(table.LoadErrorTable("/nonexistent/dir/OWN.ERR", dir.File("")), kOk);
    EXPECT_EQ(table.LookupErrorText(60, 1, 1).text,
              "Gr\xE4"
              "ber Fehler");
}

TEST_F(ErrorTableTest, ABareNameIsReadFromTheProgramFolderNeverTheCurrentOne) {
    std::filesystem::create_directory(dir.Path() / "program");
    std::filesystem::create_directory(dir.Path() / "work");
    dir.Write("program/own.err", "60,1,1,5,shipped,\r\n");
    dir.Write("work/own.err", "60,1,1,5,stray,\r\n");
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path() / "work");
    const ErrorCode code = table.LoadErrorTable("own.err", dir.File("program/"));
    std::filesystem::current_path(started);
    ASSERT_EQ(code, kOk);
    EXPECT_EQ(table.LookupErrorText(60, 1, 1).text, "shipped");
}

TEST_F(ErrorTableTest, MalformedLineStopsWithTheFieldCodeAfterAppendingIt) {
    dir.Write("BAD.ERR", "1,2,3,4,fine,\r\n5,6,7,8\r\n9,9,9,9,never,\r\n");
    EXPECT_EQ(table.LoadErrorTable(dir.File("BAD.ERR"), dir.File("")), 1030401);
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(table.LookupErrorText(5, 6, 7).messageNumber, 8);
    EXPECT_EQ(table.LookupErrorText(9, 9, 9).messageNumber, 0);
}

TEST_F(ErrorTableTest, NumbersOutsideSixteenBitsAreRejected) {
    dir.Write("BIG.ERR", "70000,1,1,1,too big,\r\n");
    EXPECT_NE(table.LoadErrorTable(dir.File("BIG.ERR"), dir.File("")), kOk);
}

TEST_F(ErrorTableTest, StopsWhenTheTableIsFull) {
    std::string content;
    for (int i = 0; i < ErrorTable::kCapacity + 5; ++i) content += "1,1,1,1,x,\r\n";
    dir.Write("FULL.ERR", content);
    EXPECT_EQ(table.LoadErrorTable(dir.File("FULL.ERR"), dir.File("")), 5010201);
    EXPECT_EQ(table.Count(), ErrorTable::kCapacity);
}

TEST_F(ErrorTableTest, MissingFileGivesTheOpenerCode) {
    EXPECT_EQ(table.LoadErrorTable(dir.File("none.ERR"), dir.File("")), 2070203);
}

}  // namespace
}  // namespace kvx
