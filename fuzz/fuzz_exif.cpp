// The EXIF orientation reader on arbitrary bytes, as a whole APP1 segment
// (which must start with its tag) and as the TIFF-structured data after it:
// every answer is an orientation of 1 to 8, and no byte is read outside the
// data.
#include <cstdlib>
#include <vector>

#include "core/picture/picture_orientation.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the size given, so that a read past it is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const int32_t plain = kvx::ExifOrientation(bytes.data(), bytes.size());
    if (plain < 1 || plain > 8) std::abort();
    std::vector<uint8_t> segment = {'E', 'x', 'i', 'f', 0, 0};
    segment.insert(segment.end(), data, data + size);
    if (kvx::ExifSegmentOrientation(segment.data(), segment.size()) != plain) std::abort();
    const int32_t raw = kvx::ExifSegmentOrientation(bytes.data(), bytes.size());
    if (raw < 1 || raw > 8) std::abort();
    return 0;
}
