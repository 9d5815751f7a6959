#include "core/picture/picture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/picture/picture_orientation.hpp"
#include "core/picture/picture_tiles.hpp"

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

/// An image of noise, so that a pixel out of place shows.
PixelImage Noise(int32_t width, int32_t height, uint32_t seed) {
    PixelImage image;
    EXPECT_TRUE(image.Allocate(width, height));
    std::mt19937 random(seed);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width * 3; ++x) image.Row(y)[x] = static_cast<uint8_t>(random());
    }
    return image;
}

std::vector<uint8_t> Part(const PixelImage& image, const PixelRect& rect) {
    std::vector<uint8_t> out;
    for (int32_t y = rect.top; y < rect.Bottom(); ++y) {
        const uint8_t* row = image.Row(y) + static_cast<std::size_t>(rect.left) * 3;
        out.insert(out.end(), row, row + static_cast<std::size_t>(rect.width) * 3);
    }
    return out;
}

/// A picture read from memory part by part, counting what it is asked for.
class ImageSource final : public PictureRegionSource {
public:
    ImageSource(const PixelImage& image, PixelRect block, int* reads)
        : image_(image), block_(block), reads_(reads) {}
    bool Read(const PixelRect& rect, PixelImage& out) override {
        ++*reads_;
        if (!out.Allocate(rect.width, rect.height)) return false;
        for (int32_t y = 0; y < rect.height; ++y) {
            std::memcpy(out.Row(y),
                        image_.Row(rect.top + y) + static_cast<std::size_t>(rect.left) * 3,
                        static_cast<std::size_t>(rect.width) * 3);
        }
        return true;
    }
    PixelRect NaturalBlock() const override { return block_; }

private:
    const PixelImage& image_;
    PixelRect block_;
    int* reads_;
};

TEST(PictureTilesTest, EveryLevelEqualsTheWholePictureHalvedAndMemoryStaysBounded) {
    // 1000 x 700: tiles of 256 with ragged right and bottom edges and odd
    // sizes at the levels below; the budget holds a fifth of the picture.
    const PixelImage whole = Noise(1000, 700, 7);
    std::vector<PixelImage> levels(1);
    ASSERT_TRUE(ReduceByHalf(whole, levels[0]));
    while (std::max(levels.back().Width(), levels.back().Height()) > PictureTiles::kTileSide) {
        PixelImage next;
        ASSERT_TRUE(ReduceByHalf(levels.back(), next));
        levels.push_back(std::move(next));
    }
    int reads = 0;
    const std::size_t budget = std::size_t{1000} * 700 * 3 / 5;
    for (const PixelRect block : {PixelRect{}, PixelRect{0, 0, 1000, 4}, PixelRect{0, 0, 64, 64}}) {
        SCOPED_TRACE(block.width);
        const PictureTiles tiles(std::make_unique<ImageSource>(whole, block, &reads), 1000, 700,
                                 budget);
        ASSERT_EQ(tiles.Levels(), 1 + static_cast<int>(levels.size()));
        EXPECT_EQ(tiles.Width(2), 250);
        EXPECT_EQ(tiles.Height(3), 88);
        std::mt19937 random(11);
        for (int round = 0; round < 60; ++round) {
            const int level = round % tiles.Levels();
            const PixelImage& expected = level == 0 ? whole : levels[level - 1];
            ASSERT_EQ(tiles.Width(level), expected.Width());
            ASSERT_EQ(tiles.Height(level), expected.Height());
            const int32_t x = static_cast<int32_t>(random() % expected.Width());
            const int32_t y = static_cast<int32_t>(random() % expected.Height());
            const PixelRect rect{x, y, 1 + static_cast<int32_t>(random() % (expected.Width() - x)),
                                 1 + static_cast<int32_t>(random() % (expected.Height() - y))};
            PixelImage out;
            ASSERT_TRUE(tiles.Read(level, rect, out)) << level;
            EXPECT_EQ(Part(out, {0, 0, rect.width, rect.height}), Part(expected, rect))
                << "level " << level << " at " << x << "," << y;
            EXPECT_LE(tiles.HeldBytes(), budget);
        }
        // What fell out is read again; nothing is read twice while it fits.
        const uint64_t before = tiles.SourceReads();
        PixelImage out;
        ASSERT_TRUE(tiles.Read(0, {0, 0, 1000, 700}, out));
        ASSERT_TRUE(tiles.Read(0, {0, 0, 1000, 700}, out));
        EXPECT_GT(tiles.SourceReads(), before);
        EXPECT_EQ(Part(out, {0, 0, 1000, 700}), Part(whole, {0, 0, 1000, 700}));
        const uint64_t afterWhole = tiles.SourceReads();
        ASSERT_TRUE(tiles.Read(0, {300, 300, 200, 200}, out));
        ASSERT_TRUE(tiles.Read(0, {300, 300, 200, 200}, out));
        EXPECT_LE(tiles.SourceReads() - afterWhole, 4u);
        uint8_t rgb[3];
        ASSERT_TRUE(tiles.PixelAt(999, 699, rgb));
        EXPECT_EQ(0, std::memcmp(rgb, whole.Row(699) + 999 * 3, 3));
        EXPECT_FALSE(tiles.Read(0, {900, 0, 101, 10}, out));
        EXPECT_FALSE(tiles.Read(tiles.Levels(), {0, 0, 1, 1}, out));
    }
}

