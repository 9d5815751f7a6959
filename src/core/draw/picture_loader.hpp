#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/draw/picture.hpp"
#include "core/support/error_code.hpp"

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
/// extension. NotFound and Unreadable tell why a file could not be read; a
/// damaged picture (Damaged) comes with what could be decoded.
[[nodiscard]] DecodeStatus DecodePictureFile(const std::string& path, const PictureLimits& limits,
                                             Picture& picture);

/// Codes LoadPicture records, one per reason (the info is the file's path).
inline constexpr ErrorCode kErrPictureNotFound = 61380101;     ///< no such file
inline constexpr ErrorCode kErrPictureUnreadable = 61380203;   ///< cannot be opened or read
inline constexpr ErrorCode kErrPictureCorrupt = 61380301;      ///< damaged, nothing to show
inline constexpr ErrorCode kErrPictureTooLarge = 61380401;     ///< beyond the memory allowed
inline constexpr ErrorCode kErrPictureUnsupported = 61380501;  ///< a kind not read
inline constexpr ErrorCode kErrPictureDamaged = 61380601;      ///< damaged, shown in part

/// Loads the image file at path into picture. When the CopyImage setting is
/// at least 1 and sizeInMegabytes exceeds it, the file is first copied into
/// the temporary directory and read from there; when the copy cannot be
/// made, the file is read where it is. Anything but a whole picture records
/// the code of its reason on the error stack with the path and shows it: as
/// an error when nothing could be decoded, as a notice for a damaged picture,
/// which is kept as far as it was decoded. The result is the decode status;
/// PictureDecoded tells whether there is a picture to show.
DecodeStatus LoadPicture(Program& program, Picture& picture, std::string_view path,
                         int64_t sizeInMegabytes);

}  // namespace kvx
