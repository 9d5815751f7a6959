#include "core/picture/picture_loader.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <random>
#include <system_error>
#include <vector>

#include "core/picture/bmp_reader.hpp"
#include "core/picture/picture_gif.hpp"
#include "core/picture/picture_jpeg.hpp"
#include "core/picture/picture_png.hpp"
#include "core/picture/picture_tiff.hpp"
#include "core/program/error_report.hpp"
#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {
namespace {

/// No image within the limits needs a file this large to be read into
/// memory; a file read as it is decoded is bounded by its pixels instead.
constexpr uint64_t kMaxFileBytes = uint64_t{4} << 30;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

/// Opens a regular file for reading and tells its size. The kind of file is
/// known before anything could wait: a FIFO would block the opening and a
/// device such as /dev/zero never ends.
DecodeStatus OpenPictureFile(const std::string& path, FilePtr& file, uint64_t& size) {
    file.reset(OpenForReading(path));
    if (!file) {
        const int32_t reason = LastIoResult();
        return reason == ENOENT || reason == ENOTDIR ? DecodeStatus::NotFound
                                                     : DecodeStatus::Unreadable;
    }
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0 || info.st_size < 0) {
        return DecodeStatus::Unreadable;
    }
    size = static_cast<uint64_t>(info.st_size);
    return DecodeStatus::Ok;
}

DecodeStatus ReadWholeFile(std::FILE* file, uint64_t size, std::vector<uint8_t>& bytes) {
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return DecodeStatus::OutOfMemory;
    }
    return std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size()
               ? DecodeStatus::Ok
               : DecodeStatus::Unreadable;
}

/// The decoders that read from a source; BMP and GIF are read from memory.
DecodeStatus DecodeFromSource(const PictureSource& source, PictureFormat format,
                              const DecodeOptions& options, const PictureLimits& limits,
                              Picture& picture) {
    switch (format) {
        case PictureFormat::kJpeg:
            return DecodeJpegPicture(source, options, limits, picture);
        case PictureFormat::kPng:
            return DecodePng(source, options, limits, picture);
        case PictureFormat::kTiff:
            return DecodeTiff(source, options, limits, picture);
        default:
            return DecodeStatus::Unsupported;
    }
}

/// Reads the file at path with the decoder of format.
DecodeStatus DecodeFileAs(const std::string& path, PictureFormat format,
                          const DecodeOptions& options, const PictureLimits& limits,
                          Picture& picture) {
    picture.Clear();
    const PictureKind* kind = PictureKindOf(format);
    if (kind == nullptr) return DecodeStatus::Unsupported;
    FilePtr file;
    uint64_t size = 0;
    if (const DecodeStatus opened = OpenPictureFile(path, file, size); opened != DecodeStatus::Ok) {
        return opened;
    }
    if (kind->readsAsItDecodes) {
        const PictureSource source{nullptr, file.get(), static_cast<std::size_t>(size)};
        DecodeStatus status = DecodeFromSource(source, format, options, limits, picture);
        // A file that cannot be read to its end is unreadable rather than damaged.
        if (std::ferror(file.get()) != 0 && !PictureDecoded(status))
            status = DecodeStatus::Unreadable;
        if (PictureDecoded(status)) (void)picture.BuildReducedCopies();
        return status;
    }
    if (size > kMaxFileBytes) return DecodeStatus::TooLarge;
    std::vector<uint8_t> bytes;
    const DecodeStatus read = ReadWholeFile(file.get(), size, bytes);
    if (read != DecodeStatus::Ok) return read;
    file.reset();
    return DecodePicture(bytes.data(), bytes.size(), format, options, limits, picture);
}

}  // namespace

ErrorCode PictureLoadError(DecodeStatus status) {
    switch (status) {
        case DecodeStatus::Ok:
            return kOk;
        case DecodeStatus::Damaged:
            return kErrPictureDamaged;
        case DecodeStatus::NotFound:
            return kErrPictureNotFound;
        case DecodeStatus::Unreadable:
            return kErrPictureUnreadable;
        case DecodeStatus::Corrupt:
        case DecodeStatus::Truncated:
            return kErrPictureCorrupt;
        case DecodeStatus::TooLarge:
        case DecodeStatus::OutOfMemory:
            return kErrPictureTooLarge;
        case DecodeStatus::Unsupported:
            return kErrPictureUnsupported;
        case DecodeStatus::Cancelled:
            return kOk;
        case DecodeStatus::DiskFull:
            return kErrPictureNoDisk;
    }
    return kErrPictureUnreadable;
}

namespace {

/// Copies path into the temporary directory under "$TEMP", a part that keeps
/// programs working side by side from overwriting each other's copy, and the
/// last four characters of path. Empty when the copy fails.
std::string CopyToTemporaryDirectory(std::string_view path) {
    const std::string tail(path.substr(path.size() > 4 ? path.size() - 4 : 0));
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string target =
            JoinPath(TempDirectory(), "$TEMP" + IntToHex(random() & 0xFFFFFF) + tail);
        std::error_code error;
        // Without overwrite the copy refuses an existing target.
        if (std::filesystem::copy_file(std::filesystem::path(std::string(path)), target, error)) {
            return target;
        }
        // Only a name already taken is worth another try; a copy that broke
        // off (a full disk) leaves a part of its own, which must not stay.
        if (error == std::errc::file_exists) continue;
        std::error_code ignored;
        if (std::filesystem::exists(target, ignored)) std::filesystem::remove(target, ignored);
        return {};
    }
    return {};
}

}  // namespace

