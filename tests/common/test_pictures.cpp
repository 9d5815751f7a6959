#include "common/test_pictures.hpp"

#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/export/jpeg_writer.hpp"
#include "core/picture/picture.hpp"

namespace kvx::test {

std::string TinyJpeg() {
    PixelImage image;
    EXPECT_TRUE(image.Allocate(8, 6));
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8 * 3; ++x) image.Row(y)[x] = 200;
    }
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeJpeg(image.View(), 90, bytes));
    return std::string(bytes.begin(), bytes.end());
}

namespace {

void AppendPng(png_structp png, png_bytep data, std::size_t size) {
    static_cast<std::string*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), size);
}

void FlushPng(png_structp) {}

/// One row of samples packed as PNG and TIFF store them: 16 bits big-endian
/// (for PNG) or in the machine's order (for TIFF), fewer than 8 from the
/// high bit.
std::vector<uint8_t> PackRow(const RawPicture& p, int32_t y, bool bigEndian16) {
    const std::size_t n = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.channels);
    const uint16_t* s = p.samples.data() + static_cast<std::size_t>(y) * n;
    std::vector<uint8_t> row;
    if (p.bits == 16) {
        row.resize(n * 2);
        for (std::size_t i = 0; i < n; ++i) {
            if (bigEndian16) {
                row[2 * i] = static_cast<uint8_t>(s[i] >> 8);
                row[2 * i + 1] = static_cast<uint8_t>(s[i] & 0xFF);
            } else {
                std::memcpy(&row[2 * i], &s[i], 2);
            }
        }
    } else if (p.bits == 8) {
        row.resize(n);
        for (std::size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(s[i]);
    } else {
        row.assign((n * static_cast<std::size_t>(p.bits) + 7) / 8, 0);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t bit = i * static_cast<std::size_t>(p.bits);
            row[bit / 8] = static_cast<uint8_t>(row[bit / 8] |
                                                (s[i] << (8 - p.bits - static_cast<int>(bit % 8))));
        }
    }
    return row;
}

std::string WritePng(const RawPicture& p, int colourType, bool interlaced,
                     const std::vector<PaletteEntry>& palette, const std::vector<uint8_t>& alphas) {
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        ADD_FAILURE() << "libpng could not write the test picture";
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &bytes, AppendPng, FlushPng);
    png_set_IHDR(png, info, static_cast<png_uint_32>(p.width), static_cast<png_uint_32>(p.height),
                 p.bits, colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colours;
    for (const PaletteEntry& e : palette) colours.push_back({e.r, e.g, e.b});
    if (!colours.empty()) png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
    if (!alphas.empty()) {
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
    png_write_info(png, info);
    std::vector<std::vector<uint8_t>> rows;
    std::vector<png_bytep> pointers;
    for (int32_t y = 0; y < p.height; ++y) rows.push_back(PackRow(p, y, true));
    for (auto& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// ---- TIFF in memory ----

struct MemoryFile {
    std::string bytes;
    uint64_t position = 0;
};

tmsize_t MemRead(thandle_t h, void* buffer, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    const uint64_t left = f->position < f->bytes.size() ? f->bytes.size() - f->position : 0;
    const auto count = static_cast<std::size_t>(std::min<uint64_t>(left, static_cast<uint64_t>(n)));
    std::memcpy(buffer, f->bytes.data() + f->position, count);
    f->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t MemWrite(thandle_t h, void* buffer, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    const auto count = static_cast<std::size_t>(n);
    if (f->position + count > f->bytes.size()) f->bytes.resize(f->position + count);
    std::memcpy(f->bytes.data() + f->position, buffer, count);
    f->position += count;
    return n;
}

toff_t MemSeek(thandle_t h, toff_t offset, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    if (whence == SEEK_SET) f->position = offset;
    if (whence == SEEK_CUR) f->position += offset;
    if (whence == SEEK_END) f->position = f->bytes.size() + offset;
    return f->position;
}

int MemClose(thandle_t) {
    return 0;
}

toff_t MemSize(thandle_t h) {
    return static_cast<MemoryFile*>(h)->bytes.size();
}

int MemMap(thandle_t, void**, toff_t*) {
    return 0;
}

void MemUnmap(thandle_t, void*, toff_t) {}

void WriteTiffPage(TIFF* tif, const RawPicture& p, const TiffLayout& layout) {
    const auto width = static_cast<uint32_t>(p.width);
    const auto height = static_cast<uint32_t>(p.height);
    const auto samples = static_cast<uint16_t>(p.channels);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(p.bits));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, layout.sampleFormat);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, layout.orientation);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.compression);
    const uint16_t photometric = layout.photometric != 0xFFFF ? layout.photometric
                                 : p.channels >= 3 ? static_cast<uint16_t>(PHOTOMETRIC_RGB)
                                                   : static_cast<uint16_t>(PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    const bool separate = layout.separatePlanes && p.channels > 1;
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    if ((p.channels == 2 || p.channels == 4) && photometric != PHOTOMETRIC_SEPARATED) {
        const uint16_t kind =
            layout.associatedAlpha ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (!layout.palette.empty()) {
        const std::size_t entries = std::size_t{1} << p.bits;
        std::vector<uint16_t> r(entries), g(entries), b(entries);
        for (std::size_t i = 0; i < layout.palette.size() && i < entries; ++i) {
            r[i] = static_cast<uint16_t>(layout.palette[i].r * 257);
            g[i] = static_cast<uint16_t>(layout.palette[i].g * 257);
            b[i] = static_cast<uint16_t>(layout.palette[i].b * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    if (layout.compression == COMPRESSION_JPEG && photometric == PHOTOMETRIC_YCBCR) {
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    // Rows (or planes) of the picture as the file stores them.
    const std::size_t planes = separate ? static_cast<std::size_t>(p.channels) : 1;
    const auto planeRow = [&](int32_t y, std::size_t plane) {
        if (!separate) return PackRow(p, y, false);
        RawPicture one(p.width, 1, 1, p.bits);
        for (int32_t x = 0; x < p.width; ++x) {
            one.At(x, 0, 0) =
                p.samples[(static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) +
                           static_cast<std::size_t>(x)) *
                              static_cast<std::size_t>(p.channels) +
                          plane];
        }
        return PackRow(one, 0, false);
    };
    if (layout.tiled) {
        constexpr uint32_t kTile = 16;
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, kTile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, kTile);
        const std::size_t tileRow = static_cast<std::size_t>(TIFFTileRowSize64(tif));
        std::vector<uint8_t> tile(static_cast<std::size_t>(TIFFTileSize64(tif)));
        const std::size_t pixelBits = static_cast<std::size_t>(p.bits) * (separate ? 1 : samples);
        for (std::size_t plane = 0; plane < planes; ++plane) {
            for (uint32_t ty = 0; ty < height; ty += kTile) {
                for (uint32_t tx = 0; tx < width; tx += kTile) {
                    std::fill(tile.begin(), tile.end(), uint8_t{0});
                    for (uint32_t r = 0; r < kTile && ty + r < height; ++r) {
                        const std::vector<uint8_t> row =
                            planeRow(static_cast<int32_t>(ty + r), plane);
                        const std::size_t from = tx * pixelBits / 8;
                        const std::size_t count = std::min(tileRow, row.size() - from);
                        std::memcpy(tile.data() + r * tileRow, row.data() + from, count);
                    }
                    EXPECT_GE(
                        TIFFWriteTile(tif, tile.data(), tx, ty, 0, static_cast<uint16_t>(plane)),
                        0);
                }
            }
        }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t{4});
        for (std::size_t plane = 0; plane < planes; ++plane) {
            for (int32_t y = 0; y < p.height; ++y) {
                std::vector<uint8_t> row = planeRow(y, plane);
                EXPECT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y),
                                            static_cast<uint16_t>(plane)),
                          1);
            }
        }
    }
    EXPECT_EQ(TIFFWriteDirectory(tif), 1);
}

}  // namespace

