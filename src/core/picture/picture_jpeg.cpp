#include "core/picture/picture_jpeg.hpp"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/picture/picture_orientation.hpp"
#include "core/picture/picture_rows.hpp"
#include "core/picture/picture_tiles.hpp"

// The codec's headers expect <cstdio> before them.
#include <jerror.h>
#include <jpeglib.h>

namespace kvx {
namespace {

/// More scans than any real progressive file has; a hostile file with
/// thousands of tiny scans would otherwise keep the decoder busy for minutes.
constexpr int kMaxScans = 500;
constexpr int kBatchRows = 16;

/// Blocks of 8 x 8 coefficients one byte of Huffman-coded data can describe
/// at most: the coding spends at least one bit on every block of every
/// component (its first DC code). Arithmetic coding has no such least cost
/// (a picture of one colour takes next to nothing), so it has no such bound.
constexpr uint64_t kBlocksPerHuffmanByte = 8;

/// The codec's own memory (coefficients of a progressive file above all):
/// a fixed allowance plus what the coded data can fill, 128 bytes per block.
constexpr uint64_t kCodecAllowance = uint64_t{64} << 20;
constexpr uint64_t kCodecBytesPerDataByte = 128 * kBlocksPerHuffmanByte;

/// The most of an EXIF segment that is looked at: a segment cannot be longer.
constexpr std::size_t kExifBytes = 65535;

/// Everything one decode needs, in one plain record: the decode runs under
/// setjmp, so no object with a destructor may live in its frame.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errorManager;  // cinfo.err points here
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    PictureSource source;
    int scaleDenominator;  ///< 0: the largest the wanted side allows
    int64_t wantedSide;
    bool turn;  ///< turn the picture as its EXIF orientation says
    const std::atomic<bool>* cancel;
    PictureLimits limits;
    PixelImage* image;
    int32_t fullWidth;
    int32_t fullHeight;
    int32_t orientation;
    int32_t reduction;
    bool exifSeen;
    bool damaged;
    /// Where the full resolution of a picture too large to be held whole
    /// goes (a file of tiles), beside a first view reduced while it is
    /// decoded; null: such a picture is refused. The writer and the reducer
    /// are made during the decode and belong to whoever ran it.
    const std::string* tileFolder;
    bool inParts;
    TileFileWriter* writer;
    ReducingSink* reducer;
    DecodeStatus status;
    uint8_t exif[kExifBytes];
};

JpegJob* JobOf(j_common_ptr cinfo) {
    // cinfo is the first member of JpegJob.
    return reinterpret_cast<JpegJob*>(cinfo);
}

void FailJob(j_common_ptr cinfo, DecodeStatus status) {
    JpegJob* job = JobOf(cinfo);
    job->status = status;
    std::longjmp(job->jump, 1);
}

void OnError(j_common_ptr cinfo) {
    const int code = cinfo->err->msg_code;
    // Coefficients beyond the memory allowed ask for a backing store, which
    // this build of the codec does not have: the picture is too large.
    FailJob(cinfo, code == JERR_OUT_OF_MEMORY      ? DecodeStatus::OutOfMemory
                   : code == JERR_NO_BACKING_STORE ? DecodeStatus::TooLarge
                                                   : DecodeStatus::Corrupt);
}

void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output
    // The codec repairs what it can and goes on; a warning about the coded
    // data means pixels were made up (a file cut short, bytes that do not
    // belong, codes that decode to nothing, lost restart intervals, scans
    // that do not fit together). Only warnings about the file's labels or
    // about this program's use of the codec leave the pixels as they are.
    switch (cinfo->err->msg_code) {
        case JWRN_JFIF_MAJOR:
        case JWRN_ADOBE_XFORM:
        case JWRN_BOGUS_ICC:
        case JWRN_TOO_MUCH_DATA:
            break;
        case JWRN_JPEG_EOF: {
            // A file that lacks nothing but its end marker loses no pixel.
            // Huffman-coded data cut short warn of the marker they ran into
            // as well; arithmetic-coded data do not, so for them the end of
            // the file before the last row of blocks is the damage itself.
            const auto* d = reinterpret_cast<const jpeg_decompress_struct*>(cinfo);
            if (d->arith_code && d->input_iMCU_row + 1 < d->total_iMCU_rows) {
                JobOf(cinfo)->damaged = true;
            }
            break;
        }
        default:
            JobOf(cinfo)->damaged = true;
            break;
    }
    ++cinfo->err->num_warnings;
}

/// The 8 x 8 blocks of all components together.
uint64_t TotalBlocks(const jpeg_decompress_struct& cinfo) {
    uint64_t blocks = 0;
    for (int ci = 0; ci < cinfo.num_components; ++ci) {
        const jpeg_component_info& c = cinfo.comp_info[ci];
        blocks += uint64_t{c.width_in_blocks} * c.height_in_blocks;
    }
    return blocks;
}

