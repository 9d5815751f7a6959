#include "core/draw/picture_loader.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The codec headers; jpeglib.h expects <cstdio> before it.
#include <gif_lib.h>
#include <jpeglib.h>

#include "common/fake_ui.hpp"
#include "common/temp_dir.hpp"
#include "core/draw/picture_gif.hpp"
#include "core/draw/picture_jpeg.hpp"
#include "core/export/jpeg_writer.hpp"
#include "core/program/program.hpp"

namespace kvx {
namespace {

namespace fs = std::filesystem;

/// A flat image of one colour.
PixelImage Flat(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
    PixelImage image;
    EXPECT_TRUE(image.Allocate(width, height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = image.Row(y) + x * 3;
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    }
    return image;
}

std::string JpegBytes(const PixelImage& image, int quality = 95) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeJpeg(image.View(), quality, bytes));
    return std::string(bytes.begin(), bytes.end());
}

/// A JPEG written straight through the codec, for colour spaces and scan
/// layouts our own writer does not produce.
std::string CodecJpeg(int width, int height, int components, J_COLOR_SPACE space,
                      const std::vector<uint8_t>& pixel, bool progressive) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row;
    for (int x = 0; x < width; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<char*>(out), size);
    std::free(out);
    return bytes;
}

struct GifFrame {
    int left = 0, top = 0, width = 1, height = 1;
    bool interlace = false;
    std::vector<GifColorType> localColours;
    int transparent = -1;
    std::vector<uint8_t> pixels;  ///< row by row from the top
};

int AppendToString(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    return length;
}

std::string MakeGif(int width, int height, std::vector<GifColorType> global, int background,
                    const std::vector<GifFrame>& frames) {
    std::string bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendToString, &error);
    EXPECT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map =
        global.empty() ? nullptr : GifMakeMapObject(static_cast<int>(global.size()), global.data());
    EXPECT_EQ(EGifPutScreenDesc(gif, width, height, 8, background, map), GIF_OK);
    GifFreeMapObject(map);
    for (const GifFrame& f : frames) {
        if (f.transparent >= 0) {
            const uint8_t control[4] = {1, 0, 0, static_cast<uint8_t>(f.transparent)};
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
        }
        std::vector<GifColorType> local = f.localColours;
        ColorMapObject* localMap =
            local.empty() ? nullptr
                          : GifMakeMapObject(static_cast<int>(local.size()), local.data());
        EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, localMap),
                  GIF_OK);
        GifFreeMapObject(localMap);
        std::vector<int> order;
        if (f.interlace) {
            for (int pass = 0; pass < 4; ++pass) {
                static const int start[4] = {0, 4, 2, 1};
                static const int step[4] = {8, 8, 4, 2};
                for (int y = start[pass]; y < f.height; y += step[pass]) order.push_back(y);
            }
        } else {
            for (int y = 0; y < f.height; ++y) order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> line(f.pixels.begin() + y * f.width,
                                           f.pixels.begin() + (y + 1) * f.width);
            EXPECT_EQ(EGifPutLine(gif, line.data(), f.width), GIF_OK);
        }
    }
    EGifCloseFile(gif, &error);
    return bytes;
}

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

const uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

void ExpectNear(const PixelImage& image, int r, int g, int b) {
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            const uint8_t* p = image.Row(y) + x * 3;
            ASSERT_NEAR(p[0], r, 6) << x << "," << y;
            ASSERT_NEAR(p[1], g, 6) << x << "," << y;
            ASSERT_NEAR(p[2], b, 6) << x << "," << y;
        }
    }
}

// ---- JPEG ----

