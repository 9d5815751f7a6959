#include "core/picture/picture_gif.hpp"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "core/picture/picture_pixels.hpp"

namespace kvx {
namespace {

/// Pixels one byte of LZW data can give at most: every code has at least
/// three bits and stands for at most 4096 pixels.
constexpr int64_t kPixelsPerLzwByte = 4096 * 8 / 3;
/// A screen up to this size may surround a frame of any size.
constexpr int64_t kFreeScreenPixels = int64_t{16} << 20;

struct MemoryReader {
    const uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    if (length <= 0) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(length), reader->size - reader->pos);
    std::memcpy(buffer, reader->data + reader->pos, n);
    reader->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

DecodeStatus Failure(const GifFileType* gif) {
    return gif->Error == D_GIF_ERR_READ_FAILED || gif->Error == D_GIF_ERR_EOF_TOO_SOON
               ? DecodeStatus::Truncated
           : gif->Error == D_GIF_ERR_NOT_ENOUGH_MEM ? DecodeStatus::OutOfMemory
                                                    : DecodeStatus::Corrupt;
}

/// Whether the LZW codes of a frame, from the sub-blocks at `at` on, are
/// sound: every code names a string the table holds or the one it is about
/// to add, and the strings fill the frame's pixels exactly. The codec
/// library decodes a code beyond its table from stale entries without a
/// word, and a code that stands for another string of a valid length shifts
/// every pixel after it; either way the pixels come out wrong.
bool LzwCodesSound(const uint8_t* data, std::size_t size, std::size_t at, int minCodeSize,
                   int64_t pixels) {
    // Sizes outside the format's own range are left to the codec library.
    if (minCodeSize < 2 || minCodeSize > 8) return true;
    const uint32_t clear = 1u << minCodeSize;
    const uint32_t end = clear + 1;
    constexpr uint32_t kTableSize = 4096;
    std::vector<uint32_t> length(kTableSize, 1);
    uint32_t width = static_cast<uint32_t>(minCodeSize) + 1;
    uint32_t next = clear + 2;
    int64_t previous = -1;  // none since the last clear code
    int64_t produced = 0;
    uint64_t bits = 0;
    uint32_t have = 0;
    std::size_t block = 0;  // bytes left in the current sub-block
    for (;;) {
        while (have < width) {
            if (block == 0) {
                if (at >= size || data[at] == 0) return false;  // no end before the pixels
                block = data[at++];
            }
            if (at >= size) return false;
            bits |= uint64_t{data[at++]} << have;
            have += 8;
            --block;
        }
        const auto code = static_cast<uint32_t>(bits & ((uint64_t{1} << width) - 1));
        bits >>= width;
        have -= width;
        if (code == clear) {
            width = static_cast<uint32_t>(minCodeSize) + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) return false;  // before every pixel was given
        uint32_t stringLength = 1;
        if (code > clear) {
            if (previous < 0 || code > next) return false;
            stringLength =
                code == next ? length[static_cast<std::size_t>(previous)] + 1 : length[code];
        }
        produced += stringLength;
        if (produced >= pixels) return produced == pixels;
        if (previous >= 0 && next < kTableSize) {
            length[next] = length[static_cast<std::size_t>(previous)] + 1;
            ++next;
            if (next == (1u << width) && width < 12) ++width;
        }
        previous = code;
    }
}

DecodeStatus ReadFirstImage(GifFileType* gif, const PictureLimits& limits, uint32_t fieldColour,
                            PixelImage& image) {
    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return Failure(gif);
        if (type == TERMINATE_RECORD_TYPE) return DecodeStatus::Corrupt;  // no image at all
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return Failure(gif);
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                transparent = (block[1] & 1) != 0 ? block[4] : -1;
            }
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return Failure(gif);
            }
            continue;
        }
        if (type == IMAGE_DESC_RECORD_TYPE) break;
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR) return Failure(gif);

    const GifImageDesc& frame = gif->Image;
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0) {
        return DecodeStatus::Corrupt;
    }
    const int64_t width = std::max<int64_t>(gif->SWidth, int64_t{frame.Left} + frame.Width);
    const int64_t height = std::max<int64_t>(gif->SHeight, int64_t{frame.Top} + frame.Height);
    if (!limits.Accepts(width, height) || !limits.Accepts(frame.Width, frame.Height)) {
        return DecodeStatus::TooLarge;
    }
    // A few bytes can claim a screen of gigabytes. The frame's pixels must
    // fit the coded data that is left, and the screen around it may be no
    // larger than that either, beyond a size that costs little to fill.
    const auto* reader = static_cast<const MemoryReader*>(gif->UserData);
    const int64_t codable = static_cast<int64_t>(reader->size - reader->pos) * kPixelsPerLzwByte;
    if (int64_t{frame.Width} * frame.Height > codable ||
        width * height > std::max(codable, kFreeScreenPixels)) {
        return DecodeStatus::Truncated;
    }
    // The codec library has read the code size, the byte before the data.
    const bool sound = reader->pos == 0 || LzwCodesSound(reader->data, reader->size, reader->pos,
                                                         reader->data[reader->pos - 1],
                                                         int64_t{frame.Width} * frame.Height);
    const ColorMapObject* colours = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (colours == nullptr || colours->Colors == nullptr) return DecodeStatus::Corrupt;

    uint8_t palette[256 * 3] = {};
    const int count = std::clamp(colours->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        palette[i * 3] = colours->Colors[i].Red;
        palette[i * 3 + 1] = colours->Colors[i].Green;
        palette[i * 3 + 2] = colours->Colors[i].Blue;
    }
    // A picture with transparent parts lies on the measuring field as a PNG
    // with alpha does; the screen's own colour is used only around an
    // opaque image.
    std::array<uint8_t, 3> background = {0, 0, 0};
    if (transparent >= 0) {
        background = BackgroundRgb(fieldColour);
    } else if (gif->SColorMap != nullptr && gif->SBackGroundColor >= 0 &&
               gif->SBackGroundColor < gif->SColorMap->ColorCount) {
        const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
        background[0] = c.Red;
        background[1] = c.Green;
        background[2] = c.Blue;
    }

    if (!image.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height))) {
        return DecodeStatus::OutOfMemory;
    }
    const bool covered = frame.Left == 0 && frame.Top == 0 && frame.Width == width &&
                         frame.Height == height && transparent < 0;
    if (!covered) {
        for (int32_t y = 0; y < image.Height(); ++y) {
            uint8_t* row = image.Row(y);
            for (int32_t x = 0; x < image.Width(); ++x, row += 3) {
                std::memcpy(row, background.data(), 3);
            }
        }
    }

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    // Interlaced images deliver rows in four passes.
    static constexpr int kPassStart[4] = {0, 4, 2, 1};
    static constexpr int kPassStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kPassStart[pass] : 0;
        const int step = frame.Interlace ? kPassStep[pass] : 1;
        for (int y = start; y < frame.Height; y += step) {
            if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return Failure(gif);
            uint8_t* out = image.Row(frame.Top + y) + static_cast<std::size_t>(frame.Left) * 3;
            for (int x = 0; x < frame.Width; ++x, out += 3) {
                const int index = line[static_cast<std::size_t>(x)];
                if (index == transparent) continue;
                std::memcpy(out, &palette[index * 3], 3);
            }
        }
    }
    return sound ? DecodeStatus::Ok : DecodeStatus::Damaged;
}

}  // namespace

DecodeStatus DecodeGif(const uint8_t* data, std::size_t size, const PictureLimits& limits,
                       uint32_t background, PixelImage& image) {
    image.Clear();
    if (data == nullptr || size == 0) return DecodeStatus::Truncated;
    MemoryReader reader{data, size, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&reader, ReadFromMemory, &error));
    if (!gif) {
        return error == D_GIF_ERR_READ_FAILED      ? DecodeStatus::Truncated
               : error == D_GIF_ERR_NOT_ENOUGH_MEM ? DecodeStatus::OutOfMemory
                                                   : DecodeStatus::Corrupt;
    }
    const DecodeStatus status = ReadFirstImage(gif.get(), limits, background, image);
    if (!PictureDecoded(status)) image.Clear();
    return status;
}

}  // namespace kvx
