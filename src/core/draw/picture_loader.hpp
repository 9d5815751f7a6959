#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/draw/picture.hpp"

namespace kvx {

class Program;

/// The decoders, chosen by a file's extension.
enum class PictureFormat { kUnknown, kBmp, kJpeg, kGif };

/// The decoder for a file name: BMP and DIB; JPG, JPEG, JPE and JFIF; GIF
/// (any case). Anything else is unknown.
PictureFormat PictureFormatOf(std::string_view path);

/// Decodes image bytes with the decoder of format into picture (full
/// resolution and its reduced copies). On failure the picture is empty.
[[nodiscard]] DecodeStatus DecodePicture(const uint8_t* data, std::size_t size,
                                         PictureFormat format, const PictureLimits& limits,
                                         Picture& picture);

/// Reads and decodes the image file at path, the decoder chosen by its
/// extension.
[[nodiscard]] DecodeStatus DecodePictureFile(const std::string& path, const PictureLimits& limits,
                                             Picture& picture);

/// Loads the image file at path into picture. When the CopyImage setting is
/// at least 1 and sizeInMegabytes exceeds it, the file is first copied into
/// the temporary directory and read from there; a failed copy fails quietly.
/// A file that cannot be opened or decoded shows messages 351 (title) and
/// 352 (text) and gives false.
bool LoadPicture(Program& program, Picture& picture, std::string_view path,
                 int64_t sizeInMegabytes);

}  // namespace kvx
