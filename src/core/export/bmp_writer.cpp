#include "core/export/bmp_writer.hpp"

#include "core/export/picture_file.hpp"

namespace kvx {
namespace {

constexpr uint32_t kHeadersSize = 14 + 40;
constexpr uint32_t kPixelsPerMetre96Dpi = 3780;

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool EncodeBmp(const RgbView& image, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (image.Empty()) return false;
    const uint64_t stride = (static_cast<uint64_t>(image.width) * 3 + 3) & ~uint64_t{3};
    const uint64_t pixelBytes = stride * static_cast<uint64_t>(image.height);
    if (pixelBytes + kHeadersSize > 0xFFFFFFFFu) return false;
    bytes.assign(kHeadersSize + pixelBytes, 0);
    uint8_t* h = bytes.data();
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, static_cast<uint32_t>(bytes.size()));
    Put32(h + 10, kHeadersSize);
    Put32(h + 14, 40);
    Put32(h + 18, static_cast<uint32_t>(image.width));
    Put32(h + 22, static_cast<uint32_t>(image.height));  // positive: bottom-up
    Put16(h + 26, 1);
    Put16(h + 28, 24);
    Put32(h + 34, static_cast<uint32_t>(pixelBytes));
    Put32(h + 38, kPixelsPerMetre96Dpi);
    Put32(h + 42, kPixelsPerMetre96Dpi);
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* in = image.Row(image.height - 1 - y);
        uint8_t* out = h + kHeadersSize + static_cast<uint64_t>(y) * stride;
        for (int32_t x = 0; x < image.width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return true;
}

ErrorCode SaveBitmapFile(std::string_view path, const RgbView& image, std::string* writtenPath) {
    const std::string name = ForcePictureExtension(path, "BMP");
    if (writtenPath != nullptr) *writtenPath = name;
    std::vector<uint8_t> bytes;
    if (!EncodeBmp(image, bytes)) return kErrBmpTooLarge;
    return WritePictureFile(name, bytes, kErrBmpCreate, kErrBmpWrite);
}

}  // namespace kvx
