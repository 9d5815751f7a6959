// Runs korvanix-batch as a lab would and holds what it writes against the
// core driven the way the window drives it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>

#include "cli/batch_stats.hpp"
#include "common/fake_ui.hpp"
#include "common/temp_dir.hpp"
#include "common/test_pictures.hpp"
#include "core/export/text_export.hpp"
#include "core/measure/values.hpp"
#include "core/picture/bmp_reader.hpp"
#include "core/project/object_type_file.hpp"
#include "core/stats/collect_values.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// A program and workspace started as the window starts them, with default
// settings (the tool runs with an empty configuration folder too).
struct Window {
    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
    Workspace ws{program};

    Window() {
        EXPECT_TRUE(program.InitErrorStack());
        EXPECT_EQ(program.errorTable.LoadErrorTable("ZSYSTEM", program.programDir), kOk);
        EXPECT_EQ(program.LoadMessages(), kOk);
        EXPECT_EQ(program.errorTable.LoadErrorTable("korvanix.err", program.programDir), kOk);
        EXPECT_EQ(ws.CreateHistory(), kOk);
        EXPECT_TRUE(LoadObjectTypes(program, program.settings.ObjectTypeFile));
        EXPECT_TRUE(ws.ResetViewToWorld());
        ws.FillTypeSelector();
    }

    void Load(const fs::path& path) {
        ASSERT_TRUE(ws.LoadProject(path.filename().string(), path.parent_path().string()));
    }

    std::vector<int32_t> ExportedTypes() const {
        std::vector<int32_t> types;
        const auto inUse = TypesInUse(ws.history());
        for (int32_t n = 1; n <= ObjectTypeTable::kSlots; ++n) {
            const ObjectType& t = program.objectTypes.At(n);
            if (t.dataClass == kClassUser && inUse[static_cast<std::size_t>(n)] &&
                YieldsValues(t.dataType)) {
                types.push_back(n);
            }
        }
        return types;
    }

    // The person picks a type in `cbo`.
    void Choose(int32_t type) {
        for (std::size_t i = 0; i < ws.cboItems().size(); ++i) {
            if (ws.cboItems()[i].type == type) ws.CboChange(static_cast<int32_t>(i));
        }
        ASSERT_EQ(ws.currentType(), type);
    }
};

// One point line: type, y, x, kind, name, excluded.
std::string Point(int type, int x, int y, int kind, bool excluded = false) {
    return "D " + std::to_string(type) + "," + std::to_string(y) + "," + std::to_string(x) + "," +
           std::to_string(kind) + ",," + (excluded ? "1" : "0") + ",\r\n";
}

std::string Project(const std::string& points, const std::string& image = "tissue.jpg",
                    bool versionLine = true) {
    return ";C: generated\r\nB " + image + "\r\nO " + image + "\r\nR 2400\r\n" +
           (versionLine ? "V 18\r\n" : "") + points;
}

// Lines of 100 and 300 micrometres and an excluded one of 500 (type 1, Two
// Point Line), and a square of 1000 micrometres (type 2, Polygon).
std::string HandProject() {
    return Project(Point(1, 0, 0, 1) + Point(1, 100, 0, 2) + Point(1, 0, 50, 1) +
                   Point(1, 300, 50, 2) + Point(1, 0, 90, 1, true) + Point(1, 500, 90, 2) +
                   Point(2, 0, 0, 1) + Point(2, 1000, 0, 2) + Point(2, 1000, 1000, 2) +
                   Point(2, 0, 1000, 2) + Point(2, 0, 0, 2));
}

std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::move(cell));
            cell.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(std::move(cell));
            cell.clear();
            rows.emplace_back();
            ++i;
        } else {
            cell += c;
        }
    }
    if (rows.back().empty()) rows.pop_back();
    return rows;
}

double Number(const std::string& text) {
    double value = std::numeric_limits<double>::quiet_NaN();
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(ec == std::errc() && end == text.data() + text.size()) << "'" << text << "'";
    return value;
}

class BatchToolTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"tissue.KXP", "tissue.jpg"}) {
            fs::copy_file(fs::path(test::DataDir()) / "samples" / name, dir.Path() / name);
        }
        fs::create_directories(dir.Path() / "config");
    }

    // Runs the tool in folder where (relative to the test's folder).
    ToolRun Tool(const std::string& arguments, const std::string& where = ".") const {
        const std::string out = dir.File("tool.out");
        const std::string err = dir.File("tool.err");
        const std::string command = "cd '" + dir.File(where) + "' && XDG_CONFIG_HOME='" +
                                    dir.File("config") + "' '" KVX_BATCH_EXE "' " + arguments +
                                    " >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        ToolRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = test::TempDir::Read(out);
        run.err = test::TempDir::Read(err);
        return run;
    }

    test::TempDir dir;
};

TEST_F(BatchToolTest, CheckNamesTheBrokenLineAndTheMissingImage) {
    dir.Write("broken.KXP", Project(Point(1, 0, 0, 1) + "D 1,0,1x0,2,,0,\r\n"));
    dir.Write("lost.KXP", Project(Point(1, 0, 0, 1), "gone.jpg"));
    const ToolRun run = Tool("check tissue.KXP broken.KXP lost.KXP");
    EXPECT_EQ(run.status, 1) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "tissue.KXP: OK");
    std::getline(lines, line);
    EXPECT_EQ(line, "broken.KXP: FAILED");
    std::getline(lines, line);
    // The x field of the seventh line, with its code and the code it was passed on as.
    EXPECT_NE(line.find("60070600"), std::string::npos) << line;
    EXPECT_NE(line.find("line 7: D 1,0,1x0,2,,0,"), std::string::npos) << line;
    std::getline(lines, line);
    EXPECT_EQ(line, "lost.KXP: FAILED");
    std::getline(lines, line);
    EXPECT_NE(line.find("gone.jpg"), std::string::npos) << line;
    // Nobody is there to answer: the tool says what is missing, it asks nothing.
    EXPECT_NE(line.find("cannot be found. Missing file:"), std::string::npos) << line;
    EXPECT_EQ(line.find('?'), std::string::npos) << line;

    EXPECT_EQ(Tool("check tissue.KXP").status, 0);
    EXPECT_EQ(Tool("check --jobs").status, 2);
}

