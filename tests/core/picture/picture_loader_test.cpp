#include "core/picture/picture_loader.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The codec headers; jpeglib.h expects <cstdio> before it.
#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>
#include <zlib.h>

#include "common/fake_ui.hpp"
#include "common/file_size_limit.hpp"
#include "common/temp_dir.hpp"
#include "common/test_pictures.hpp"
#include "core/export/bmp_writer.hpp"
#include "core/export/jpeg_writer.hpp"
#include "core/picture/picture_gif.hpp"
#include "core/picture/picture_jpeg.hpp"
#include "core/picture/picture_kinds.hpp"
#include "core/picture/picture_orientation.hpp"
#include "core/picture/picture_tiles.hpp"
#include "core/program/program.hpp"
#include "core/support/file_list.hpp"
#include "core/support/text_file.hpp"

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

/// The picture coded arithmetically, a coding the program's own writer never uses.
std::string ArithmeticJpeg(const PixelImage& image) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(image.Width());
    cinfo.image_height = static_cast<JDIMENSION>(image.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.arith_code = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row;
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint8_t* from = image.Row(static_cast<int32_t>(cinfo.next_scanline));
        row.assign(from, from + static_cast<std::size_t>(image.Width()) * 3);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<char*>(out), size);
    std::free(out);
    return bytes;
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
    // One bit flipped in the coded data: the codec skips what no longer fits
    // ("extraneous bytes") and goes on with made-up pixels.
    std::string flipped = jpeg;
    flipped[jpeg.size() / 2] = static_cast<char>(flipped[jpeg.size() / 2] ^ 0x80);
    EXPECT_EQ(DecodeJpeg(Bytes(flipped), flipped.size(), 1, PictureLimits{}, image),
              DecodeStatus::Damaged);
    // Bytes that belong to no segment before the end marker.
    const std::string extra = noEnd + std::string(20, '\x55') + "\xFF\xD9";
    EXPECT_EQ(DecodeJpeg(Bytes(extra), extra.size(), 1, PictureLimits{}, image),
              DecodeStatus::Damaged);
    // Arithmetic-coded data warn of nothing but the end of the file when cut.
    const std::string arithmetic = ArithmeticJpeg(Noise(64, 64));
    EXPECT_EQ(DecodeJpeg(Bytes(arithmetic), arithmetic.size(), 1, PictureLimits{}, image),
              DecodeStatus::Ok);
    const std::string arithmeticHalf = arithmetic.substr(0, arithmetic.size() / 2);
    EXPECT_EQ(DecodeJpeg(Bytes(arithmeticHalf), arithmeticHalf.size(), 1, PictureLimits{}, image),
              DecodeStatus::Damaged);
    EXPECT_EQ(image.Width(), 64);
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
    // Arithmetic coding spends next to nothing on a picture of one colour:
    // far fewer bytes than any Huffman-coded file of its size, and sound.
    const std::string plain = ArithmeticJpeg(Flat(4000, 3000, 120, 130, 140));
    ASSERT_LT(plain.size() * 512, uint64_t{500} * 375 * 3 / 2);  // blocks of 4:2:0
    ASSERT_EQ(DecodeJpeg(Bytes(plain), plain.size(), 1, PictureLimits{}, image), DecodeStatus::Ok);
    EXPECT_EQ(image.Width(), 4000);
    EXPECT_EQ(image.Height(), 3000);
    // Long and narrow is no longer too large: 40000 x 16 at full size.
    const std::string strip = CodecJpeg(40000, 16, 3, JCS_RGB, {1, 2, 3}, true);
    EXPECT_EQ(DecodeJpeg(Bytes(strip), strip.size(), 1, PictureLimits{}, image), DecodeStatus::Ok);
    EXPECT_EQ(image.Width(), 40000);
}

/// True when image holds exactly the pixels of rect of whole.
bool SamePart(const PixelImage& image, const PixelImage& whole, const PixelRect& rect) {
    for (int32_t y = 0; y < rect.height; ++y) {
        if (std::memcmp(image.Row(y), whole.Row(rect.top + y) + rect.left * 3,
                        static_cast<std::size_t>(rect.width) * 3) != 0) {
            return false;
        }
    }
    return true;
}