DecodeStatus DecodePicture(const uint8_t* data, std::size_t size, PictureFormat format,
                           const DecodeOptions& options, const PictureLimits& limits,
                           Picture& picture) {
    picture.Clear();
    DecodeStatus status = DecodeStatus::Unsupported;
    switch (format) {
        case PictureFormat::kBmp:
            status = DecodeBmp(data, size, limits, picture.pixels);
            break;
        case PictureFormat::kGif:
            status = DecodeGif(data, size, limits, options.background, picture.pixels);
            break;
        case PictureFormat::kJpeg:
        case PictureFormat::kPng:
        case PictureFormat::kTiff:
            if (data == nullptr || size == 0) return DecodeStatus::Truncated;
            status = DecodeFromSource(PictureSource::Memory(data, size), format, options, limits,
                                      picture);
            break;
        case PictureFormat::kUnknown:
            break;
    }
    if (!PictureDecoded(status)) {
        picture.Clear();
        return status;
    }
    // Without reduced copies a picture still draws, only more slowly.
    (void)picture.BuildReducedCopies();
    return status;
}

DecodeStatus DecodePicture(const uint8_t* data, std::size_t size, PictureFormat format,
                           const PictureLimits& limits, Picture& picture) {
    return DecodePicture(data, size, format, DecodeOptions{}, limits, picture);
}

DecodeStatus DecodePictureFile(const std::string& path, const DecodeOptions& options,
                               const PictureLimits& limits, Picture& picture) {
    return DecodeFileAs(path, PictureFormatOf(path), options, limits, picture);
}

DecodeStatus DecodePictureFile(const std::string& path, const PictureLimits& limits,
                               Picture& picture) {
    return DecodePictureFile(path, DecodeOptions{}, limits, picture);
}

PictureRequest MakePictureRequest(const Program& program, std::string_view path,
                                  int64_t sizeInMegabytes, int64_t wantedSide) {
    PictureRequest request;
    request.path = std::string(path);
    request.sizeInMegabytes = sizeInMegabytes;
    request.copyAbove = program.settings.CopyImage;
    request.options.wantedSide = wantedSide;
    request.options.background = static_cast<uint32_t>(program.settings.Colour1) & 0xFFFFFF;
    return request;
}

DecodeStatus ReadPicture(const PictureRequest& request, Picture& picture) {
    std::string source = request.path;
    std::string copy;
    if (request.copyAbove >= 1 && request.sizeInMegabytes > request.copyAbove) {
        // Without room for the copy the picture is read where it is.
        copy = CopyToTemporaryDirectory(request.path);
        if (!copy.empty()) source = copy;
    }
    // The decoder follows the original name: a copy keeps only its last four
    // characters, which lose the point of a four-letter extension.
    const DecodeStatus status = DecodeFileAs(source, PictureFormatOf(request.path), request.options,
                                             PictureLimits{}, picture);
    if (!copy.empty()) {
        // The picture is in memory now; the copy would only pile up.
        std::error_code error;
        std::filesystem::remove(copy, error);
    }
    return status;
}

void ReportPictureLoad(Program& program, DecodeStatus status, std::string_view path) {
    const ErrorCode code = PictureLoadError(status);
    if (code == kOk) return;
    // A long path keeps its end, where the file's name is.
    constexpr std::size_t kInfo = 127;
    const std::string_view shown =
        path.size() > kInfo ? path.substr(path.size() - (kInfo - 3)) : path;
    std::string info = (shown.size() < path.size() ? "..." : "") + std::string(shown);
    // Why a file that is there could not be read (no permission, no file
    // handles left) is the system's to say; the file is looked at again here
    // because the load may have run on another thread.
    if (status == DecodeStatus::Unreadable) {
        if (std::FILE* again = OpenForReading(std::string(path))) {
            std::fclose(again);
        } else {
            info += " (" + SystemErrorText(LastIoResult()) + ")";
        }
    }
    program.ReportError(code, 0, info);
    // A damaged picture is still shown: a notice, not an error.
    ShowError(program, false, status == DecodeStatus::Damaged);
}

namespace {

constexpr int64_t kKeepSamplesUpToMegabytes = 256;

}  // namespace

DecodeStatus LoadPicture(Program& program, Picture& picture, std::string_view path,
                         int64_t sizeInMegabytes, int64_t wantedSide) {
    PictureRequest request = MakePictureRequest(program, path, sizeInMegabytes, wantedSide);
    // The values under the mouse and in the results are the picture's own;
    // a deep picture keeps its samples for them, unless its file is so large
    // that three copies of it would crowd the memory.
    request.options.keepSixteenBits = sizeInMegabytes <= kKeepSamplesUpToMegabytes;
    // What is loaded is shown, which a picture too large to be held whole
    // is from its tiles.
    request.options.tileFolder = TempDirectory();
    const DecodeStatus status = ReadPicture(request, picture);
    ReportPictureLoad(program, status, path);
    return status;
}

}  // namespace kvx