TEST_F(BatchToolTest, ANameIsReadAsItIsOrRefused) {
    // A backup beside its project, a text file beside a namesake project and
    // a folder beside one: none is read as the project of its stem.
    fs::copy_file(dir.Path() / "tissue.KXP", dir.Path() / "tissue.BAK");
    dir.Write("other.txt", "notes");
    fs::copy_file(dir.Path() / "tissue.KXP", dir.Path() / "other.KXP");
    fs::create_directory(dir.Path() / "folder");
    fs::copy_file(dir.Path() / "tissue.KXP", dir.Path() / "folder.KXP");
    const ToolRun stats = Tool("stats tissue.BAK");
    EXPECT_EQ(stats.status, 1);
    EXPECT_EQ(stats.out.find("tissue"), std::string::npos) << stats.out;
    EXPECT_NE(stats.err.find("tissue.BAK is not a project file"), std::string::npos) << stats.err;
    const ToolRun check = Tool("check other.txt folder");
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("other.txt: FAILED\n  other.txt is not a project file"),
              std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("folder: FAILED\n  folder is a folder, not a project file"),
              std::string::npos)
        << check.out;
    EXPECT_EQ(Tool("check other.KXP folder.KXP").status, 0);
}

TEST_F(BatchToolTest, FilesThatAreThereButCannotBeReadSayWhy) {
    // Folders in place of the files: there, and not to be opened.
    fs::create_directory(dir.Path() / "types.kxo");
    const ToolRun types = Tool("check --object-types types.kxo tissue.KXP");
    EXPECT_EQ(types.status, 3);
    EXPECT_NE(types.err.find("types.kxo: Is a directory"), std::string::npos) << types.err;
    EXPECT_EQ(types.err.find("Cannot find"), std::string::npos) << types.err;
    fs::create_directory(dir.Path() / "slide.jpg");
    dir.Write("held.KXP", Project(Point(1, 0, 0, 1), "slide.jpg"));
    const ToolRun picture = Tool("check held.KXP");
    EXPECT_EQ(picture.status, 1);
    EXPECT_NE(picture.out.find("slide.jpg (Is a directory)"), std::string::npos) << picture.out;
    EXPECT_EQ(picture.out.find("cannot be found"), std::string::npos) << picture.out;
}

