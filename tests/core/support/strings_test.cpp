#include "core/support/strings.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <limits>

namespace kvx {
namespace {

constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

struct IntCase {
    const char* text;
    ErrorCode code;
    int32_t value;
};

class IntValTest : public testing::TestWithParam<IntCase> {};

TEST_P(IntValTest, ReadsOrRefuses) {
    const IntCase& c = GetParam();
    int32_t value = 12345;
    EXPECT_EQ(IntVal(c.text, value), c.code) << '"' << c.text << '"';
    EXPECT_EQ(value, c.code == kOk ? c.value : 12345) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntValTest,
    testing::Values(IntCase{"", kOk, 0}, IntCase{"   ", kOk, 0}, IntCase{" -7 ", kOk, -7},
                    IntCase{"+4", kOk, 4}, IntCase{"12,6", kOk, 13}, IntCase{"12.6", kOk, 13},
                    IntCase{"2.5", kOk, 2}, IntCase{"3.5", kOk, 4}, IntCase{"-2.5", kOk, -2},
                    IntCase{".5", kOk, 0}, IntCase{"5.", kOk, 5}, IntCase{"1e3", kOk, 1000},
                    IntCase{"2147483647", kOk, kInt32Max},
                    // Judged after rounding: every int32 reads back.
                    IntCase{"-2147483648", kOk, kInt32Min}, IntCase{"2147483647.4", kOk, kInt32Max},
                    IntCase{"2147483647.5", 1010201, 0}, IntCase{"2147483648", 1010201, 0},
                    IntCase{"-2147483649", 1010201, 0}, IntCase{"1e400", 1010201, 0},
                    IntCase{"1e-400", kOk, 0},
                    // Only the first comma is a decimal point.
                    IntCase{"1,5,0", 1010101, 0}, IntCase{"abc", 1010101, 0},
                    IntCase{"1 2", 1010101, 0}, IntCase{"\t3", 1010101, 0},
                    IntCase{"inf", 1010101, 0}, IntCase{"nan", 1010101, 0},
                    IntCase{"0x10", 1010101, 0}, IntCase{"1e", 1010101, 0},
                    IntCase{".", 1010101, 0}, IntCase{"-", 1010101, 0}));

TEST(RealValTest, ReadsCommaOrPointAndRefusesTheRest) {
    double value = -1.0;
    EXPECT_EQ(RealVal(" -0,25 ", value), kOk);
    EXPECT_DOUBLE_EQ(value, -0.25);
    EXPECT_EQ(RealVal("", value), kOk);
    EXPECT_EQ(value, 0.0);
    EXPECT_EQ(RealVal("1.5e2", value), kOk);
    EXPECT_DOUBLE_EQ(value, 150.0);
    EXPECT_EQ(RealVal("1e-400", value), kOk);
    EXPECT_EQ(value, 0.0);
    for (const char* bad : {"x", "1,2,3", "1e400", "inf", "1.5 m"}) {
        EXPECT_EQ(RealVal(bad, value), 1020101) << bad;
    }
}

TEST(RealValTest, IgnoresTheProcessLocale) {
    // The front end runs in the user's locale; a German one must not turn
    // the points of stored numbers into commas or stop them from parsing.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    double value = 0.0;
    EXPECT_EQ(RealVal("2.5", value), kOk);
    EXPECT_EQ(value, 2.5);
    EXPECT_EQ(FormatReal(0, 2, false, 2.5), "2.50");
    std::setlocale(LC_ALL, saved.c_str());
    if (!german) GTEST_SKIP() << "no German locale installed";
}

TEST(IsNumberTest, WholeTrimmedDecimalTextOnly) {
    for (const char* yes : {"1", " 1.5 ", "-3e-2", "+0.", ".5", "1E5"}) EXPECT_TRUE(IsNumber(yes));
    for (const char* no : {"", "  ", "1,5", "1.5.", "e5", "0x1", "--1", "1 5"}) {
        EXPECT_FALSE(IsNumber(no)) << no;
    }
}

struct HexCase {
    const char* text;
    bool ok;
    int32_t value;
};

class HexValTest : public testing::TestWithParam<HexCase> {};

TEST_P(HexValTest, ReadsOrRefuses) {
    const HexCase& c = GetParam();
    int32_t value = 77;
    EXPECT_EQ(HexVal(c.text, value), c.ok) << c.text;
    if (c.ok) {
        EXPECT_EQ(value, c.value) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HexValTest,
    testing::Values(HexCase{"#FF", true, 255}, HexCase{"ff", true, 255}, HexCase{"-10", true, -16},
                    HexCase{"$1a", true, 26}, HexCase{"", true, 0}, HexCase{"G1", false, 0},
                    HexCase{" FF", false, 0}, HexCase{"FF ", false, 0},
                    HexCase{"000000000FF", true, 255},
                    // Eight digits are a 32-bit pattern; a ninth does not fit.
                    HexCase{"7FFFFFFF", true, kInt32Max}, HexCase{"FFFFFFFF", true, -1},
                    HexCase{"100000000", false, 0}, HexCase{"-80000000", true, kInt32Min},
                    HexCase{"-80000001", false, 0}));

TEST(IntToHexTest, DigitsWithoutPrefixAndReadBack) {
    EXPECT_EQ(IntToHex(255), "FF");
    EXPECT_EQ(IntToHex(0), "0");
    EXPECT_EQ(IntToHex(-16), "-10");
    EXPECT_EQ(IntToHex(std::numeric_limits<int64_t>::min()), "-8000000000000000");
    for (const int32_t v : {0, 1, -1, 4095, kInt32Max, kInt32Min}) {
        int32_t back = 0;
        ASSERT_TRUE(HexVal(IntToHex(v), back)) << v;
        EXPECT_EQ(back, v);
    }
}

TEST(IntToStrTest, RightAlignedNeverCut) {
    EXPECT_EQ(IntToStr(5), "5");
    EXPECT_EQ(IntToStr(5, 3), "  5");
    EXPECT_EQ(IntToStr(-1234, 2), "-1234");
}

struct FormatCase {
    int width;
    int decimals;
    bool comma;
    double value;
    const char* expected;
};

class FormatRealTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatRealTest, Formats) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatReal(c.width, c.decimals, c.comma, c.value), c.expected)
        << c.width << ' ' << c.decimals << ' ' << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatRealTest,
    testing::Values(FormatCase{0, -1, false, 2.5, "2.5"}, FormatCase{0, 3, false, 2.5, "2.500"},
                    FormatCase{0, 3, false, 2.0, "2.0"}, FormatCase{0, 0, false, 2.6, "3"},
                    FormatCase{0, -1, true, 2.5, "2,5"}, FormatCase{0, -1, false, 2.0, "2"},
                    FormatCase{0, 0, false, 2.5, "2"}, FormatCase{0, 1, false, -3.0, "-3.0"},
                    FormatCase{0, -1, false, 1.0 / 3.0, "0.333333333333"},
                    FormatCase{0, -1, false, 1e-13, "0"}, FormatCase{0, 2, false, -0.001, "0.00"},
                    // The shortest text that reads back, not the binary noise.
                    FormatCase{0, -1, false, 123456.789, "123456.789"},
                    FormatCase{0, -1, true, 0.1 + 0.2, "0,3"},
                    FormatCase{0, -1, false, -2.675, "-2.675"},
                    FormatCase{0, 3, true, 1234.5, "1234,500"},
                    FormatCase{0, -1, false, 1e19, "10000000000000000000"},
                    FormatCase{0, 2, false, 1e19, "10000000000000000000.00"},
                    FormatCase{8, 2, false, 3.14159, "    3.14"},
                    FormatCase{5, -1, false, 2.5, "    2"}, FormatCase{5, -1, false, 3.5, "    4"},
                    FormatCase{5, -1, false, -0.3, "    0"}, FormatCase{2, 3, true, 1.5, "1,500"}));

