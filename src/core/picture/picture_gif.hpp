#pragma once

#include <cstddef>
#include <cstdint>

#include "core/picture/picture.hpp"

namespace kvx {

/// Decodes the first image of a GIF file held in memory onto its logical
/// screen (enlarged when the image reaches past it). Pixels the image does not
/// cover take the screen's background colour (black without a global colour
/// table); in an image with a transparent colour they, and the transparent
/// pixels, take background instead (a Windows colour value, 0x00BBGGRR). Later images of an
/// animation are not read at all. A frame larger than its coded data can give, or a screen that
/// large beyond 16 megapixels, is refused as truncated before anything is allocated.
[[nodiscard]] DecodeStatus DecodeGif(const uint8_t* data, std::size_t size,
                                     const PictureLimits& limits, uint32_t background,
                                     PixelImage& image);

}  // namespace kvx