TEST_F(BatchToolTest, CheckDecodesThePicture) {
    // A picture that is there but cannot be read is no usable project.
    dir.Write("damaged.jpg", "not a JPEG at all");
    dir.Write("damaged.KXP", Project(Point(1, 0, 0, 1), "damaged.jpg"));
    const ToolRun run = Tool("check tissue.KXP damaged.KXP");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("tissue.KXP: OK\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("damaged.KXP: FAILED\n  "), std::string::npos) << run.out;
}

TEST_F(BatchToolTest, StatsByHand) {
    dir.Write("hand.KXP", HandProject());
    const ToolRun run = Tool("stats --unit mm hand.KXP");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = ParseCsv(run.out);
    ASSERT_EQ(rows.size(), 3u) << run.out;
    EXPECT_EQ(rows[0].size(), 18u);

    // 0.1 and 0.3 mm counted, 0.5 excluded: s = sqrt(0.02), both inside mean ± s.
    const auto& line = rows[1];
    EXPECT_EQ(std::vector<std::string>(line.begin(), line.begin() + 9),
              (std::vector<std::string>{"hand.KXP", "tissue.jpg", "2400", "1", "Length",
                                        "Two Point Line", "mm", "2", "1"}));
    const double expected[] = {0.1,
                               0.3,
                               0.2,
                               0.14142135623730950,
                               0.02,
                               0.05857864376269050,
                               0.34142135623730950,
                               100.0,
                               70.710678118654752};
    for (std::size_t k = 0; k < std::size(expected); ++k) {
        EXPECT_NEAR(Number(line[9 + k]), expected[k], 1e-12 * (1 + expected[k])) << k;
    }

    // One square millimetre: nothing spreads, so s and the rest stay empty.
    EXPECT_EQ(rows[2], (std::vector<std::string>{"hand.KXP", "tissue.jpg", "2400", "2", "Area",
                                                 "Polygon", "mm\xC2\xB2", "1", "0", "1", "1", "1",
                                                 "", "", "", "", "", ""}));

    const auto micrometres = ParseCsv(Tool("stats --unit um --language de hand.KXP").out);
    ASSERT_EQ(micrometres.size(), 3u);
    EXPECT_EQ(micrometres[1][4], "L\xC3\xA4nge");  // UTF-8, not the core's Windows-1252
    EXPECT_EQ(micrometres[1][6], "\xC2\xB5m");
    EXPECT_EQ(micrometres[1][13], "20000");  // square micrometres
    EXPECT_EQ(micrometres[2][9], "1e+06");   // shortest form
}

TEST_F(BatchToolTest, StatsRowsAreThoseOfTheStatisticsPass) {
    fs::copy_file(dir.Path() / "tissue.KXP", dir.Path() / "cells, batch 2.KXP");
    dir.Write("hand.KXP", HandProject());
    const ToolRun run = Tool("stats -o table.csv tissue.KXP 'cells, batch 2.KXP' hand.KXP");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = ParseCsv(test::TempDir::Read(dir.File("table.csv")));

    std::size_t r = 1;
    for (const char* name : {"tissue.KXP", "cells, batch 2.KXP", "hand.KXP"}) {
        Window window;
        window.Load(dir.Path() / name);
        const int32_t unit = window.program.settings.TableUnit;
        for (const int32_t type : window.ExportedTypes()) {
            ASSERT_LT(r, rows.size());
            const auto& row = rows[r++];
            EXPECT_EQ(row[0], name);
            EXPECT_EQ(Number(row[3]), type);
            window.ws.SetCurrentType(type);
            window.ws.StatisticsPass();
            const ValueList& v = window.ws.valueList();
            const int dataType = window.program.objectTypes.At(type).dataType;
            const auto shown = [&](double x) { return UnitDivisor(x, dataType, unit); };
            EXPECT_EQ(Number(row[7]), v.n());
            EXPECT_EQ(Number(row[8]), v.excludedCount());
            EXPECT_EQ(Number(row[9]), shown(v.min()));
            EXPECT_EQ(Number(row[10]), shown(v.max()));
            EXPECT_EQ(Number(row[11]), shown(v.mean()));
            if (v.n() < 2) continue;
            EXPECT_EQ(Number(row[12]), shown(v.s()));
            EXPECT_EQ(Number(row[13]), shown(shown(v.variance())));
            EXPECT_EQ(Number(row[14]), shown(v.lowerBound()));
            EXPECT_EQ(Number(row[15]), shown(v.upperBound()));
            EXPECT_EQ(Number(row[16]), v.withinPercent());
        }
    }
    EXPECT_EQ(r, rows.size());
}

TEST_F(BatchToolTest, TablesNameThePictureAsTheProjectIsNamed) {
    fs::create_directories(dir.Path() / "study" / "scans");
    fs::copy_file(dir.Path() / "tissue.jpg", dir.Path() / "study" / "tissue.jpg");
    fs::copy_file(dir.Path() / "tissue.jpg", dir.Path() / "study" / "scans" / "far.jpg");
    dir.Write("study/a.KXP", HandProject());
    dir.Write("study/b.KXP", Project(Point(1, 0, 0, 1) + Point(1, 100, 0, 2), "scans/far.jpg"));
    const auto picture = [](const ToolRun& run, std::size_t row = 1) {
        const auto rows = ParseCsv(run.out);
        return rows.size() > row && rows[row].size() > 1 ? rows[row][1] : std::string("?");
    };
    // Wherever the tool runs, the picture is named from the same place as
    // the project: beside it, in the project's folder, relative or absolute.
    EXPECT_EQ(picture(Tool("stats study/a.KXP")), "study/tissue.jpg");
    EXPECT_EQ(picture(Tool("stats a.KXP", "study")), "tissue.jpg");
    EXPECT_EQ(picture(Tool("values ../study/a.KXP", "config")), "../study/tissue.jpg");
    EXPECT_EQ(picture(Tool("stats study/b.KXP")), "study/scans/far.jpg");
    const std::string absolute = (dir.Path() / "study" / "a.KXP").string();
    EXPECT_EQ(picture(Tool("values '" + absolute + "'", "config")),
              (dir.Path() / "study" / "tissue.jpg").string());
}

TEST_F(BatchToolTest, ValuesByHand) {
    // A line of length 0 after the square: a measured 0 is a value like any other.
    dir.Write("hand.KXP", HandProject() + Point(1, 7, 7, 1) + Point(1, 7, 7, 2));
    const ToolRun run = Tool("values --unit mm hand.KXP");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string head = "hand.KXP,tissue.jpg,1,Length,Two Point Line,";
    EXPECT_EQ(run.out, "project,image,type,type_name,data_type,object,value,unit,excluded\r\n" +
                           head + "1,0.1,mm,FALSE\r\n" + head + "2,0.3,mm,FALSE\r\n" + head +
                           "3,0.5,mm,TRUE\r\n" + head + "4,0,mm,FALSE\r\n" +
                           "hand.KXP,tissue.jpg,2,Area,Polygon,1,1,mm\xC2\xB2,FALSE\r\n");
    EXPECT_EQ(ParseCsv(Tool("values --unit um hand.KXP").out)[5][6], "1e+06");
}

// R reads the table of single values as a person would and recomputes each
// type's count, exclusions and mean, to be held against the statistics table.
constexpr const char* kValuesScript = R"(
args <- commandArgs(trailingOnly = TRUE)
v <- read.csv(args[1], encoding = "UTF-8")
s <- read.csv(args[2], encoding = "UTF-8")
cat("values", nrow(v), class(v$excluded), class(v$value), "\n")
for (i in seq_len(nrow(s))) {
  of <- v$project == s$project[i] & v$type == s$type[i]
  kept <- v$value[of & !v$excluded]
  cat("type", i, length(kept), s$n[i], sum(of & v$excluded), s$excluded[i],
      identical(v$object[of], seq_len(sum(of))),
      sprintf("%.17g %.17g", mean(kept), s$mean[i]), "\n")
}
)";

TEST_F(BatchToolTest, ValuesReadByRAgreeWithStats) {
    if (std::system("command -v Rscript >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Rscript";
    dir.Write("hand.KXP", HandProject());
    std::string points;
    for (int k = 0; k < 9; ++k) {
        points += Point(1, 0, 10 * k, 1, k % 4 == 1) + Point(1, 40 + 13 * k * k, 10 * k, 2);
    }
    dir.Write("cells, batch \"2\".KXP", Project(points));
    const std::string projects = " tissue.KXP hand.KXP 'cells, batch \"2\".KXP'";
    ASSERT_EQ(Tool("values --unit mm -o values.csv" + projects).status, 0);
    ASSERT_EQ(Tool("stats --unit mm -o stats.csv" + projects).status, 0);
    dir.Write("check.R", kValuesScript);
    const std::string command = "Rscript '" + dir.File("check.R") + "' '" + dir.File("values.csv") +
                                "' '" + dir.File("stats.csv") + "' >'" + dir.File("r.out") +
                                "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << test::TempDir::Read(dir.File("r.out"));

    std::istringstream lines(test::TempDir::Read(dir.File("r.out")));
    std::string word;
    std::string numeric;
    std::string logical;
    int rows = 0;
    lines >> word >> rows >> logical >> numeric;
    EXPECT_EQ(logical, "logical");
    EXPECT_EQ(numeric, "numeric");
    const auto stats = ParseCsv(test::TempDir::Read(dir.File("stats.csv")));
    ASSERT_GE(stats.size(), 5u);
    double listed = 0;
    for (std::size_t r = 1; r < stats.size(); ++r) {
        int index = 0;
        double kept = 0;
        double counted = 0;
        double excluded = 0;
        double excludedInStats = 0;
        std::string numbered;
        std::string mean;
        std::string meanInStats;
        lines >> word >> index >> kept >> counted >> excluded >> excludedInStats >> numbered >>
            mean >> meanInStats;
        ASSERT_EQ(word, "type") << r;
        EXPECT_EQ(kept, counted) << r;
        EXPECT_EQ(excluded, excludedInStats) << r;
        EXPECT_EQ(numbered, "TRUE") << r;
        listed += kept + excluded;
        if (counted > 0) {
            EXPECT_NEAR(Number(mean), Number(meanInStats), 1e-12 * Number(mean)) << r;
        }
    }
    EXPECT_EQ(listed, rows);
}

// A 40 x 30 PNG at 2540 dpi (a pixel is 10 micrometres): the left half
// red 200, green 100, blue 50, the right half 10 throughout.
std::string HalvesPng() {
    test::RawPicture picture(40, 30, 3, 8);
    for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
            if (x < 20) {
                picture.At(x, y, 0) = 200;
                picture.At(x, y, 1) = 100;
                picture.At(x, y, 2) = 50;
            } else {
                picture.Colour(x, y, 10);
            }
        }
    }
    return test::PngBytes(picture);
}

