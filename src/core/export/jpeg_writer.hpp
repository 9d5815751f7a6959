#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/picture/picture.hpp"
#include "core/support/error_code.hpp"

namespace kvx {

inline constexpr ErrorCode kErrJpegCreate = 61320103;  ///< file cannot be created
inline constexpr ErrorCode kErrJpegWrite = 61320203;   ///< writing or closing failed
inline constexpr ErrorCode kErrJpegEncode = 61320301;  ///< the codec refused the image

/// The image as a baseline JFIF file at quality 1 (smallest) to 100 (best);
/// a quality outside that range is taken as the nearest end. False when the
/// image is empty, too large for the format, or the codec fails.
[[nodiscard]] bool EncodeJpeg(const RgbView& image, int32_t quality, std::vector<uint8_t>& bytes);

/// Saves the image as a JPEG file; the extension is forced to "JPG"
/// (writtenPath, when given, receives the name written).
[[nodiscard]] ErrorCode SaveJpegFile(std::string_view path, const RgbView& image, int32_t quality,
                                     std::string* writtenPath = nullptr);

}  // namespace kvx
