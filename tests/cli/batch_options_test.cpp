#include "cli/batch_options.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <limits>

#include "cli/batch_stats.hpp"
#include "core/export/text_export.hpp"

namespace kvx::batch {
namespace {

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t blank = line.find(' ', start);
        words.push_back(line.substr(start, blank - start));
        if (blank == std::string::npos) break;
        start = blank + 1;
    }
    return words;
}

struct RejectedCase {
    const char* arguments;
    const char* reason;  // a part of the message
};

class RejectedArguments : public testing::TestWithParam<RejectedCase> {};

TEST_P(RejectedArguments, SayWhy) {
    const ParseResult result = ParseArguments(Split(GetParam().arguments));
    EXPECT_FALSE(result.Ok());
    EXPECT_NE(result.error.find(GetParam().reason), std::string::npos) << result.error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RejectedArguments,
    testing::Values(
        RejectedCase{"frobnicate a.KXP", "unknown command"}, RejectedCase{"check", "no project"},
        RejectedCase{"export a.KXP", "--kind"},
        RejectedCase{"export --kind pdf a.KXP", "--kind must be"},
        // Report and screen ask nothing, so there is nothing to answer.
        RejectedCase{"export --kind report --types 1,2 a.KXP", "tessaplot and r"},
        RejectedCase{"export --kind r --types 1,,2 a.KXP", "--types"},
        RejectedCase{"export --kind r --types 257 a.KXP", "--types"},
        RejectedCase{"render --format bmp a.KXP", "-o FILE"},
        RejectedCase{"render --format bmp -o x a.KXP b.KXP", "one project"},
        RejectedCase{"render --format png -o x a.KXP", "--format"},
        RejectedCase{"render --format jpg --quality 0 -o x a.KXP", "--quality"},
        RejectedCase{"stats --jobs 0 a.KXP", "--jobs"},
        RejectedCase{"stats --unit inch a.KXP", "--unit"},
        RejectedCase{"stats --size 10 a.KXP", "unknown option"},
        RejectedCase{"stats a.KXP -o", "needs a value"}, RejectedCase{"stats -j a.KXP", "--jobs"},
        RejectedCase{"stats -x4 a.KXP", "unknown option -x4"},
        // Two files cannot both be standard output.
        RejectedCase{"export --kind r -o - a.KXP b.KXP", "-o -"},
        RejectedCase{"detect a.KXP", "--type"}, RejectedCase{"detect --type 0 a.KXP", "--type"},
        RejectedCase{"detect --type 2 --threshold mean a.KXP", "--threshold"},
        RejectedCase{"detect --type 2 --threshold 70000 a.KXP", "--threshold"},
        RejectedCase{"detect --type 2 --objects grey a.KXP", "--objects"},
        RejectedCase{"detect --type 2 --channel alpha a.KXP", "--channel"},
        RejectedCase{"detect --type 2 --min-area -1 a.KXP", "--min-area"},
        RejectedCase{"detect --type 2 --min-circularity 1.5 a.KXP", "--min-circularity"},
        RejectedCase{"detect --type 2 --min-area 5 --max-area 1 a.KXP", "larger"},
        // Switches of one command are no options of another.
        RejectedCase{"check --split a.KXP", "unknown option"}));

TEST(BatchArguments, OptionsMayStandAnywhereInEitherForm) {
    const ParseResult result = ParseArguments(
        Split("export a.KXP --kind=r -j 2 --types 3,1 --language de -o out b.KXP --unit cm"));
    ASSERT_TRUE(result.Ok()) << result.error;
    const Options& o = result.options;
    EXPECT_EQ(o.command, Command::Export);
    EXPECT_EQ(o.exportKind, kExportR);
    EXPECT_EQ(o.projects, (std::vector<std::string>{"a.KXP", "b.KXP"}));
    EXPECT_EQ(o.types, (std::vector<int32_t>{3, 1}));
    EXPECT_EQ(o.jobs, 2);
    EXPECT_EQ(o.language, 0);
    EXPECT_EQ(o.unit, 2);
    EXPECT_EQ(o.output, "out");

    // Short options take their value joined, as GNU programs do.
    const ParseResult joined = ParseArguments(Split("values -j4 -oout.csv a.KXP - --jobs=3"));
    ASSERT_TRUE(joined.Ok()) << joined.error;
    EXPECT_EQ(joined.options.jobs, 3);
    EXPECT_EQ(joined.options.output, "out.csv");
    EXPECT_EQ(joined.options.projects, (std::vector<std::string>{"a.KXP", "-"}));
    const ParseResult toOutput = ParseArguments(Split("export --kind report -o - a.KXP"));
    ASSERT_TRUE(toOutput.Ok()) << toOutput.error;
    EXPECT_TRUE(toOutput.options.ToStandardOutput());
    EXPECT_TRUE(ParseArguments(Split("export --kind screen -o - a.KXP b.KXP")).Ok());

    // After "--" a name that looks like an option is a project.
    const ParseResult dashed = ParseArguments(Split("check -- --odd.KXP"));
    ASSERT_TRUE(dashed.Ok());
    EXPECT_EQ(dashed.options.projects, std::vector<std::string>{"--odd.KXP"});
    EXPECT_EQ(ParseArguments(Split("stats --help")).options.command, Command::Help);
}

TEST(BatchArguments, DetectTakesSwitchesAndValues) {
    const ParseResult result =
        ParseArguments(Split("detect a.KXP --type 9 --split --threshold=otsu --objects light "
                             "--channel green --min-area 0.5 --dry-run --exclude-edges b.KXP"));
    ASSERT_TRUE(result.Ok()) << result.error;
    const DetectOptions& d = result.options.detect;
    EXPECT_EQ(result.options.command, Command::Detect);
    EXPECT_EQ(result.options.projects, (std::vector<std::string>{"a.KXP", "b.KXP"}));
    EXPECT_EQ(d.type, 9);
    EXPECT_EQ(d.method, ThresholdMethod::kOtsu);
    EXPECT_FALSE(d.darkObjects);
    EXPECT_EQ(d.channel, SampleChannel::kGreenChannel);
    EXPECT_EQ(d.minArea, 0.5);
    EXPECT_TRUE(d.split && d.dryRun && d.excludeEdges);
    const ParseResult level = ParseArguments(Split("detect --type 2 --threshold 130 a.KXP"));
    ASSERT_TRUE(level.Ok()) << level.error;
    EXPECT_EQ(level.options.detect.method, ThresholdMethod::kValue);
    EXPECT_EQ(level.options.detect.level, 130);
    EXPECT_FALSE(level.options.detect.dryRun);
}

TEST(BatchCsv, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(CsvField("plain name"), "plain name");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField(""), "");
}

TEST(BatchCsv, NumbersAreShortestAndReadBackExactly) {
    EXPECT_EQ(ShortestNumber(0.1), "0.1");
    EXPECT_EQ(ShortestNumber(2.0), "2");
    EXPECT_EQ(ShortestNumber(-0.0), "0");
    EXPECT_EQ(ShortestNumber(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(ShortestNumber(std::numeric_limits<double>::quiet_NaN()), "");
    for (const double value : {0.1 + 0.2, 4819.307522870895, 1e-7, 135084613646.34009}) {
        const std::string text = ShortestNumber(value);
        EXPECT_EQ(text.find(','), std::string::npos);
        double back = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, value) << text;
    }
}

}  // namespace
}  // namespace kvx::batch
