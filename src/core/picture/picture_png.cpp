#include "core/picture/picture_png.hpp"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/picture/picture_pixels.hpp"
#include "core/picture/picture_rows.hpp"
#include "core/picture/picture_tiles.hpp"

namespace kvx {
namespace {

/// Deflate codes at most about 1032 bytes in one; a file that claims more
/// than that of its size cannot hold its picture.
constexpr uint64_t kMaxInflation = 1032;
constexpr uint64_t kInflationAllowance = uint64_t{1} << 20;

enum class PngMode { kRange, kWrite };

/// Everything one pass over the file needs, in one plain record: libpng
/// reports errors by a long jump, so no object with a destructor may live in
/// the frames it jumps over.
struct PngJob {
    PictureSource source;
    long fileStart;
    std::size_t position;
    DecodeOptions options;
    PictureLimits limits;
    PngMode mode;
    Picture* picture;
    png_structp png;
    png_infop info;
    uint8_t* row;  ///< std::malloc'ed, one row at full width
    bool ranOut;
    bool cancelled;
    bool failed;
    DecodeStatus status;
    uint32_t width;
    uint32_t height;
    int interlace;
    int channels;
    int depth;
    uint64_t rowsRead;
    int passesDone;  ///< interlace passes read whole
    SixteenBitRange range;
    std::array<uint8_t, 3> background;
    /// A picture too large to be held whole: its rows go to a file of tiles
    /// and a first view reduced beside it, both made in the writing pass
    /// and belonging to whoever ran it, through rgb (std::malloc'ed).
    bool inParts;
    TileFileWriter* writer;
    ReducingSink* reducer;
    uint8_t* rgb;
    uint8_t table[65536];
};

void OnError(png_structp png, png_const_charp) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    job->failed = true;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep out, std::size_t n) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    std::size_t got = 0;
    if (job->source.file != nullptr) {
        got = std::fread(out, 1, n, job->source.file);
    } else {
        got = std::min(n, job->source.size - job->position);
        std::memcpy(out, job->source.data + job->position, got);
        job->position += got;
    }
    if (got == n) return;
    // The codec reads in blocks: the rows the last block still holds are
    // decoded from it before the zeros after the end stop the decompressor.
    if (job->ranOut) png_error(png, "data end early");
    job->ranOut = true;
    std::memset(out + got, 0, n - got);
}

uint32_t Sample(const uint8_t* row, std::size_t index, int depth) {
    if (depth == 16) return uint32_t{row[2 * index]} << 8 | row[2 * index + 1];
    return row[index];
}

/// One row of a pass (or the whole picture) in its place.
void UseRow(PngJob* job, uint32_t y, uint32_t firstX, uint32_t stepX, uint32_t count) {
    const int channels = job->channels;
    const bool alpha = channels == 2 || channels == 4;
    const int colours = channels >= 3 ? 3 : 1;
    const int depth = job->depth;
    const uint32_t full = depth == 16 ? 65535 : 255;
    const uint8_t* row = job->row;
    if (job->mode == PngMode::kRange) {
        for (uint32_t i = 0; i < count; ++i) {
            const std::size_t at = std::size_t{i} * static_cast<std::size_t>(channels);
            if (alpha && Sample(row, at + static_cast<std::size_t>(colours), depth) == 0) continue;
            for (int c = 0; c < colours; ++c) {
                job->range.Add(
                    static_cast<uint16_t>(Sample(row, at + static_cast<std::size_t>(c), depth)));
            }
        }
        return;
    }
    uint8_t* out = job->inParts ? job->rgb : job->picture->pixels.Row(static_cast<int32_t>(y));
    if (!job->picture->samplesHigh.Empty()) {
        uint8_t* high = job->picture->samplesHigh.Row(static_cast<int32_t>(y));
        uint8_t* low = job->picture->samplesLow.Row(static_cast<int32_t>(y));
        for (uint32_t i = 0; i < count; ++i) {
            const std::size_t at = std::size_t{i} * static_cast<std::size_t>(channels);
            const std::size_t to = (std::size_t{firstX} + std::size_t{i} * stepX) * 3;
            for (int c = 0; c < 3; ++c) {
                const uint32_t raw =
                    Sample(row, at + static_cast<std::size_t>(colours == 3 ? c : 0), depth);
                high[to + static_cast<std::size_t>(c)] = static_cast<uint8_t>(raw >> 8);
                low[to + static_cast<std::size_t>(c)] = static_cast<uint8_t>(raw & 0xFF);
            }
        }
    }
    for (uint32_t i = 0; i < count; ++i) {
        const std::size_t at = std::size_t{i} * static_cast<std::size_t>(channels);
        uint8_t* p = out + (std::size_t{firstX} + std::size_t{i} * stepX) * 3;
        const uint32_t a =
            alpha ? Sample(row, at + static_cast<std::size_t>(colours), depth) : full;
        for (int c = 0; c < 3; ++c) {
            const uint32_t raw =
                Sample(row, at + static_cast<std::size_t>(colours == 3 ? c : 0), depth);
            const uint32_t value = depth == 16 ? job->table[raw] : raw;
            p[c] = a == full ? static_cast<uint8_t>(value)
                             : OverBackground(value, a, full,
                                              job->background[static_cast<std::size_t>(c)]);
        }
    }
}

