#pragma once

#include <cstddef>
#include <cstdint>

#include "core/picture/picture.hpp"

namespace kvx {

/// The orientation an EXIF block records (the TIFF-structured data of a
/// JPEG's APP1 segment after its "Exif\0\0" tag): the value of the
/// Orientation tag of its first directory, 1 .. 8. Anything else (no such
/// tag, a value out of range, data too short or malformed) gives 1, the
/// picture as stored.
int32_t ExifOrientation(const uint8_t* data, std::size_t size);

/// The same for the payload of a JPEG APP1 segment, which must start with
/// "Exif\0\0" to count.
int32_t ExifSegmentOrientation(const uint8_t* data, std::size_t size);

/// Puts the rows of a stored picture (sourceWidth x sourceHeight, RGB) into
/// `target` turned as an orientation says, so that a picture is turned while
/// it is decoded, without a second copy. `target` must already have the
/// turned size (the sides swapped for orientations 5 to 8).
class TurnedRows {
public:
    TurnedRows(PixelImage& target, int32_t sourceWidth, int32_t sourceHeight, int32_t orientation);

    /// Row y of the stored picture, sourceWidth RGB pixels.
    void Put(int32_t y, const uint8_t* rgb);
    /// The target pixel that pixel (x, y) of the stored picture becomes.
    uint8_t* Pixel(int32_t x, int32_t y);
    /// Where row y of the stored picture can be written directly when it is
    /// not turned or only flipped upside down; null otherwise.
    uint8_t* DirectRow(int32_t y);

private:
    PixelImage& target_;
    int32_t width_;
    int32_t height_;
    int32_t orientation_;
};

}  // namespace kvx
