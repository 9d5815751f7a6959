#include "core/draw/picture_jpeg.hpp"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

// The codec's headers expect <cstdio> before them.
#include <jerror.h>
#include <jpeglib.h>

namespace kvx {
namespace {

/// More scans than any real progressive file has; a hostile file with
/// thousands of tiny scans would otherwise keep the decoder busy for minutes.
constexpr int kMaxScans = 500;
constexpr int kBatchRows = 16;

/// Blocks of 8 x 8 coefficients one byte of coded data can describe at
/// most. Huffman coding spends at least one bit on every block of every
/// component (its first DC code); arithmetic coding can go far below that,
/// so it gets a much looser bound.
constexpr uint64_t kBlocksPerHuffmanByte = 8;
constexpr uint64_t kBlocksPerArithmeticByte = 512;

/// The codec's own memory (coefficients of a progressive file above all):
/// a fixed allowance plus what the coded data can fill, 128 bytes per block.
constexpr uint64_t kCodecAllowance = uint64_t{64} << 20;
constexpr uint64_t kCodecBytesPerDataByte = 128 * kBlocksPerHuffmanByte;

/// Everything one decode needs, in one plain record: the decode runs under
/// setjmp, so no object with a destructor may live in its frame.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errorManager;  // cinfo.err points here
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    const uint8_t* data;
    std::size_t size;
    int scaleDenominator;
    PictureLimits limits;
    PixelImage* image;
    int32_t fullWidth;
    int32_t fullHeight;
    bool damaged;
    DecodeStatus status;
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
    // The codec repairs what it can and goes on; these warnings mean pixels
    // were made up: coded data that ran into a marker (a file cut short,
    // whether or not an end marker follows), codes that decode to nothing,
    // lost restart intervals, or scans that do not fit together. A file that
    // lacks nothing but its end marker (JWRN_JPEG_EOF alone) loses no pixel.
    switch (cinfo->err->msg_code) {
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_MUST_RESYNC:
        case JWRN_BOGUS_PROGRESSION:
            JobOf(cinfo)->damaged = true;
            break;
        default:
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

void OnProgress(j_common_ptr cinfo) {
    if (JobOf(cinfo)->cinfo.input_scan_number > kMaxScans) FailJob(cinfo, DecodeStatus::Corrupt);
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
    jpeg_mem_src(cinfo, job->data, static_cast<unsigned long>(job->size));
    jpeg_read_header(cinfo, TRUE);
    job->fullWidth = static_cast<int32_t>(cinfo->image_width);
    job->fullHeight = static_cast<int32_t>(cinfo->image_height);
    if (!job->limits.Accepts(cinfo->image_width, cinfo->image_height)) {
        job->status = DecodeStatus::TooLarge;
        jpeg_destroy_decompress(cinfo);
        return;
    }
    // A few kilobytes can claim a picture of gigabytes; the codec would
    // spend them (and many seconds) on pixels it then has to make up. Refuse
    // a file too short to code every block of the picture it claims.
    const uint64_t perByte = cinfo->arith_code ? kBlocksPerArithmeticByte : kBlocksPerHuffmanByte;
    if (TotalBlocks(*cinfo) > uint64_t{job->size} * perByte) {
        job->status = DecodeStatus::Truncated;
        jpeg_destroy_decompress(cinfo);
        return;
    }
    // Progressive files keep every coefficient in memory: no more than the
    // data can fill, and never beyond the picture limit.
    const uint64_t ceiling = static_cast<uint64_t>(job->limits.maxPixels) * 8 + kCodecAllowance;
    cinfo->mem->max_memory_to_use = static_cast<long>(
        std::min(ceiling, kCodecAllowance + uint64_t{job->size} * kCodecBytesPerDataByte));
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo->scale_num = 1;
    cinfo->scale_denom = static_cast<unsigned>(job->scaleDenominator);
    jpeg_start_decompress(cinfo);
    // A file of several scans has been read whole by now.
    if (ScansMissing(*cinfo)) job->damaged = true;
    if (!job->image->Allocate(static_cast<int32_t>(cinfo->output_width),
                              static_cast<int32_t>(cinfo->output_height))) {
        job->status = DecodeStatus::OutOfMemory;
        jpeg_destroy_decompress(cinfo);
        return;
    }
    JSAMPARRAY cmykRows = nullptr;
    if (cmyk) {
        cmykRows = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                               cinfo->output_width * 4, kBatchRows);
    }
    JSAMPROW rows[kBatchRows];
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION want = cinfo->output_height - first < kBatchRows
                                    ? cinfo->output_height - first
                                    : static_cast<JDIMENSION>(kBatchRows);
        for (JDIMENSION i = 0; i < want; ++i) {
            rows[i] = cmyk ? cmykRows[i] : job->image->Row(static_cast<int32_t>(first + i));
        }
        const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, want);
        if (cmyk) {
            for (JDIMENSION i = 0; i < got; ++i) {
                CmykToRgb(cmykRows[i], job->image->Row(static_cast<int32_t>(first + i)),
                          cinfo->output_width, cinfo->saw_Adobe_marker != 0);
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    if (job->damaged) job->status = DecodeStatus::Damaged;
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
    auto job = std::make_unique<JpegJob>();
    job->data = data;
    job->size = size;
    job->scaleDenominator = scaleDenominator;
    job->limits = limits;
    job->image = &image;
    job->fullWidth = 0;
    job->fullHeight = 0;
    job->damaged = false;
    RunJpegJob(job.get());
    if (fullWidth != nullptr) *fullWidth = job->fullWidth;
    if (fullHeight != nullptr) *fullHeight = job->fullHeight;
    if (!PictureDecoded(job->status)) image.Clear();
    return job->status;
}

}  // namespace kvx
