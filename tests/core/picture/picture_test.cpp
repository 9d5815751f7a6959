#include "core/picture/picture.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace kvx {
namespace {

/// An image whose red channel holds the given values row by row; green and
/// blue are 0 and 255.
PixelImage RedRamp(int32_t width, int32_t height, const std::vector<uint8_t>& reds) {
    PixelImage image;
    EXPECT_TRUE(image.Allocate(width, height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = image.Row(y) + x * 3;
            p[0] = reds[static_cast<std::size_t>(y * width + x)];
            p[1] = 0;
            p[2] = 255;
        }
    }
    return image;
}

std::vector<uint8_t> Reds(const PixelImage& image) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) out.push_back(image.Row(y)[x * 3]);
    }
    return out;
}

TEST(PictureTest, HalvingAveragesEachBlockAndKeepsAnOddEdge) {
    // 3 x 2: the blocks are {10, 20, 30, 40} and the odd column {31, 33}.
    PixelImage half;
    ASSERT_TRUE(ReduceByHalf(RedRamp(3, 2, {10, 20, 31, 30, 40, 33}), half));
    EXPECT_EQ(half.Width(), 2);
    EXPECT_EQ(half.Height(), 1);
    EXPECT_EQ(Reds(half), (std::vector<uint8_t>{25, 32}));
    EXPECT_EQ(half.Row(0)[2], 255);
    // 0, 1, 2, 4 average 1.75, shown as 2.
    ASSERT_TRUE(ReduceByHalf(RedRamp(2, 2, {0, 1, 2, 4}), half));
    EXPECT_EQ(Reds(half), (std::vector<uint8_t>{2}));
    // A single row pairs with itself.
    ASSERT_TRUE(ReduceByHalf(RedRamp(1, 1, {77}), half));
    EXPECT_EQ(Reds(half), (std::vector<uint8_t>{77}));
}

TEST(PictureTest, QuarteringAveragesEachBlockOverThePixelsThereAre) {
    // 5 x 5: one whole 4 x 4 block of 0..15, the last column {4, 9, 14, 19}
    // alone, the bottom row {20, 21, 22, 23} alone, and the corner 24.
    std::vector<uint8_t> reds(25);
    for (uint8_t i = 0; i < 25; ++i) reds[i] = i;
    const std::vector<uint8_t> block = {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 15, 16, 17, 18};
    int sum = 0;
    for (const uint8_t v : block) sum += v;
    PixelImage quarter;
    ASSERT_TRUE(ReduceByQuarter(RedRamp(5, 5, reds), quarter));
    EXPECT_EQ(quarter.Width(), 2);
    EXPECT_EQ(quarter.Height(), 2);
    EXPECT_EQ(Reds(quarter),
              (std::vector<uint8_t>{static_cast<uint8_t>((sum + 8) / 16), 12, 22, 24}));
    EXPECT_EQ(quarter.Row(1)[5], 255);
}

TEST(PictureTest, ReducedCopiesStartAtAQuarterAndLevelsNeverEnlarge) {
    // Copies at a quarter and then halves cost a twelfth of the picture; a
    // copy of half the size would cost a third more than the picture itself.
    Picture picture;
    picture.pixels = RedRamp(2000, 1200, std::vector<uint8_t>(2400000, 9));
    ASSERT_TRUE(picture.BuildReducedCopies());
    ASSERT_EQ(picture.reduced.size(), 2u);
    EXPECT_EQ(picture.reduced[0].Width(), 500);
    EXPECT_EQ(picture.reduced[0].Height(), 300);
    EXPECT_EQ(picture.reduced[1].Width(), 250);
    EXPECT_EQ(picture.reduced[1].Height(), 150);
    EXPECT_EQ(Reds(picture.reduced[1])[0], 9);
    EXPECT_EQ(picture.Width(), 2000);  // sizes always from the full resolution

    EXPECT_EQ(&picture.LevelFor(4000, 2400), &picture.pixels);
    EXPECT_EQ(&picture.LevelFor(1000, 600), &picture.pixels);
    EXPECT_EQ(&picture.LevelFor(501, 300), &picture.pixels);
    EXPECT_EQ(&picture.LevelFor(500, 300), &picture.reduced[0]);
    EXPECT_EQ(&picture.LevelFor(251, 10), &picture.reduced[0]);
    EXPECT_EQ(&picture.LevelFor(250, 150), &picture.reduced[1]);
    EXPECT_EQ(&picture.LevelFor(1, 1), &picture.reduced[1]);

    // Held reduced (a first view): the size is still that of the full picture.
    picture.fullWidth = 16000;
    picture.fullHeight = 9600;
    picture.reduction = 8;
    EXPECT_TRUE(picture.Reduced());
    EXPECT_EQ(picture.Width(), 16000);
    EXPECT_EQ(picture.Height(), 9600);
}

TEST(PictureTest, ResamplingAveragesWhenReducedAndPicksWhenEnlarged) {
    Picture picture;
    picture.pixels = RedRamp(4, 2, {0, 10, 100, 110, 20, 30, 120, 130});
    PixelImage out;
    ASSERT_TRUE(ResamplePicture(picture, 2, 1, 0, 0, 2, 1, out));
    EXPECT_EQ(Reds(out), (std::vector<uint8_t>{15, 115}));

    // Enlarged twice: every pixel shows the picture pixel under its centre.
    ASSERT_TRUE(ResamplePicture(picture, 8, 4, 0, 0, 8, 4, out));
    EXPECT_EQ(Reds(out), (std::vector<uint8_t>{0,  0,  10, 10, 100, 100, 110, 110,  //
                                               0,  0,  10, 10, 100, 100, 110, 110,  //
                                               20, 20, 30, 30, 120, 120, 130, 130,  //
                                               20, 20, 30, 30, 120, 120, 130, 130}));
    // Only a window of the stretched picture.
    ASSERT_TRUE(ResamplePicture(picture, 8, 4, 3, 2, 3, 1, out));
    EXPECT_EQ(Reds(out), (std::vector<uint8_t>{30, 120, 120}));

    // Three pixels into two: the spans overlap in the middle pixel, and a
    // mean of one half rounds up.
    picture.pixels = RedRamp(3, 1, {0, 1, 255});
    ASSERT_TRUE(ResamplePicture(picture, 2, 1, 0, 0, 2, 1, out));
    EXPECT_EQ(Reds(out), (std::vector<uint8_t>{1, 128}));
    // 21 pixels into one, on either side of a half: 2110 / 21 = 100.48 and
    // 2111 / 21 = 100.52; all 255 stay 255.
    std::vector<uint8_t> reds(21, 100);
    reds[20] = 110;
    picture.pixels = RedRamp(7, 3, reds);
    ASSERT_TRUE(ResamplePicture(picture, 1, 1, 0, 0, 1, 1, out));
    EXPECT_EQ(Reds(out), (std::vector<uint8_t>{100}));
    reds[20] = 111;
    picture.pixels = RedRamp(7, 3, reds);
    ASSERT_TRUE(ResamplePicture(picture, 1, 1, 0, 0, 1, 1, out));
    EXPECT_EQ(Reds(out), (std::vector<uint8_t>{101}));
    picture.pixels = RedRamp(7, 3, std::vector<uint8_t>(21, 255));
    ASSERT_TRUE(ResamplePicture(picture, 1, 1, 0, 0, 1, 1, out));
    EXPECT_EQ(Reds(out), (std::vector<uint8_t>{255}));
}

}  // namespace
}  // namespace kvx