std::string PngBytes(const RawPicture& picture, bool interlaced) {
    static constexpr int kTypes[5] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                      PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
    return WritePng(picture, kTypes[picture.channels], interlaced, {}, {});
}

std::string PalettePng(const RawPicture& indices, const std::vector<PaletteEntry>& palette,
                       const std::vector<uint8_t>& alphas) {
    return WritePng(indices, PNG_COLOR_TYPE_PALETTE, false, palette, alphas);
}

std::string TiffBytes(const RawPicture& picture, const TiffLayout& layout,
                      const std::vector<RawPicture>& pages) {
    MemoryFile file;
    TIFF* tif = TIFFClientOpen("test", "w", &file, MemRead, MemWrite, MemSeek, MemClose, MemSize,
                               MemMap, MemUnmap);
    EXPECT_NE(tif, nullptr);
    if (tif == nullptr) return {};
    WriteTiffPage(tif, picture, layout);
    TiffLayout further;
    further.reducedPages = layout.reducedPages;
    for (const RawPicture& page : pages) {
        if (further.reducedPages) TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
        WriteTiffPage(tif, page, further);
    }
    TIFFClose(tif);
    return file.bytes;
}

std::string WithExifOrientation(const std::string& jpeg, int orientation, bool bigEndian) {
    const auto u16 = [&](uint16_t v) {
        return bigEndian ? std::string{static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}
                         : std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    };
    const auto u32 = [&](uint32_t v) {
        return bigEndian
                   ? u16(static_cast<uint16_t>(v >> 16)) + u16(static_cast<uint16_t>(v & 0xFFFF))
                   : u16(static_cast<uint16_t>(v & 0xFFFF)) + u16(static_cast<uint16_t>(v >> 16));
    };
    // A directory of two entries, the orientation after a tag of no interest.
    std::string tiff = std::string(bigEndian ? "MM" : "II") + u16(42) + u32(8) + u16(2);
    tiff += u16(0x010F) + u16(2) + u32(4) + "Cam";
    tiff += '\0';
    tiff += u16(0x0112) + u16(3) + u32(1) + u16(static_cast<uint16_t>(orientation)) + u16(0);
    tiff += u32(0);
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const auto length = static_cast<uint16_t>(payload.size() + 2);
    const std::string segment = std::string("\xFF\xE1") + static_cast<char>(length >> 8) +
                                static_cast<char>(length & 0xFF) + payload;
    return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

std::string QuarterJpeg(int32_t width, int32_t height) {
    PixelImage image;
    EXPECT_TRUE(image.Allocate(width, height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = image.Row(y) + static_cast<std::size_t>(x) * 3;
            const bool red = x < width / 2 && y < height / 2;
            p[0] = red ? 255 : 0;
            p[1] = 0;
            p[2] = red ? 0 : 255;
        }
    }
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeJpeg(image.View(), 95, bytes));
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace kvx::test
