#pragma once

#include "core/picture/picture.hpp"

namespace kvx {

/// Decodes the first page of a TIFF file: grey (1 to 16 bits, either way
/// round), palette (1 to 8 bits) and RGB (8 or 16 bits per channel), each
/// with or without alpha (associated or not), in strips or tiles, samples
/// interleaved or in planes, with any compression the codec library knows;
/// other photometric kinds (YCbCr, CMYK, L*a*b*) through the codec
/// library's own conversion. Transparent parts are laid on
/// options.background, 16-bit pictures are shown by the range of values
/// they hold (as DecodePng does), and the picture is turned as its
/// Orientation tag says. A page that breaks off after its first rows gives
/// Damaged with what was decoded; a variant the program does not read
/// (floating-point or signed samples, for example) gives Unsupported. The
/// reduced copies are not made. With options.wantedSide (and without
/// keepSixteenBits) the smallest reduced-resolution page whose larger side
/// has that many pixels is decoded instead of the first, and the picture
/// says by how much it is reduced. Without such a page, a page read from a
/// file is reduced by a power of two while it is read, so that the full
/// page is never held. Either way a picture read from a file gets tiles
/// (Picture::tiles) that read its full page again part by part, and may
/// then be larger than limits.maxPixels; pages in planes and pyramids of
/// 16-bit pages are decoded whole instead.
[[nodiscard]] DecodeStatus DecodeTiff(const PictureSource& source, const DecodeOptions& options,
                                      const PictureLimits& limits, Picture& picture);

}  // namespace kvx
