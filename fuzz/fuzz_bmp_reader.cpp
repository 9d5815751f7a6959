// The bitmap reader on arbitrary bytes: whatever the file holds, decoding
// must neither crash nor touch memory it does not own, and a decoded image
// must lie within the limits and survive being reduced and resampled.
#include <cstdlib>

#include "core/picture/bmp_reader.hpp"
#include "core/picture/picture.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kvx::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1 << 22;
    kvx::Picture picture;
    const kvx::DecodeStatus status = kvx::DecodeBmp(data, size, limits, picture.pixels);
    if (status != kvx::DecodeStatus::Ok) {
        if (!picture.pixels.Empty()) std::abort();
        return 0;
    }
    if (!limits.Accepts(picture.Width(), picture.Height())) std::abort();
    unsigned sum = 0;
    for (int32_t y = 0; y < picture.Height(); ++y) sum += picture.pixels.Row(y)[0];
    (void)picture.BuildReducedCopies();
    kvx::PixelImage out;
    if (!kvx::ResamplePicture(picture, 7, 5, 0, 0, 7, 5, out)) std::abort();
    return static_cast<int>(sum & 0);
}
