#include "core/support/text_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

constexpr ErrorCode kOpenFailed = 2070203;
constexpr ErrorCode kDeleteFailed = 2100103;

constexpr ErrorCode kConvertOpenSource = 60110100;
constexpr ErrorCode kConvertSourceTooLarge = 60110201;
constexpr ErrorCode kConvertReadSource = 60110300;
constexpr ErrorCode kConvertTargetTooLarge = 60110401;
constexpr ErrorCode kConvertCreateTarget = 60110500;
constexpr ErrorCode kConvertWriteTarget = 60110600;

constexpr std::size_t kConvertMaxSource = 64'000;
constexpr std::size_t kConvertMaxTarget = 70'400;

// Large enough that writing a project of 100,000 lines costs few system calls.
constexpr std::size_t kStreamBuffer = 64 * 1024;

thread_local int32_t lastIoResult = 0;

int32_t CurrentErrno() {
    return errno != 0 ? errno : EIO;
}

}  // namespace

std::string SystemErrorText(int32_t result) {
    return std::generic_category().message(result);
}

// A file to read must be a regular file: a directory opens and only fails at
// the first read, which would look like an empty file; a FIFO blocks the
// opening until someone writes, and a device such as /dev/zero never ends.
// The opening itself does not wait (O_NONBLOCK), so that nothing hangs before
// the kind of file is known.
std::FILE* OpenForReading(const std::string& path) {
    errno = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetLastIoResult(CurrentErrno());
        return nullptr;
    }
    struct stat info {};
    int refusal = 0;
    if (fstat(fd, &info) != 0) {
        refusal = CurrentErrno();
    } else if (S_ISDIR(info.st_mode)) {
        refusal = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        refusal = EINVAL;
    } else if (const int flags = fcntl(fd, F_GETFL);
               flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        refusal = CurrentErrno();
    }
    std::FILE* file = refusal == 0 ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        if (refusal == 0) refusal = CurrentErrno();
        ::close(fd);
        SetLastIoResult(refusal);
        return nullptr;
    }
    SetLastIoResult(0);
    return file;
}

namespace {

bool CanOpen(const std::string& path) {
    std::FILE* file = OpenForReading(path);
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && IsPathSeparator(path.back())) path.pop_back();
    return path;
}

}  // namespace

int32_t LastIoResult() {
    return lastIoResult;
}
void SetLastIoResult(int32_t result) {
    lastIoResult = result;
}

TextFile::~TextFile() {
    if (file_ != nullptr) std::fclose(file_);
}

TextFile::TextFile(TextFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      buffer_(std::move(other.buffer_)),
      name_(std::move(other.name_)),
      lastLineFull_(other.lastLineFull_),
      sawBareLineFeed_(other.sawBareLineFeed_) {}

TextFile& TextFile::operator=(TextFile&& other) noexcept {
    if (this != &other) {
        if (file_ != nullptr) std::fclose(file_);
        file_ = std::exchange(other.file_, nullptr);
        buffer_ = std::move(other.buffer_);
        name_ = std::move(other.name_);
        lastLineFull_ = other.lastLineFull_;
        sawBareLineFeed_ = other.sawBareLineFeed_;
    }
    return *this;
}

void TextFile::Adopt(std::FILE* file, std::string name) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = file;
    buffer_ = std::make_unique<char[]>(kStreamBuffer);
    std::setvbuf(file_, buffer_.get(), _IOFBF, kStreamBuffer);
    name_ = std::move(name);
    lastLineFull_ = false;
    sawBareLineFeed_ = false;
}

TextFile::ReadStatus TextFile::ReadLine(std::string& line) {
    line.clear();
    lastLineFull_ = false;
    if (file_ == nullptr) {
        SetLastIoResult(EBADF);
        return ReadStatus::Error;
    }
    errno = 0;
    std::size_t length = 0;
    bool readAny = false;
    for (;;) {
        const int c = getc_unlocked(file_);
        if (c == EOF) {
            if (std::ferror(file_)) {
                SetLastIoResult(CurrentErrno());
                return ReadStatus::Error;
            }
            if (!readAny) {
                SetLastIoResult(0);
                return ReadStatus::End;
            }
            break;
        }
        readAny = true;
        if (c == '\n') {
            sawBareLineFeed_ = true;
            break;
        }
        if (c == '\r') {
            const int next = getc_unlocked(file_);
            if (next != '\n' && next != EOF) std::ungetc(next, file_);
            break;
        }
        ++length;
        if (line.size() < kMaxLine) line += static_cast<char>(c);
    }
    lastLineFull_ = length >= kMaxLine;
    SetLastIoResult(0);
    return ReadStatus::Line;
}

bool TextFile::AtEof() {
    if (file_ == nullptr) return true;
    const int c = getc_unlocked(file_);
    if (c == EOF) return true;
    std::ungetc(c, file_);
    return false;
}

bool TextFile::Write(std::string_view text) {
    if (file_ == nullptr) {
        SetLastIoResult(EBADF);
        return false;
    }
    errno = 0;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        SetLastIoResult(CurrentErrno());
        return false;
    }
    SetLastIoResult(0);
    return true;
}