TEST_F(BatchToolTest, ShapesByHand) {
    dir.Write("halves.png", HalvesPng());
    // A 200 x 100 polygon on the red half, one of the same size across both
    // halves, a Two Point Line rising at 30 degrees, a Count of three points
    // and a Text label.
    std::string points = Point(2, 0, 0, 1) + Point(2, 200, 0, 2) + Point(2, 200, 100, 2) +
                         Point(2, 0, 100, 2) + Point(2, 0, 0, 2);
    points += Point(2, 100, 0, 1, true) + Point(2, 300, 0, 2) + Point(2, 300, 100, 2) +
              Point(2, 100, 100, 2) + Point(2, 100, 0, 2);
    points += Point(1, 0, 200, 1) + Point(1, 173, 100, 2);
    points += Point(3, 0, 0, 1) + Point(3, 30, 0, 2) + Point(3, 0, 60, 2) + Point(3, 0, 0, 2);
    points += "D 4,150,250,0,seed,0,\r\n";
    std::string project = Project(points, "halves.png");
    project.replace(project.find("R 2400"), 6, "R 2540");
    dir.Write("halves.KXP", project);

    const ToolRun run = Tool("shapes --unit um halves.KXP");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = ParseCsv(run.out);
    ASSERT_EQ(rows.size(), 6u) << run.out;
    const std::vector<std::string>& header = rows[0];
    const auto cell = [&](std::size_t row, const std::string& column) {
        const auto at = std::find(header.begin(), header.end(), column);
        EXPECT_NE(at, header.end()) << column;
        return at == header.end() ? std::string() : rows[row][at - header.begin()];
    };
    for (std::size_t r = 1; r < rows.size(); ++r) EXPECT_EQ(rows[r].size(), header.size()) << r;
    // Types in slot order, objects in the order of the project.
    EXPECT_EQ(cell(1, "type_name"), "Length");
    EXPECT_NEAR(Number(cell(1, "length")), 199.822, 0.001);
    EXPECT_NEAR(Number(cell(1, "angle")), 30, 0.05);
    EXPECT_EQ(cell(1, "area"), "");

    EXPECT_EQ(cell(2, "data_type"), "Polygon");
    EXPECT_EQ(cell(2, "object"), "1");
    EXPECT_EQ(cell(2, "value"), "20000");
    EXPECT_EQ(cell(2, "unit"), "\xC2\xB5m\xC2\xB2");
    EXPECT_EQ(cell(2, "length_unit"), "\xC2\xB5m");
    EXPECT_EQ(cell(2, "area"), "20000");
    EXPECT_EQ(cell(2, "perimeter"), "600");
    EXPECT_NEAR(Number(cell(2, "aspect_ratio")), 2, 1e-12);
    EXPECT_EQ(cell(2, "solidity"), "1");
    EXPECT_EQ(cell(2, "centroid_x"), "100");
    EXPECT_EQ(cell(2, "height"), "100");
    EXPECT_EQ(cell(2, "pixels"), "200");
    EXPECT_EQ(cell(2, "red_mean"), "200");
    EXPECT_EQ(cell(2, "red_sd"), "0");
    // Luminance 0.299 * 200 + 0.587 * 100 + 0.114 * 50 = 124.2, rounded.
    EXPECT_EQ(cell(2, "grey_mean"), "124");
    EXPECT_EQ(cell(3, "excluded"), "TRUE");
    EXPECT_EQ(cell(3, "red_mean"), "105");
    EXPECT_EQ(cell(3, "red_min"), "10");
    EXPECT_EQ(cell(3, "blue_max"), "50");

    EXPECT_EQ(cell(4, "value"), "3");
    EXPECT_EQ(cell(4, "centroid_x"), "10");
    EXPECT_EQ(cell(4, "centroid_y"), "20");
    EXPECT_EQ(cell(4, "grey_mean"), "");
    EXPECT_EQ(cell(5, "label"), "seed");
    EXPECT_EQ(cell(5, "value"), "");
    EXPECT_EQ(cell(5, "centroid_x"), "250");

    const auto millimetres = ParseCsv(Tool("shapes --unit mm halves.KXP").out);
    ASSERT_EQ(millimetres.size(), 6u);
    EXPECT_EQ(millimetres[2][header.size() - 47 + 9], "0.02");  // area in mm²
    EXPECT_EQ(millimetres[2][header.size() - 47 + 10], "0.6");  // perimeter in mm

    // With a picture that cannot be decoded a project still lists its
    // shapes, but the run fails rather than pass the missing values off as
    // measured.
    dir.Write("halves.png", "no picture");
    const ToolRun missing = Tool("shapes halves.KXP");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("grey and colour values are left empty"), std::string::npos)
        << missing.err;
    const auto partial = ParseCsv(missing.out);
    ASSERT_EQ(partial.size(), 6u);
    EXPECT_EQ(partial[2][header.size() - 47 + 9], "0.02");
    EXPECT_EQ(partial[2].back(), "");

    // A 16-bit picture is measured in its own values, not in the 8-bit
    // range its pixels are shown in.
    test::RawPicture deep(40, 30, 1, 16);
    for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 40; ++x) deep.At(x, y, 0) = x < 20 ? 4000 : 60000;
    }
    dir.Write("halves.png", test::PngBytes(deep));
    const ToolRun sixteen = Tool("shapes halves.KXP");
    EXPECT_EQ(sixteen.status, 0) << sixteen.err;
    const auto deepRows = ParseCsv(sixteen.out);
    ASSERT_EQ(deepRows.size(), 6u);
    EXPECT_EQ(deepRows[2][header.size() - 16], "4000");   // grey_mean
    EXPECT_EQ(deepRows[3][header.size() - 13], "60000");  // grey_max across both halves
}

