#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "core/support/error_code.hpp"

namespace kvx {

/// The I/O result of the latest file operation of this thread (0 = success,
/// otherwise the system's error number). Like the platform's own error number
/// it is per thread, so programs working side by side do not see each other's.
int32_t LastIoResult();
void SetLastIoResult(int32_t result);
/// The system's own words for an I/O result ("Permission denied").
std::string SystemErrorText(int32_t result);

/// Opens a regular file for reading without waiting on what is not one (a
/// FIFO, a device): anything else is refused. Null on failure (LastIoResult
/// tells why).
std::FILE* OpenForReading(const std::string& path);

/// A single-byte text file, read line by line or written with CR LF line ends.
class TextFile {
public:
    enum class ReadStatus { Line, End, Error };
    static constexpr std::size_t kMaxLine = 255;

    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    TextFile(TextFile&& other) noexcept;
    TextFile& operator=(TextFile&& other) noexcept;

    bool IsOpen() const { return file_ != nullptr; }
    const std::string& Name() const { return name_; }

    /// Reads the next line. A line ends at CR LF, LF or CR; at most 255
    /// characters are kept and the rest of the line is passed over.
    ReadStatus ReadLine(std::string& line);
    /// True when the line last read had 255 or more characters.
    bool LastLineWasFull() const { return lastLineFull_; }
    /// True when any line so far ended with a line feed not preceded by CR.
    bool SawBareLineFeed() const { return sawBareLineFeed_; }
    bool AtEof();

    /// Writes text as it is. False on failure (LastIoResult tells why).
    [[nodiscard]] bool Write(std::string_view text);
    /// Writes text followed by CR LF.
    [[nodiscard]] bool WriteLine(std::string_view text);
    /// Flushes what is buffered and asks the system to put the file on its
    /// storage; returns the I/O result.
    int32_t Sync();
    /// Closes; returns the I/O result of flushing and closing.
    int32_t Close();

private:
    friend class FileReplacement;
    friend ErrorCode OpenTextFileAt(const std::string& path, TextFile& file);
    /// Takes over an open stream and gives it a large buffer.
    void Adopt(std::FILE* file, std::string name);
    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::string name_;
    bool lastLineFull_ = false;
    bool sawBareLineFeed_ = false;
};

/// Tries to open name for reading. With search, when that fails, the bare
/// file name is tried in startDirectory, and on success name becomes that
/// path (cut to maxLength).
bool FileExists(std::string& name, std::size_t maxLength, bool search,
                std::string_view startDirectory);
/// Opens for reading; 2070203 when it cannot be opened. Search as FileExists.
[[nodiscard]] ErrorCode OpenTextFile(std::string& name, std::size_t maxLength, TextFile& file,
                                     bool search, std::string_view startDirectory);
/// Opens exactly path for reading; 2070203 on failure.
[[nodiscard]] ErrorCode OpenTextFileAt(const std::string& path, TextFile& file);

/// Size in bytes, or -1 when the file cannot be opened.
int64_t FileSize(std::string_view name);
/// Deletes; a missing file is no error; any other failure 2100103.
[[nodiscard]] ErrorCode DeleteFile(std::string_view name);
/// Moves name to ChangeFileExt(name, extension cut to 3); always 0.
ErrorCode MakeBackup(std::string_view name, std::string_view extension);
/// Copies source to target with a CR inserted before every LF.
/// Codes 60110100, 60110201, 60110300, 60110401, 60110500, 60110600.
[[nodiscard]] ErrorCode ConvertLineEnds(std::string_view source, std::string_view target);
/// True when path names an existing directory.
bool DirectoryExists(std::string_view path);

/// The system's directory for temporary files, without a trailing separator.
std::string TempDirectory();
/// The process's current directory, without a trailing separator.
std::string CurrentDirectory();

}  // namespace kvx