TEST(PictureTilesTest, ResamplingATiledPictureMatchesThePictureHeldWhole) {
    // The same picture held whole, and as a first view of a sixteenth with
    // its tiles: wherever the first view is too coarse the tiles serve, and
    // at full zoom every pixel is the picture's own.
    const PixelImage whole = Noise(1200, 900, 3);
    Picture held;
    ASSERT_TRUE(held.pixels.Allocate(1200, 900));
    std::memcpy(held.pixels.Row(0), whole.Row(0), whole.Stride() * 900);
    ASSERT_TRUE(held.BuildReducedCopies());
    Picture tiled;
    ASSERT_TRUE(ReduceByQuarter(whole, tiled.pixels));
    PixelImage smaller;
    ASSERT_TRUE(ReduceByQuarter(tiled.pixels, smaller));
    tiled.pixels = std::move(smaller);
    tiled.fullWidth = 1200;
    tiled.fullHeight = 900;
    tiled.reduction = 16;
    int reads = 0;
    tiled.tiles = std::make_shared<PictureTiles>(
        std::make_unique<ImageSource>(whole, PixelRect{}, &reads), 1200, 900, std::size_t{1} << 20);
    PixelImage a;
    PixelImage b;
    // Full zoom and enlarged: the picture's own pixels.
    for (const int64_t scale : {1, 3}) {
        ASSERT_TRUE(ResamplePicture(held, 1200 * scale, 900 * scale, 500, 400, 300, 200, a));
        ASSERT_TRUE(ResamplePicture(tiled, 1200 * scale, 900 * scale, 500, 400, 300, 200, b));
        EXPECT_EQ(Part(a, {0, 0, 300, 200}), Part(b, {0, 0, 300, 200})) << scale;
    }
    // Reduced: the means of a level of the tiles, against the whole picture
    // resampled from its own halvings, within rounding.
    ASSERT_TRUE(ResamplePicture(tiled, 500, 375, 0, 0, 500, 375, b));
    PixelImage half;
    ASSERT_TRUE(ReduceByHalf(whole, half));
    Picture halved;
    halved.pixels = std::move(half);
    ASSERT_TRUE(ResamplePicture(halved, 500, 375, 0, 0, 500, 375, a));
    EXPECT_EQ(Part(a, {0, 0, 500, 375}), Part(b, {0, 0, 500, 375}));
    // Small enough for the first view: the tiles are not read at all.
    reads = 0;
    ASSERT_TRUE(ResamplePicture(tiled, 70, 50, 0, 0, 70, 50, b));
    EXPECT_EQ(reads, 0);
}

TEST(PictureTilesTest, RectanglesTurnAsThePicturesPixelsDo) {
    // Every pixel of a rectangle of a 7 x 4 stored picture lands, turned by
    // TurnedRows, inside the rectangle ShownRectOf says, and back.
    PixelImage stored = Noise(7, 4, 5);
    const PixelRect rect{2, 1, 3, 2};
    for (int32_t orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const bool swap = OrientationSwapsSides(orientation);
        PixelImage shown;
        ASSERT_TRUE(shown.Allocate(swap ? 4 : 7, swap ? 7 : 4));
        TurnedRows turned(shown, 7, 4, orientation);
        for (int32_t y = 0; y < 4; ++y) turned.Put(y, stored.Row(y));
        const PixelRect where = ShownRectOf(rect, 7, 4, orientation);
        EXPECT_EQ(where.width * where.height, 6);
        EXPECT_EQ(StoredRectOf(where, 7, 4, orientation), rect);
        std::vector<uint32_t> inside;
        std::vector<uint32_t> expected;
        for (int32_t y = where.top; y < where.Bottom(); ++y) {
            for (int32_t x = where.left; x < where.Right(); ++x) {
                const uint8_t* p = shown.Row(y) + x * 3;
                inside.push_back(p[0] << 16 | p[1] << 8 | p[2]);
            }
        }
        for (int32_t y = rect.top; y < rect.Bottom(); ++y) {
            for (int32_t x = rect.left; x < rect.Right(); ++x) {
                const uint8_t* p = stored.Row(y) + x * 3;
                expected.push_back(p[0] << 16 | p[1] << 8 | p[2]);
            }
        }
        std::sort(inside.begin(), inside.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(inside, expected);
    }
}

}  // namespace
}  // namespace kvx
