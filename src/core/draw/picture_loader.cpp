#include "core/draw/picture_loader.hpp"

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

#include "core/draw/bmp_reader.hpp"
#include "core/draw/picture_gif.hpp"
#include "core/draw/picture_jpeg.hpp"
#include "core/program/error_report.hpp"
#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {
namespace {

std::string LowerExtension(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = LowerAscii(c);
    return ext;
}

/// No image within the limits needs a file this large.
constexpr uint64_t kMaxFileBytes = uint64_t{4} << 30;

DecodeStatus ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return errno == ENOENT || errno == ENOTDIR ? DecodeStatus::NotFound
                                                   : DecodeStatus::Unreadable;
    }
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        return DecodeStatus::Unreadable;
    }
    if (static_cast<uint64_t>(info.st_size) > kMaxFileBytes) return DecodeStatus::TooLarge;
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return DecodeStatus::OutOfMemory;
    }
    return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size()
               ? DecodeStatus::Ok
               : DecodeStatus::Unreadable;
}

/// The code recorded for a load that did not give a whole picture.
ErrorCode LoadErrorCode(DecodeStatus status) {
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
    }
    return kErrPictureUnreadable;
}

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
        if (!std::filesystem::exists(target, error)) return {};
    }
    return {};
}

}  // namespace

PictureFormat PictureFormatOf(std::string_view path) {
    const std::string ext = LowerExtension(path);
    if (ext == "bmp" || ext == "dib") return PictureFormat::kBmp;
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif") return PictureFormat::kJpeg;
    if (ext == "gif") return PictureFormat::kGif;
    return PictureFormat::kUnknown;
}

DecodeStatus DecodePicture(const uint8_t* data, std::size_t size, PictureFormat format,
                           const PictureLimits& limits, Picture& picture) {
    picture.pixels.Clear();
    picture.reduced.clear();
    DecodeStatus status = DecodeStatus::Unsupported;
    switch (format) {
        case PictureFormat::kBmp:
            status = DecodeBmp(data, size, limits, picture.pixels);
            break;
        case PictureFormat::kJpeg:
            status = DecodeJpeg(data, size, 1, limits, picture.pixels);
            break;
        case PictureFormat::kGif:
            status = DecodeGif(data, size, limits, picture.pixels);
            break;
        case PictureFormat::kUnknown:
            break;
    }
    // Without reduced copies a picture still draws, only more slowly.
    if (PictureDecoded(status)) (void)picture.BuildReducedCopies();
    return status;
}

DecodeStatus DecodePictureFile(const std::string& path, const PictureLimits& limits,
                               Picture& picture) {
    picture.pixels.Clear();
    picture.reduced.clear();
    const PictureFormat format = PictureFormatOf(path);
    if (format == PictureFormat::kUnknown) return DecodeStatus::Unsupported;
    std::vector<uint8_t> bytes;
    const DecodeStatus read = ReadWholeFile(path, bytes);
    if (read != DecodeStatus::Ok) return read;
    return DecodePicture(bytes.data(), bytes.size(), format, limits, picture);
}

DecodeStatus LoadPicture(Program& program, Picture& picture, std::string_view path,
                         int64_t sizeInMegabytes) {
    std::string source(path);
    std::string copy;
    const int32_t copyAbove = program.settings.CopyImage;
    if (copyAbove >= 1 && sizeInMegabytes > copyAbove) {
        // Without room for the copy the picture is read where it is.
        copy = CopyToTemporaryDirectory(path);
        if (!copy.empty()) source = copy;
    }
    // The decoder follows the original name: a copy keeps only its last four
    // characters, which lose the point of a four-letter extension.
    const PictureFormat format = PictureFormatOf(path);
    DecodeStatus status = DecodeStatus::Unsupported;
    picture.pixels.Clear();
    picture.reduced.clear();
    if (format != PictureFormat::kUnknown) {
        std::vector<uint8_t> bytes;
        status = ReadWholeFile(source, bytes);
        if (status == DecodeStatus::Ok) {
            status = DecodePicture(bytes.data(), bytes.size(), format, PictureLimits{}, picture);
        }
    }
    if (!copy.empty()) {
        // The picture is in memory now; the copy would only pile up.
        std::error_code error;
        std::filesystem::remove(copy, error);
    }
    if (status != DecodeStatus::Ok) {
        // A long path keeps its end, where the file's name is.
        constexpr std::size_t kInfo = 127;
        const std::string_view shown =
            path.size() > kInfo ? path.substr(path.size() - (kInfo - 3)) : path;
        program.ReportError(LoadErrorCode(status), 0,
                            (shown.size() < path.size() ? "..." : "") + std::string(shown));
        // A damaged picture is still shown: a notice, not an error.
        ShowError(program, false, status == DecodeStatus::Damaged);
    }
    return status;
}

}  // namespace kvx
