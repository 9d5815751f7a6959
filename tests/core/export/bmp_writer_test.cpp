#include "core/export/bmp_writer.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/temp_dir.hpp"
#include "core/export/picture_file.hpp"
#include "core/picture/bmp_reader.hpp"
#include "core/support/text_file.hpp"

namespace kvx {
namespace {

uint32_t U32(const std::string& s, std::size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24);
}

/// 3 x 2 pixels: top row red, green, blue; bottom row white, black, grey 0x102030.
PixelImage Sample() {
    PixelImage image;
    EXPECT_TRUE(image.Allocate(3, 2));
    const uint8_t top[9] = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    const uint8_t bottom[9] = {255, 255, 255, 0, 0, 0, 0x10, 0x20, 0x30};
    std::copy(top, top + 9, image.Row(0));
    std::copy(bottom, bottom + 9, image.Row(1));
    return image;
}

TEST(BmpWriterTest, TwentyFourBitsBottomUpWithPaddedRows) {
    test::TempDir dir;
    std::string written;
    ASSERT_EQ(SaveBitmapFile(dir.File("view.bmp"), Sample().View(), &written), kOk);
    EXPECT_EQ(written, dir.File("view.bmp"));
    const std::string bytes = test::TempDir::Read(written);
    // 54 header bytes and two rows of 3 x 3 bytes padded to 12.
    ASSERT_EQ(bytes.size(), 78u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(U32(bytes, 2), 78u);
    EXPECT_EQ(U32(bytes, 10), 54u);
    EXPECT_EQ(U32(bytes, 14), 40u);
    EXPECT_EQ(U32(bytes, 18), 3u);
    EXPECT_EQ(U32(bytes, 22), 2u);  // positive height: bottom-up
    EXPECT_EQ(U32(bytes, 26), 1u | (24u << 16));
    EXPECT_EQ(U32(bytes, 30), 0u);
    EXPECT_EQ(U32(bytes, 34), 24u);
    // The bottom row comes first, each pixel blue, green, red.
    EXPECT_EQ(bytes.substr(54, 12),
              std::string("\xFF\xFF\xFF\x00\x00\x00\x30\x20\x10\x00\x00\x00", 12));
    EXPECT_EQ(bytes.substr(66, 12),
              std::string("\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00\x00\x00\x00", 12));

    PixelImage back;
    ASSERT_EQ(DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                        PictureLimits{}, back),
              DecodeStatus::Ok);
    ASSERT_EQ(back.Width(), 3);
    ASSERT_EQ(back.Height(), 2);
    const PixelImage sample = Sample();
    EXPECT_TRUE(std::equal(back.Row(0), back.Row(0) + 18, sample.Row(0)));
}

TEST(BmpWriterTest, FailuresAreReportedAndLeaveNoFile) {
    test::TempDir dir;
    EXPECT_EQ(SaveBitmapFile(dir.File("no/such/folder/x.bmp"), Sample().View()), kErrBmpCreate);
    EXPECT_EQ(LastIoResult(), ENOENT);
    EXPECT_EQ(SaveBitmapFile(dir.File("empty.bmp"), RgbView{}), kErrBmpTooLarge);
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.bmp")));
}

struct NameCase {
    const char* chosen;
    const char* extension;
    const char* written;
};

class PictureNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(PictureNameTest, ExtensionIsForced) {
    EXPECT_EQ(ForcePictureExtension(GetParam().chosen, GetParam().extension), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PictureNameTest,
    ::testing::Values(NameCase{"/home/a/view", "BMP", "/home/a/view.BMP"},
                      NameCase{"/home/a/view.txt", "JPG", "/home/a/view.JPG"},
                      NameCase{"/home/a/view.jpeg", "JPG", "/home/a/view.JPG"},
                      NameCase{"/home/a/view.jpg", "JPG", "/home/a/view.jpg"},  // kept as chosen
                      NameCase{"/home/a/view.WMF", "WMF", "/home/a/view.WMF"},
                      NameCase{"/home/a.b/view", "WMF", "/home/a.b/view.WMF"},
                      NameCase{"/home/a/view.bmp.txt", "BMP", "/home/a/view.bmp.BMP"}));

}  // namespace
}  // namespace kvx
