#include "core/support/charset.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace kvx {
namespace {

int Convert(int c, CharsetMode mode) {
    return ConvertChar(static_cast<unsigned char>(c), mode);
}
int Dos(int c) {
    return Convert(c, CharsetMode::DosToWindows);
}
int Win(int c) {
    return Convert(c, CharsetMode::WindowsToDos);
}
int Ascii(int c) {
    return Convert(c, CharsetMode::WindowsToAscii);
}

TEST(CharsetTest, WindowsToDosIsTheExactInverse) {
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(Win(Dos(c)), c) << c;
        EXPECT_EQ(Dos(Win(c)), c) << c;
    }
}

TEST(CharsetTest, DosToWindowsSpotChecks) {
    const std::pair<int, int> pairs[] = {
        {0x81, 0xFC}, {0x84, 0xE4}, {0x8E, 0xC4}, {0x94, 0xF6}, {0x99, 0xD6}, {0x9A, 0xDC},
        {0xE1, 0xDF}, {0x15, 0xA7}, {0x7C, 0xA6}, {0x41, 0x41}, {0x00, 0x00}, {0xB3, 0x7C},
        {0xB8, 0x15}, {0xE6, 0xB5}, {0xFF, 0xA0}, {0x9E, 0x91}, {0xDD, 0x8A}};
    for (const auto& [dos, windows] : pairs) EXPECT_EQ(Dos(dos), windows) << std::hex << dos;
}

TEST(CharsetTest, WindowsToAsciiSpotChecks) {
    const std::pair<int, int> pairs[] = {{0x41, 0x41}, {0x7F, 0x7F}, {0x80, 'E'}, {0x93, '"'},
                                         {0x96, '-'},  {0xA7, 0x15}, {0xB5, 'm'}, {0xC4, 'A'},
                                         {0xD7, 'x'},  {0xE9, 'e'},  {0xFC, 'u'}, {0xFF, 'y'},
                                         {0x8D, '?'}};
    for (const auto& [windows, ascii] : pairs)
        EXPECT_EQ(Ascii(windows), ascii) << std::hex << windows;
}

TEST(CharsetTest, ConvertCharsetWorksInPlace) {
    std::string text = "\x84-\x94|";
    ConvertCharset(text, CharsetMode::DosToWindows);
    EXPECT_EQ(text, "\xE4-\xF6\xA6");
    ConvertCharset(text, CharsetMode::WindowsToDos);
    EXPECT_EQ(text, "\x84-\x94|");
}

TEST(CharsetTest, UpCaseCharWorksInTheDosCodePage) {
    const std::pair<int, int> pairs[] = {
        {'a', 'A'},   {'z', 'Z'}, {'Z', 'Z'}, {'1', '1'}, {0x84, 0x8E},  // a umlaut
        {0x94, 0x99},                                                    // o umlaut
        {0x81, 0x9A},                                                    // u umlaut
        {0xE1, 0xE1},  // sharp s has no capital here
        {0xF6, 0xF6},  // division sign stays
        {0x98, 0xFE},  // y diaeresis: Windows FF -> 9F, which DOS holds at FE
        {0xF2, 0xDD},  // s caron: Windows 9A -> 8A, held at F2 and DD
    };
    for (const auto& [lower, upper] : pairs) {
        EXPECT_EQ(static_cast<unsigned char>(UpCaseChar(static_cast<char>(lower))), upper)
            << std::hex << lower;
    }
    EXPECT_EQ(UpperCase("abc\x84.kxp"), "ABC\x8E.KXP");
}

TEST(Cp1252CodecTest, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Cp1252CodecTest, KnownCharacters) {
    EXPECT_EQ(Cp1252ToUtf8("\xB5m"), "\xC2\xB5m");
    EXPECT_EQ(Utf8ToCp1252("\xC2\xB5m"), "\xB5m");
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");
    EXPECT_EQ(Cp1252ToUtf8("\x9F"), "\xC5\xB8");
}

TEST(Cp1252CodecTest, CharactersItCannotHoldAreNamedOnceEach) {
    // "Zelle ä 細胞 😀 細" and a euro sign, which the code page has.
    EXPECT_EQ(Utf8NotInCp1252("Zelle \xC3\xA4 \xE7\xB4\xB0\xE8\x83\x9E \xF0\x9F\x98\x80 "
                              "\xE7\xB4\xB0 \xE2\x82\xAC?"),
              "\xE7\xB4\xB0\xE8\x83\x9E\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8NotInCp1252("plain, \xC2\xB5m"), "");
    EXPECT_EQ(Utf8NotInCp1252("a\xFF"), "\xEF\xBF\xBD");
    EXPECT_TRUE(IsValidUtf8("F\xC3\xA4rbung"));
    EXPECT_FALSE(IsValidUtf8("F\xE4rbung"));
}

TEST(Cp1252CodecTest, UnknownAndMalformedBecomeQuestionMarks) {
    const std::pair<std::string, std::string> cases[] = {
        {"\xE4\xB8\xAD", "?"},        // a CJK character
        {"\xF0\x9F\x98\x80x", "?x"},  // outside the basic plane
        {"\xC2\x80", "?"},            // U+0080 is not the euro sign
        {"\xC3", "?"},                // cut off
        {"\xC3(", "?("},
        {"\xE2\x82", "?"},
        {"\xC0\xAF", "??"},       // overlong
        {"\xED\xA0\x80", "???"},  // surrogate
        {"\xFF", "?"},
    };
    for (const auto& [utf8, expected] : cases) EXPECT_EQ(Utf8ToCp1252(utf8), expected);
}

}  // namespace
}  // namespace kvx