// R reads the table of objects as a person would: every polygon's area,
// matched by project, type and object, is the value the value table lists.
constexpr const char* kShapesScript = R"(
args <- commandArgs(trailingOnly = TRUE)
s <- read.csv(args[1], encoding = "UTF-8")
v <- read.csv(args[2], encoding = "UTF-8")
cat("columns", ncol(s), class(s$excluded), class(s$area), class(s$red_mean), "\n")
p <- s[s$data_type == "Polygon", ]
m <- merge(p, v, by = c("project", "type", "object"), suffixes = c("", ".v"))
cat("polygons", nrow(p), nrow(v[v$data_type == "Polygon", ]), nrow(m),
    identical(m$value, m$value.v), isTRUE(all.equal(m$area, m$value.v, tolerance = 1e-12)),
    all(m$excluded == m$excluded.v), all(m$circularity <= 1), all(m$solidity <= 1 + 1e-12),
    all(m$min_feret <= m$feret), "\n")
)";

TEST_F(BatchToolTest, ShapesReadByRAgreeWithValues) {
    if (std::system("command -v Rscript >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Rscript";
    dir.Write("hand.KXP", HandProject() + Point(2, 0, 0, 1, true) + Point(2, 3000, 0, 2) +
                              Point(2, 3000, 1000, 2) + Point(2, 1000, 1000, 2) +
                              Point(2, 1000, 3000, 2) + Point(2, 0, 3000, 2) + Point(2, 0, 0, 2));
    const std::string projects = " tissue.KXP hand.KXP";
    ASSERT_EQ(Tool("shapes --unit mm -o shapes.csv" + projects).status, 0);
    ASSERT_EQ(Tool("values --unit mm -o values.csv" + projects).status, 0);
    dir.Write("check.R", kShapesScript);
    const std::string command = "Rscript '" + dir.File("check.R") + "' '" + dir.File("shapes.csv") +
                                "' '" + dir.File("values.csv") + "' >'" + dir.File("r.out") +
                                "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << test::TempDir::Read(dir.File("r.out"));
    const std::string out = test::TempDir::Read(dir.File("r.out"));
    EXPECT_NE(out.find("columns 49 logical numeric numeric"), std::string::npos) << out;
    // 34 polygons of the sample and the hand-made square and L shape.
    EXPECT_NE(out.find("polygons 36 36 36 TRUE TRUE TRUE TRUE TRUE TRUE"), std::string::npos)
        << out;
}

TEST_F(BatchToolTest, ParallelJobsGiveTheTableOfOneJob) {
    // Each project reads as in a fresh window: the file without a version
    // line ignores its exclusion flags whichever project a job read before.
    std::string names;
    for (int i = 0; i < 12; ++i) {
        std::string points;
        for (int k = 0; k <= i; ++k) {
            points += Point(1, 0, 10 * k, 1, k == 0) + Point(1, 100 + 37 * k * i, 10 * k, 2);
        }
        const std::string name = "p" + std::to_string(i) + ".KXP";
        dir.Write(name, Project(points, "tissue.jpg", i % 3 != 0));
        names += " " + name;
    }
    const ToolRun one = Tool("stats --jobs 1" + names);
    const ToolRun two = Tool("stats --jobs 2" + names);
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, two.out);
    const ToolRun alone = Tool("stats p3.KXP");
    const auto all = ParseCsv(one.out);
    const auto single = ParseCsv(alone.out);
    ASSERT_EQ(single.size(), 2u);
    EXPECT_EQ(single[1][8], "0");  // no version line: the flag is not read
    EXPECT_NE(std::find(all.begin(), all.end(), single[1]), all.end());
}

struct ExportCase {
    const char* kind;
    int32_t exportKind;
    const char* types;  // --types, empty for all
};

class BatchExportTest : public BatchToolTest, public testing::WithParamInterface<ExportCase> {};

TEST_P(BatchExportTest, FilesEqualThoseOfTheExportMenu) {
    const ExportCase& c = GetParam();
    dir.Write("hand.KXP", HandProject());
    fs::create_directories(dir.Path() / "out");
    const std::string types = *c.types ? std::string(" --types ") + c.types : std::string();
    const ToolRun run =
        Tool(std::string("export --kind ") + c.kind + types + " -o out tissue.KXP hand.KXP");
    ASSERT_EQ(run.status, 0) << run.err;

    std::vector<int32_t> listed;
    for (std::string_view rest = c.types; !rest.empty();) {
        const std::size_t comma = rest.find(',');
        listed.push_back(static_cast<int32_t>(Number(std::string(rest.substr(0, comma)))));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    for (const char* name : {"tissue", "hand"}) {
        Window window;
        window.Load(dir.Path() / (std::string(name) + ".KXP"));
        const std::vector<int32_t> exported = window.ExportedTypes();
        window.Choose(exported.front());
        const std::string expected = dir.File(std::string("menu-") + name + "." +
                                              std::string(ExportExtension(c.exportKind)));
        window.ui.saveAnswers.push_back(expected);
        for (const int32_t type : exported) {
            const bool yes =
                listed.empty() || std::find(listed.begin(), listed.end(), type) != listed.end();
            window.ui.boxAnswers.push_back(yes ? kAnswerYes : kAnswerNo);
        }
        window.ws.DoWriteFile(c.exportKind);

        // The R table has a name of its own beside the report of the same project.
        const std::string written =
            dir.File("out/" + std::string(name) + (c.exportKind == kExportR ? "_R." : ".") +
                     std::string(ExportExtension(c.exportKind)));
        ASSERT_TRUE(fs::exists(expected)) << name;
        EXPECT_EQ(test::TempDir::Read(written), test::TempDir::Read(expected)) << name;
        EXPECT_NE(run.out.find(written.substr(dir.Path().string().size() + 1)), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, BatchExportTest,
                         testing::Values(ExportCase{"report", kExportReport, ""},
                                         ExportCase{"tessaplot", kExportTessaplot, ""},
                                         ExportCase{"tessaplot", kExportTessaplot, "2,7"},
                                         ExportCase{"r", kExportR, ""},
                                         ExportCase{"r", kExportR, "1,2"}),
                         [](const auto& param) {
                             return std::string(param.param.kind) +
                                    (*param.param.types ? "Listed" : "All");
                         });

TEST_F(BatchToolTest, TheReportAndTheRTableBesideTheProjectKeepEachOther) {
    ASSERT_EQ(Tool("export --kind report tissue.KXP").status, 0);
    const std::string report = test::TempDir::Read(dir.File("tissue.TXT"));
    const ToolRun r = Tool("export --kind r tissue.KXP");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "tissue_R.TXT\n");
    EXPECT_EQ(test::TempDir::Read(dir.File("tissue.TXT")), report);
    EXPECT_NE(test::TempDir::Read(dir.File("tissue_R.TXT")), report);
}

TEST_F(BatchToolTest, ExportRefusesToWriteTwoProjectsToOneFile) {
    fs::create_directories(dir.Path() / "a");
    fs::create_directories(dir.Path() / "out");
    fs::copy_file(dir.Path() / "tissue.KXP", dir.Path() / "a" / "tissue.KXP");
    const ToolRun run = Tool("export --kind report -o out tissue.KXP a/tissue.KXP");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(Tool("export --kind report tissue.KXP ./tissue.KXP").status, 2);
    EXPECT_NE(run.err.find("both"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.Path() / "out" / "tissue.TXT"));
}

TEST_F(BatchToolTest, ExportThatWritesNothingFailsTheRun) {
    dir.Write("empty.KXP", Project(""));
    const ToolRun none = Tool("export --kind report empty.KXP");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("nothing exported"), std::string::npos) << none.err;
    const ToolRun unlisted = Tool("export --kind r --types 200 tissue.KXP");
    EXPECT_EQ(unlisted.status, 1);
    EXPECT_NE(unlisted.err.find("nothing exported"), std::string::npos) << unlisted.err;

    // A chosen file keeps its name, in any letter case, and replaces no
    // neighbour whose name differs only in case.
    dir.Write("results.TXT", "another export");
    const ToolRun chosen = Tool("export --kind report -o results.txt tissue.KXP");
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_EQ(chosen.out, "results.txt\n");
    EXPECT_EQ(test::TempDir::Read(dir.File("results.TXT")), "another export");
    EXPECT_NE(test::TempDir::Read(dir.File("results.txt")).find("tissue.KXP"), std::string::npos);
}

TEST_F(BatchToolTest, AnOutputFileThatCannotBeMadeFailsTheRun) {
    // Each says what the system said.
    const ToolRun run = Tool("stats -o missing/table.csv tissue.KXP");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot create missing/table.csv: No such file or directory"),
              std::string::npos)
        << run.err;
    const ToolRun screen = Tool("export --kind screen -o missing/screen.txt tissue.KXP");
    EXPECT_EQ(screen.status, 1);
    EXPECT_NE(screen.err.find("No such file or directory"), std::string::npos) << screen.err;
    const ToolRun report = Tool("export --kind report -o missing/report.txt tissue.KXP");
    EXPECT_EQ(report.status, 1);
    EXPECT_NE(report.err.find("No such file or directory"), std::string::npos) << report.err;
    const ToolRun picture = Tool("render --format wmf -o missing/view.wmf tissue.KXP");
    EXPECT_EQ(picture.status, 1);
    EXPECT_NE(picture.err.find("No such file or directory"), std::string::npos) << picture.err;
}

TEST_F(BatchToolTest, MissingDataFilesAreNamedWithTheReason) {
    if (fs::exists(KVX_INSTALL_DATA_DIR)) GTEST_SKIP() << "installed data would be found";
    // A copy of the tool with no data beside it and none installed.
    fs::create_directories(dir.Path() / "bare" / "bin");
    fs::copy_file(KVX_BATCH_EXE, dir.Path() / "bare" / "bin" / "korvanix-batch");
    const std::string command = "'" + dir.File("bare/bin/korvanix-batch") + "' check '" +
                                dir.File("tissue.KXP") + "' 2>'" + dir.File("bare.err") + "'";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 3);
    const std::string err = test::TempDir::Read(dir.File("bare.err"));
    EXPECT_NE(err.find(": No such file or directory)"), std::string::npos) << err;
}