TEST(PictureJpegTest, APictureLargerThanMemoryAllowsKeepsItsFullResolutionOnTheDisk) {
    // 700 x 500 pixels against a limit of 100,000 held whole: the first view
    // is decoded reduced by the codec; the full decode, given a folder for
    // temporary files, writes its tiles there and keeps a first view reduced
    // while it decodes. Every part read back is what the decoder gives
    // without the limit, turned as the file says.
    PictureLimits limits;
    limits.maxPixels = 100'000;
    test::TempDir dir;
    const std::string plain = JpegBytes(Noise(700, 500));
    for (const int orientation : {1, 6}) {
        SCOPED_TRACE(orientation);
        const std::string path = dir.Write(
            "large.jpg", orientation == 1 ? plain : test::WithExifOrientation(plain, orientation));
        Picture whole;
        ASSERT_EQ(DecodePictureFile(path, PictureLimits{}, whole), DecodeStatus::Ok);
        Picture picture;
        EXPECT_EQ(DecodePictureFile(path, limits, picture), DecodeStatus::TooLarge);
        DecodeOptions options;
        options.wantedSide = 100;
        ASSERT_EQ(DecodePictureFile(path, options, limits, picture), DecodeStatus::Ok);
        EXPECT_EQ(picture.reduction, 4);
        EXPECT_EQ(picture.tiles, nullptr);

        options.wantedSide = 0;
        options.tileFolder = dir.Path().string();
        options.tileBudget = 300 * 1024;
        ASSERT_EQ(DecodePictureFile(path, options, limits, picture), DecodeStatus::Ok);
        ASSERT_NE(picture.tiles, nullptr);
        EXPECT_EQ(picture.Width(), whole.Width());
        EXPECT_EQ(picture.Height(), whole.Height());
        EXPECT_GE(picture.reduction, 2);
        // Nothing is left in the folder: the file of tiles has no name.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator{}), 1);
        const int32_t w = whole.Width();
        const int32_t h = whole.Height();
        for (const PixelRect rect : {PixelRect{0, 0, w, h}, PixelRect{w - 260, 7, 260, 300},
                                     PixelRect{w - 1, h - 1, 1, 1}}) {
            PixelImage part;
            ASSERT_TRUE(picture.tiles->Read(0, rect, part));
            EXPECT_TRUE(SamePart(part, whole.pixels, rect)) << rect.left << "," << rect.top;
        }
        PixelImage zoomed;
        ASSERT_TRUE(ResamplePicture(picture, w, h, 0, 0, w, h, zoomed));
        EXPECT_EQ(Colours(zoomed), Colours(whole.pixels));
    }
    // A PNG in the same way, read as its rows come; 16 bits shown by the
    // range of the whole picture. Interlaced rows do not come in order.
    test::RawPicture rows(700, 500, 1, 16);
    for (std::size_t i = 0; i < rows.samples.size(); ++i) {
        rows.samples[i] = static_cast<uint16_t>(3000 + (i * 2654435761u >> 20) % 9000);
    }
    for (const bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced);
        const std::string path = dir.Write("large.png", test::PngBytes(rows, interlaced));
        Picture whole;
        ASSERT_EQ(DecodePictureFile(path, PictureLimits{}, whole), DecodeStatus::Ok);
        DecodeOptions options;
        options.tileFolder = dir.Path().string();
        Picture picture;
        if (interlaced) {
            EXPECT_EQ(DecodePictureFile(path, options, limits, picture), DecodeStatus::TooLarge);
            continue;
        }
        ASSERT_EQ(DecodePictureFile(path, options, limits, picture), DecodeStatus::Ok);
        ASSERT_NE(picture.tiles, nullptr);
        EXPECT_EQ(picture.reduction, 2);
        EXPECT_TRUE(picture.sixteenBit);
        PixelImage part;
        ASSERT_TRUE(picture.tiles->Read(0, {0, 0, 700, 500}, part));
        EXPECT_EQ(Colours(part), Colours(whole.pixels));
    }

    // A folder that is not there gives no picture rather than half of one.
    DecodeOptions nowhere;
    nowhere.tileFolder = (dir.Path() / "missing").string();
    Picture picture;
    EXPECT_FALSE(
        PictureDecoded(DecodePictureFile(dir.Write("again.jpg", plain), nowhere, limits, picture)));
    EXPECT_TRUE(picture.pixels.Empty());
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
    // A transparent image lies on the measuring field (Windows colour
    // 0x00336699: red 0x99, green 0x66, blue 0x33), not on the screen's
    // own background colour.
    ASSERT_EQ(DecodeGif(Bytes(gif), gif.size(), PictureLimits{}, 0x336699, image),
              DecodeStatus::Ok);
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.Height(), 3);
    const uint32_t field = 0x996633;
    EXPECT_EQ(Colours(image), (std::vector<uint32_t>{field, field, field, field,     //
                                                     field, 0xFF0000, field, field,  //
                                                     field, field, 0xFF0000, field}));
    // Around an opaque image the screen's colour stays.
    first.transparent = -1;
    const std::string opaque = MakeGif(4, 3, kGlobal, 3, {first});
    ASSERT_EQ(DecodeGif(Bytes(opaque), opaque.size(), PictureLimits{}, 0x336699, image),
              DecodeStatus::Ok);
    const uint32_t bg = 0x090909;
    EXPECT_EQ(Colours(image), (std::vector<uint32_t>{bg, bg, bg, bg,              //
                                                     bg, 0xFF0000, 0x00FF00, bg,  //
                                                     bg, 0x00FF00, 0xFF0000, bg}));
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
    ASSERT_EQ(DecodeGif(Bytes(gif), gif.size(), PictureLimits{}, 0xFFFFFF, image),
              DecodeStatus::Ok);
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
    EXPECT_EQ(DecodeGif(Bytes(screen), screen.size(), PictureLimits{}, 0xFFFFFF, claimed),
              DecodeStatus::Truncated);
    EXPECT_TRUE(claimed.Empty());
    // A frame of more pixels than its data can code.
    GifFrame big;
    big.width = 4000;
    big.height = 4000;
    big.pixels = std::vector<uint8_t>(16000000, 1);
    std::string cutFrame = MakeGif(4000, 4000, kGlobal, 0, {big});
    cutFrame.resize(200);
    EXPECT_EQ(DecodeGif(Bytes(cutFrame), cutFrame.size(), PictureLimits{}, 0xFFFFFF, claimed),
              DecodeStatus::Truncated);

    GifFrame frame;
    frame.width = 20;
    frame.height = 20;
    frame.pixels = std::vector<uint8_t>(400, 1);
    const std::string gif = MakeGif(20, 20, kGlobal, 0, {frame});
    PixelImage image;
    const std::string cut = gif.substr(0, gif.size() / 2);
    EXPECT_EQ(DecodeGif(Bytes(cut), cut.size(), PictureLimits{}, 0xFFFFFF, image),
              DecodeStatus::Truncated);
    const std::string noImage = MakeGif(20, 20, kGlobal, 0, {});
    EXPECT_EQ(DecodeGif(Bytes(noImage), noImage.size(), PictureLimits{}, 0xFFFFFF, image),
              DecodeStatus::Corrupt);
    const std::string garbage = "GIF89a garbage";
    EXPECT_NE(DecodeGif(Bytes(garbage), garbage.size(), PictureLimits{}, 0xFFFFFF, image),
              DecodeStatus::Ok);
    GifFrame wide = frame;
    wide.left = 65000;  // the frame reaches far past any sane screen
    wide.top = 65000;
    const std::string huge = MakeGif(20, 20, kGlobal, 0, {wide});
    PictureLimits limits;
    EXPECT_EQ(DecodeGif(Bytes(huge), huge.size(), limits, 0xFFFFFF, image), DecodeStatus::TooLarge);
    EXPECT_TRUE(image.Empty());

    // One bit flipped in the LZW data: the codec library decodes on from
    // codes its table does not hold, and the pixels after it are wrong.
    GifFrame noise;
    noise.width = 64;
    noise.height = 48;
    uint32_t seed = 3;
    for (int i = 0; i < 64 * 48; ++i) {
        seed = seed * 1103515245 + 12345;
        noise.pixels.push_back(static_cast<uint8_t>((seed >> 28) & 3));
    }
    const std::string sound = MakeGif(64, 48, kGlobal, 0, {noise});
    ASSERT_EQ(DecodeGif(Bytes(sound), sound.size(), PictureLimits{}, 0xFFFFFF, image),
              DecodeStatus::Ok);
    std::string flipped = sound;
    flipped[sound.size() / 2] = static_cast<char>(flipped[sound.size() / 2] ^ 0x01);
    EXPECT_EQ(DecodeGif(Bytes(flipped), flipped.size(), PictureLimits{}, 0xFFFFFF, image),
              DecodeStatus::Damaged);
    EXPECT_EQ(image.Width(), 64);
}

// ---- PNG and TIFF ----

using test::PaletteEntry;
using test::RawPicture;
using test::TiffLayout;

/// The measuring field's background under transparent parts in these tests:
/// red 0x99, green 0x66, blue 0x33.
constexpr uint32_t kBackground = 0x00336699;
constexpr uint8_t kBackgroundRgb[3] = {0x99, 0x66, 0x33};

std::array<int, 3> PixelAt(const PixelImage& image, int32_t x, int32_t y) {
    const uint8_t* p = image.Row(y) + static_cast<std::size_t>(x) * 3;
    return {p[0], p[1], p[2]};
}

/// One kind of PNG or TIFF file and how it is written.
struct KindCase {
    const char* name;
    PictureFormat format;
    int channels;  ///< 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
    int bits;      ///< 8 or 16
    bool interlaced = false;
    TiffLayout layout = {};
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.name;
}

/// 37 x 21 pixels (several strips and tiles, odd sizes): a flat grey of
/// "fill", and at the top left the lowest value, the highest, a colour of
/// both and the middle, a wholly transparent pixel of a value far above the
/// rest and one half transparent; a marker at the bottom right. Sixteen-bit
/// values lie between 1000 and 5000, which the picture is shown by.
class PictureKindTest : public ::testing::TestWithParam<KindCase> {
protected:
    static constexpr int32_t kWidth = 37;
    static constexpr int32_t kHeight = 21;

    bool Sixteen() const { return GetParam().bits == 16; }
    bool Alpha() const { return GetParam().channels == 2 || GetParam().channels == 4; }
    bool Colour() const { return GetParam().channels >= 3; }
    bool Associated() const { return GetParam().layout.associatedAlpha; }
    uint16_t V8or16(uint16_t eight, uint16_t sixteen) const { return Sixteen() ? sixteen : eight; }
    uint32_t Full() const { return Sixteen() ? 65535 : 255; }

