// The picture loader on arbitrary bytes under each decoder's extension: the
// first byte picks JPEG, GIF, bitmap, PNG or TIFF and how large the first
// view may be, the rest is the file, read as it is decoded. The codecs' own
// errors must come back as a refusal or a damaged picture, never end the
// process.
#include <algorithm>
#include <cstdlib>

#include "core/picture/picture.hpp"
#include "core/picture/picture_loader.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kNames[] = {"input.jpg", "input.gif", "input.bmp", "input.png",
                                         "input.tif"};
    const std::string path = kvx::fuzz::WriteInput(kNames[data[0] % 5], data + 1, size - 1);
    kvx::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1 << 22;
    kvx::DecodeOptions options;
    options.wantedSide = (data[0] / 5) % 4 * 40;  // 0: the full resolution
    kvx::Picture picture;
    const kvx::DecodeStatus status = kvx::DecodePictureFile(path, options, limits, picture);
    if (!kvx::PictureDecoded(status)) {
        if (!picture.pixels.Empty() || !picture.reduced.empty()) std::abort();
        return 0;
    }
    // A damaged picture is kept as far as it was decoded: whole in size, and
    // a reduced one no smaller than asked for.
    if (!limits.Accepts(picture.Width(), picture.Height())) std::abort();
    const int32_t reduction = picture.reduction;
    if (reduction != 1 && reduction != 2 && reduction != 4 && reduction != 8) std::abort();
    if (picture.pixels.Width() != (picture.Width() + reduction - 1) / reduction) std::abort();
    if (reduction > 1 &&
        std::max(picture.pixels.Width(), picture.pixels.Height()) < options.wantedSide) {
        std::abort();
    }
    return 0;
}