/// A progressive file that ended before its last scans: some coefficients
/// never arrived, or never got their final bits.
bool ScansMissing(const jpeg_decompress_struct& cinfo) {
    if (!cinfo.progressive_mode || cinfo.coef_bits == nullptr) return false;
    for (int ci = 0; ci < cinfo.num_components; ++ci) {
        for (int k = 0; k < DCTSIZE2; ++k) {
            if (cinfo.coef_bits[ci][k] != 0) return true;
        }
    }
    return false;
}

bool CancelRequested(const JpegJob& job) {
    return job.cancel != nullptr && job.cancel->load(std::memory_order_relaxed);
}

void OnProgress(j_common_ptr cinfo) {
    JpegJob* job = JobOf(cinfo);
    if (job->cinfo.input_scan_number > kMaxScans) FailJob(cinfo, DecodeStatus::Corrupt);
    if (CancelRequested(*job)) FailJob(cinfo, DecodeStatus::Cancelled);
}

/// One byte of the coded data. The sources used here never suspend: at the
/// end of the data they hand out an end marker and warn.
uint8_t NextByte(j_decompress_ptr cinfo) {
    jpeg_source_mgr* src = cinfo->src;
    if (src->bytes_in_buffer == 0 && !src->fill_input_buffer(cinfo)) {
        FailJob(reinterpret_cast<j_common_ptr>(cinfo), DecodeStatus::Truncated);
    }
    --src->bytes_in_buffer;
    return *src->next_input_byte++;
}

/// APP1 segments: the first that holds EXIF data is kept for its
/// orientation; every other one (XMP, more EXIF) is skipped unread, so that
/// a file of many large segments costs no memory.
boolean ReadApp1(j_decompress_ptr cinfo) {
    JpegJob* job = JobOf(reinterpret_cast<j_common_ptr>(cinfo));
    const std::size_t high = NextByte(cinfo);
    const std::size_t length = high << 8 | NextByte(cinfo);
    if (length < 2) return TRUE;
    const std::size_t payload = length - 2;
    if (job->exifSeen) {
        if (payload > 0) cinfo->src->skip_input_data(cinfo, static_cast<long>(payload));
        return TRUE;
    }
    for (std::size_t i = 0; i < payload; ++i) job->exif[i] = NextByte(cinfo);
    if (payload >= 6 && std::memcmp(job->exif, "Exif\0\0", 6) == 0) {
        job->exifSeen = true;
        job->orientation = ExifSegmentOrientation(job->exif, payload);
    }
    return TRUE;
}

/// The largest reduction of 2, 4 or 8 whose larger side still has wanted
/// pixels; 1 for the full resolution.
int ChooseScale(uint32_t width, uint32_t height, int64_t wanted) {
    if (wanted <= 0) return 1;
    const uint64_t larger = std::max(width, height);
    for (const int scale : {8, 4, 2}) {
        if (static_cast<int64_t>((larger + scale - 1) / scale) >= wanted) return scale;
    }
    return 1;
}

void CmykToRgb(const uint8_t* in, uint8_t* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        const unsigned k = inverted ? in[3] : 255u - in[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned v = inverted ? in[c] : 255u - in[c];
            out[c] = static_cast<uint8_t>((v * k + 127) / 255);
        }
    }
}

