// The picture loader on arbitrary bytes under each decoder's extension: the
// first byte picks JPEG, GIF or bitmap, the rest is the file. The codecs'
// own errors must come back as a refusal or a damaged picture, never end the
// process.
#include <cstdlib>

#include "core/draw/picture.hpp"
#include "core/draw/picture_loader.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kNames[] = {"input.jpg", "input.gif", "input.bmp"};
    const std::string path = kvx::fuzz::WriteInput(kNames[data[0] % 3], data + 1, size - 1);
    kvx::PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1 << 22;
    kvx::Picture picture;
    const kvx::DecodeStatus status = kvx::DecodePictureFile(path, limits, picture);
    if (!kvx::PictureDecoded(status)) {
        if (!picture.pixels.Empty() || !picture.reduced.empty()) std::abort();
        return 0;
    }
    // A damaged picture is kept as far as it was decoded: whole in size.
    if (!limits.Accepts(picture.Width(), picture.Height())) std::abort();
    return 0;
}
