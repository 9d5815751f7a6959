#pragma once

#include <cstddef>
#include <cstdint>

#include "core/picture/picture.hpp"

namespace kvx {

/// Decodes a Windows bitmap file held in memory: 1, 4 and 8 bits with a
/// palette (8 and 4 also run-length encoded), 16 bits (5-5-5, or any masks),
/// 24 bits and 32 bits (plain or with masks), stored bottom-up or top-down,
/// with the core, info and the later headers. Alpha is ignored. Every size
/// and offset is checked against the data before it is used; pixels that a
/// run-length encoding leaves out are black. On failure `image` is empty.
[[nodiscard]] DecodeStatus DecodeBmp(const uint8_t* data, std::size_t size,
                                     const PictureLimits& limits, PixelImage& image);

}  // namespace kvx