    RawPicture Make() const {
        const KindCase& c = GetParam();
        RawPicture p(kWidth, kHeight, c.channels, c.bits);
        for (int32_t y = 0; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                p.Colour(x, y, V8or16(100, 2000));
                if (Alpha()) p.At(x, y, c.channels - 1) = static_cast<uint16_t>(Full());
            }
        }
        p.Colour(0, 0, V8or16(0, 1000));
        p.Colour(1, 0, V8or16(255, 5000));
        p.Colour(2, 0, V8or16(128, 3000));
        if (Colour()) {
            p.At(2, 0, 1) = V8or16(0, 1000);
            p.At(2, 0, 2) = V8or16(255, 5000);
        }
        if (Alpha()) {
            // Left out of the range: nothing of it shows. (Multiplied by
            // its alpha of 0 the colour is 0.)
            p.Colour(3, 0, Associated() ? 0 : V8or16(77, 60000));
            p.At(3, 0, c.channels - 1) = 0;
            // Associated alpha stores the colour multiplied: black here.
            p.Colour(4, 0, Associated() ? V8or16(0, 1000) : V8or16(255, 5000));
            p.At(4, 0, c.channels - 1) = V8or16(128, 32768);
        }
        p.Colour(kWidth - 1, kHeight - 1, V8or16(10, 1500));
        if (Colour()) {
            p.At(kWidth - 1, kHeight - 1, 1) = V8or16(20, 2500);
            p.At(kWidth - 1, kHeight - 1, 2) = V8or16(30, 3500);
        }
        return p;
    }

    std::string Encode(const RawPicture& p) const {
        const KindCase& c = GetParam();
        return c.format == PictureFormat::kPng ? test::PngBytes(p, c.interlaced)
                                               : test::TiffBytes(p, c.layout);
    }

    /// What a 16-bit value between 1000 and 5000 shows as.
    int Shown(int eight, int sixteen) const {
        if (!Sixteen()) return eight;
        return static_cast<int>(std::nearbyint((sixteen - 1000) * 255.0 / 4000.0));
    }

    void ExpectPixels(const PixelImage& image) const {
        ASSERT_EQ(image.Width(), kWidth);
        ASSERT_EQ(image.Height(), kHeight);
        const auto grey = [](int v) { return std::array<int, 3>{v, v, v}; };
        EXPECT_EQ(PixelAt(image, 0, 0), grey(0));
        EXPECT_EQ(PixelAt(image, 1, 0), grey(255));
        EXPECT_EQ(PixelAt(image, 2, 0), Colour() ? (std::array<int, 3>{128, 0, 255}) : grey(128));
        EXPECT_EQ(PixelAt(image, 10, 10), grey(Shown(100, 2000)));
        const std::array<int, 3> marker{Shown(10, 1500), Shown(20, 2500), Shown(30, 3500)};
        EXPECT_EQ(PixelAt(image, kWidth - 1, kHeight - 1), Colour() ? marker : grey(marker[0]));
        if (!Alpha()) return;
        EXPECT_EQ(PixelAt(image, 3, 0),
                  (std::array<int, 3>{kBackgroundRgb[0], kBackgroundRgb[1], kBackgroundRgb[2]}));
        const double a = Sixteen() ? 32768.0 / 65535.0 : 128.0 / 255.0;
        for (int c = 0; c < 3; ++c) {
            const double over = (Associated() ? 0.0 : 255.0 * a) + kBackgroundRgb[c] * (1.0 - a);
            EXPECT_NEAR(PixelAt(image, 4, 0)[static_cast<std::size_t>(c)], over, 0.51) << c;
        }
    }
};

TEST_P(PictureKindTest, PixelsLandWhereTheFileHasThem) {
    const std::string bytes = Encode(Make());
    ASSERT_FALSE(bytes.empty());
    DecodeOptions options;
    options.background = kBackground;
    Picture picture;
    ASSERT_EQ(DecodePicture(Bytes(bytes), bytes.size(), GetParam().format, options, PictureLimits{},
                            picture),
              DecodeStatus::Ok);
    EXPECT_EQ(picture.Width(), kWidth);
    EXPECT_EQ(picture.Height(), kHeight);
    EXPECT_FALSE(picture.Reduced());
    ExpectPixels(picture.pixels);

    // Asked to keep its samples, a picture shows the same: a page of 16
    // bits without alpha is read once and shown from the samples it keeps.
    DecodeOptions keep = options;
    keep.keepSixteenBits = true;
    Picture kept;
    ASSERT_EQ(
        DecodePicture(Bytes(bytes), bytes.size(), GetParam().format, keep, PictureLimits{}, kept),
        DecodeStatus::Ok);
    EXPECT_EQ(Colours(kept.pixels), Colours(picture.pixels));
    EXPECT_EQ(kept.samplesHigh.Empty(), !Sixteen());

    // Read from the file as it is decoded: the same picture.
    test::TempDir dir;
    const std::string path =
        dir.Write(GetParam().format == PictureFormat::kPng ? "kind.png" : "kind.TIFF", bytes);
    Picture fromFile;
    ASSERT_EQ(DecodePictureFile(path, options, PictureLimits{}, fromFile), DecodeStatus::Ok);
    EXPECT_EQ(Colours(fromFile.pixels), Colours(picture.pixels));
    if (GetParam().format != PictureFormat::kTiff) return;

    // A first view of a quarter, reduced while the file is read, with the
    // full resolution read in parts: every pixel as the picture decoded
    // whole shows it (16-bit values by the range of the whole page), and
    // the first view the means of its blocks. A page in planes is put
    // together whole.
    options.wantedSide = 10;
    Picture firstView;
    ASSERT_EQ(DecodePictureFile(path, options, PictureLimits{}, firstView), DecodeStatus::Ok);
    EXPECT_EQ(firstView.Width(), kWidth);
    EXPECT_EQ(firstView.Height(), kHeight);
    if (GetParam().layout.separatePlanes) {
        EXPECT_EQ(firstView.tiles, nullptr);
        EXPECT_EQ(Colours(firstView.pixels), Colours(picture.pixels));
        return;
    }
    ASSERT_NE(firstView.tiles, nullptr);
    EXPECT_EQ(firstView.reduction, 4);
    ASSERT_EQ(firstView.pixels.Width(), 10);
    ASSERT_EQ(firstView.pixels.Height(), 6);
    PixelImage full;
    ASSERT_TRUE(firstView.tiles->Read(0, {0, 0, kWidth, kHeight}, full));
    ExpectPixels(full);
    EXPECT_EQ(Colours(full), Colours(picture.pixels));
    PixelImage zoomed;
    ASSERT_TRUE(ResamplePicture(firstView, kWidth, kHeight, 0, 0, kWidth, kHeight, zoomed));
    EXPECT_EQ(Colours(zoomed), Colours(picture.pixels));
    for (int32_t by = 0; by < 6; ++by) {
        for (int32_t bx = 0; bx < 10; ++bx) {
            std::array<int, 3> sum{};
            int n = 0;
            for (int32_t y = 4 * by; y < std::min(4 * by + 4, kHeight); ++y) {
                for (int32_t x = 4 * bx; x < std::min(4 * bx + 4, kWidth); ++x, ++n) {
                    for (std::size_t c = 0; c < 3; ++c) sum[c] += PixelAt(picture.pixels, x, y)[c];
                }
            }
            for (std::size_t c = 0; c < 3; ++c) {
                EXPECT_NEAR(PixelAt(firstView.pixels, bx, by)[c], (sum[c] + n / 2) / n,
                            Sixteen() ? 1 : 0)
                    << bx << "," << by;
            }
        }
    }
}

