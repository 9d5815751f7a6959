#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/picture/picture.hpp"
#include "core/picture/picture_kinds.hpp"
#include "core/support/error_code.hpp"

namespace kvx {

class Program;

/// Decodes image bytes with the decoder of format into picture (turned as
/// the file says, with its reduced copies). On failure the picture is empty.
[[nodiscard]] DecodeStatus DecodePicture(const uint8_t* data, std::size_t size,
                                         PictureFormat format, const DecodeOptions& options,
                                         const PictureLimits& limits, Picture& picture);
/// The same at full resolution on a white background.
[[nodiscard]] DecodeStatus DecodePicture(const uint8_t* data, std::size_t size,
                                         PictureFormat format, const PictureLimits& limits,
                                         Picture& picture);

/// Reads and decodes the image file at path, the decoder chosen by its
/// extension (see kPictureKinds). NotFound and Unreadable tell why a file could not be read; a
/// damaged picture (Damaged) comes with what could be decoded. JPEG, PNG and
/// TIFF files are read as they are decoded, never held whole in memory.
[[nodiscard]] DecodeStatus DecodePictureFile(const std::string& path, const DecodeOptions& options,
                                             const PictureLimits& limits, Picture& picture);
/// The same at full resolution on a white background.
[[nodiscard]] DecodeStatus DecodePictureFile(const std::string& path, const PictureLimits& limits,
                                             Picture& picture);

/// Everything a load of a project's picture needs, taken from the program's
/// settings beforehand so that the load can run where the program's state
/// must not be touched (a background thread).
struct PictureRequest {
    std::string path;
    int64_t sizeInMegabytes = 0;
    int32_t copyAbove = 0;  ///< the CopyImage setting
    DecodeOptions options;
};

/// The request for loading path as the program's settings say: its
/// CopyImage setting and the measuring field's background (Colour1) under
/// transparent parts. wantedSide as in DecodeOptions.
PictureRequest MakePictureRequest(const Program& program, std::string_view path,
                                  int64_t sizeInMegabytes, int64_t wantedSide);

/// Loads the picture of a request, copying the file into the temporary
/// directory first as LoadPicture does, without reporting anything.
[[nodiscard]] DecodeStatus ReadPicture(const PictureRequest& request, Picture& picture);

/// The code LoadPicture records for a load that did not give a whole
/// picture (0 for a whole one).
ErrorCode PictureLoadError(DecodeStatus status);

/// Records code with path as its info (a long path keeps its end) and shows
/// it: as an error, or as a notice for a damaged picture.
void ReportPictureLoad(Program& program, DecodeStatus status, std::string_view path);

/// Codes LoadPicture records, one per reason (the info is the file's path).
inline constexpr ErrorCode kErrPictureNotFound = 61380101;     ///< no such file
inline constexpr ErrorCode kErrPictureUnreadable = 61380203;   ///< cannot be opened or read
inline constexpr ErrorCode kErrPictureCorrupt = 61380301;      ///< damaged, nothing to show
inline constexpr ErrorCode kErrPictureTooLarge = 61380401;     ///< beyond the memory allowed
inline constexpr ErrorCode kErrPictureUnsupported = 61380501;  ///< a kind not read
inline constexpr ErrorCode kErrPictureDamaged = 61380601;      ///< damaged, shown in part
inline constexpr ErrorCode kErrPictureNoDisk = 61380701;  ///< no room for its tiles on the disk

/// Loads the image file at path into picture. When the CopyImage setting is
/// at least 1 and sizeInMegabytes exceeds it, the file is first copied into
/// the temporary directory and read from there; when the copy cannot be
/// made, the file is read where it is. Anything but a whole picture records
/// the code of its reason on the error stack with the path and shows it: as
/// an error when nothing could be decoded, as a notice for a damaged picture,
/// which is kept as far as it was decoded. The result is the decode status;
/// PictureDecoded tells whether there is a picture to show. A picture of 16
/// bits per channel keeps its own samples when its file is at most 256 MB.
/// wantedSide as in DecodeOptions (0: the full resolution, which for a
/// picture too large to be held whole lies in its tiles, kept in the
/// temporary directory where its file cannot be read in parts).
DecodeStatus LoadPicture(Program& program, Picture& picture, std::string_view path,
                         int64_t sizeInMegabytes, int64_t wantedSide = 0);

}  // namespace kvx