struct TextField {
    const char* line;
    char separator;
    int number;
    bool allowMissing;
    ErrorCode code;
    const char* text;
};

class GetTextFieldTest : public testing::TestWithParam<TextField> {};

TEST_P(GetTextFieldTest, Splits) {
    const TextField& c = GetParam();
    std::string field = "untouched";
    EXPECT_EQ(GetField(c.line, c.separator, 'S', c.allowMissing, field, c.number), c.code);
    EXPECT_EQ(field, c.text);
}

INSTANTIATE_TEST_SUITE_P(Lines, GetTextFieldTest,
                         testing::Values(TextField{"a;b;;d", ';', 1, false, kOk, "a"},
                                         TextField{"a;b;;d", ';', 3, false, kOk, ""},
                                         TextField{"a;b;;d", ';', 4, false, kOk, "d"},
                                         TextField{"a;b;;d;", ';', 4, false, kOk, "d"},
                                         TextField{"a;b;;d", ';', 5, false, 1030401, "untouched"},
                                         TextField{"a;b;;d", ';', 5, true, kOk, ""},
                                         TextField{"a;b;;d", ';', 0, false, 1030401, "untouched"},
                                         TextField{"", ';', 1, true, 1030101, "untouched"},
                                         TextField{" x ;", ';', 1, false, kOk, " x "},
                                         TextField{"a\t\t", '\t', 2, false, kOk, ""},
                                         TextField{"a\t\t", '\t', 3, false, 1030401, "untouched"}));