bool TextFile::WriteLine(std::string_view text) {
    return Write(text) && Write("\r\n");
}

int32_t TextFile::Sync() {
    int32_t result = 0;
    if (file_ == nullptr) {
        result = EBADF;
    } else {
        errno = 0;
        if (std::fflush(file_) != 0 || ::fsync(fileno(file_)) != 0) result = CurrentErrno();
    }
    SetLastIoResult(result);
    return result;
}

int32_t TextFile::Close() {
    int32_t result = 0;
    if (file_ != nullptr) {
        errno = 0;
        if (std::fclose(file_) != 0) result = CurrentErrno();
        file_ = nullptr;
        buffer_.reset();
    }
    SetLastIoResult(result);
    return result;
}

bool FileExists(std::string& name, std::size_t maxLength, bool search,
                std::string_view startDirectory) {
    if (CanOpen(name)) return true;
    if (!search) return false;
    const std::string candidate = JoinPath(startDirectory, ExtractFileName(name));
    if (!CanOpen(candidate)) return false;
    name = CutTo(candidate, maxLength);
    return true;
}

ErrorCode OpenTextFileAt(const std::string& path, TextFile& file) {
    file.Close();
    std::FILE* stream = OpenForReading(path);
    if (stream == nullptr) return kOpenFailed;
    file.Adopt(stream, path);
    return kOk;
}

ErrorCode OpenTextFile(std::string& name, std::size_t maxLength, TextFile& file, bool search,
                       std::string_view startDirectory) {
    const ErrorCode code = OpenTextFileAt(name, file);
    if (code == kOk || !search) return code;
    const std::string candidate = JoinPath(startDirectory, ExtractFileName(name));
    if (const ErrorCode second = OpenTextFileAt(candidate, file)) return second;
    name = CutTo(candidate, maxLength);
    return kOk;
}

int64_t FileSize(std::string_view name) {
    std::FILE* stream = OpenForReading(std::string(name));
    if (stream == nullptr) return -1;
    struct stat info {};
    const int64_t size =
        fstat(fileno(stream), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
    std::fclose(stream);
    return size;
}

ErrorCode DeleteFile(std::string_view name) {
    errno = 0;
    if (unlink(std::string(name).c_str()) == 0 || errno == ENOENT) {
        SetLastIoResult(0);
        return kOk;
    }
    SetLastIoResult(CurrentErrno());
    return kDeleteFailed;
}

ErrorCode MakeBackup(std::string_view name, std::string_view extension) {
    if (name.empty()) return kOk;
    const std::string source(name);
    // Without a file to keep, an older backup stays where it is.
    struct stat info {};
    if (stat(source.c_str(), &info) != 0) {
        SetLastIoResult(CurrentErrno());
        return kOk;
    }
    const std::string target = ChangeFileExt(name, extension.substr(0, 3));
    // A file that already carries the backup extension is its own backup.
    if (target == source) return kOk;
    (void)DeleteFile(target);
    errno = 0;
    SetLastIoResult(std::rename(source.c_str(), target.c_str()) == 0 ? 0 : CurrentErrno());
    return kOk;
}

ErrorCode ConvertLineEnds(std::string_view source, std::string_view target) {
    std::FILE* in = OpenForReading(std::string(source));
    if (in == nullptr) return kConvertOpenSource;
    // One byte more than allowed tells an oversized file from a full one.
    std::string text(kConvertMaxSource + 1, '\0');
    errno = 0;
    const std::size_t length = std::fread(text.data(), 1, text.size(), in);
    const bool readFailed = std::ferror(in) != 0;
    const int32_t readError = readFailed ? CurrentErrno() : 0;
    std::fclose(in);
    if (readFailed) {
        SetLastIoResult(readError);
        return kConvertReadSource;
    }
    if (length > kConvertMaxSource) return kConvertSourceTooLarge;
    text.resize(length);

    // A line feed that already has its carriage return keeps it alone, so a
    // file with mixed line ends gains no empty lines.
    std::string converted;
    converted.reserve(length + length / 8);
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) converted += '\r';
        converted += text[i];
    }
    if (converted.size() > kConvertMaxTarget) return kConvertTargetTooLarge;

    // Written beside the target and renamed over it, as every file is: a
    // failure leaves no half-converted copy behind.
    if (const ErrorCode code = ReplaceFileContent(target, converted); code != kOk) {
        return code == kReplaceFailed ? kConvertWriteTarget : kConvertCreateTarget;
    }
    SetLastIoResult(0);
    return kOk;
}

bool DirectoryExists(std::string_view path) {
    struct stat info {};
    return !path.empty() && stat(std::string(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string TempDirectory() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string directory =
        (fromEnvironment != nullptr && *fromEnvironment != '\0') ? fromEnvironment : "/tmp";
    return WithoutTrailingSeparator(std::move(directory));
}

std::string CurrentDirectory() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::current_path(error);
    return error ? std::string() : WithoutTrailingSeparator(path.string());
}

}  // namespace kvx
