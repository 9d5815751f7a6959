#include "core/draw/picture_jpeg.hpp"

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
    bool sawEnd;
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
    FailJob(cinfo, cinfo->err->msg_code == JERR_OUT_OF_MEMORY ? DecodeStatus::OutOfMemory
                                                              : DecodeStatus::Corrupt);
}

void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output
    JpegJob* job = JobOf(cinfo);
    // The codec meets the end of the data by inventing an end marker; only
    // when it then runs short of coded data inside a scan are pixels missing.
    // A file that lacks nothing but its end marker loses no pixel.
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) job->sawEnd = true;
    if (cinfo->err->msg_code == JWRN_HIT_MARKER && job->sawEnd) {
        FailJob(cinfo, DecodeStatus::Truncated);
    }
    ++cinfo->err->num_warnings;
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
    // Progressive files keep every coefficient in memory; bound that too.
    cinfo->mem->max_memory_to_use = static_cast<long>(job->limits.maxPixels * 8 + (64L << 20));
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo->scale_num = 1;
    cinfo->scale_denom = static_cast<unsigned>(job->scaleDenominator);
    jpeg_start_decompress(cinfo);
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
    job->sawEnd = false;
    RunJpegJob(job.get());
    if (fullWidth != nullptr) *fullWidth = job->fullWidth;
    if (fullHeight != nullptr) *fullHeight = job->fullHeight;
    if (job->status != DecodeStatus::Ok) image.Clear();
    return job->status;
}

}  // namespace kvx