TEST_F(BatchToolTest, DashIsStandardOutputWhereTheOutputIsOneFile) {
    const ToolRun table = Tool("values -o - tissue.KXP");
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out, Tool("values tissue.KXP").out);
    EXPECT_FALSE(fs::exists(dir.Path() / "-"));

    ASSERT_EQ(Tool("export --kind r -o own.txt tissue.KXP").status, 0);
    const ToolRun exported = Tool("export --kind r -o - tissue.KXP");
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, test::TempDir::Read(dir.File("own.txt")));
    const ToolRun report = Tool("export --kind report -o- tissue.KXP");
    ASSERT_EQ(report.status, 0) << report.err;
    EXPECT_NE(report.out.find("tissue.KXP"), std::string::npos) << report.out;
    EXPECT_FALSE(fs::exists(dir.Path() / "-"));
    EXPECT_FALSE(fs::exists(dir.Path() / "-.TXT"));
    EXPECT_FALSE(fs::exists(dir.Path() / "tissue.TXT"));
    // A project that gives nothing passes nothing on.
    dir.Write("empty.KXP", Project(""));
    const ToolRun none = Tool("export --kind report -o - empty.KXP");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");

    ASSERT_EQ(Tool("render --format wmf -o view.wmf tissue.KXP").status, 0);
    const ToolRun picture = Tool("render --format wmf -o - tissue.KXP");
    ASSERT_EQ(picture.status, 0) << picture.err;
    EXPECT_EQ(picture.out, test::TempDir::Read(dir.File("view.wmf")));
}

