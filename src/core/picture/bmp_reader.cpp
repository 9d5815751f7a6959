#include "core/picture/bmp_reader.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace kvx {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kOs2HeaderSize = 64;

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

/// One colour channel of a bit-field pixel.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    uint32_t max = 0;  ///< largest value of the field; 0 = channel absent

    bool Set(uint32_t m) {
        mask = m;
        if (m == 0) return true;
        shift = std::countr_zero(m);
        max = m >> shift;
        bits = std::popcount(max);
        return bits == 32 || (max & (max + 1)) == 0;  // the bits must be contiguous
    }
    uint8_t Extract(uint32_t pixel) const {
        if (max == 0) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        return static_cast<uint8_t>((v * 255 + max / 2) / max);
    }
};

struct Layout {
    int32_t width = 0;
    int32_t height = 0;  ///< rows, always positive
    bool topDown = false;
    uint32_t bitsPerPixel = 0;
    uint32_t compression = kRgb;
    std::array<uint8_t, 256 * 3> palette{};  ///< RGB; indices past the table stay black
    Channel red, green, blue;

    /// The image row that the file's row r (counted from the first stored) fills.
    int32_t ImageRow(int64_t r) const { return static_cast<int32_t>(topDown ? r : height - 1 - r); }
};

DecodeStatus ReadLayout(const uint8_t* data, std::size_t size, const PictureLimits& limits,
                        Layout& layout) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return DecodeStatus::Corrupt;
    if (size < kFileHeaderSize + 4) return DecodeStatus::Truncated;
    const uint32_t headerSize = U32(data + kFileHeaderSize);
    if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) {
        return DecodeStatus::Unsupported;
    }
    if (headerSize > size - kFileHeaderSize) return DecodeStatus::Truncated;
    const uint8_t* h = data + kFileHeaderSize;

    int64_t width = 0;
    int64_t height = 0;
    uint32_t colorsUsed = 0;
    std::size_t paletteEntrySize = 4;
    std::size_t paletteStart = kFileHeaderSize + headerSize;
    if (headerSize == kCoreHeaderSize) {
        width = U16(h + 4);
        height = U16(h + 6);
        layout.bitsPerPixel = U16(h + 10);
        paletteEntrySize = 3;
    } else {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        layout.bitsPerPixel = U16(h + 14);
        layout.compression = U32(h + 16);
        colorsUsed = U32(h + 32);
        if (headerSize == kOs2HeaderSize && layout.compression >= 3) {
            return DecodeStatus::Unsupported;  // Huffman or 24-bit run lengths of OS/2
        }
    }
    if (width <= 0 || height == 0) return DecodeStatus::Corrupt;
    layout.topDown = height < 0;
    height = height < 0 ? -height : height;  // 64-bit: the lowest int32 negates safely
    if (!limits.Accepts(width, height)) return DecodeStatus::TooLarge;
    layout.width = static_cast<int32_t>(width);
    layout.height = static_cast<int32_t>(height);

    const uint32_t bpp = layout.bitsPerPixel;
    switch (layout.compression) {
        case kRgb:
            if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
                return DecodeStatus::Corrupt;
            }
            break;
        case kRle8:
            if (bpp != 8) return DecodeStatus::Corrupt;
            break;
        case kRle4:
            if (bpp != 4) return DecodeStatus::Corrupt;
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (bpp != 16 && bpp != 32) return DecodeStatus::Unsupported;
            break;
        default:
            return DecodeStatus::Unsupported;  // embedded JPEG or PNG, CMYK and the like
    }

    if (layout.compression == kBitFields || layout.compression == kAlphaBitFields) {
        // Masks sit inside the later headers, or right behind the plain info header.
        const std::size_t masksAt = kFileHeaderSize + kInfoHeaderSize;
        if (headerSize == kInfoHeaderSize) {
            paletteStart += layout.compression == kAlphaBitFields ? 16 : 12;
        }
        if (masksAt + 12 > size) return DecodeStatus::Truncated;
        if (!layout.red.Set(U32(data + masksAt)) || !layout.green.Set(U32(data + masksAt + 4)) ||
            !layout.blue.Set(U32(data + masksAt + 8))) {
            return DecodeStatus::Corrupt;
        }
    } else if (bpp == 16) {
        (void)layout.red.Set(0x7C00);
        (void)layout.green.Set(0x03E0);
        (void)layout.blue.Set(0x001F);
    }

    if (bpp <= 8) {
        const uint32_t most = 1u << bpp;
        std::size_t entries = colorsUsed == 0 || colorsUsed > most ? most : colorsUsed;
        // Writers often store fewer colours than the bit count allows (always so
        // with the core header, which has no count); the pixels start after the
        // last one, and the missing ones are black.
        const uint32_t offset = U32(data + 10);
        if (offset >= paletteStart) {
            entries = std::min<std::size_t>(entries, (offset - paletteStart) / paletteEntrySize);
        }
        const std::size_t bytes = entries * paletteEntrySize;
        if (paletteStart > size || bytes > size - paletteStart) return DecodeStatus::Truncated;
        for (std::size_t i = 0; i < entries; ++i) {
            const uint8_t* e = data + paletteStart + i * paletteEntrySize;
            layout.palette[i * 3] = e[2];
            layout.palette[i * 3 + 1] = e[1];
            layout.palette[i * 3 + 2] = e[0];
        }
    }
    return DecodeStatus::Ok;
}