TiffLayout Tiled() {
    TiffLayout layout;
    layout.tiled = true;
    return layout;
}
TiffLayout Planes(bool tiled = false) {
    TiffLayout layout;
    layout.separatePlanes = true;
    layout.tiled = tiled;
    return layout;
}
TiffLayout Compressed(uint16_t compression) {
    TiffLayout layout;
    layout.compression = compression;
    return layout;
}
TiffLayout AssociatedAlpha() {
    TiffLayout layout;
    layout.associatedAlpha = true;
    return layout;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PictureKindTest,
    ::testing::Values(
        KindCase{"png_grey8", PictureFormat::kPng, 1, 8},
        KindCase{"png_grey16", PictureFormat::kPng, 1, 16},
        KindCase{"png_grey_alpha8", PictureFormat::kPng, 2, 8},
        KindCase{"png_grey_alpha16", PictureFormat::kPng, 2, 16},
        KindCase{"png_rgb8", PictureFormat::kPng, 3, 8},
        KindCase{"png_rgb16", PictureFormat::kPng, 3, 16},
        KindCase{"png_rgba8", PictureFormat::kPng, 4, 8},
        KindCase{"png_rgba16", PictureFormat::kPng, 4, 16},
        KindCase{"png_rgba16_interlaced", PictureFormat::kPng, 4, 16, true},
        KindCase{"png_grey8_interlaced", PictureFormat::kPng, 1, 8, true},
        KindCase{"tiff_grey8", PictureFormat::kTiff, 1, 8},
        KindCase{"tiff_grey16", PictureFormat::kTiff, 1, 16},
        KindCase{"tiff_grey_alpha16", PictureFormat::kTiff, 2, 16},
        KindCase{"tiff_rgb8", PictureFormat::kTiff, 3, 8},
        KindCase{"tiff_rgb16", PictureFormat::kTiff, 3, 16},
        KindCase{"tiff_rgba8", PictureFormat::kTiff, 4, 8},
        KindCase{"tiff_rgba16_associated", PictureFormat::kTiff, 4, 16, false, AssociatedAlpha()},
        KindCase{"tiff_rgb8_tiled", PictureFormat::kTiff, 3, 8, false, Tiled()},
        KindCase{"tiff_rgba16_tiled", PictureFormat::kTiff, 4, 16, false, Tiled()},
        KindCase{"tiff_rgba16_planes", PictureFormat::kTiff, 4, 16, false, Planes()},
        KindCase{"tiff_rgb8_tiled_planes", PictureFormat::kTiff, 3, 8, false, Planes(true)},
        KindCase{"tiff_rgb16_lzw", PictureFormat::kTiff, 3, 16, false, Compressed(COMPRESSION_LZW)},
        KindCase{"tiff_grey8_deflate", PictureFormat::kTiff, 1, 8, false,
                 Compressed(COMPRESSION_ADOBE_DEFLATE)},
        KindCase{"tiff_rgba8_packbits", PictureFormat::kTiff, 4, 8, false,
                 Compressed(COMPRESSION_PACKBITS)}),
    [](const ::testing::TestParamInfo<KindCase>& kind) { return std::string(kind.param.name); });