TEST_F(BatchToolTest, StandardOutputThatCannotBeWrittenFailsTheRun) {
    for (const std::string arguments :
         {"values tissue.KXP", "stats tissue.KXP", "check tissue.KXP",
          "export --kind report -o - tissue.KXP", "render --format wmf -o - tissue.KXP"}) {
        const std::string err = dir.File("full.err");
        const std::string command = "cd '" + dir.File(".") + "' && XDG_CONFIG_HOME='" +
                                    dir.File("config") + "' '" KVX_BATCH_EXE "' " + arguments +
                                    " >/dev/full 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1) << arguments;
        EXPECT_NE(
            test::TempDir::Read(err).find("cannot write standard output: No space left on device"),
            std::string::npos)
            << arguments << ": " << test::TempDir::Read(err);
    }
}

TEST_F(BatchToolTest, ScreenReportGoesToStandardOutput) {
    Window window;
    window.Load(dir.Path() / "tissue.KXP");
    window.ws.DoWriteFile(kExportScreen);
    ASSERT_EQ(window.ui.screenReports.size(), 1u);

    // Run elsewhere, the tool finds the image beside the project, as the
    // window does from its own folder.
    const ToolRun run = Tool("export --kind screen ../tissue.KXP", "config");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string expected = window.ui.screenReports[0].caption + "\n";
    for (const std::string& line : window.ui.screenReports[0].lines) expected += line + "\n";
    // The same text, in UTF-8 ("µ", "±" and "²" are two bytes there).
    std::string converted;
    for (const char c : expected + "\n") {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0xA0) {
            converted += static_cast<char>(0xC0 | (byte >> 6));
            converted += static_cast<char>(0x80 | (byte & 0x3F));
        } else {
            converted += c;
        }
    }
    EXPECT_EQ(run.out, converted);
}

int32_t Little32(const std::string& bytes, std::size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes[at + k]);
    return static_cast<int32_t>(v);
}

TEST_F(BatchToolTest, RenderWritesAPlaceableMetafile) {
    const ToolRun wmf = Tool("render --format wmf -o view.wmf tissue.KXP");
    ASSERT_EQ(wmf.status, 0) << wmf.err;
    EXPECT_EQ(wmf.out, "view.wmf\n");
    EXPECT_FALSE(fs::exists(dir.Path() / "view.WMF"));
    const std::string metafile = test::TempDir::Read(dir.File("view.wmf"));
    ASSERT_GT(metafile.size(), 22u);
    EXPECT_EQ(static_cast<uint32_t>(Little32(metafile, 0)), 0x9AC6CDD7u);  // placeable

    // A project whose picture cannot be drawn writes nothing, and a good
    // earlier picture stays.
    dir.Write("damaged.jpg", "not a JPEG at all");
    dir.Write("damaged.KXP", Project(Point(1, 0, 0, 1), "damaged.jpg"));
    const ToolRun failed = Tool("render --format wmf -o view.wmf damaged.KXP");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(test::TempDir::Read(dir.File("view.wmf")), metafile);
}

TEST_F(BatchToolTest, RenderRasterPicturesOfTheAskedSize) {
    if (!KVX_BATCH_HAS_RASTER) {
        EXPECT_EQ(Tool("render --format bmp -o view.bmp tissue.KXP").status, 2);
        GTEST_SKIP() << "built without Qt";
    }
    const ToolRun bmp = Tool("render --format bmp --size 321 -o view.bmp tissue.KXP");
    ASSERT_EQ(bmp.status, 0) << bmp.err;
    EXPECT_EQ(bmp.err, "");
    const std::string bitmap = test::TempDir::Read(dir.File("view.bmp"));
    ASSERT_GT(bitmap.size(), 54u);
    EXPECT_EQ(Little32(bitmap, 18), 321);
    EXPECT_EQ(Little32(bitmap, 22), 321);

    const ToolRun jpg = Tool("render --format jpg --size 200 --quality 50 -o view tissue.KXP");
    ASSERT_EQ(jpg.status, 0) << jpg.err;
    const std::string jpeg = test::TempDir::Read(dir.File("view.JPG"));
    const std::size_t frame = jpeg.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    const auto word = [&](std::size_t at) {
        return static_cast<unsigned char>(jpeg[at]) * 256 +
               static_cast<unsigned char>(jpeg[at + 1]);
    };
    EXPECT_EQ(word(frame + 5), 200);  // height
    EXPECT_EQ(word(frame + 7), 200);  // width
}