uint64_t Stride(const Layout& layout) {
    return (static_cast<uint64_t>(layout.width) * layout.bitsPerPixel + 31) / 32 * 4;
}

/// Bytes the pixel rows need; the last row may lack its padding.
uint64_t UncompressedBytes(const Layout& layout) {
    const uint64_t rowBytes = (static_cast<uint64_t>(layout.width) * layout.bitsPerPixel + 7) / 8;
    return Stride(layout) * (static_cast<uint64_t>(layout.height) - 1) + rowBytes;
}

DecodeStatus DecodeUncompressed(const uint8_t* bits, std::size_t available, const Layout& layout,
                                PixelImage& image) {
    if (UncompressedBytes(layout) > available) return DecodeStatus::Truncated;
    const uint64_t stride = Stride(layout);
    const int32_t w = layout.width;
    for (int64_t r = 0; r < layout.height; ++r) {
        const uint8_t* in = bits + r * stride;
        uint8_t* out = image.Row(layout.ImageRow(r));
        switch (layout.bitsPerPixel) {
            case 1:
            case 4:
            case 8: {
                const uint32_t bpp = layout.bitsPerPixel;
                const uint32_t perByte = 8 / bpp;
                const uint32_t valueMask = (1u << bpp) - 1;
                for (int32_t x = 0; x < w; ++x) {
                    const uint32_t byte = in[static_cast<uint32_t>(x) / perByte];
                    const uint32_t shift = 8 - bpp * (static_cast<uint32_t>(x) % perByte + 1);
                    const uint8_t* c = &layout.palette[((byte >> shift) & valueMask) * 3];
                    out[0] = c[0];
                    out[1] = c[1];
                    out[2] = c[2];
                    out += 3;
                }
                break;
            }
            case 16:
                for (int32_t x = 0; x < w; ++x, in += 2, out += 3) {
                    const uint32_t v = U16(in);
                    out[0] = layout.red.Extract(v);
                    out[1] = layout.green.Extract(v);
                    out[2] = layout.blue.Extract(v);
                }
                break;
            case 24:
                for (int32_t x = 0; x < w; ++x, in += 3, out += 3) {
                    out[0] = in[2];
                    out[1] = in[1];
                    out[2] = in[0];
                }
                break;
            case 32:
                if (layout.compression == kRgb) {
                    for (int32_t x = 0; x < w; ++x, in += 4, out += 3) {
                        out[0] = in[2];
                        out[1] = in[1];
                        out[2] = in[0];
                    }
                } else {
                    for (int32_t x = 0; x < w; ++x, in += 4, out += 3) {
                        const uint32_t v = U32(in);
                        out[0] = layout.red.Extract(v);
                        out[1] = layout.green.Extract(v);
                        out[2] = layout.blue.Extract(v);
                    }
                }
                break;
            default:
                return DecodeStatus::Corrupt;
        }
    }
    return DecodeStatus::Ok;
}