TEST(PictureJpegTest, OwnFileReadsBackFullAndReducedByTheCodec) {
    const std::string jpeg = JpegBytes(Flat(37, 23, 200, 40, 90));
    PixelImage image;
    int32_t fullW = 0;
    int32_t fullH = 0;
    ASSERT_EQ(DecodeJpeg(Bytes(jpeg), jpeg.size(), 1, PictureLimits{}, image, &fullW, &fullH),
              DecodeStatus::Ok);
    EXPECT_EQ(image.Width(), 37);
    EXPECT_EQ(image.Height(), 23);
    ExpectNear(image, 200, 40, 90);
    // Reduced decodes round their size up; the full size is still reported.
    const std::pair<int, std::pair<int, int>> scales[] = {{2, {19, 12}}, {4, {10, 6}}, {8, {5, 3}}};
    for (const auto& [denominator, size] : scales) {
        ASSERT_EQ(DecodeJpeg(Bytes(jpeg), jpeg.size(), denominator, PictureLimits{}, image, &fullW,
                             &fullH),
                  DecodeStatus::Ok);
        EXPECT_EQ(image.Width(), size.first) << denominator;
        EXPECT_EQ(image.Height(), size.second) << denominator;
        EXPECT_EQ(fullW, 37);
        EXPECT_EQ(fullH, 23);
        ExpectNear(image, 200, 40, 90);
    }
    EXPECT_EQ(DecodeJpeg(Bytes(jpeg), jpeg.size(), 3, PictureLimits{}, image),
              DecodeStatus::Unsupported);
}

TEST(PictureJpegTest, GreyAndAdobeCmykBecomeRgb) {
    PixelImage image;
    const std::string grey = CodecJpeg(8, 8, 1, JCS_GRAYSCALE, {120}, false);
    ASSERT_EQ(DecodeJpeg(Bytes(grey), grey.size(), 1, PictureLimits{}, image), DecodeStatus::Ok);
    ExpectNear(image, 120, 120, 120);
    // Adobe files store ink inverted: no cyan, full magenta and yellow, no black is red.
    const std::string cmyk = CodecJpeg(8, 8, 4, JCS_CMYK, {255, 0, 0, 255}, false);
    ASSERT_EQ(DecodeJpeg(Bytes(cmyk), cmyk.size(), 1, PictureLimits{}, image), DecodeStatus::Ok);
    ExpectNear(image, 255, 0, 0);
}

/// The file with the width and height of its frame header replaced.
std::string WithClaimedSize(std::string jpeg, int width, int height) {
    for (const char* marker : {"\xFF\xC0", "\xFF\xC2"}) {
        const std::size_t at = jpeg.find(marker);
        if (at == std::string::npos) continue;
        jpeg[at + 5] = static_cast<char>(height >> 8);
        jpeg[at + 6] = static_cast<char>(height & 0xFF);
        jpeg[at + 7] = static_cast<char>(width >> 8);
        jpeg[at + 8] = static_cast<char>(width & 0xFF);
        return jpeg;
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

/// Noise, so that the coded pixels and not the tables fill most of a file.
PixelImage Noise(int32_t width, int32_t height) {
    PixelImage noise = Flat(width, height, 0, 0, 0);
    uint32_t seed = 1;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width * 3; ++x) {
            seed = seed * 1103515245 + 12345;
            noise.Row(y)[x] = static_cast<uint8_t>(seed >> 24);
        }
    }
    return noise;
}