TEST_F(BatchToolTest, RenderShowsATurnedPhotoUprightAndReadsPngAndTiff) {
    if (!KVX_BATCH_HAS_RASTER) GTEST_SKIP() << "built without Qt";
    // Stored 64 x 48 with red at the top left, on its side (orientation 6):
    // shown 48 x 64, red at the top right, the picture filling the height of
    // the square view and three quarters of its width.
    dir.Write("phone.jpg", test::WithExifOrientation(test::QuarterJpeg(64, 48), 6));
    dir.Write("phone.KXP", Project("", "phone.jpg"));
    const ToolRun run = Tool("render --format bmp --size 200 -o phone.bmp phone.KXP");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bitmap = test::TempDir::Read(dir.File("phone.bmp"));
    PixelImage view;
    ASSERT_EQ(DecodeBmp(reinterpret_cast<const uint8_t*>(bitmap.data()), bitmap.size(),
                        PictureLimits{}, view),
              DecodeStatus::Ok);
    ASSERT_EQ(view.Width(), 200);
    const uint8_t* topRight = view.Row(40) + 100 * 3;
    EXPECT_GT(topRight[0], 200);
    EXPECT_LT(topRight[2], 60);
    const uint8_t* topLeft = view.Row(40) + 30 * 3;
    EXPECT_LT(topLeft[0], 60);
    EXPECT_GT(topLeft[2], 200);

    // A 16-bit grey PNG and a TIFF: projects on them are checked and drawn.
    test::RawPicture grey(60, 40, 1, 16);
    for (uint16_t& v : grey.samples) v = 300;
    grey.At(0, 0, 0) = 200;
    dir.Write("scan.png", test::PngBytes(grey));
    dir.Write("scan.TIF", test::TiffBytes(grey));
    dir.Write("png.KXP", Project(Point(1, 0, 0, 1) + Point(1, 100, 0, 2), "scan.png"));
    dir.Write("tif.KXP", Project(Point(1, 0, 0, 1) + Point(1, 100, 0, 2), "scan.TIF"));
    const ToolRun check = Tool("check png.KXP tif.KXP");
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_EQ(check.out, "png.KXP: OK\ntif.KXP: OK\n");
    const ToolRun png = Tool("render --format bmp --size 120 -o scan.bmp png.KXP");
    ASSERT_EQ(png.status, 0) << png.err;
    const std::string scan = test::TempDir::Read(dir.File("scan.bmp"));
    ASSERT_EQ(DecodeBmp(reinterpret_cast<const uint8_t*>(scan.data()), scan.size(), PictureLimits{},
                        view),
              DecodeStatus::Ok);
    // The range the picture holds, 200 .. 300, spread over black to white.
    EXPECT_GT(view.Row(50)[60 * 3], 240);
}

// A scan of seeds: dark discs on a light 8-bit grey PNG, one cut by the
// picture's edge; at 2400 dpi a pixel is 25400 / 2400 micrometres wide.
struct SeedScan {
    test::RawPicture picture{200, 150, 1, 8};
    int64_t inside = 0;  ///< pixels of the discs within the picture
    int64_t edge = 0;    ///< of the disc on the edge

    SeedScan() {
        for (uint16_t& v : picture.samples) v = 210;
        const double discs[4][3] = {{40, 40, 12}, {120, 50, 20}, {80, 110, 15}, {195, 120, 10}};
        for (int k = 0; k < 4; ++k) {
            for (int32_t y = 0; y < 150; ++y) {
                for (int32_t x = 0; x < 200; ++x) {
                    const double dx = x + 0.5 - discs[k][0];
                    const double dy = y + 0.5 - discs[k][1];
                    if (dx * dx + dy * dy > discs[k][2] * discs[k][2]) continue;
                    picture.At(x, y, 0) = 40;
                    ++(k == 3 ? edge : inside);
                }
            }
        }
    }
};

std::string AreaText(int64_t pixels) {
    const double side = 25400.0 / 2400.0;
    return batch::ShortestNumber(static_cast<double>(pixels) * side * side);
}

TEST_F(BatchToolTest, DetectDryRunCountsWithoutWriting) {
    const SeedScan scan;
    dir.Write("seeds.png", test::PngBytes(scan.picture));
    dir.Write("seeds.KXP", Project("", "seeds.png"));
    const std::string before = test::TempDir::Read(dir.File("seeds.KXP"));
    const ToolRun all = Tool("detect --type 2 --dry-run --unit um seeds.KXP");
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "seeds.KXP: 4 objects, total area " + AreaText(scan.inside + scan.edge) +
                           " \xC2\xB5m\xC2\xB2\n");
    const ToolRun inner = Tool("detect --type 2 --dry-run --exclude-edges --unit um seeds.KXP");
    ASSERT_EQ(inner.status, 0) << inner.err;
    EXPECT_EQ(inner.out,
              "seeds.KXP: 3 objects, total area " + AreaText(scan.inside) + " \xC2\xB5m\xC2\xB2\n");
    // Light objects on this picture: the background with the discs' holes filled.
    const ToolRun light = Tool("detect --type 2 --dry-run --objects light seeds.KXP");
    EXPECT_NE(light.out.find(": 1 objects"), std::string::npos) << light.out;
    EXPECT_EQ(test::TempDir::Read(dir.File("seeds.KXP")), before);
}

TEST_F(BatchToolTest, DetectAddsObjectsAndSavesSafely) {
    const SeedScan scan;
    dir.Write("seeds.png", test::PngBytes(scan.picture));
    dir.Write("seeds.KXP", Project(Point(1, 0, 0, 1) + Point(1, 100, 0, 2), "seeds.png"));
    const ToolRun polygons = Tool("detect --type 2 --exclude-edges seeds.KXP");
    ASSERT_EQ(polygons.status, 0) << polygons.err;
    EXPECT_NE(polygons.out.find("3 objects"), std::string::npos) << polygons.out;
    EXPECT_TRUE(fs::exists(dir.Path() / "seeds.BAK"));
    const ToolRun counts = Tool("detect --type 3 seeds.KXP");
    ASSERT_EQ(counts.status, 0) << counts.err;

    Window window;
    window.Load(dir.Path() / "seeds.KXP");
    ValueList values;
    CollectValues(window.ws.history(), window.program.objectTypes, 2, values);
    ASSERT_EQ(values.Count(), 3);
    double total = 0.0;
    for (int32_t k = 1; k <= 3; ++k) total += values.Entry(k).value;
    const double side = 25400.0 / 2400.0;
    const double expected = static_cast<double>(scan.inside) * side * side;
    EXPECT_NEAR(total, expected, 0.01 * expected);
    CollectValues(window.ws.history(), window.program.objectTypes, 3, values);
    ASSERT_EQ(values.Count(), 1);
    EXPECT_EQ(values.Entry(1).value, 4.0);
    // The line measured by hand is still there.
    CollectValues(window.ws.history(), window.program.objectTypes, 1, values);
    EXPECT_EQ(values.Count(), 1);

    // A type that holds no outlines or points is refused, and nothing is written.
    const std::string saved = test::TempDir::Read(dir.File("seeds.KXP"));
    const ToolRun refused = Tool("detect --type 1 --language en seeds.KXP");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Polygon or Count"), std::string::npos) << refused.err;
    EXPECT_EQ(test::TempDir::Read(dir.File("seeds.KXP")), saved);
}

}  // namespace
}  // namespace kvx