/// Run-length encoded rows. A run that passes the end of its row is cut
/// there (some writers pad odd 4-bit rows that way); a jump out of the
/// image, or data that end before the image is complete, refuse the file.
DecodeStatus DecodeRunLengths(const uint8_t* bits, std::size_t available, const Layout& layout,
                              PixelImage& image) {
    const bool fourBit = layout.compression == kRle4;
    int64_t x = 0;
    int64_t row = 0;
    std::size_t pos = 0;
    auto put = [&](uint32_t index) {
        if (x < layout.width && row < layout.height) {
            const uint8_t* c = &layout.palette[index * 3];
            uint8_t* out = image.Row(layout.ImageRow(row)) + x * 3;
            out[0] = c[0];
            out[1] = c[1];
            out[2] = c[2];
        }
        ++x;
    };
    for (;;) {
        if (available - pos < 2) {
            return row >= layout.height ? DecodeStatus::Ok : DecodeStatus::Truncated;
        }
        const uint32_t count = bits[pos];
        const uint32_t value = bits[pos + 1];
        pos += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count; ++i) {
                put(fourBit ? ((i & 1) == 0 ? value >> 4 : value & 15) : value);
            }
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++row;
                break;
            case 1:  // end of bitmap
                return DecodeStatus::Ok;
            case 2:  // jump right and up
                if (available - pos < 2) return DecodeStatus::Truncated;
                x += bits[pos];
                row += bits[pos + 1];
                pos += 2;
                if (x > layout.width || row > layout.height) return DecodeStatus::Corrupt;
                break;
            default: {  // literal pixels, padded to a 16-bit boundary
                const std::size_t bytes = fourBit ? (value + 1) / 2 : value;
                if (available - pos < bytes) return DecodeStatus::Truncated;
                for (uint32_t i = 0; i < value; ++i) {
                    const uint32_t b = bits[pos + (fourBit ? i / 2 : i)];
                    put(fourBit ? ((i & 1) == 0 ? b >> 4 : b & 15) : b);
                }
                pos += std::min((bytes + 1) & ~std::size_t{1}, available - pos);
                break;
            }
        }
    }
}

}  // namespace

DecodeStatus DecodeBmp(const uint8_t* data, std::size_t size, const PictureLimits& limits,
                       PixelImage& image) {
    image.Clear();
    if (data == nullptr) return DecodeStatus::Truncated;
    Layout layout;
    DecodeStatus status = ReadLayout(data, size, limits, layout);
    if (status != DecodeStatus::Ok) return status;
    const uint32_t offset = U32(data + 10);
    if (offset >= size) return DecodeStatus::Truncated;
    const bool runLengths = layout.compression == kRle8 || layout.compression == kRle4;
    // Refuse a short file before allocating for the size its header claims.
    if (!runLengths && UncompressedBytes(layout) > size - offset) return DecodeStatus::Truncated;
    // Run lengths may leave most of a picture out (black): its rows cost
    // memory only as the runs reach them.
    const bool allocated = runLengths ? image.AllocateBlack(layout.width, layout.height)
                                      : image.Allocate(layout.width, layout.height);
    if (!allocated) return DecodeStatus::OutOfMemory;
    status = runLengths ? DecodeRunLengths(data + offset, size - offset, layout, image)
                        : DecodeUncompressed(data + offset, size - offset, layout, image);
    if (status != DecodeStatus::Ok) image.Clear();
    return status;
}

}  // namespace kvx
