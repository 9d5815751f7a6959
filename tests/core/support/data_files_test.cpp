// The message and error-text files that ship in data/: every text the program
// asks for by number must exist in each language, and every error code the
// program can raise must have a record whose message exists.

#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "common/temp_dir.hpp"
#include "core/support/error_code.hpp"
#include "core/support/error_table.hpp"
#include "core/support/message_catalog.hpp"
#include "core/support/record_array.hpp"

namespace kvx {
namespace {

// clang-format off
constexpr int kMessageNumbers[] = {
    // generic captions
    147, 170, 172, 179, 471, 472, 711, 746,
    // error dialog
    166, 167, 169, 171, 258, 423, 739,
    // file-selection dialog
    214, 226, 254,
    // layer selection dialog
    2147, 2148, 2149, 2150, 2211, 2212,
    // main menu
    2061, 2062, 2063, 2064, 2065, 2066, 2067, 2068, 2069, 2070, 2071, 2072, 2073, 2074, 2075,
    2078, 2079, 2089, 2143, 2144,
    // project properties
    2009, 2011, 2014, 2038, 2039, 2113, 2220, 2221, 2222,
    // message boxes
    2020, 2021, 2022, 2024, 2025, 2028, 351, 352,
    // new, open and save
    418, 2103, 2225, 2226, 2029, 2027,
    // status bar: project state
    2085, 2086, 2087,
    // statistics grid
    2091, 2092, 2093, 2094,
    // exports and the screen report
    339, 2017, 2018, 2019, 2119,
    // object-type editor and symbol picker
    2050, 2051, 2053, 2054, 2055, 2056, 2057, 2058, 2059, 2190, 2037, 2082,
    // line styles
    2030, 2031, 2032, 2033, 2034, 2035,
    // symbol kinds
    2040, 2041, 2042, 2043, 2044, 2045, 2046, 2047, 2048,
    // options dialog
    2100, 2107,
    // options dialog, page 1
    2101, 2108, 2109, 2110, 2130, 2125, 2111, 2112,
    // options dialog, page 2
    2102, 2116, 2117, 2118, 2139, 2121, 2122, 2123, 2077, 2104, 2105, 2084, 2088, 2142, 2127,
    2097, 2128, 2136, 2098, 2099, 2096, 2129, 2134, 2132, 2133, 2140, 2120,
    // options dialog, page 3 and the screen-report columns
    2106, 2115, 2126, 2195, 2181, 2182, 2183, 2184, 2185, 2186, 2187, 2188, 2189,
    // drawing layers
    2201, 2202, 2203, 2204, 2205, 2206, 2207, 2208, 2209, 2210,
};

constexpr ErrorCode kErrorCodes[] = {
    // text and number conversion
    1010101, 1010201, 1020101, 1030101, 1030201, 1030301, 1030401, 1030501,
    // memory
    1040201, 1040401,
    // text files
    2060203, 2060303, 2070203, 2080103, 2100103,
    // record tables
    4020101, 4020201, 4020301, 4020401, 4020501, 4020601, 4020701, 4080101, 4120101,
    // error-text and message files
    5010103, 5010201, 5020103, 5020201,
    // view
    60040101, 60040201, 60040301, 60050101, 60050200, 60050201, 60080101, 60080201, 60080501,
    60080601, 60080700, 60100100,
    // project file
    60070100, 60070301, 60070400, 60070500, 60070600, 60070700, 60070801, 60070901, 60071000,
    60071100, 63010100,
    // converting line ends
    60110100, 60110201, 60110300, 60110401, 60110500, 60110600,
    // object-type file
    61010100, 61010201, 61011900, 61020100, 61040105, 61050200, 61050300, 61050400, 61050500,
    61050600, 61050700, 61050800, 61051100, 61051200, 61051300, 61051400, 61051500, 61051600,
    61051700, 61051800,
    // configuration file
    62010101, 62010201, 62010301, 62010401, 74080401,
};
// clang-format on

constexpr const char* kSharedMessages = "ZNB2WIN2.MSG";
constexpr const char* kProgramMessages = "KX18.MSG";
constexpr const char* kSharedErrors = "ZSYSTEM.ERR";
constexpr const char* kProgramErrors = "korvanix.err";
constexpr int kLanguages[] = {0, 1, 2};

std::string ProgramDir() {
    return test::DataDir() + "/";
}

// Splits a file into its lines; a line end that is not CR LF is a failure.
std::vector<std::string> ReadLines(const std::string& name) {
    const std::string bytes = test::TempDir::Read(test::DataDir() + "/" + name);
    EXPECT_FALSE(bytes.empty()) << name;
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t lf = bytes.find('\n', start);
        if (lf == std::string::npos) {
            ADD_FAILURE() << name << ": last line has no line end";
            lines.push_back(bytes.substr(start));
            break;
        }
        EXPECT_TRUE(lf > start && bytes[lf - 1] == '\r')
            << name << ": bare LF after line " << lines.size() + 1;
        const std::size_t end = lf > start && bytes[lf - 1] == '\r' ? lf - 1 : lf;
        lines.push_back(bytes.substr(start, end - start));
        start = lf + 1;
    }
    return lines;
}

struct MessageLine {
    char letter;
    int number;
    std::string text;
};

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// Checks the fixed columns of every line and returns the well-formed text lines.
std::vector<MessageLine> ParseMessageFile(const std::string& name) {
    std::vector<MessageLine> result;
    int row = 0;
    for (const std::string& line : ReadLines(name)) {
        ++row;
        SCOPED_TRACE(name + " line " + std::to_string(row) + ": " + line);
        if (line.empty() || line[0] == ';') continue;
        const bool wellFormed = line.size() >= 10 &&
                                std::string_view("DES").find(line[0]) != std::string_view::npos &&
                                line[1] == ' ' && AllDigits(line.substr(2, 4)) &&
                                line.substr(6, 3) == "   " && line[9] != ' ';
        EXPECT_TRUE(wellFormed);
        if (!wellFormed) continue;
        const int number = std::stoi(line.substr(2, 4));
        EXPECT_GE(number, 1);
        EXPECT_LE(number, MessageCatalog::kCount);
        const std::string text = line.substr(9);
        EXPECT_LE(text.size(), MessageCatalog::kMaxText);
        // The catalogue drops the last character of any text holding a "~".
        const std::size_t tilde = text.find('~');
        EXPECT_TRUE(tilde == std::string::npos || tilde == text.size() - 1);
        result.push_back({line[0], number, text});
    }
    return result;
}

void LoadCatalog(MessageCatalog& catalog, int language) {
    const char base = BaseLetter(language);
    ASSERT_EQ(catalog.LoadMessageFile("", false, base, language, ProgramDir()), kOk);
    ASSERT_EQ(catalog.LoadMessageFile(kProgramMessages, true, base, language, ProgramDir()), kOk);
}

bool IsMissing(const MessageCatalog& catalog, int number) {
    const std::string text = catalog.GetMessage(number);
    return text.empty() || text == MessageCatalog::Placeholder(number);
}

TEST(DataFilesTest, EachNumberHasOneLinePerLanguageInOneFile) {
    std::map<int, std::string> owner;
    for (const char* name : {kSharedMessages, kProgramMessages}) {
        std::map<int, std::string> letters;
        for (const MessageLine& m : ParseMessageFile(name)) letters[m.number] += m.letter;
        for (const auto& [number, seen] : letters) {
            // German first, since a later line wins over the one it falls back on.
            EXPECT_EQ(seen, "DES") << name << ": message " << number;
            const auto [it, fresh] = owner.emplace(number, name);
            EXPECT_TRUE(fresh) << "message " << number << " in " << it->second << " and " << name;
        }
    }
}

class DataFilesLanguageTest : public ::testing::TestWithParam<int> {};

TEST_P(DataFilesLanguageTest, EveryMessageInUseHasAText) {
    const int language = GetParam();
    MessageCatalog catalog;
    LoadCatalog(catalog, language);
    for (const int number : kMessageNumbers) {
        EXPECT_FALSE(IsMissing(catalog, number)) << "message " << number;
    }
}

TEST_P(DataFilesLanguageTest, TheLanguagesOwnLineWinsOverItsFallback) {
    const int language = GetParam();
    MessageCatalog catalog;
    LoadCatalog(catalog, language);
    const char letter = LanguageLetter(language);
    for (const char* name : {kSharedMessages, kProgramMessages}) {
        for (const MessageLine& m : ParseMessageFile(name)) {
            if (m.letter == letter) {
                EXPECT_EQ(catalog.RawText(m.number), m.text) << m.number;
            }
        }
    }
}

TEST_P(DataFilesLanguageTest, LayerNamesGiveBackTheirLayerNumber) {
    MessageCatalog catalog;
    LoadCatalog(catalog, GetParam());
    for (int layer = 1; layer <= 10; ++layer) {
        const std::string text = catalog.GetMessage(2200 + layer);
        ASSERT_GE(text.size(), 4u) << layer;
        const std::string digits = text[2] == ')' ? text.substr(1, 1) : text.substr(1, 2);
        EXPECT_EQ(digits, std::to_string(layer)) << text;
    }
}

TEST_P(DataFilesLanguageTest, TextsFollowedByAValueKeepTheirBlank) {
    MessageCatalog catalog;
    LoadCatalog(catalog, GetParam());
    // Each is shown with a file name or a digit appended directly.
    for (const int number : {2017, 2024, 2025}) {
        const std::string text = catalog.GetMessage(number);
        ASSERT_FALSE(text.empty()) << number;
        EXPECT_EQ(text.back(), ' ') << number;
        EXPECT_EQ(text.find('~'), std::string::npos) << number;
    }
}

INSTANTIATE_TEST_SUITE_P(German, DataFilesLanguageTest, ::testing::Values(0));
INSTANTIATE_TEST_SUITE_P(English, DataFilesLanguageTest, ::testing::Values(1));
INSTANTIATE_TEST_SUITE_P(Spanish, DataFilesLanguageTest, ::testing::Values(2));

struct ErrorLine {
    int errorClass, unit, procedure, messageNumber;
    std::string text;
};

std::vector<ErrorLine> ParseErrorFile(const std::string& name) {
    std::vector<ErrorLine> result;
    int row = 0;
    for (const std::string& line : ReadLines(name)) {
        ++row;
        SCOPED_TRACE(name + " line " + std::to_string(row) + ": " + line);
        if (line.empty() || line[0] == ';') continue;
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos;
             start = comma + 1) {
            fields.push_back(line.substr(start, comma - start));
        }
        // Five fields, each followed by its separator: a comma inside the text
        // would cut it.
        const bool wellFormed = fields.size() == 5 && start == line.size() &&
                                AllDigits(fields[0]) && AllDigits(fields[1]) &&
                                AllDigits(fields[2]) && AllDigits(fields[3]);
        EXPECT_TRUE(wellFormed);
        if (!wellFormed) continue;
        int numbers[4];
        for (int i = 0; i < 4; ++i) {
            numbers[i] = std::stoi(fields[static_cast<std::size_t>(i)]);
            EXPECT_LE(numbers[i], 65535);
        }
        const std::string& text = fields[4];
        EXPECT_LE(text.size(), ErrorTable::kMaxText);
        // Plain ASCII reads the same in the DOS code page; "|" would not.
        for (const char c : text) EXPECT_TRUE(c >= ' ' && c <= '~' && c != '|') << text;
        result.push_back({numbers[0], numbers[1], numbers[2], numbers[3], text});
    }
    return result;
}