void RunJpegJob(JpegJob* job) {
    jpeg_decompress_struct* cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->errorManager);
    job->errorManager.error_exit = OnError;
    job->errorManager.emit_message = OnMessage;
    job->status = DecodeStatus::Ok;
    if (setjmp(job->jump) != 0) {
        jpeg_destroy_decompress(cinfo);
        return;
    }
    jpeg_create_decompress(cinfo);
    job->progress.progress_monitor = OnProgress;
    cinfo->progress = &job->progress;
    if (job->source.file != nullptr) {
        jpeg_stdio_src(cinfo, job->source.file);
    } else {
        jpeg_mem_src(cinfo, job->source.data, static_cast<unsigned long>(job->source.size));
    }
    if (job->turn) jpeg_set_marker_processor(cinfo, JPEG_APP0 + 1, ReadApp1);
    jpeg_read_header(cinfo, TRUE);
    if (!job->turn) job->orientation = 1;
    job->fullWidth = static_cast<int32_t>(cinfo->image_width);
    job->fullHeight = static_cast<int32_t>(cinfo->image_height);
    if (!job->limits.Accepts(cinfo->image_width, cinfo->image_height)) {
        // A first view that is held whole, or a file of tiles for the rest.
        const auto scale = static_cast<uint32_t>(
            job->scaleDenominator != 0
                ? job->scaleDenominator
                : ChooseScale(cinfo->image_width, cinfo->image_height, job->wantedSide));
        const bool firstViewFits =
            scale > 1 && job->limits.Accepts(ReducedSide(cinfo->image_width, scale),
                                             ReducedSide(cinfo->image_height, scale));
        job->inParts = !firstViewFits && job->tileFolder != nullptr && !job->tileFolder->empty() &&
                       job->source.file != nullptr &&
                       cinfo->image_width <= static_cast<uint32_t>(job->limits.maxSide) &&
                       cinfo->image_height <= static_cast<uint32_t>(job->limits.maxSide);
        if (!firstViewFits && !job->inParts) {
            job->status = DecodeStatus::TooLarge;
            jpeg_destroy_decompress(cinfo);
            return;
        }
    }
    // A few kilobytes of Huffman-coded data can claim a picture of
    // gigabytes; the codec would spend them (and many seconds) on pixels it
    // then has to make up. Refuse a file too short to code every block of
    // the picture it claims.
    if (!cinfo->arith_code &&
        TotalBlocks(*cinfo) > uint64_t{job->source.size} * kBlocksPerHuffmanByte) {
        job->status = DecodeStatus::Truncated;
        jpeg_destroy_decompress(cinfo);
        return;
    }
    // Progressive files keep every coefficient in memory: no more than
    // Huffman-coded data can fill, and never beyond what the picture limit
    // allows, which bounds arithmetic-coded files too.
    const uint64_t ceiling = static_cast<uint64_t>(job->limits.maxPixels) * 8 + kCodecAllowance;
    cinfo->mem->max_memory_to_use = static_cast<long>(
        cinfo->arith_code ? ceiling
                          : std::min(ceiling, kCodecAllowance + uint64_t{job->source.size} *
                                                                    kCodecBytesPerDataByte));
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    const int scale = job->inParts ? 1
                      : job->scaleDenominator != 0
                          ? job->scaleDenominator
                          : ChooseScale(cinfo->image_width, cinfo->image_height, job->wantedSide);
    job->reduction = scale;
    cinfo->scale_num = 1;
    cinfo->scale_denom = static_cast<unsigned>(scale);
    jpeg_start_decompress(cinfo);
    // A file of several scans has been read whole by now.
    if (ScansMissing(*cinfo)) job->damaged = true;
    const auto width = static_cast<int32_t>(cinfo->output_width);
    const auto height = static_cast<int32_t>(cinfo->output_height);
    const bool swap = OrientationSwapsSides(job->orientation);
    if (job->inParts) {
        DecodeStatus made = DecodeStatus::Ok;
        job->writer = TileFileWriter::Create(*job->tileFolder, cinfo->output_width,
                                             cinfo->output_height, job->orientation, made)
                          .release();
        if (job->writer == nullptr) {
            job->status = made;
            jpeg_destroy_decompress(cinfo);
            return;
        }
        const uint32_t factor = KeptFirstViewReduction(cinfo->output_width, cinfo->output_height);
        const auto across = static_cast<int32_t>(ReducedSide(cinfo->output_width, factor));
        const auto down = static_cast<int32_t>(ReducedSide(cinfo->output_height, factor));
        if (!job->image->AllocateBlack(swap ? down : across, swap ? across : down)) {
            job->status = DecodeStatus::OutOfMemory;
            jpeg_destroy_decompress(cinfo);
            return;
        }
        job->reducer = new (std::nothrow) ReducingSink(
            *job->image, cinfo->output_width, cinfo->output_height, factor, job->orientation);
        if (job->reducer == nullptr) {
            job->status = DecodeStatus::OutOfMemory;
            jpeg_destroy_decompress(cinfo);
            return;
        }
        job->reduction = static_cast<int32_t>(factor);
    } else if (!job->image->Allocate(swap ? height : width, swap ? width : height)) {
        job->status = DecodeStatus::OutOfMemory;
        jpeg_destroy_decompress(cinfo);
        return;
    }
    // Only a turned picture, or CMYK that is converted first, needs rows of
    // its own; the others are decoded into their place.
    TurnedRows turned(*job->image, width, height, job->orientation);
    const bool direct = !job->inParts && turned.DirectRow(0) != nullptr;
    JSAMPARRAY batch = nullptr;
    if (cmyk || !direct) {
        batch = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                            cinfo->output_width * (cmyk ? 4 : 3), kBatchRows);
    }
    JSAMPARRAY rgbRows = nullptr;
    if (cmyk && !direct) {
        rgbRows = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->output_width * 3, 1);
    }
    JSAMPROW rows[kBatchRows];
    while (cinfo->output_scanline < cinfo->output_height) {
        if (CancelRequested(*job))
            FailJob(reinterpret_cast<j_common_ptr>(cinfo), DecodeStatus::Cancelled);
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION want = cinfo->output_height - first < kBatchRows
                                    ? cinfo->output_height - first
                                    : static_cast<JDIMENSION>(kBatchRows);
        for (JDIMENSION i = 0; i < want; ++i) {
            rows[i] =
                batch != nullptr ? batch[i] : turned.DirectRow(static_cast<int32_t>(first + i));
        }
        const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, want);
        if (batch == nullptr) continue;
        for (JDIMENSION i = 0; i < got; ++i) {
            const auto y = static_cast<int32_t>(first + i);
            if (job->inParts) {
                const uint8_t* row = batch[i];
                if (cmyk) {
                    CmykToRgb(batch[i], rgbRows[0], cinfo->output_width,
                              cinfo->saw_Adobe_marker != 0);
                    row = rgbRows[0];
                }
                job->writer->Put(static_cast<uint32_t>(y), row);
                job->reducer->Put(static_cast<uint32_t>(y), row);
            } else if (cmyk) {
                uint8_t* target = direct ? turned.DirectRow(y) : rgbRows[0];
                CmykToRgb(batch[i], target, cinfo->output_width, cinfo->saw_Adobe_marker != 0);
                if (!direct) turned.Put(y, target);
            } else {
                turned.Put(y, batch[i]);
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    if (job->inParts) {
        job->reducer->Finish();
        if (!job->writer->Finish()) {
            job->status = DecodeStatus::DiskFull;
            return;
        }
    }
    if (job->damaged) job->status = DecodeStatus::Damaged;
}

std::unique_ptr<JpegJob> NewJob(const PictureSource& source, const PictureLimits& limits,
                                PixelImage& image) {
    auto job = std::make_unique<JpegJob>();
    job->source = source;
    job->scaleDenominator = 1;
    job->wantedSide = 0;
    job->turn = false;
    job->cancel = nullptr;
    job->limits = limits;
    job->image = &image;
    job->fullWidth = 0;
    job->fullHeight = 0;
    job->orientation = 1;
    job->reduction = 1;
    job->exifSeen = false;
    job->damaged = false;
    job->tileFolder = nullptr;
    job->inParts = false;
    job->writer = nullptr;
    job->reducer = nullptr;
    return job;
}

}  // namespace

