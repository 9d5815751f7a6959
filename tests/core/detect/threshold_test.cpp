#include "core/detect/threshold.hpp"

#include <gtest/gtest.h>

#include "common/test_pictures.hpp"
#include "core/detect/pixel_statistics.hpp"
#include "core/detect/sample_plane.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_loader.hpp"

namespace kvx {
namespace {

Histogram Of(std::initializer_list<std::pair<int, int64_t>> counts, std::size_t levels = 256) {
    Histogram h(levels, 0);
    for (const auto& [value, count] : counts) h[static_cast<std::size_t>(value)] = count;
    return h;
}

TEST(ThresholdTest, IsoDataLevelsWorkedByHand) {
    // Two single values: the level settles half-way between their means.
    EXPECT_EQ(IsoDataLevel(Of({{50, 10}, {200, 10}})), 125);
    // The level stops at the first value past the running mean of the means:
    // (140 / 8 + 100) / 2 = 58.75.
    EXPECT_EQ(IsoDataLevel(Of({{10, 4}, {20, 2}, {30, 2}, {100, 8}})), 59);
    // A mode over twice the next count is cut to 1.5 times it (100 -> 15):
    // (700 / 25 + 200) / 2 = 114, where the uncut mode would give 111.
    EXPECT_EQ(IsoDataLevel(Of({{20, 100}, {40, 10}, {200, 10}})), 114);
    // The lowest and the highest value never count.
    EXPECT_EQ(IsoDataLevel(Of({{0, 1000}, {50, 10}, {200, 10}, {255, 1000}})), 125);
    // Fewer than two values: half the range.
    EXPECT_EQ(IsoDataLevel(Of({{77, 5}})), 128);
    EXPECT_EQ(IsoDataLevel(Histogram(256, 0)), 128);
    // Sixteen bits: the same rule over all 65536 values.
    EXPECT_EQ(IsoDataLevel(Of({{29000, 10}, {31000, 10}}, 65536)), 30000);
}

TEST(ThresholdTest, OtsuLevelsWorkedByHand) {
    // Between-class variance 792, 1238, 1702 for the levels below 20, 30,
    // 100: the best is every level from 30 to 99, and the highest is taken.
    EXPECT_EQ(OtsuLevel(Of({{10, 4}, {20, 2}, {30, 2}, {100, 8}})), 99);
    EXPECT_EQ(OtsuLevel(Of({{50, 10}, {200, 10}})), 199);
    EXPECT_EQ(OtsuLevel(Histogram(256, 0)), 0);
    EXPECT_EQ(OtsuLevel(Of({{1000, 3}, {60000, 1}}, 65536)), 59999);
}

TEST(ThresholdTest, ASetValueIsKeptWithinTheRange) {
    const Histogram h = Of({{50, 10}, {200, 10}});
    EXPECT_EQ(ThresholdLevel(h, ThresholdMethod::kValue, 90), 90);
    EXPECT_EQ(ThresholdLevel(h, ThresholdMethod::kValue, 300), 255);
    EXPECT_EQ(ThresholdLevel(h, ThresholdMethod::kValue, -4), 0);
    EXPECT_EQ(ThresholdLevel(h, ThresholdMethod::kIsoData, 0), 125);
}

TEST(SamplePlaneTest, GreyIsLuminanceAndChannelsAreTheirOwn) {
    PixelImage image;
    ASSERT_TRUE(image.Allocate(3, 1));
    const uint8_t pixels[9] = {255, 0, 0, 0, 255, 0, 77, 77, 77};
    std::copy(pixels, pixels + 9, image.Row(0));
    SamplePlane grey;
    ASSERT_TRUE(SamplesOf(image, SampleChannel::kLuminance, grey));
    EXPECT_EQ(grey.levels, 256);
    EXPECT_EQ(grey.At(0, 0), 76);   // 0.299 * 255
    EXPECT_EQ(grey.At(1, 0), 150);  // 0.587 * 255
    EXPECT_EQ(grey.At(2, 0), 77);   // a grey keeps its value
    SamplePlane green;
    ASSERT_TRUE(SamplesOf(image, SampleChannel::kGreenChannel, green));
    EXPECT_EQ(green.At(0, 0), 0);
    EXPECT_EQ(green.At(1, 0), 255);

    const Histogram h = HistogramOf(grey, {1, 0, 5, 5});
    EXPECT_EQ(h[150], 1);
    EXPECT_EQ(h[77], 1);
    EXPECT_EQ(h[76], 0);  // outside the region
}

TEST(SamplePlaneTest, RegionsAreClippedToThePicture) {
    EXPECT_EQ(ClipRegion({}, 40, 30), (PixelRect{0, 0, 40, 30}));
    EXPECT_EQ(ClipRegion({-5, 10, 20, 100}, 40, 30), (PixelRect{0, 10, 15, 20}));
    EXPECT_TRUE(ClipRegion({50, 0, 10, 10}, 40, 30).Empty());
}

// 16-bit PNG and TIFF pictures keep their own samples when asked, turned
// as the picture is shown; without being asked they keep none.
TEST(SamplePlaneTest, SixteenBitPicturesGiveTheirOwnValues) {
    test::RawPicture raw(3, 2, 1, 16);
    const uint16_t values[6] = {1000, 1001, 1002, 40000, 40001, 65535};
    for (int i = 0; i < 6; ++i) raw.At(i % 3, i / 3, 0) = values[i];
    DecodeOptions keep;
    keep.keepSixteenBits = true;
    const PictureLimits limits;

    const std::string png = test::PngBytes(raw);
    Picture picture;
    ASSERT_EQ(DecodePicture(reinterpret_cast<const uint8_t*>(png.data()), png.size(),
                            PictureFormat::kPng, keep, limits, picture),
              DecodeStatus::Ok);
    SamplePlane plane;
    ASSERT_TRUE(SamplesOf(picture, SampleChannel::kLuminance, plane));
    EXPECT_EQ(plane.levels, 65536);
    EXPECT_EQ(plane.At(1, 0), 1001);
    EXPECT_EQ(plane.At(2, 1), 65535);

    test::TiffLayout turned;
    turned.orientation = 6;  // a quarter turn: the first stored row becomes the last column
    const std::string tiff = test::TiffBytes(raw, turned);
    ASSERT_EQ(DecodePicture(reinterpret_cast<const uint8_t*>(tiff.data()), tiff.size(),
                            PictureFormat::kTiff, keep, limits, picture),
              DecodeStatus::Ok);
    ASSERT_TRUE(SamplesOf(picture, SampleChannel::kRedChannel, plane));
    ASSERT_EQ(plane.width, 2);
    ASSERT_EQ(plane.height, 3);
    EXPECT_EQ(plane.At(1, 0), 1000);
    EXPECT_EQ(plane.At(1, 2), 1002);
    EXPECT_EQ(plane.At(0, 1), 40001);
    // The values inside an outline are the same samples.
    const std::vector<WorldPoint> whole = {{0, 0}, {2, 0}, {2, 3}, {0, 3}};
    const PixelStatistics inside = MeasurePixels(SamplesOf(picture), 1.0, whole);
    EXPECT_EQ(inside.grey.count, 6);
    EXPECT_DOUBLE_EQ(inside.grey.min, 1000);
    EXPECT_DOUBLE_EQ(inside.colour[0].max, 65535);

    ASSERT_EQ(DecodePicture(reinterpret_cast<const uint8_t*>(png.data()), png.size(),
                            PictureFormat::kPng, limits, picture),
              DecodeStatus::Ok);
    EXPECT_TRUE(picture.samplesHigh.Empty());
    EXPECT_FALSE(SamplesOf(picture).Valid());  // its pixels hold the range, not the values
    ASSERT_TRUE(SamplesOf(picture, SampleChannel::kLuminance, plane));
    EXPECT_EQ(plane.levels, 256);
}

}  // namespace
}  // namespace kvx
