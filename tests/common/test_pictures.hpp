#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvx::test {

/// The bytes of a small real JPEG (8 × 6, light grey), so that a redraw after
/// New or Load finds a picture to decode.
std::string TinyJpeg();

/// The samples of a picture to be written as PNG or TIFF: width × height
/// pixels of `channels` samples each (1 grey, 2 grey and alpha, 3 RGB,
/// 4 RGBA; or 1 palette index), of `bits` each, row by row from the top.
struct RawPicture {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 3;
    int bits = 8;
    std::vector<uint16_t> samples;

    RawPicture(int32_t w, int32_t h, int c, int b)
        : width(w),
          height(h),
          channels(c),
          bits(b),
          samples(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                  static_cast<std::size_t>(c)) {}

    uint16_t& At(int32_t x, int32_t y, int channel) {
        return samples[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                        static_cast<std::size_t>(x)) *
                           static_cast<std::size_t>(channels) +
                       static_cast<std::size_t>(channel)];
    }
    /// Every colour channel of pixel (x, y) set to v (alpha left alone).
    void Colour(int32_t x, int32_t y, uint16_t v) {
        const int colours = channels >= 3 ? 3 : 1;
        for (int c = 0; c < colours; ++c) At(x, y, c) = v;
    }
};

/// An RGB palette entry, 8 bits each.
struct PaletteEntry {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

/// A PNG of the picture (grey, grey-alpha, RGB or RGBA of 1 to 16 bits).
std::string PngBytes(const RawPicture& picture, bool interlaced = false);
/// A palette PNG: the picture's single channel holds indices; `alphas`
/// (optional) gives the first entries' transparency.
std::string PalettePng(const RawPicture& indices, const std::vector<PaletteEntry>& palette,
                       const std::vector<uint8_t>& alphas = {});

/// How a TIFF is written.
struct TiffLayout {
    bool tiled = false;             ///< 16 × 16 tiles instead of strips of 4 rows
    bool separatePlanes = false;    ///< each sample in a plane of its own
    uint16_t compression = 1;       ///< COMPRESSION_* of the codec library
    uint16_t photometric = 0xFFFF;  ///< 0xFFFF: grey or RGB by the channels
    bool associatedAlpha = false;   ///< alpha already multiplied into the colours
    uint16_t orientation = 1;
    uint16_t sampleFormat = 1;  ///< SAMPLEFORMAT_*
    std::vector<PaletteEntry> palette;
    /// The further pages are marked as reduced-resolution copies of the first.
    bool reducedPages = false;
};

/// A TIFF of the picture; every page of `pages` follows the first as a
/// further page of the file.
std::string TiffBytes(const RawPicture& picture, const TiffLayout& layout = {},
                      const std::vector<RawPicture>& pages = {});

/// The JPEG with an EXIF segment giving orientation inserted after its
/// start marker (big- or little-endian byte order).
std::string WithExifOrientation(const std::string& jpeg, int orientation, bool bigEndian = true);

/// A JPEG (quality 95) whose top-left quarter is red and the rest blue.
std::string QuarterJpeg(int32_t width, int32_t height);

}  // namespace kvx::test