/// The pixels of the passes not read, taken from the nearest pixel the
/// passes read whole already hold: a picture broken off in its later passes
/// shows coarse rather than dotted.
void FillInterlaceGaps(PngJob* job) {
    static constexpr uint32_t kStepX[7] = {8, 4, 4, 2, 2, 1, 1};
    static constexpr uint32_t kStepY[7] = {8, 8, 4, 4, 2, 2, 1};
    if (job->passesDone <= 0 || job->passesDone >= 7) return;
    const uint32_t sx = kStepX[job->passesDone - 1];
    const uint32_t sy = kStepY[job->passesDone - 1];
    PixelImage& pixels = job->picture->pixels;
    for (uint32_t y = 0; y < job->height; ++y) {
        const uint8_t* source = pixels.Row(static_cast<int32_t>(y - y % sy));
        uint8_t* target = pixels.Row(static_cast<int32_t>(y));
        for (uint32_t x = 0; x < job->width; ++x) {
            const uint8_t* from = source + std::size_t{x - x % sx} * 3;
            std::memmove(target + std::size_t{x} * 3, from, 3);
        }
    }
}

void RunPngPass(PngJob* job) {
    job->png = nullptr;
    job->info = nullptr;
    job->row = nullptr;
    job->ranOut = false;
    job->failed = false;
    job->rowsRead = 0;
    job->passesDone = 0;
    job->position = 0;
    job->status = DecodeStatus::Ok;
    if (job->source.file != nullptr &&
        std::fseek(job->source.file, job->fileStart, SEEK_SET) != 0) {
        job->status = DecodeStatus::Unreadable;
        return;
    }
    job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, OnError, OnWarning);
    if (job->png == nullptr) {
        job->status = DecodeStatus::OutOfMemory;
        return;
    }
    job->info = png_create_info_struct(job->png);
    if (job->info == nullptr) {
        png_destroy_read_struct(&job->png, nullptr, nullptr);
        job->status = DecodeStatus::OutOfMemory;
        return;
    }
    if (setjmp(png_jmpbuf(job->png)) != 0) {
        std::free(job->row);
        job->row = nullptr;
        png_destroy_read_struct(&job->png, &job->info, nullptr);
        if (job->cancelled) {
            job->status = DecodeStatus::Cancelled;
        } else if (job->rowsRead > 0) {
            job->status = DecodeStatus::Damaged;
        } else {
            job->status = job->ranOut ? DecodeStatus::Truncated : DecodeStatus::Corrupt;
        }
        return;
    }
    png_set_read_fn(job->png, job, ReadData);
    png_read_info(job->png, job->info);
    int depth = 0;
    int colourType = 0;
    png_get_IHDR(job->png, job->info, &job->width, &job->height, &depth, &colourType,
                 &job->interlace, nullptr, nullptr);
    // Beyond the memory allowed, rows that come one after the other can
    // still go to a file of tiles; the passes of an interlaced file cannot.
    job->inParts = !job->limits.Accepts(job->width, job->height) &&
                   job->interlace != PNG_INTERLACE_ADAM7 && job->source.file != nullptr &&
                   !job->options.tileFolder.empty() &&
                   job->width <= static_cast<uint32_t>(job->limits.maxSide) &&
                   job->height <= static_cast<uint32_t>(job->limits.maxSide);
    if (!job->limits.Accepts(job->width, job->height) && !job->inParts) {
        job->status = DecodeStatus::TooLarge;
        png_destroy_read_struct(&job->png, &job->info, nullptr);
        return;
    }
    const uint64_t coded = (uint64_t{png_get_rowbytes(job->png, job->info)} + 1) * job->height;
    if (coded > uint64_t{job->source.size} * kMaxInflation + kInflationAllowance) {
        job->status = DecodeStatus::Truncated;
        png_destroy_read_struct(&job->png, &job->info, nullptr);
        return;
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(job->png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(job->png);
    if (png_get_valid(job->png, job->info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(job->png);
    png_read_update_info(job->png, job->info);
    job->channels = png_get_channels(job->png, job->info);
    job->depth = png_get_bit_depth(job->png, job->info);
    if ((job->depth != 8 && job->depth != 16) || job->channels < 1 || job->channels > 4) {
        png_error(job->png, "unexpected layout");
    }
    // Eight bits need no range: the first pass ends with the header.
    if (job->mode == PngMode::kRange && job->depth != 16) {
        png_destroy_read_struct(&job->png, &job->info, nullptr);
        return;
    }
    job->row = static_cast<uint8_t*>(std::malloc(png_get_rowbytes(job->png, job->info)));
    if (job->row == nullptr) {
        png_destroy_read_struct(&job->png, &job->info, nullptr);
        job->status = DecodeStatus::OutOfMemory;
        return;
    }
    if (job->mode == PngMode::kWrite && job->inParts) {
        DecodeStatus made = DecodeStatus::Ok;
        const uint32_t factor = KeptFirstViewReduction(job->width, job->height);
        job->writer =
            TileFileWriter::Create(job->options.tileFolder, job->width, job->height, 1, made)
                .release();
        job->rgb = static_cast<uint8_t*>(std::malloc(std::size_t{job->width} * 3));
        if (job->writer == nullptr || job->rgb == nullptr ||
            !job->picture->pixels.AllocateBlack(
                static_cast<int32_t>(ReducedSide(job->width, factor)),
                static_cast<int32_t>(ReducedSide(job->height, factor)))) {
            std::free(job->row);
            job->row = nullptr;
            png_destroy_read_struct(&job->png, &job->info, nullptr);
            job->status = job->writer == nullptr ? made : DecodeStatus::OutOfMemory;
            return;
        }
        job->reducer = new (std::nothrow)
            ReducingSink(job->picture->pixels, job->width, job->height, factor, 1);
        if (job->reducer == nullptr) {
            std::free(job->row);
            job->row = nullptr;
            png_destroy_read_struct(&job->png, &job->info, nullptr);
            job->status = DecodeStatus::OutOfMemory;
            return;
        }
        job->picture->reduction = static_cast<int32_t>(factor);
    } else if (job->mode == PngMode::kWrite) {
        PixelImage& pixels = job->picture->pixels;
        // Black where a damaged file leaves rows out; the memory is not
        // touched until a row is written.
        if (!pixels.AllocateBlack(static_cast<int32_t>(job->width),
                                  static_cast<int32_t>(job->height))) {
            std::free(job->row);
            job->row = nullptr;
            png_destroy_read_struct(&job->png, &job->info, nullptr);
            job->status = DecodeStatus::OutOfMemory;
            return;
        }
        if (job->options.keepSixteenBits && job->depth == 16 &&
            (!job->picture->samplesHigh.AllocateBlack(pixels.Width(), pixels.Height()) ||
             !job->picture->samplesLow.AllocateBlack(pixels.Width(), pixels.Height()))) {
            std::free(job->row);
            job->row = nullptr;
            png_destroy_read_struct(&job->png, &job->info, nullptr);
            job->status = DecodeStatus::OutOfMemory;
            return;
        }
    }
    const bool interlaced = job->interlace == PNG_INTERLACE_ADAM7;
    for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
        const uint32_t columns = interlaced ? PNG_PASS_COLS(job->width, pass) : job->width;
        const uint32_t rows = interlaced ? PNG_PASS_ROWS(job->height, pass) : job->height;
        if (columns == 0 || rows == 0) {
            job->passesDone = pass + 1;
            continue;
        }
        for (uint32_t r = 0; r < rows; ++r) {
            if (job->options.Cancelled()) {
                job->cancelled = true;
                png_error(job->png, "cancelled");
            }
            png_read_row(job->png, job->row, nullptr);
            ++job->rowsRead;
            if (interlaced) {
                UseRow(job, PNG_ROW_FROM_PASS_ROW(r, pass), PNG_PASS_START_COL(pass),
                       1u << PNG_PASS_COL_SHIFT(pass), columns);
            } else {
                UseRow(job, r, 0, 1, columns);
                if (job->inParts && job->mode == PngMode::kWrite) {
                    job->writer->Put(r, job->rgb);
                    job->reducer->Put(r, job->rgb);
                }
            }
        }
        job->passesDone = pass + 1;
    }
    std::free(job->row);
    job->row = nullptr;
    png_destroy_read_struct(&job->png, &job->info, nullptr);
}

}  // namespace

DecodeStatus DecodePng(const PictureSource& source, const DecodeOptions& options,
                       const PictureLimits& limits, Picture& picture) {
    picture.Clear();
    if (source.size < 8 || (source.data == nullptr && source.file == nullptr)) {
        return DecodeStatus::Truncated;
    }
    auto job = std::make_unique<PngJob>();
    job->source = source;
    job->fileStart = source.file != nullptr ? std::ftell(source.file) : 0;
    job->options = options;
    job->limits = limits;
    job->picture = &picture;
    job->cancelled = false;
    job->background = BackgroundRgb(options.background);
    job->channels = 0;
    job->depth = 0;
    job->inParts = false;
    job->writer = nullptr;
    job->reducer = nullptr;
    job->rgb = nullptr;

    // Sixteen bits take a first pass for the range of values, which then
    // decides the table every sample is shown by.
    job->mode = PngMode::kRange;
    RunPngPass(job.get());
    if (job->status != DecodeStatus::Ok && job->status != DecodeStatus::Damaged) {
        return job->status;
    }
    if (job->depth == 16) job->range.Fill(job->table);
    job->mode = PngMode::kWrite;
    RunPngPass(job.get());
    const std::unique_ptr<TileFileWriter> writer(job->writer);
    const std::unique_ptr<ReducingSink> reducer(job->reducer);
    std::free(job->rgb);
    if (!PictureDecoded(job->status)) {
        picture.Clear();
        return job->status;
    }
    if (job->inParts) {
        reducer->Finish();
        std::unique_ptr<PictureRegionSource> tiles = writer->Finish() ? writer->Source() : nullptr;
        if (!tiles) {
            picture.Clear();
            return DecodeStatus::DiskFull;
        }
        picture.fullWidth = static_cast<int32_t>(job->width);
        picture.fullHeight = static_cast<int32_t>(job->height);
        picture.tiles = std::make_shared<PictureTiles>(
            std::move(tiles), picture.fullWidth, picture.fullHeight,
            options.tileBudget > 0 ? options.tileBudget : PictureTiles::kDefaultBudget);
    }
    if (job->status == DecodeStatus::Damaged && job->interlace == PNG_INTERLACE_ADAM7) {
        FillInterlaceGaps(job.get());
    }
    picture.sixteenBit = job->depth == 16;
    return job->status;
}

}  // namespace kvx