TEST(DataFilesTest, EveryErrorCodeHasARecordWithAMessage) {
    RecordArrayRegistry registry;
    ErrorTable table(registry);
    ASSERT_EQ(table.LoadErrorTable("ZSYSTEM", ProgramDir()), kOk);
    ASSERT_EQ(table.LoadErrorTable(kProgramErrors, ProgramDir()), kOk);

    std::vector<MessageCatalog> catalogs(std::size(kLanguages));
    for (const int language : kLanguages) {
        LoadCatalog(catalogs[static_cast<std::size_t>(language)], language);
    }

    for (const ErrorCode code : kErrorCodes) {
        const DecodedErrorCode d = DecodeErrorCode(code);
        const ErrorTable::Lookup found = table.LookupErrorText(d.errorClass, d.unit, d.procedure);
        EXPECT_NE(found.messageNumber, 0) << code;
        EXPECT_NE(found.text, " [not available]") << code;
        for (const int language : kLanguages) {
            EXPECT_FALSE(
                IsMissing(catalogs[static_cast<std::size_t>(language)], found.messageNumber))
                << "error " << code << " message " << found.messageNumber << " language "
                << language;
        }
    }
}

TEST(DataFilesTest, ErrorRecordsSitWithTheirClassAndMessage) {
    // The shared error texts must read right with the shared message file alone.
    struct Pair {
        const char* errors;
        const char* messages;
        std::set<int> classes;
    };
    const Pair pairs[] = {{kSharedErrors, kSharedMessages, {1, 2, 4, 5}},
                          {kProgramErrors, kProgramMessages, {60, 61, 62, 63, 74}}};
    for (const Pair& pair : pairs) {
        std::set<int> defined;
        for (const MessageLine& m : ParseMessageFile(pair.messages)) defined.insert(m.number);
        std::set<std::tuple<int, int, int>> keys;
        for (const ErrorLine& e : ParseErrorFile(pair.errors)) {
            const std::string where = std::string(pair.errors) + ": " +
                                      std::to_string(e.errorClass) + "," + std::to_string(e.unit) +
                                      "," + std::to_string(e.procedure);
            EXPECT_TRUE(pair.classes.count(e.errorClass)) << where;
            EXPECT_TRUE(defined.count(e.messageNumber)) << where << " -> " << e.messageNumber;
            // A second record for the same routine could never be found.
            EXPECT_TRUE(keys.insert({e.errorClass, e.unit, e.procedure}).second) << where;
        }
    }
}

}  // namespace
}  // namespace kvx
