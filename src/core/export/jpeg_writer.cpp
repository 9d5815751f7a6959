#include "core/export/jpeg_writer.hpp"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

// The codec's header expects <cstdio> before it.
#include <jpeglib.h>

#include "core/export/picture_file.hpp"

namespace kvx {
namespace {

constexpr int32_t kJpegMaxSide = 65500;

/// One encode in one plain record: it runs under setjmp, so no object with a
/// destructor may live in its frame.
struct EncodeJob {
    jpeg_compress_struct cinfo;  // first member: the error handler finds the job through it
    jpeg_error_mgr errorManager;
    std::jmp_buf jump;
    RgbView image;
    int quality;
    unsigned char* output;  // malloc'ed by the codec
    unsigned long outputSize;
    bool ok;
};

void OnEncodeError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<EncodeJob*>(cinfo)->jump, 1);
}

void OnEncodeMessage(j_common_ptr, int) {}

void RunEncodeJob(EncodeJob* job) {
    jpeg_compress_struct* cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->errorManager);
    job->errorManager.error_exit = OnEncodeError;
    job->errorManager.emit_message = OnEncodeMessage;
    job->ok = false;
    if (setjmp(job->jump) != 0) {
        jpeg_destroy_compress(cinfo);
        return;
    }
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &job->output, &job->outputSize);
    cinfo->image_width = static_cast<JDIMENSION>(job->image.width);
    cinfo->image_height = static_cast<JDIMENSION>(job->image.height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->quality, TRUE);
    cinfo->optimize_coding = TRUE;
    cinfo->density_unit = 1;  // dots per inch: a copy of the screen
    cinfo->X_density = 96;
    cinfo->Y_density = 96;
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(job->image.Row(static_cast<int32_t>(cinfo->next_scanline)));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    job->ok = true;
}

}  // namespace

bool EncodeJpeg(const RgbView& image, int32_t quality, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (image.Empty() || image.width > kJpegMaxSide || image.height > kJpegMaxSide) return false;
    auto job = std::make_unique<EncodeJob>();
    job->image = image;
    job->quality = std::clamp(quality, 1, 100);
    RunEncodeJob(job.get());
    if (job->ok && job->output != nullptr) bytes.assign(job->output, job->output + job->outputSize);
    std::free(job->output);
    return job->ok;
}

ErrorCode SaveJpegFile(std::string_view path, const RgbView& image, int32_t quality,
                       std::string* writtenPath) {
    const std::string name = ForcePictureExtension(path, "JPG");
    if (writtenPath != nullptr) *writtenPath = name;
    std::vector<uint8_t> bytes;
    if (!EncodeJpeg(image, quality, bytes)) return kErrJpegEncode;
    return WritePictureFile(name, bytes, kErrJpegCreate, kErrJpegWrite);
}

}  // namespace kvx