TEST(PictureJpegTest, DamagedFilesAreShownInPartOrRefused) {
    const std::string jpeg = JpegBytes(Noise(64, 64));
    PixelImage image;
    // Cut in half, with and without an end marker after the cut: the codec
    // makes the missing half up, and the picture comes back as damaged.
    const std::string half = jpeg.substr(0, jpeg.size() / 2);
    for (const std::string& cut : {half, half + "\xFF\xD9"}) {
        EXPECT_EQ(DecodeJpeg(Bytes(cut), cut.size(), 1, PictureLimits{}, image),
                  DecodeStatus::Damaged);
        EXPECT_EQ(image.Width(), 64);
        EXPECT_EQ(image.Height(), 64);
    }
    // A progressive file with only its first scans: blurred, and damaged.
    const std::string progressive = CodecJpeg(16, 16, 3, JCS_RGB, {200, 40, 90}, true);
    const std::size_t thirdScan = progressive.find(
        "\xFF\xDA", progressive.find("\xFF\xDA", progressive.find("\xFF\xDA") + 2) + 2);
    ASSERT_NE(thirdScan, std::string::npos);
    const std::string firstScans = progressive.substr(0, thirdScan) + "\xFF\xD9";
    EXPECT_EQ(DecodeJpeg(Bytes(firstScans), firstScans.size(), 1, PictureLimits{}, image),
              DecodeStatus::Damaged);
    EXPECT_EQ(image.Width(), 16);
    EXPECT_EQ(DecodeJpeg(Bytes(progressive), progressive.size(), 1, PictureLimits{}, image),
              DecodeStatus::Ok);
    const std::string headerOnly = jpeg.substr(0, 20);
    EXPECT_NE(DecodeJpeg(Bytes(headerOnly), headerOnly.size(), 1, PictureLimits{}, image),
              DecodeStatus::Ok);
    const std::string garbage(500, '\x5A');
    EXPECT_EQ(DecodeJpeg(Bytes(garbage), garbage.size(), 1, PictureLimits{}, image),
              DecodeStatus::Corrupt);
    EXPECT_EQ(DecodeJpeg(Bytes(garbage), 0, 1, PictureLimits{}, image), DecodeStatus::Truncated);
    // Only the end marker missing: every pixel is there.
    const std::string noEnd = jpeg.substr(0, jpeg.size() - 2);
    EXPECT_EQ(DecodeJpeg(Bytes(noEnd), noEnd.size(), 1, PictureLimits{}, image), DecodeStatus::Ok);
    PictureLimits small;
    small.maxPixels = 64 * 63;
    int32_t fullW = 0;
    EXPECT_EQ(DecodeJpeg(Bytes(jpeg), jpeg.size(), 1, small, image, &fullW),
              DecodeStatus::TooLarge);
    EXPECT_EQ(fullW, 64);
}

// A few kilobytes whose header claims 30000 x 16000 pixels: refused at
// once, before the codec spends gigabytes on coefficients and pixels it would
// have to make up. The same picture really coded is accepted.
TEST(PictureJpegTest, AClaimTheDataCannotFillIsRefusedBeforeAllocating) {
    PixelImage image;
    for (const bool progressive : {false, true}) {
        const std::string small = CodecJpeg(64, 64, 3, JCS_RGB, {9, 99, 199}, progressive);
        const std::string claim = WithClaimedSize(small, 30000, 16000);
        int32_t fullW = 0;
        EXPECT_EQ(DecodeJpeg(Bytes(claim), claim.size(), 1, PictureLimits{}, image, &fullW),
                  DecodeStatus::Truncated)
            << progressive;
        EXPECT_EQ(fullW, 30000);
        EXPECT_TRUE(image.Empty());
    }
    // Long and narrow is no longer too large: 40000 x 16 at full size.
    const std::string strip = CodecJpeg(40000, 16, 3, JCS_RGB, {1, 2, 3}, true);
    EXPECT_EQ(DecodeJpeg(Bytes(strip), strip.size(), 1, PictureLimits{}, image), DecodeStatus::Ok);
    EXPECT_EQ(image.Width(), 40000);
}

TEST(PictureJpegTest, EndlessProgressiveScansAreCutShort) {
    std::string jpeg = CodecJpeg(16, 16, 3, JCS_RGB, {1, 2, 3}, true);
    // Repeat the last scan (start-of-scan marker up to the end marker) 600 times.
    const std::size_t lastScan = jpeg.rfind("\xFF\xDA");
    ASSERT_NE(lastScan, std::string::npos);
    const std::string scan = jpeg.substr(lastScan, jpeg.size() - 2 - lastScan);
    std::string hostile = jpeg.substr(0, jpeg.size() - 2);
    for (int i = 0; i < 600; ++i) hostile += scan;
    hostile += "\xFF\xD9";
    PixelImage image;
    EXPECT_EQ(DecodeJpeg(Bytes(jpeg), jpeg.size(), 1, PictureLimits{}, image), DecodeStatus::Ok);
    EXPECT_EQ(DecodeJpeg(Bytes(hostile), hostile.size(), 1, PictureLimits{}, image),
              DecodeStatus::Corrupt);
}

