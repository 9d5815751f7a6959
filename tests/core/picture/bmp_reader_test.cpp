#include "core/picture/bmp_reader.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace kvx {
namespace {

/// A bitmap file put together byte by byte, so that every field can be set
/// to what a test needs, including values no writer would produce.
struct BmpLayout {
    int32_t width = 1;
    int32_t height = 1;  ///< negative: top-down
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::vector<uint32_t> palette;  ///< 0xRRGGBB
    std::vector<uint32_t> masks;    ///< red, green, blue
    std::vector<uint8_t> pixels;
    uint32_t colorsUsed = 0;
};

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

std::string MakeBmp(const BmpLayout& layout) {
    std::string header;
    if (layout.headerSize == 12) {
        Put32(header, 12);
        Put16(header, static_cast<uint32_t>(layout.width));
        Put16(header, static_cast<uint32_t>(layout.height));
        Put16(header, 1);
        Put16(header, layout.bitsPerPixel);
    } else {
        Put32(header, layout.headerSize);
        Put32(header, static_cast<uint32_t>(layout.width));
        Put32(header, static_cast<uint32_t>(layout.height));
        Put16(header, 1);
        Put16(header, layout.bitsPerPixel);
        Put32(header, layout.compression);
        Put32(header, static_cast<uint32_t>(layout.pixels.size()));
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, layout.colorsUsed);
        Put32(header, 0);
        for (uint32_t m : layout.masks)
            Put32(header, m);  // inside a later header, or after the plain one
        header.resize(std::max<std::size_t>(header.size(), layout.headerSize), '\0');
    }
    for (uint32_t c : layout.palette) {
        header += static_cast<char>(c & 0xFF);
        header += static_cast<char>((c >> 8) & 0xFF);
        header += static_cast<char>((c >> 16) & 0xFF);
        if (layout.headerSize != 12) header += '\0';
    }
    std::string file = "BM";
    const auto offset = static_cast<uint32_t>(14 + header.size());
    Put32(file, static_cast<uint32_t>(offset + layout.pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    file += header;
    file.append(layout.pixels.begin(), layout.pixels.end());
    return file;
}

DecodeStatus Decode(const std::string& bytes, PixelImage& image,
                    const PictureLimits& limits = PictureLimits{}) {
    return DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), limits, image);
}

/// Pixels as 0xRRGGBB, row by row from the top.
std::vector<uint32_t> Colours(const PixelImage& image) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* p = image.Row(y);
        for (int32_t x = 0; x < image.Width(); ++x, p += 3) {
            out.push_back((uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]);
        }
    }
    return out;
}

constexpr uint32_t kA = 0x102030;
constexpr uint32_t kB = 0xA0B0C0;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;

std::vector<uint32_t> SixteenColours() {
    std::vector<uint32_t> p(16, 0x777777);
    p[1] = kRed;
    p[2] = kGreen;
    p[3] = 0x0000FF;
    p[15] = 0xFFEEDD;
    return p;
}

struct ReadCase {
    const char* name;
    BmpLayout layout;
    int32_t width;
    int32_t height;
    std::vector<uint32_t> expected;
};

class BmpReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(BmpReadTest, DecodesEveryPixel) {
    const ReadCase& c = GetParam();
    PixelImage image;
    ASSERT_EQ(Decode(MakeBmp(c.layout), image), DecodeStatus::Ok);
    EXPECT_EQ(image.Width(), c.width);
    EXPECT_EQ(image.Height(), c.height);
    EXPECT_EQ(Colours(image), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, BmpReadTest,
    ::testing::Values(
        // Bottom-up: the row stored first is the lowest. Top row 1 0 1, bottom 0 1 1.
        ReadCase{"OneBit",
                 {3, 2, 1, 0, 40, {kA, kB}, {}, {0x60, 0, 0, 0, 0xA0, 0, 0, 0}},
                 3,
                 2,
                 {kB, kA, kB, kA, kB, kB}},
        ReadCase{"FourBit",
                 {3, 1, 4, 0, 40, SixteenColours(), {}, {0x2F, 0x20, 0, 0}},
                 3,
                 1,
                 {kGreen, 0xFFEEDD, kGreen}},
        ReadCase{"EightBitTopDown",
                 {2, -2, 8, 0, 40, SixteenColours(), {}, {1, 2, 0, 0, 3, 0, 0, 0}, 16},
                 2,
                 2,
                 {kRed, kGreen, 0x0000FF, 0x777777}},
        // 5-5-5: 0x7C00 is full red; blue 16 of 31 is 131.6, shown as 132.
        ReadCase{"SixteenBit555",
                 {2, 1, 16, 0, 40, {}, {}, {0x00, 0x7C, 0x10, 0x00}},
                 2,
                 1,
                 {kRed, 0x000084}},
        // 5-6-5 through masks: red 1 of 31 is 8.2, green 1 of 63 is 4.05.
        ReadCase{"SixteenBit565",
                 {2, 1, 16, 3, 40, {}, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0x20, 0x08}},
                 2,
                 1,
                 {kGreen, 0x080400}},
        ReadCase{"TwentyFourBitPaddedRows",
                 {2, 2, 24, 0, 40, {}, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}},
                 2,
                 2,
                 {0x090807, 0x0C0B0A, 0x030201, 0x060504}},
        ReadCase{
            "ThirtyTwoBit", {1, 1, 32, 0, 40, {}, {}, {0x10, 0x20, 0x30, 0xFF}}, 1, 1, {0x302010}},
        ReadCase{
            "ThirtyTwoBitMasksInV4Header",
            {1, 1, 32, 3, 108, {}, {0x000000FF, 0x0000FF00, 0x00FF0000}, {0x11, 0x22, 0x33, 0}},
            1,
            1,
            {0x112233}},
        ReadCase{"CoreHeader", {1, 1, 8, 0, 12, {kA, kB}, {}, {1, 0, 0, 0}}, 1, 1, {kB}},
        // Run of three reds, one green; end of line; three literal pixels and an
        // unset fourth (black); end of bitmap.
        ReadCase{"Rle8",
                 {4, 2, 8, 1, 40, SixteenColours(), {}, {3, 1, 1, 2, 0, 0, 0, 3, 2, 1, 2, 0, 0, 1}},
                 4,
                 2,
                 {kGreen, kRed, kGreen, 0, kRed, kRed, kRed, kGreen}},
        // Alternating run on the bottom row; a jump of one right and one up
        // leaves the middle row black; three literal pixels on the top row.
        ReadCase{"Rle4WithJump",
                 {4,
                  3,
                  4,
                  2,
                  40,
                  SixteenColours(),
                  {},
                  {4, 0x12, 0, 0, 0, 2, 1, 1, 0, 3, 0x12, 0x10, 0, 1}},
                 4,
                 3,
                 {0, kRed, kGreen, kRed, 0, 0, 0, 0, kRed, kGreen, kRed, kGreen}}),
    [](const auto& param) { return std::string(param.param.name); });

struct RefuseCase {
    const char* name;
    std::string bytes;
    DecodeStatus expected;
};

BmpLayout Plain24(int32_t w, int32_t h) {
    BmpLayout s;
    s.width = w;
    s.height = h;
    return s;
}

std::string Cut(std::string bytes, std::size_t drop) {
    bytes.resize(bytes.size() - drop);
    return bytes;
}

std::vector<RefuseCase> RefuseCases() {
    std::vector<RefuseCase> cases;
    const std::string good = MakeBmp({2, 2, 24, 0, 40, {}, {}, std::vector<uint8_t>(16, 7)});
    cases.push_back({"NotABitmap", "PK" + good.substr(2), DecodeStatus::Corrupt});
    cases.push_back({"Empty", "", DecodeStatus::Corrupt});
    cases.push_back({"OnlyTheMagic", "BM", DecodeStatus::Truncated});
    cases.push_back({"HeaderCut", good.substr(0, 30), DecodeStatus::Truncated});
    cases.push_back({"ZeroWidth", MakeBmp(Plain24(0, 1)), DecodeStatus::Corrupt});
    cases.push_back({"NegativeWidth", MakeBmp(Plain24(-5, 1)), DecodeStatus::Corrupt});
    cases.push_back({"ZeroHeight", MakeBmp(Plain24(1, 0)), DecodeStatus::Corrupt});
    cases.push_back({"TooManyPixels", MakeBmp(Plain24(25000, 25000)), DecodeStatus::TooLarge});
    // The lowest int32 as a top-down height must not wrap to a small number.
    cases.push_back({"LowestHeight", MakeBmp(Plain24(1, INT32_MIN)), DecodeStatus::TooLarge});
    // Within the limits, but the pixels are missing: refused before allocating.
    cases.push_back({"LargeButEmpty", MakeBmp(Plain24(20000, 20000)), DecodeStatus::Truncated});
    // The last row may lack its padding (2 bytes), but not a pixel byte.
    cases.push_back({"LastPixelByteMissing", Cut(good, 3), DecodeStatus::Truncated});
    cases.push_back(
        {"OddBitCount", MakeBmp({1, 1, 7, 0, 40, {}, {}, {0, 0, 0, 0}}), DecodeStatus::Corrupt});
    cases.push_back({"EmbeddedJpeg", MakeBmp({1, 1, 24, 4, 40, {}, {}, {0, 0, 0, 0}}),
                     DecodeStatus::Unsupported});
    cases.push_back(
        {"Rle8WithFourBits", MakeBmp({1, 1, 4, 1, 40, {0}, {}, {0, 1}}), DecodeStatus::Corrupt});
    cases.push_back({"BrokenMasks",
                     MakeBmp({1, 1, 16, 3, 40, {}, {0x0F0F, 0x00F0, 0x000F}, {0, 0}}),
                     DecodeStatus::Corrupt});
    // 200 colours claimed, 2 present, and a pixel offset that does not bound them.
    std::string paletteCut = MakeBmp({1, 1, 8, 0, 40, {kA, kB}, {}, {1, 0, 0, 0}, 200});
    paletteCut[10] = 14;
    paletteCut[11] = 0;
    cases.push_back({"PaletteCut", paletteCut, DecodeStatus::Truncated});
    std::string farOffset = good;
    farOffset[10] = '\xFF';
    farOffset[11] = '\xFF';
    cases.push_back({"OffsetPastTheEnd", farOffset, DecodeStatus::Truncated});
    const auto sixteen = SixteenColours();
    cases.push_back({"RleWithoutEnd", MakeBmp({4, 2, 8, 1, 40, sixteen, {}, {4, 1, 0, 0}}),
                     DecodeStatus::Truncated});
    cases.push_back({"RleJumpOutOfTheImage",
                     MakeBmp({4, 2, 8, 1, 40, sixteen, {}, {0, 2, 1, 5, 0, 1}}),
                     DecodeStatus::Corrupt});
    cases.push_back({"RleLiteralCut", MakeBmp({4, 2, 8, 1, 40, sixteen, {}, {0, 4, 1, 2}}),
                     DecodeStatus::Truncated});
    cases.push_back(
        {"RleJumpCut", MakeBmp({4, 2, 8, 1, 40, sixteen, {}, {0, 2, 1}}), DecodeStatus::Truncated});
    return cases;
}

