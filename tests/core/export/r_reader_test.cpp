// R itself reads our R table and recomputes each type's statistics from the
// rows of its own block.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/export/text_export.hpp"
#include "core/program/program.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

// Each column holds its type's values in one block of consecutive rows after
// the blocks of the columns before it, and 0 everywhere else; none of the
// test values is 0, so a column's count is its number of non-zero cells.
constexpr const char* kScript = R"(
args <- commandArgs(trailingOnly = TRUE)
d <- read.delim(args[1], check.names = FALSE)
counts <- sapply(d, function(col) sum(col != 0))
ends <- cumsum(counts)
starts <- ends - counts + 1
cat("rows", nrow(d), ncol(d), "\n")
for (j in seq_along(d)) {
  rows <- starts[j]:ends[j]
  x <- d[[j]][rows]
  nonzero <- which(d[[j]] != 0)
  inBlock <- length(nonzero) == length(rows) && all(nonzero == rows)
  cat("col", j, length(x), sprintf("%.15g", mean(x)), sprintf("%.15g", sd(x)),
      as.integer(inBlock), "\n")
}
cat("names", paste(names(d), collapse = "|"), "\n")
)";

bool HaveRscript() {
    return std::system("command -v Rscript >/dev/null 2>&1") == 0;
}

std::string RunCommand(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
        ::pclose(pipe);
    }
    return output;
}

class RReaderTest : public ::testing::TestWithParam<uint8_t> {
protected:
    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.Path().string()};
    Workspace ws{program};
    test::MeasuredProject build{ws};
};

TEST_P(RReaderTest, RAgreesWithOurStatistics) {
    if (!HaveRscript()) GTEST_SKIP() << "Rscript is not installed";
    ASSERT_TRUE(program.InitErrorStack());
    program.settings.RecordCapacity = 1024;
    program.settings.Language = GetParam();
    ASSERT_EQ(ws.CreateHistory(), kOk);

    const int types[] = {70, 71, 72, 73};
    build.DefineType(70, kTwoPointLine, "Length (mm)", "L\xE4nge (mm)");
    build.DefineType(71, kPolygon, "Area",
                     "Fl\xE4"
                     "che");
    build.DefineType(72, kText, "Score", "Note");
    build.DefineType(73, kCount, "Cells", "Zellen");
    build.Line(70, 1234.5);
    build.Square(71, 1000);
    build.Text(72, "12,5");
    build.Line(70, 2000.25);
    build.Count(73, 3);
    build.Line(70, 777, true);
    build.Square(71, 1500);
    build.Text(72, "0.5");
    build.Count(73, 8);
    build.Line(70, 3003.125);
    build.Text(72, "-7");
    build.Square(71, 2500);
    build.Count(73, 5);
    build.Count(73, 4, true);
    build.Line(70, 10);

    const std::string table = dir.File("values.TXT");
    ui.saveAnswers.push_back(table);
    ws.DoWriteFile(kExportR);
    const std::string script = dir.Write("read.R", kScript);
    // R as a Linux user has it: a UTF-8 locale and read.delim's defaults.
    const std::string output =
        RunCommand("LC_ALL=C.UTF-8 Rscript " + script + " " + table + " 2>&1");

    std::istringstream lines(output);
    std::string tag;
    int rows = 0;
    int columns = 0;
    ASSERT_TRUE(lines >> tag >> rows >> columns) << output;
    ASSERT_EQ(tag, "rows") << output;
    EXPECT_EQ(columns, 4);
    EXPECT_EQ(rows, 4 + 3 + 3 + 3);

    for (int j = 1; j <= 4; ++j) {
        int column = 0;
        int count = 0;
        double mean = 0;
        double sd = 0;
        int inBlock = 0;
        ASSERT_TRUE(lines >> tag >> column >> count >> mean >> sd >> inBlock) << output;
        ASSERT_EQ(column, j);
        ws.SetCurrentType(types[j - 1]);
        ws.StatisticsPass();
        SCOPED_TRACE(program.objectTypes.At(types[j - 1]).nameEnglish);
        EXPECT_EQ(inBlock, 1);
        EXPECT_EQ(count, ws.valueList().n());
        EXPECT_NEAR(mean, ws.valueList().mean(), 1e-9 * std::abs(ws.valueList().mean()));
        EXPECT_NEAR(sd, ws.valueList().s(), 1e-9 * ws.valueList().s());
    }
    // The names come back as they were typed, umlauts included.
    std::string names;
    ASSERT_TRUE(lines >> tag) << output;
    EXPECT_EQ(tag, "names");
    std::getline(lines, names);
    EXPECT_EQ(names, GetParam() == 0 ? " L\u00E4nge|Fl\u00E4che|Note|Zellen "
                                     : " Length|Area|Score|Cells ");
}

INSTANTIATE_TEST_SUITE_P(Languages, RReaderTest, ::testing::Values(1, 0),
                         [](const auto& p) { return p.param == 0 ? "German" : "English"; });

}  // namespace
}  // namespace kvx