// ---- GIF ----

const std::vector<GifColorType> kGlobal = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {9, 9, 9}};

TEST(PictureGifTest, FirstFrameOnItsScreenWithBackgroundAndTransparency) {
    GifFrame first;
    first.left = 1;
    first.top = 1;
    first.width = 2;
    first.height = 2;
    first.transparent = 2;
    first.pixels = {1, 2, 2, 1};
    GifFrame second;  // must not be drawn
    second.width = 4;
    second.height = 3;
    second.pixels = std::vector<uint8_t>(12, 1);
    const std::string gif = MakeGif(4, 3, kGlobal, 3, {first, second});
    PixelImage image;
    ASSERT_EQ(DecodeGif(Bytes(gif), gif.size(), PictureLimits{}, image), DecodeStatus::Ok);
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.Height(), 3);
    const uint32_t bg = 0x090909;
    EXPECT_EQ(Colours(image), (std::vector<uint32_t>{bg, bg, bg, bg,        //
                                                     bg, 0xFF0000, bg, bg,  //
                                                     bg, bg, 0xFF0000, bg}));
}

TEST(PictureGifTest, InterlacedRowsAndLocalColoursLandInPlace) {
    GifFrame frame;
    frame.width = 1;
    frame.height = 10;
    frame.interlace = true;
    frame.localColours = std::vector<GifColorType>(16);
    for (uint8_t i = 0; i < 16; ++i) frame.localColours[i] = {i, static_cast<uint8_t>(i * 2), 0};
    for (uint8_t y = 0; y < 10; ++y) frame.pixels.push_back(y);
    const std::string gif = MakeGif(1, 10, {}, 0, {frame});
    PixelImage image;
    ASSERT_EQ(DecodeGif(Bytes(gif), gif.size(), PictureLimits{}, image), DecodeStatus::Ok);
    const std::vector<uint32_t> colours = Colours(image);
    for (uint32_t y = 0; y < 10; ++y) {
        EXPECT_EQ(colours[y], (y << 16) | (y * 2 << 8));
    }
}

TEST(PictureGifTest, DamagedOrHugeFilesAreRefused) {
    // 35 bytes claiming a screen of 30000 x 16000 around one pixel.
    GifFrame dot;
    dot.pixels = {1};
    const std::string screen = MakeGif(30000, 16000, kGlobal, 0, {dot});
    PixelImage claimed;
    EXPECT_EQ(DecodeGif(Bytes(screen), screen.size(), PictureLimits{}, claimed),
              DecodeStatus::Truncated);
    EXPECT_TRUE(claimed.Empty());
    // A frame of more pixels than its data can code.
    GifFrame big;
    big.width = 4000;
    big.height = 4000;
    big.pixels = std::vector<uint8_t>(16000000, 1);
    std::string cutFrame = MakeGif(4000, 4000, kGlobal, 0, {big});
    cutFrame.resize(200);
    EXPECT_EQ(DecodeGif(Bytes(cutFrame), cutFrame.size(), PictureLimits{}, claimed),
              DecodeStatus::Truncated);

    GifFrame frame;
    frame.width = 20;
    frame.height = 20;
    frame.pixels = std::vector<uint8_t>(400, 1);
    const std::string gif = MakeGif(20, 20, kGlobal, 0, {frame});
    PixelImage image;
    const std::string cut = gif.substr(0, gif.size() / 2);
    EXPECT_EQ(DecodeGif(Bytes(cut), cut.size(), PictureLimits{}, image), DecodeStatus::Truncated);
    const std::string noImage = MakeGif(20, 20, kGlobal, 0, {});
    EXPECT_EQ(DecodeGif(Bytes(noImage), noImage.size(), PictureLimits{}, image),
              DecodeStatus::Corrupt);
    const std::string garbage = "GIF89a garbage";
    EXPECT_NE(DecodeGif(Bytes(garbage), garbage.size(), PictureLimits{}, image), DecodeStatus::Ok);
    GifFrame wide = frame;
    wide.left = 65000;  // the frame reaches far past any sane screen
    wide.top = 65000;
    const std::string huge = MakeGif(20, 20, kGlobal, 0, {wide});
    PictureLimits limits;
    EXPECT_EQ(DecodeGif(Bytes(huge), huge.size(), limits, image), DecodeStatus::TooLarge);
    EXPECT_TRUE(image.Empty());
}

