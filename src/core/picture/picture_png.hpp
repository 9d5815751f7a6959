#pragma once

#include "core/picture/picture.hpp"

namespace kvx {

/// Decodes a PNG file: grey, grey with alpha, palette (with or without
/// transparent entries), RGB and RGBA, 1 to 16 bits per channel, interlaced
/// or not. Transparent parts are laid on options.background. A picture of
/// 16 bits per channel is shown with the range of values it holds (the
/// lowest to the highest over every colour channel together, of the pixels
/// that are not wholly transparent) spread over 0 .. 255, so that a dim
/// 16-bit picture from a microscope camera does not show black; its colours
/// keep their balance. A file too short to code the picture it claims is
/// refused as truncated before anything is allocated; one that breaks off
/// or goes wrong after its first rows gives Damaged with what was decoded
/// (an interlaced picture filled in from its earlier passes). The picture
/// is not turned and its reduced copies are not made.
[[nodiscard]] DecodeStatus DecodePng(const PictureSource& source, const DecodeOptions& options,
                                     const PictureLimits& limits, Picture& picture);

}  // namespace kvx