TEST(GetFieldTest, NumberKinds) {
    int32_t i = -1;
    EXPECT_EQ(GetField("10,20", ',', 'I', false, i, 2), kOk);
    EXPECT_EQ(i, 20);
    // The field passes IntVal (it would give 2) but not the number test.
    EXPECT_EQ(GetField("1,5;", ';', 'I', false, i, 1), 1030201);
    EXPECT_EQ(GetField("x;1e10;", ';', 'L', false, i, 2), 1010201);
    EXPECT_EQ(GetField("x;;", ';', 'I', false, i, 2), kOk);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(GetField("x;FF;", ';', 'H', false, i, 2), kOk);
    EXPECT_EQ(i, 255);
    EXPECT_EQ(GetField("x; FF;", ';', 'H', false, i, 2), 1030301);
    i = 9;
    EXPECT_EQ(GetField("x;", ';', 'I', true, i, 4), kOk);
    EXPECT_EQ(i, 0);

    uint8_t b = 1;
    EXPECT_EQ(GetField("255;256;-1", ';', 'B', false, b, 1), kOk);
    EXPECT_EQ(b, 255);
    EXPECT_EQ(GetField("255;256;-1", ';', 'B', false, b, 2), 1030501);
    EXPECT_EQ(GetField("255;256;-1", ';', 'B', false, b, 3), 1030501);
    EXPECT_EQ(b, 255);

    uint16_t w = 1;
    EXPECT_EQ(GetField("65535;65536", ';', 'W', false, w, 1), kOk);
    EXPECT_EQ(w, 65535);
    EXPECT_EQ(GetField("65535;65536", ';', 'W', false, w, 2), 1030501);

    bool x = false;
    EXPECT_EQ(GetField("0;2;", ';', 'X', false, x, 2), kOk);
    EXPECT_TRUE(x);
    EXPECT_EQ(GetField("0;2;", ';', 'X', false, x, 1), kOk);
    EXPECT_FALSE(x);

    double r = 0.0;
    EXPECT_EQ(GetField("a;-2.5e1;", ';', 'R', false, r, 2), kOk);
    EXPECT_EQ(r, -25.0);
    EXPECT_EQ(GetField("a;b;", ';', 'R', false, r, 2), 1030201);

    char c = 0;
    EXPECT_EQ(GetField("abc;", ';', 'C', false, c, 1), kOk);
    EXPECT_EQ(c, 'a');
}

TEST(GetFieldTest, KindOfAnotherTypeStoresNothing) {
    int32_t i = 42;
    EXPECT_EQ(GetField("7;", ';', 'S', false, i, 1), kOk);
    EXPECT_EQ(GetField("7;", ';', 'Q', false, i, 1), kOk);
    EXPECT_EQ(i, 42);
    // The line and number checks still apply to an unknown kind.
    EXPECT_EQ(GetField("", ';', 'Q', false, i, 1), 1030101);
    EXPECT_EQ(GetField("x;", ';', 'Q', false, i, 1), 1030201);
}

TEST(TextHelpersTest, TrimAndPositions) {
    EXPECT_EQ(Trim(std::string_view("  a b \0 ", 8)), "a b");
    EXPECT_EQ(Trim("\ta\t"), "\ta\t");
    EXPECT_EQ(TrimRight("  a  "), "  a");
    EXPECT_EQ(CutTo("abcdef", 3), "abc");
    EXPECT_EQ(PosChar('.', "a.b.c"), 2);
    EXPECT_EQ(LastPos('.', "a.b.c"), 4);
    EXPECT_EQ(LastPos('x', "a.b.c"), 0);
}

TEST(SwapBytesTest, ExchangesBlocks) {
    char a[] = "abcd";
    char b[] = "wxyz";
    SwapBytes(a, b, 3);
    EXPECT_STREQ(a, "wxyd");
    EXPECT_STREQ(b, "abcz");
    SwapBytes(a, b, 0);
    EXPECT_STREQ(a, "wxyd");
}

}  // namespace
}  // namespace kvx