// ---- choosing the decoder and loading ----

TEST(PictureLoaderTest, DecoderFollowsTheExtensionInAnyCase) {
    EXPECT_EQ(PictureFormatOf("/a/b/PHOTO.JPG"), PictureFormat::kJpeg);
    EXPECT_EQ(PictureFormatOf("c:\\images\\x.jpeg"), PictureFormat::kJpeg);
    EXPECT_EQ(PictureFormatOf("x.Bmp"), PictureFormat::kBmp);
    EXPECT_EQ(PictureFormatOf("x.gif"), PictureFormat::kGif);
    EXPECT_EQ(PictureFormatOf("x.png"), PictureFormat::kUnknown);
    EXPECT_EQ(PictureFormatOf("dir.jpg/file"), PictureFormat::kUnknown);
    EXPECT_EQ(PictureFormatOf("jpg"), PictureFormat::kUnknown);
}

class LoadPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(program.LoadMessages(), kOk);
        ASSERT_EQ(program.errorTable.LoadErrorTable("korvanix.err", program.programDir), kOk);
        if (const char* tmp = std::getenv("TMPDIR")) savedTmp_ = tmp;
    }
    void TearDown() override {
        if (savedTmp_) {
            setenv("TMPDIR", savedTmp_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    void SetTemporaryDirectory(const std::string& path) { setenv("TMPDIR", path.c_str(), 1); }
    // The reason is shown with the file's path, as an error or as a notice.
    void ExpectPictureMessage(int message, const std::string& path, bool notice = false) {
        ASSERT_EQ(ui.errorDialogs.size(), 1u);
        EXPECT_EQ(ui.errorDialogs[0].mainText, program.GetMessage(message));
        EXPECT_EQ(ui.errorDialogs[0].info, path);
        EXPECT_EQ(ui.errorDialogs[0].noticeStyle, notice);
        ui.errorDialogs.clear();
        EXPECT_TRUE(program.errors.Empty());
    }

    test::TempDir dir;
    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
    Picture picture;

private:
    std::optional<std::string> savedTmp_;
};

TEST_F(LoadPictureTest, LoadsEveryKnownFormat) {
    const std::string jpeg = JpegBytes(Flat(600, 300, 1, 2, 3));
    ASSERT_EQ(LoadPicture(program, picture, dir.Write("a.JPG", jpeg), 0), DecodeStatus::Ok);
    EXPECT_EQ(picture.Width(), 600);
    EXPECT_EQ(picture.Height(), 300);
    EXPECT_EQ(picture.reduced.size(), 2u);  // 300 x 150 and 150 x 75
    ASSERT_EQ(LoadPicture(program, picture, dir.Write("b.jpeg", jpeg), 0), DecodeStatus::Ok);
    GifFrame frame;
    frame.pixels = {1};
    ASSERT_EQ(
        LoadPicture(program, picture, dir.Write("c.gif", MakeGif(1, 1, kGlobal, 0, {frame})), 0),
        DecodeStatus::Ok);
    EXPECT_TRUE(ui.errorDialogs.empty());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LoadPictureTest, EachFailureSaysWhy) {
    const std::string missing = dir.File("missing.jpg");
    EXPECT_EQ(LoadPicture(program, picture, missing, 0), DecodeStatus::NotFound);
    ExpectPictureMessage(2381, missing);
    const std::string bad = dir.Write("bad.jpg", "not a picture");
    EXPECT_FALSE(PictureDecoded(LoadPicture(program, picture, bad, 0)));
    ExpectPictureMessage(2382, bad);
    EXPECT_TRUE(picture.pixels.Empty());
    const std::string huge =
        dir.Write("huge.jpg", WithClaimedSize(JpegBytes(Flat(8, 8, 0, 0, 0)), 30000, 20000));
    EXPECT_EQ(LoadPicture(program, picture, huge, 0), DecodeStatus::TooLarge);
    ExpectPictureMessage(2383, huge);
    // A sound picture under an extension no decoder is registered for.
    const std::string png = dir.Write("a.png", JpegBytes(Flat(4, 4, 0, 0, 0)));
    EXPECT_EQ(LoadPicture(program, picture, png, 0), DecodeStatus::Unsupported);
    ExpectPictureMessage(2384, png);
    fs::create_directory(dir.File("folder.jpg"));
    EXPECT_EQ(LoadPicture(program, picture, dir.File("folder.jpg"), 0), DecodeStatus::Unreadable);
    ExpectPictureMessage(352, dir.File("folder.jpg"));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LoadPictureTest, ADamagedPictureIsKeptWithANotice) {
    const std::string jpeg = JpegBytes(Noise(64, 64));
    const std::string path = dir.Write("cut.jpg", jpeg.substr(0, jpeg.size() / 2) + "\xFF\xD9");
    EXPECT_EQ(LoadPicture(program, picture, path, 0), DecodeStatus::Damaged);
    EXPECT_EQ(picture.Width(), 64);
    ExpectPictureMessage(2385, path, true);
    // The same through the decoder alone, as a check of many files reads it.
    Picture again;
    EXPECT_EQ(DecodePictureFile(path, PictureLimits{}, again), DecodeStatus::Damaged);
    EXPECT_EQ(DecodePictureFile(dir.File("none.jpg"), PictureLimits{}, again),
              DecodeStatus::NotFound);
}

TEST_F(LoadPictureTest, LargeFilesAreCopiedFirstAndTheCopyRemoved) {
    const std::string path = dir.Write("photo.jpeg", JpegBytes(Flat(8, 8, 0, 0, 0)));
    const std::string temporary = dir.File("tmp");
    fs::create_directory(temporary);
    program.settings.CopyImage = 4;

    // Not above the setting: no copy, so a missing temporary directory does not matter.
    SetTemporaryDirectory(dir.File("absent"));
    EXPECT_EQ(LoadPicture(program, picture, path, 4), DecodeStatus::Ok);
    // Above it, with no room for the copy: the picture is read where it is.
    picture.pixels.Clear();
    EXPECT_EQ(LoadPicture(program, picture, path, 5), DecodeStatus::Ok);
    EXPECT_EQ(picture.Width(), 8);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.errorDialogs.empty());

    // With a temporary directory: the copy (whose name loses the point of the
    // four-letter extension) still decodes, and is gone afterwards.
    SetTemporaryDirectory(temporary);
    ASSERT_EQ(LoadPicture(program, picture, path, 5), DecodeStatus::Ok);
    EXPECT_EQ(picture.Width(), 8);
    EXPECT_TRUE(fs::is_empty(temporary));

    program.settings.CopyImage = 0;
    SetTemporaryDirectory(dir.File("absent"));
    EXPECT_EQ(LoadPicture(program, picture, path, 5000), DecodeStatus::Ok);
}

}  // namespace
}  // namespace kvx