DecodeStatus DecodeJpeg(const uint8_t* data, std::size_t size, int scaleDenominator,
                        const PictureLimits& limits, PixelImage& image, int32_t* fullWidth,
                        int32_t* fullHeight) {
    image.Clear();
    if (scaleDenominator != 1 && scaleDenominator != 2 && scaleDenominator != 4 &&
        scaleDenominator != 8) {
        return DecodeStatus::Unsupported;
    }
    if (data == nullptr || size == 0) return DecodeStatus::Truncated;
    auto job = NewJob(PictureSource::Memory(data, size), limits, image);
    job->scaleDenominator = scaleDenominator;
    RunJpegJob(job.get());
    if (fullWidth != nullptr) *fullWidth = job->fullWidth;
    if (fullHeight != nullptr) *fullHeight = job->fullHeight;
    if (!PictureDecoded(job->status)) image.Clear();
    return job->status;
}

DecodeStatus DecodeJpegPicture(const PictureSource& source, const DecodeOptions& options,
                               const PictureLimits& limits, Picture& picture) {
    picture.Clear();
    if (source.size == 0 || (source.data == nullptr && source.file == nullptr)) {
        return DecodeStatus::Truncated;
    }
    auto job = NewJob(source, limits, picture.pixels);
    job->scaleDenominator = 0;
    job->wantedSide = options.wantedSide;
    job->turn = true;
    job->cancel = options.cancel;
    job->tileFolder = &options.tileFolder;
    RunJpegJob(job.get());
    const std::unique_ptr<TileFileWriter> writer(job->writer);
    const std::unique_ptr<ReducingSink> reducer(job->reducer);
    if (!PictureDecoded(job->status)) {
        picture.pixels.Clear();
        return job->status;
    }
    const bool swap = OrientationSwapsSides(job->orientation);
    picture.fullWidth = swap ? job->fullHeight : job->fullWidth;
    picture.fullHeight = swap ? job->fullWidth : job->fullHeight;
    picture.reduction = job->reduction;
    picture.orientation = job->orientation;
    if (job->inParts) {
        std::unique_ptr<PictureRegionSource> tiles = writer->Source();
        if (!tiles) {
            picture.Clear();
            return DecodeStatus::DiskFull;
        }
        picture.tiles = std::make_shared<PictureTiles>(
            std::move(tiles), picture.fullWidth, picture.fullHeight,
            options.tileBudget > 0 ? options.tileBudget : PictureTiles::kDefaultBudget);
    }
    return job->status;
}

}  // namespace kvx
