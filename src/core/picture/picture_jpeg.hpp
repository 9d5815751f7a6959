#pragma once

#include <cstddef>
#include <cstdint>

#include "core/picture/picture.hpp"

namespace kvx {

/// Decodes a JPEG file held in memory to RGB (greyscale and CMYK included),
/// as stored (an EXIF orientation is not applied), at full size
/// (scaleDenominator 1) or reduced to 1/2, 1/4 or 1/8 by the codec itself,
/// which is much cheaper than decoding in full and shrinking.
/// The limits apply to the full-size dimensions, and a file too short to
/// code the picture it claims is refused as truncated before anything is
/// allocated. The codec's errors end the decode and come back as a status.
/// Damage the codec repairs by making pixels up (coded data cut short, with
/// or without an end marker after it; a progressive file missing its later
/// scans; bad codes) gives Damaged with the image as far as it was decoded.
/// fullWidth and fullHeight (optional) receive the full-size dimensions
/// whenever the header could be read.
[[nodiscard]] DecodeStatus DecodeJpeg(const uint8_t* data, std::size_t size, int scaleDenominator,
                                      const PictureLimits& limits, PixelImage& image,
                                      int32_t* fullWidth = nullptr, int32_t* fullHeight = nullptr);

/// Decodes a JPEG as a picture to be shown: turned as its EXIF orientation
/// says, and reduced by the codec by the largest of 2, 4 and 8 that still
/// leaves the larger side options.wantedSide pixels (none when that is 0).
/// The picture's full size and orientation are set; its reduced copies are
/// not made. Otherwise as DecodeJpeg.
[[nodiscard]] DecodeStatus DecodeJpegPicture(const PictureSource& source,
                                             const DecodeOptions& options,
                                             const PictureLimits& limits, Picture& picture);

}  // namespace kvx