TEST(PicturePaletteTest, PaletteAndFewBitPicturesShowTheirColours) {
    const std::vector<PaletteEntry> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    RawPicture indices(5, 3, 1, 8);
    for (int32_t x = 0; x < 5; ++x) {
        for (int32_t y = 0; y < 3; ++y) indices.At(x, y, 0) = static_cast<uint16_t>((x + y) % 4);
    }
    DecodeOptions options;
    options.background = kBackground;
    Picture picture;
    // PNG with a transparent first entry: red shows the background.
    const std::string png = test::PalettePng(indices, palette, {0});
    ASSERT_EQ(DecodePicture(Bytes(png), png.size(), PictureFormat::kPng, options, PictureLimits{},
                            picture),
              DecodeStatus::Ok);
    EXPECT_EQ(PixelAt(picture.pixels, 0, 0),
              (std::array<int, 3>{kBackgroundRgb[0], kBackgroundRgb[1], kBackgroundRgb[2]}));
    EXPECT_EQ(PixelAt(picture.pixels, 1, 0), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(PixelAt(picture.pixels, 4, 2), (std::array<int, 3>{0, 0, 255}));
    // TIFF palettes of 8 and of 4 bits.
    for (const int bits : {8, 4}) {
        RawPicture p = indices;
        p.bits = bits;
        TiffLayout layout;
        layout.photometric = PHOTOMETRIC_PALETTE;
        layout.palette = palette;
        const std::string tiff = test::TiffBytes(p, layout);
        ASSERT_EQ(DecodePicture(Bytes(tiff), tiff.size(), PictureFormat::kTiff, options,
                                PictureLimits{}, picture),
                  DecodeStatus::Ok)
            << bits;
        EXPECT_EQ(PixelAt(picture.pixels, 0, 0), (std::array<int, 3>{255, 0, 0})) << bits;
        EXPECT_EQ(PixelAt(picture.pixels, 3, 0), (std::array<int, 3>{9, 8, 7})) << bits;
        EXPECT_EQ(PixelAt(picture.pixels, 4, 2), (std::array<int, 3>{0, 0, 255})) << bits;
    }
    // One bit: a grey PNG, and a TIFF with white as 0 (as scanners write it).
    RawPicture bilevel(9, 2, 1, 1);
    bilevel.At(0, 0, 0) = 1;
    bilevel.At(8, 1, 0) = 1;
    const std::string onePng = test::PngBytes(bilevel);
    ASSERT_EQ(DecodePicture(Bytes(onePng), onePng.size(), PictureFormat::kPng, options,
                            PictureLimits{}, picture),
              DecodeStatus::Ok);
    EXPECT_EQ(PixelAt(picture.pixels, 0, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(PixelAt(picture.pixels, 1, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(PixelAt(picture.pixels, 8, 1), (std::array<int, 3>{255, 255, 255}));
    TiffLayout whiteIsZero;
    whiteIsZero.photometric = PHOTOMETRIC_MINISWHITE;
    const std::string oneTiff = test::TiffBytes(bilevel, whiteIsZero);
    ASSERT_EQ(DecodePicture(Bytes(oneTiff), oneTiff.size(), PictureFormat::kTiff, options,
                            PictureLimits{}, picture),
              DecodeStatus::Ok);
    EXPECT_EQ(PixelAt(picture.pixels, 0, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(PixelAt(picture.pixels, 1, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(PixelAt(picture.pixels, 8, 1), (std::array<int, 3>{0, 0, 0}));
}

TEST(PictureTiffTest, AFirstViewTakesTheSmallestReducedPageThatServesIt) {
    // A pyramid: the full page and copies of a half and a quarter, each of
    // its own shade so that the page decoded shows.
    const auto page = [](int32_t w, int32_t h, uint16_t shade) {
        RawPicture p(w, h, 3, 8);
        for (uint16_t& s : p.samples) s = shade;
        return p;
    };
    TiffLayout layout;
    layout.tiled = true;
    layout.compression = COMPRESSION_ADOBE_DEFLATE;
    layout.orientation = 6;
    layout.reducedPages = true;
    const std::string pyramid =
        test::TiffBytes(page(64, 48, 10), layout, {page(32, 24, 20), page(16, 12, 30)});
    const auto decode = [&](int64_t wantedSide, Picture& picture) {
        DecodeOptions options;
        options.wantedSide = wantedSide;
        return DecodePicture(Bytes(pyramid), pyramid.size(), PictureFormat::kTiff, options,
                             PictureLimits{}, picture);
    };
    struct Case {
        int64_t wantedSide;
        int shade;
        int32_t reduction;
    };
    for (const Case c :
         {Case{20, 20, 2}, Case{16, 30, 4}, Case{10, 30, 4}, Case{33, 10, 1}, Case{0, 10, 1}}) {
        SCOPED_TRACE(c.wantedSide);
        Picture picture;
        ASSERT_EQ(decode(c.wantedSide, picture), DecodeStatus::Ok);
        EXPECT_EQ(PixelAt(picture.pixels, 0, 0)[0], c.shade);
        EXPECT_EQ(picture.reduction, c.reduction);
        // Sizes are those of the full page, turned as it is (orientation 6).
        EXPECT_EQ(picture.Width(), 48);
        EXPECT_EQ(picture.Height(), 64);
        EXPECT_EQ(picture.orientation, 6);
        EXPECT_EQ(picture.pixels.Width(), 48 / c.reduction);
        EXPECT_EQ(picture.pixels.Height(), 64 / c.reduction);
    }
    // Further pages that are not reduced copies of the first are no first view.
    layout.reducedPages = false;
    const std::string pages = test::TiffBytes(page(64, 48, 10), layout, {page(32, 24, 20)});
    Picture picture;
    DecodeOptions options;
    options.wantedSide = 20;
    ASSERT_EQ(DecodePicture(Bytes(pages), pages.size(), PictureFormat::kTiff, options,
                            PictureLimits{}, picture),
              DecodeStatus::Ok);
    EXPECT_EQ(PixelAt(picture.pixels, 0, 0)[0], 10);
    EXPECT_FALSE(picture.Reduced());
}

TEST(PictureTiffTest, APictureLargerThanMemoryAllowsIsShownAtEveryScaleFromItsFile) {
    // 700 x 500 pixels of noise against a limit of 100,000 pixels held
    // whole and tiles kept within 200 KB, a sixth of the picture: in strips,
    // in tiles, turned, and with reduced pages. The first view is within
    // the limit, and every part of the full resolution read from the file
    // is what the picture decoded whole (without the limit) holds.
    RawPicture noise(700, 500, 3, 8);
    uint32_t seed = 1;
    for (uint16_t& v : noise.samples) {
        seed = seed * 1103515245u + 12345u;
        v = static_cast<uint16_t>((seed >> 16) & 0xFF);
    }
    RawPicture grey(700, 500, 1, 16);
    for (std::size_t i = 0; i < grey.samples.size(); ++i) {
        grey.samples[i] = static_cast<uint16_t>(1000 + noise.samples[i] * 7);
    }
    RawPicture half(350, 250, 3, 8);
    for (uint16_t& v : half.samples) v = 90;
    // Ink, which the codec library converts: windows of its own reading.
    RawPicture ink(700, 500, 4, 8);
    for (std::size_t i = 0; i < ink.samples.size(); ++i) {
        ink.samples[i] = noise.samples[i % noise.samples.size()];
    }
    struct Case {
        const char* name;
        const RawPicture* picture;
        bool tiled;
        uint16_t orientation;
        bool pyramid;
        uint16_t photometric = 0xFFFF;
    };
    PictureLimits limits;
    limits.maxPixels = 100'000;
    test::TempDir dir;
    for (const Case& c :
         {Case{"strips", &noise, false, 1, false}, Case{"tiles", &noise, true, 1, false},
          Case{"turned", &noise, true, 6, false}, Case{"strips turned", &noise, false, 3, false},
          Case{"sixteen bits", &grey, false, 8, false}, Case{"pyramid", &noise, true, 1, true},
          Case{"ink in strips", &ink, false, 1, false, PHOTOMETRIC_SEPARATED},
          Case{"ink in tiles", &ink, true, 6, false, PHOTOMETRIC_SEPARATED}}) {
        SCOPED_TRACE(c.name);
        TiffLayout layout;
        layout.tiled = c.tiled;
        layout.orientation = c.orientation;
        layout.compression = COMPRESSION_ADOBE_DEFLATE;
        layout.reducedPages = c.pyramid;
        layout.photometric = c.photometric;
        const std::string path =
            dir.Write("large.tif", c.pyramid ? test::TiffBytes(*c.picture, layout, {half})
                                             : test::TiffBytes(*c.picture, layout));
        Picture whole;
        ASSERT_EQ(DecodePictureFile(path, PictureLimits{}, whole), DecodeStatus::Ok);
        Picture refused;
        EXPECT_EQ(DecodePictureFile(path, limits, refused), DecodeStatus::TooLarge);
        // Decoded in full for a caller that takes tiles: a first view of a
        // half beside them.
        DecodeOptions inFull;
        inFull.tileFolder = dir.Path().string();
        Picture full;
        ASSERT_EQ(DecodePictureFile(path, inFull, limits, full), DecodeStatus::Ok);
        ASSERT_NE(full.tiles, nullptr);
        EXPECT_EQ(full.reduction, 2);

        DecodeOptions options;
        options.wantedSide = 100;
        options.tileBudget = 200 * 1024;
        // The loader asks every file of moderate size to keep samples of 16
        // bits, which a page of 8 bits has none of.
        options.keepSixteenBits = c.picture->bits == 8;
        Picture picture;
        ASSERT_EQ(DecodePictureFile(path, options, limits, picture), DecodeStatus::Ok);
        ASSERT_NE(picture.tiles, nullptr);
        EXPECT_EQ(picture.Width(), whole.Width());
        EXPECT_EQ(picture.Height(), whole.Height());
        EXPECT_LE(int64_t{picture.pixels.Width()} * picture.pixels.Height(), limits.maxPixels);
        EXPECT_EQ(PixelAt(picture.pixels, 3, 3)[0] == 90, c.pyramid);
        const int32_t w = whole.Width();
        const int32_t h = whole.Height();
        for (const PixelRect rect : {PixelRect{0, 0, w, h}, PixelRect{w - 300, 17, 300, 260},
                                     PixelRect{5, h - 1, 1, 1}, PixelRect{256, 256, 3, 200}}) {
            PixelImage part;
            ASSERT_TRUE(picture.tiles->Read(0, rect, part));
            EXPECT_TRUE(SamePart(part, whole.pixels, rect)) << rect.left << "," << rect.top;
            EXPECT_LE(picture.tiles->HeldBytes(), options.tileBudget);
        }
        // A view at a third of the size comes from the tiles' level of a
        // half, as from the whole picture halved; from the file's own page
        // of a half where it has one.
        PixelImage view;
        ASSERT_TRUE(ResamplePicture(picture, w / 3, h / 3, 0, 0, w / 3, h / 3, view));
        if (c.pyramid) {
            EXPECT_EQ(Colours(view), std::vector<uint32_t>(view.Width() * view.Height(), 0x5A5A5A));
            continue;
        }
        Picture halved;
        ASSERT_TRUE(ReduceByHalf(whole.pixels, halved.pixels));
        PixelImage expected;
        ASSERT_TRUE(ResamplePicture(halved, w / 3, h / 3, 0, 0, w / 3, h / 3, expected));
        EXPECT_EQ(Colours(view), Colours(expected));
    }
}

TEST(PictureTiffTest, FirstPageTurnedByItsTagAndOtherKindsThroughTheCodecLibrary) {
    RawPicture first(37, 21, 3, 8);
    for (uint16_t& s : first.samples) s = 200;
    first.At(36, 20, 0) = 10;  // the marker at the bottom right of the stored picture
    RawPicture second(5, 5, 1, 8);
    Picture picture;
    // Of two pages the first is shown.
    const std::string pages = test::TiffBytes(first, {}, {second});
    ASSERT_EQ(
        DecodePicture(Bytes(pages), pages.size(), PictureFormat::kTiff, PictureLimits{}, picture),
        DecodeStatus::Ok);
    EXPECT_EQ(picture.Width(), 37);
    EXPECT_EQ(picture.Height(), 21);
    EXPECT_FALSE(picture.Reduced());
    // Orientation 6 (the top of the stored picture at the right): 21 x 37,
    // the stored bottom right now at the bottom left.
    TiffLayout turned;
    turned.orientation = 6;
    const std::string six = test::TiffBytes(first, turned);
    ASSERT_EQ(DecodePicture(Bytes(six), six.size(), PictureFormat::kTiff, PictureLimits{}, picture),
              DecodeStatus::Ok);
    EXPECT_EQ(picture.orientation, 6);
    EXPECT_EQ(picture.Width(), 21);
    EXPECT_EQ(picture.Height(), 37);
    EXPECT_EQ(PixelAt(picture.pixels, 0, 36), (std::array<int, 3>{10, 200, 200}));
    EXPECT_EQ(PixelAt(picture.pixels, 20, 36)[0], 200);

    // CMYK: no cyan, full magenta and yellow, no black is red.
    RawPicture ink(4, 4, 4, 8);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            ink.At(x, y, 0) = 0;
            ink.At(x, y, 1) = 255;
            ink.At(x, y, 2) = 255;
            ink.At(x, y, 3) = 0;
        }
    }
    TiffLayout separated;
    separated.photometric = PHOTOMETRIC_SEPARATED;
    const std::string cmyk = test::TiffBytes(ink, separated);
    ASSERT_EQ(
        DecodePicture(Bytes(cmyk), cmyk.size(), PictureFormat::kTiff, PictureLimits{}, picture),
        DecodeStatus::Ok);
    EXPECT_EQ(PixelAt(picture.pixels, 2, 2), (std::array<int, 3>{255, 0, 0}));

    // Floating-point samples are a variant not read.
    TiffLayout floats;
    floats.sampleFormat = SAMPLEFORMAT_IEEEFP;
    RawPicture real(4, 4, 1, 16);
    const std::string half = test::TiffBytes(real, floats);
    EXPECT_EQ(
        DecodePicture(Bytes(half), half.size(), PictureFormat::kTiff, PictureLimits{}, picture),
        DecodeStatus::Unsupported);
    EXPECT_TRUE(picture.pixels.Empty());
}

TEST(PictureTiffTest, DamagedOrHugePngAndTiffAreShownInPartOrRefused) {
    // Noise, so that the compressed rows fill the file.
    RawPicture noise(64, 64, 3, 8);
    uint32_t seed = 7;
    for (uint16_t& s : noise.samples) {
        seed = seed * 1103515245 + 12345;
        s = static_cast<uint16_t>(seed >> 24);
    }
    Picture picture;
    for (const PictureFormat format : {PictureFormat::kPng, PictureFormat::kTiff}) {
        const std::string whole = format == PictureFormat::kPng
                                      ? test::PngBytes(noise)
                                      : test::TiffBytes(noise, Compressed(COMPRESSION_LZW));
        SCOPED_TRACE(format == PictureFormat::kPng ? "png" : "tiff");
        ASSERT_EQ(DecodePicture(Bytes(whole), whole.size(), format, PictureLimits{}, picture),
                  DecodeStatus::Ok);
        const std::vector<uint32_t> good = Colours(picture.pixels);
        // A TIFF keeps its directory at the end of the file: damage the
        // strips instead of cutting, which would lose the directory.
        std::string damaged = whole;
        if (format == PictureFormat::kPng) {
            damaged = whole.substr(0, whole.size() / 2);
        } else {
            for (std::size_t i = whole.size() / 2; i < whole.size() / 2 + 400; ++i)
                damaged[i] = '\xFF';
        }
        ASSERT_EQ(DecodePicture(Bytes(damaged), damaged.size(), format, PictureLimits{}, picture),
                  DecodeStatus::Damaged);
        EXPECT_EQ(picture.Width(), 64);
        const std::vector<uint32_t> shown = Colours(picture.pixels);
        EXPECT_EQ(std::vector<uint32_t>(shown.begin(), shown.begin() + 64),
                  std::vector<uint32_t>(good.begin(), good.begin() + 64));  // the first row
        // Cut within the header: nothing to show.
        const std::string header = whole.substr(0, 12);
        EXPECT_FALSE(PictureDecoded(
            DecodePicture(Bytes(header), header.size(), format, PictureLimits{}, picture)));
        EXPECT_TRUE(picture.pixels.Empty());
        PictureLimits small;
        small.maxPixels = 64 * 63;
        EXPECT_EQ(DecodePicture(Bytes(whole), whole.size(), format, small, picture),
                  DecodeStatus::TooLarge);
    }
    // A G4 code word that means nothing: the codec library complains and
    // hands out the row as far as it got.
    RawPicture bars(64, 64, 1, 1);
    for (int32_t y = 0; y < 64; ++y) {
        for (int32_t x = 0; x < 64; ++x)
            bars.At(x, y, 0) = static_cast<uint16_t>((x / 3 + y / 5) % 2);
    }
    std::string fax = test::TiffBytes(bars, Compressed(COMPRESSION_CCITTFAX4));
    ASSERT_EQ(DecodePicture(Bytes(fax), fax.size(), PictureFormat::kTiff, PictureLimits{}, picture),
              DecodeStatus::Ok);
    fax[8] = static_cast<char>(fax[8] ^ 0x21);
    EXPECT_EQ(DecodePicture(Bytes(fax), fax.size(), PictureFormat::kTiff, PictureLimits{}, picture),
              DecodeStatus::Damaged);
    const std::string garbage = "\x89PNG\r\n\x1A\n" + std::string(200, 'x');
    // Damaged beyond reading, as far as the person is told.
    EXPECT_EQ(PictureLoadError(DecodePicture(Bytes(garbage), garbage.size(), PictureFormat::kPng,
                                             PictureLimits{}, picture)),
              kErrPictureCorrupt);
    // A few hundred bytes claiming 30000 x 16000 pixels: refused before allocating.
    RawPicture small(8, 8, 3, 8);
    std::string claim = test::PngBytes(small);
    for (const auto& [at, value] : {std::pair<std::size_t, uint32_t>{16, 30000}, {20, 16000}}) {
        claim[at] = static_cast<char>(value >> 24);
        claim[at + 1] = static_cast<char>((value >> 16) & 0xFF);
        claim[at + 2] = static_cast<char>((value >> 8) & 0xFF);
        claim[at + 3] = static_cast<char>(value & 0xFF);
    }
    // The header's check sum no longer fits; libpng is told to mind only
    // the data that follow by a check sum computed afresh.
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(claim.data() + 12), 17));
    for (int k = 0; k < 4; ++k) claim[29 + k] = static_cast<char>((crc >> (24 - 8 * k)) & 0xFF);
    EXPECT_EQ(
        DecodePicture(Bytes(claim), claim.size(), PictureFormat::kPng, PictureLimits{}, picture),
        DecodeStatus::Truncated);
}

// ---- orientation ----

TEST(PictureOrientationTest, ExifOrientationIsReadInEitherByteOrder) {
    const std::string jpeg = test::QuarterJpeg(64, 48);
    for (const bool bigEndian : {true, false}) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const std::string turned = test::WithExifOrientation(jpeg, orientation, bigEndian);
            const std::size_t app1 = turned.find("Exif");
            ASSERT_NE(app1, std::string::npos);
            const auto* segment = reinterpret_cast<const uint8_t*>(turned.data() + app1);
            const std::size_t length = (static_cast<unsigned char>(turned[app1 - 2]) << 8 |
                                        static_cast<unsigned char>(turned[app1 - 1])) -
                                       2;
            EXPECT_EQ(ExifSegmentOrientation(segment, length), orientation);
            // Cut before the value: the picture as stored.
            EXPECT_EQ(ExifSegmentOrientation(segment, length - 10), 1);
        }
    }
    EXPECT_EQ(ExifOrientation(reinterpret_cast<const uint8_t*>("MM\0*\0\0\0\x08"), 8), 1);
    // An orientation out of range is no orientation.
    const std::string nine = test::WithExifOrientation(jpeg, 9);
    const std::size_t at = nine.find("Exif");
    EXPECT_EQ(ExifSegmentOrientation(reinterpret_cast<const uint8_t*>(nine.data() + at), 60), 1);
}

TEST(PictureOrientationTest, AJpegIsTurnedAsTheCameraMeantIt) {
    // Stored 64 x 48 with red at the top left quarter.
    const std::string stored = test::QuarterJpeg(64, 48);
    struct Expected {
        int orientation;
        int32_t width;
        int32_t height;
        int32_t redX;  ///< a pixel well inside the red quarter as shown
        int32_t redY;
    };
    for (const Expected& e :
         {Expected{1, 64, 48, 8, 8}, Expected{2, 64, 48, 56, 8}, Expected{3, 64, 48, 56, 40},
          Expected{4, 64, 48, 8, 40}, Expected{5, 48, 64, 8, 8}, Expected{6, 48, 64, 40, 8},
          Expected{7, 48, 64, 40, 56}, Expected{8, 48, 64, 8, 56}}) {
        SCOPED_TRACE(e.orientation);
        const std::string jpeg = test::WithExifOrientation(stored, e.orientation);
        Picture picture;
        ASSERT_EQ(
            DecodePicture(Bytes(jpeg), jpeg.size(), PictureFormat::kJpeg, PictureLimits{}, picture),
            DecodeStatus::Ok);
        EXPECT_EQ(picture.orientation, e.orientation);
        EXPECT_EQ(picture.Width(), e.width);
        EXPECT_EQ(picture.Height(), e.height);
        EXPECT_GT(PixelAt(picture.pixels, e.redX, e.redY)[0], 200);
        EXPECT_LT(PixelAt(picture.pixels, e.width - 1 - e.redX, e.height - 1 - e.redY)[0], 60);
        // Reduced by the codec (wanted 10 pixels: 1/4 leaves 16), turned the same way.
        DecodeOptions firstView;
        firstView.wantedSide = 10;
        ASSERT_EQ(DecodePicture(Bytes(jpeg), jpeg.size(), PictureFormat::kJpeg, firstView,
                                PictureLimits{}, picture),
                  DecodeStatus::Ok);
        EXPECT_EQ(picture.reduction, 4);
        EXPECT_EQ(picture.Width(), e.width);
        EXPECT_EQ(picture.pixels.Width(), e.width / 4);
        EXPECT_EQ(picture.pixels.Height(), e.height / 4);
        EXPECT_GT(PixelAt(picture.pixels, e.redX / 4, e.redY / 4)[0], 200);
    }
}

TEST(PictureOrientationTest, TheFirstViewDecodesNoMoreThanTheViewShows) {
    const std::string jpeg = JpegBytes(Flat(800, 600, 10, 20, 30));
    Picture picture;
    DecodeOptions options;
    // The largest reduction that still leaves the larger side that many pixels.
    for (const auto& [wanted, reduction] : {std::pair<int64_t, int32_t>{0, 1},
                                            {100, 8},
                                            {101, 4},
                                            {200, 4},
                                            {201, 2},
                                            {400, 2},
                                            {401, 1},
                                            {5000, 1}}) {
        options.wantedSide = wanted;
        ASSERT_EQ(DecodePicture(Bytes(jpeg), jpeg.size(), PictureFormat::kJpeg, options,
                                PictureLimits{}, picture),
                  DecodeStatus::Ok);
        EXPECT_EQ(picture.reduction, reduction) << wanted;
        EXPECT_EQ(picture.pixels.Width(), 800 / reduction) << wanted;
        EXPECT_EQ(picture.Width(), 800);
        EXPECT_EQ(picture.Height(), 600);
    }
    // Other kinds cannot be decoded reduced: always in full.
    options.wantedSide = 100;
    RawPicture rgb(300, 200, 3, 8);
    const std::string png = test::PngBytes(rgb);
    ASSERT_EQ(DecodePicture(Bytes(png), png.size(), PictureFormat::kPng, options, PictureLimits{},
                            picture),
              DecodeStatus::Ok);
    EXPECT_FALSE(picture.Reduced());
    EXPECT_EQ(picture.pixels.Width(), 300);
}

// ---- choosing the decoder and loading ----

TEST(PictureLoaderTest, DecoderFollowsTheExtensionInAnyCase) {
    EXPECT_EQ(PictureFormatOf("/a/b/PHOTO.JPG"), PictureFormat::kJpeg);
    EXPECT_EQ(PictureFormatOf("c:\\images\\x.jpeg"), PictureFormat::kJpeg);
    EXPECT_EQ(PictureFormatOf("x.Bmp"), PictureFormat::kBmp);
    EXPECT_EQ(PictureFormatOf("x.gif"), PictureFormat::kGif);
    EXPECT_EQ(PictureFormatOf("x.png"), PictureFormat::kPng);
    EXPECT_EQ(PictureFormatOf("scan.TIF"), PictureFormat::kTiff);
    EXPECT_EQ(PictureFormatOf("scan.Tiff"), PictureFormat::kTiff);
    EXPECT_EQ(PictureFormatOf("x.webp"), PictureFormat::kUnknown);
    EXPECT_EQ(PictureFormatOf("dir.jpg/file"), PictureFormat::kUnknown);
    EXPECT_EQ(PictureFormatOf("jpg"), PictureFormat::kUnknown);
    EXPECT_EQ(PictureFormatOf("x."), PictureFormat::kUnknown);
    EXPECT_EQ(PictureFormatOf("photo.JFIF"), PictureFormat::kJpeg);
    EXPECT_EQ(PictureFormatOf("photo.jpe"), PictureFormat::kJpeg);
    EXPECT_EQ(PictureFormatOf("scan.DIB"), PictureFormat::kBmp);
}

/// A 300 x 200 picture in the file format of a decoder.
std::string SampleOf(PictureFormat format) {
    switch (format) {
        case PictureFormat::kJpeg:
            return JpegBytes(Flat(300, 200, 40, 80, 120));
        case PictureFormat::kBmp: {
            std::vector<uint8_t> bytes;
            EXPECT_TRUE(EncodeBmp(Flat(300, 200, 40, 80, 120).View(), bytes));
            return std::string(bytes.begin(), bytes.end());
        }
        case PictureFormat::kGif: {
            GifFrame frame;
            frame.width = 300;
            frame.height = 200;
            frame.pixels.assign(300 * 200, 1);
            return MakeGif(300, 200, kGlobal, 0, {frame});
        }
        case PictureFormat::kPng:
            return test::PngBytes(RawPicture(300, 200, 3, 8));
        case PictureFormat::kTiff:
            return test::TiffBytes(RawPicture(300, 200, 3, 8));
        case PictureFormat::kUnknown:
            break;
    }
    ADD_FAILURE() << "no sample for a kind of the table";
    return {};
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// Every extension of the table is offered in New's list, chooses its own
// decoder and no other kind's, and the list offers nothing the loader
// does not read.
TEST(PictureKindsTest, NewOffersExactlyTheExtensionsTheLoaderReads) {
    const std::vector<std::string> offered = SplitPatterns(kImagePattern);
    std::set<std::string> extensions;
    std::set<PictureFormat> formats;
    for (const PictureKind& kind : kPictureKinds) {
        EXPECT_NE(kind.format, PictureFormat::kUnknown);
        EXPECT_TRUE(formats.insert(kind.format).second) << "a decoder listed twice";
        EXPECT_EQ(PictureKindOf(kind.format), &kind);
        EXPECT_FALSE(kind.extensions.empty());
        for (const std::string_view extension : kind.extensions) {
            SCOPED_TRACE(std::string(extension));
            EXPECT_TRUE(extensions.insert(std::string(extension)).second) << "in two kinds";
            EXPECT_EQ(PictureKindOf("/p/photo." + std::string(extension)), &kind);
            EXPECT_EQ(PictureFormatOf("photo." + Upper(extension)), kind.format);
            const std::string name = "slide." + std::string(extension);
            EXPECT_TRUE(std::any_of(offered.begin(), offered.end(),
                                    [&](const std::string& p) { return MatchesPattern(name, p); }));
        }
    }
    EXPECT_EQ(offered.size(), extensions.size());
    for (const std::string& pattern : offered) {
        ASSERT_EQ(pattern.substr(0, 2), "*.");
        EXPECT_NE(PictureFormatOf("x" + pattern.substr(1)), PictureFormat::kUnknown) << pattern;
    }
    EXPECT_EQ(PictureKindOf(PictureFormat::kUnknown), nullptr);
}

// The desktop entry offers the program for every kind it reads, and for no
// kind it would refuse.
TEST(PictureKindsTest, TheDesktopEntryAnnouncesTheKindsOfTheTable) {
    const std::string entry =
        test::TempDir::Read(std::string(KVX_DATA_DIR) + "/../dist/org.korvanix.Korvanix.desktop");
    const std::size_t at = entry.find("\nMimeType=");
    ASSERT_NE(at, std::string::npos);
    const std::size_t from = at + 10;
    const std::string line = entry.substr(from, entry.find('\n', from) - from);
    std::multiset<std::string> announced;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(';', start), line.size());
        if (end > start) announced.insert(line.substr(start, end - start));
        start = end + 1;
    }
    std::multiset<std::string> expected{"application/x-korvanix-project"};
    for (const PictureKind& kind : kPictureKinds) expected.insert(std::string(kind.mimeType));
    EXPECT_EQ(announced, expected) << line;
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
    EXPECT_EQ(picture.reduced.size(), 1u);  // 150 x 75
    ASSERT_EQ(LoadPicture(program, picture, dir.Write("b.jpeg", jpeg), 0), DecodeStatus::Ok);
    RawPicture grey(20, 10, 1, 16);
    ASSERT_EQ(LoadPicture(program, picture, dir.Write("d.PNG", test::PngBytes(grey)), 0),
              DecodeStatus::Ok);
    EXPECT_EQ(picture.Width(), 20);
    ASSERT_EQ(LoadPicture(program, picture, dir.Write("e.tif", test::TiffBytes(grey)), 0),
              DecodeStatus::Ok);
    EXPECT_EQ(picture.Height(), 10);
    GifFrame frame;
    frame.pixels = {1};
    ASSERT_EQ(
        LoadPicture(program, picture, dir.Write("c.gif", MakeGif(1, 1, kGlobal, 0, {frame})), 0),
        DecodeStatus::Ok);
    EXPECT_TRUE(ui.errorDialogs.empty());
    EXPECT_TRUE(ui.boxes.empty());
}

// What the table says of each kind is what its decoder does, and every
// extension loads through the loader.
TEST_F(LoadPictureTest, EveryKindLoadsFromEachOfItsExtensionsAsTheTableSays) {
    for (const PictureKind& kind : kPictureKinds) {
        const std::string bytes = SampleOf(kind.format);
        for (const std::string_view extension : kind.extensions) {
            SCOPED_TRACE(std::string(extension));
            const std::string path = dir.Write("sample." + Upper(extension), bytes);
            ASSERT_EQ(LoadPicture(program, picture, path, 0, 100), DecodeStatus::Ok);
            EXPECT_EQ(picture.Width(), 300);
            EXPECT_EQ(picture.Height(), 200);
            EXPECT_EQ(picture.Reduced(), kind.decodesReduced);
        }
    }
    EXPECT_TRUE(ui.errorDialogs.empty());
}

TEST_F(LoadPictureTest, EachFailureSaysWhy) {
    const std::string missing = dir.File("missing.jpg");
    EXPECT_EQ(LoadPicture(program, picture, missing, 0), DecodeStatus::NotFound);
    ExpectPictureMessage(2381, missing);
    const std::string bad = dir.Write("bad.jpg", "not a picture");
    EXPECT_FALSE(PictureDecoded(LoadPicture(program, picture, bad, 0)));
    ExpectPictureMessage(2382, bad);
    EXPECT_TRUE(picture.pixels.Empty());
    // A JPEG too large to be held whole would be shown from its tiles: what
    // keeps this one out is that its data are far short of its size.
    const std::string claimed =
        dir.Write("claimed.jpg", WithClaimedSize(JpegBytes(Flat(8, 8, 0, 0, 0)), 30000, 20000));
    EXPECT_EQ(LoadPicture(program, picture, claimed, 0), DecodeStatus::Truncated);
    ExpectPictureMessage(2382, claimed);
    // An interlaced PNG cannot be read in parts: beyond the memory allowed
    // it is refused.
    std::string large = test::PngBytes(test::RawPicture(8, 8, 3, 8), true);
    const auto putWord = [&](std::size_t at, uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i) large[at + i] = static_cast<char>(v >> (24 - 8 * i));
    };
    putWord(16, 30000);
    putWord(20, 20000);
    putWord(29, static_cast<uint32_t>(crc32(0, Bytes(large) + 12, 17)));
    const std::string huge = dir.Write("huge.png", large);
    EXPECT_EQ(LoadPicture(program, picture, huge, 0), DecodeStatus::TooLarge);
    ExpectPictureMessage(2383, huge);
    // A sound picture under an extension no decoder is registered for.
    const std::string webp = dir.Write("a.webp", JpegBytes(Flat(4, 4, 0, 0, 0)));
    EXPECT_EQ(LoadPicture(program, picture, webp, 0), DecodeStatus::Unsupported);
    ExpectPictureMessage(2384, webp);
    // A JPEG named as a PNG is no PNG.
    const std::string png = dir.Write("a.png", JpegBytes(Flat(4, 4, 0, 0, 0)));
    EXPECT_EQ(LoadPicture(program, picture, png, 0), DecodeStatus::Corrupt);
    ExpectPictureMessage(2382, png);
    // A file that is there but cannot be read says the system's reason.
    fs::create_directory(dir.File("folder.jpg"));
    EXPECT_EQ(LoadPicture(program, picture, dir.File("folder.jpg"), 0), DecodeStatus::Unreadable);
    ExpectPictureMessage(352, dir.File("folder.jpg") + " (" + SystemErrorText(EISDIR) + ")");
    const std::string sound = dir.Write("sound.jpg", JpegBytes(Flat(4, 4, 0, 0, 0)));
    {
        // No file handle left: the lowest free one becomes the limit.
        const int free = ::dup(0);
        ASSERT_GE(free, 0);
        ::close(free);
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit tight = saved;
        tight.rlim_cur = static_cast<rlim_t>(free);
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
        const DecodeStatus status = LoadPicture(program, picture, sound, 0);
        setrlimit(RLIMIT_NOFILE, &saved);
        EXPECT_EQ(status, DecodeStatus::Unreadable);
        ExpectPictureMessage(352, sound + " (" + SystemErrorText(EMFILE) + ")");
    }
    // A FIFO is refused before it could keep the opening waiting for a writer.
    ASSERT_EQ(::mkfifo(dir.File("pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(LoadPicture(program, picture, dir.File("pipe.jpg"), 0), DecodeStatus::Unreadable);
    ExpectPictureMessage(352, dir.File("pipe.jpg") + " (" + SystemErrorText(EINVAL) + ")");
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

    // A temporary directory too full for the copy: read in place, and no
    // part of a copy is left behind.
    const std::string large = dir.Write("large.jpg", JpegBytes(Noise(128, 128)));
    {
        const test::FileSizeLimit full(4096);
        EXPECT_EQ(LoadPicture(program, picture, large, 5), DecodeStatus::Ok);
    }
    EXPECT_EQ(picture.Width(), 128);
    EXPECT_TRUE(fs::is_empty(temporary));
    EXPECT_TRUE(ui.errorDialogs.empty());

    program.settings.CopyImage = 0;
    SetTemporaryDirectory(dir.File("absent"));
    EXPECT_EQ(LoadPicture(program, picture, path, 5000), DecodeStatus::Ok);
}

}  // namespace
}  // namespace kvx
