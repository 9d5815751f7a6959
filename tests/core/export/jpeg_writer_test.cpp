#include "core/export/jpeg_writer.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

// The codec's header expects <cstdio> before it.
#include <jpeglib.h>

#include "common/temp_dir.hpp"
#include "core/picture/picture_jpeg.hpp"

namespace kvx {
namespace {

/// Noise, so that the quality shows in the file size.
PixelImage Noise(int32_t width, int32_t height) {
    PixelImage image;
    EXPECT_TRUE(image.Allocate(width, height));
    uint32_t seed = 7;
    for (int32_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < image.Stride(); ++x) {
            seed = seed * 1103515245 + 12345;
            image.Row(y)[x] = static_cast<uint8_t>(seed >> 24);
        }
    }
    return image;
}

/// The first entry and the sum of the luminance quantisation table, read by the codec.
std::pair<int, long> LuminanceTable(const std::string& bytes) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    const JQUANT_TBL* table = cinfo.quant_tbl_ptrs[0];
    long sum = 0;
    for (int i = 0; i < DCTSIZE2; ++i) sum += table->quantval[i];
    const int first = table->quantval[0];
    jpeg_destroy_decompress(&cinfo);
    return {first, sum};
}

TEST(JpegWriterTest, QualityReachesTheQuantisationTables) {
    const PixelImage image = Noise(64, 48);
    std::vector<uint8_t> bytes;
    // The standard luminance table starts with 16; quality 50 uses it as it
    // is, 75 halves it (8.5 truncated), 100 sets every entry to 1, and the
    // lowest qualities are held to the baseline limit of 255.
    const std::pair<int, int> firstEntry[] = {{50, 16}, {75, 8}, {100, 1}, {1, 255}};
    for (const auto& [quality, first] : firstEntry) {
        ASSERT_TRUE(EncodeJpeg(image.View(), quality, bytes));
        EXPECT_EQ(LuminanceTable(std::string(bytes.begin(), bytes.end())).first, first) << quality;
    }
    ASSERT_TRUE(EncodeJpeg(image.View(), 100, bytes));
    EXPECT_EQ(LuminanceTable(std::string(bytes.begin(), bytes.end())).second, 64);
    // Out-of-range qualities are taken as the nearest end.
    ASSERT_TRUE(EncodeJpeg(image.View(), 250, bytes));
    EXPECT_EQ(LuminanceTable(std::string(bytes.begin(), bytes.end())).first, 1);
    ASSERT_TRUE(EncodeJpeg(image.View(), -3, bytes));
    EXPECT_EQ(LuminanceTable(std::string(bytes.begin(), bytes.end())).first, 255);
}

TEST(JpegWriterTest, FilesGrowWithQualityAndReadBackAtTheirSize) {
    test::TempDir dir;
    const PixelImage image = Noise(101, 37);
    std::size_t previous = 0;
    for (int quality : {10, 50, 90, 100}) {
        std::string written;
        ASSERT_EQ(
            SaveJpegFile(dir.File("q" + std::to_string(quality)), image.View(), quality, &written),
            kOk);
        EXPECT_EQ(written, dir.File("q" + std::to_string(quality) + ".JPG"));
        const std::string bytes = test::TempDir::Read(written);
        EXPECT_GT(bytes.size(), previous) << quality;
        previous = bytes.size();
        PixelImage back;
        ASSERT_EQ(DecodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 1,
                             PictureLimits{}, back),
                  DecodeStatus::Ok);
        EXPECT_EQ(back.Width(), 101);
        EXPECT_EQ(back.Height(), 37);
    }
}

TEST(JpegWriterTest, FailuresAreReported) {
    test::TempDir dir;
    const PixelImage image = Noise(8, 8);
    EXPECT_EQ(SaveJpegFile(dir.File("missing/x.jpg"), image.View(), 90), kErrJpegCreate);
    EXPECT_EQ(SaveJpegFile(dir.File("empty.jpg"), RgbView{}, 90), kErrJpegEncode);
    RgbView tooWide = image.View();
    tooWide.width = 70000;  // beyond what the format can hold; never read
    EXPECT_EQ(SaveJpegFile(dir.File("wide.jpg"), tooWide, 90), kErrJpegEncode);
}

}  // namespace
}  // namespace kvx
