#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/picture/picture.hpp"
#include "core/support/error_code.hpp"

namespace kvx {

inline constexpr ErrorCode kErrBmpCreate = 61310103;    ///< file cannot be created
inline constexpr ErrorCode kErrBmpWrite = 61310203;     ///< writing or closing failed
inline constexpr ErrorCode kErrBmpTooLarge = 61310301;  ///< empty, or beyond the format's 4 GB

/// The image as a 24-bit Windows bitmap file: bottom-up rows padded to four
/// bytes, 96 dpi. False when the image is empty or too large for the format.
[[nodiscard]] bool EncodeBmp(const RgbView& image, std::vector<uint8_t>& bytes);

/// Saves the image as a bitmap file; the extension is forced to "BMP"
/// (writtenPath, when given, receives the name written).
[[nodiscard]] ErrorCode SaveBitmapFile(std::string_view path, const RgbView& image,
                                       std::string* writtenPath = nullptr);

}  // namespace kvx