class BmpRefuseTest : public ::testing::TestWithParam<RefuseCase> {};

TEST_P(BmpRefuseTest, RefusesCleanly) {
    PixelImage image;
    EXPECT_EQ(Decode(GetParam().bytes, image), GetParam().expected);
    EXPECT_TRUE(image.Empty());
}

INSTANTIATE_TEST_SUITE_P(Hostile, BmpRefuseTest, ::testing::ValuesIn(RefuseCases()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(BmpReaderTest, RunsPastTheRowEndAreCutAndTheFileStillReads) {
    // Five pixels into a row of three: some writers pad odd rows this way.
    PixelImage image;
    ASSERT_EQ(Decode(MakeBmp({3, 1, 8, 1, 40, SixteenColours(), {}, {5, 1, 0, 1}}), image),
              DecodeStatus::Ok);
    EXPECT_EQ(Colours(image), (std::vector<uint32_t>{kRed, kRed, kRed}));
}

TEST(BmpReaderTest, ColoursMissingFromAShortPaletteAreBlack) {
    PixelImage image;
    ASSERT_EQ(Decode(MakeBmp({2, 1, 8, 0, 40, {kA, kB}, {}, {1, 5, 0, 0}}), image),
              DecodeStatus::Ok);
    EXPECT_EQ(Colours(image), (std::vector<uint32_t>{kB, 0}));
}

// A long narrow strip is judged by its pixels, not by its longest side.
TEST(BmpReaderTest, AStripLongerThan30000PixelsIsRead) {
    PixelImage image;
    BmpLayout strip{40000, 2, 8, 0, 40, {kA, kB}, {}, std::vector<uint8_t>(80000, 1)};
    ASSERT_EQ(Decode(MakeBmp(strip), image), DecodeStatus::Ok);
    EXPECT_EQ(image.Width(), 40000);
}

// Pages of memory this process holds.
int64_t ResidentPages() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0;
    int64_t resident = 0;
    statm >> size >> resident;
    return resident;
}

// A kilobyte of run lengths claiming 30000 x 16000 pixels (1.4 GB) and ending
// after a few runs: the rows it never reaches must cost no memory.
TEST(BmpReaderTest, RunLengthRowsCostMemoryOnlyAsTheyCome) {
    BmpLayout claim{30000, 16000, 8, 1, 40, SixteenColours(), {}, {255, 1, 255, 1, 0, 0, 0, 1}};
    const std::string bytes = MakeBmp(claim);
    ASSERT_LT(bytes.size(), 1100u);
    PixelImage image;
    const int64_t before = ResidentPages();
    ASSERT_EQ(Decode(bytes, image), DecodeStatus::Ok);
    const int64_t grown = (ResidentPages() - before) * sysconf(_SC_PAGESIZE);
    EXPECT_LT(grown, int64_t{64} << 20);
    EXPECT_EQ(image.Height(), 16000);
    EXPECT_EQ(image.Row(15999)[3 * 509], kRed >> 16);  // the runs land in the bottom row
    EXPECT_EQ(image.Row(0)[0], 0);                     // rows never reached are black
}

TEST(BmpReaderTest, LastRowWithoutPaddingIsAccepted) {
    PixelImage image;
    const std::string bytes =
        Cut(MakeBmp({2, 2, 24, 0, 40, {}, {}, std::vector<uint8_t>(16, 7)}), 2);
    EXPECT_EQ(Decode(bytes, image), DecodeStatus::Ok);
}

}  // namespace
}  // namespace kvx
