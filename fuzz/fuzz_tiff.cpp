// The TIFF decoder on arbitrary bytes held in memory: the first byte picks
// the background under transparent parts, the rest is the file. libpng's
// errors must come back as a refusal or a damaged picture of the size the
// file claims, never end the process.
#include <cstdlib>

#include "core/draw/picture.hpp"
#include "core/draw/picture_loader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    kvx::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1 << 22;
    kvx::DecodeOptions options;
    options.background = data[0] * 0x010203u & 0xFFFFFF;
    kvx::Picture picture;
    const kvx::DecodeStatus status =
        kvx::DecodePicture(data + 1, size - 1, kvx::PictureFormat::kTiff, options, limits, picture);
    if (!kvx::PictureDecoded(status)) {
        if (!picture.pixels.Empty() || !picture.reduced.empty()) std::abort();
        return 0;
    }
    if (!limits.Accepts(picture.Width(), picture.Height()) || picture.Reduced() ||
        picture.pixels.Width() != picture.Width() || picture.pixels.Height() != picture.Height()) {
        std::abort();
    }
    return 0;
}
