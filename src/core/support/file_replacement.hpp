#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/support/error_code.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

/// Raised when a replacement could not be completed (writing, syncing or the
/// final rename failed); the previous file is unchanged.
inline constexpr ErrorCode kReplaceFailed = 2060303;

/// Replaces a file so that it is never half there. The new content goes to a
/// temporary file in the target's folder (a name of its own for every process
/// and every replacement); Commit flushes and syncs it, keeps the previous
/// complete file under the backup name when asked, and only then renames the
/// temporary over the target. Until Commit has succeeded the target and its
/// backup are exactly as they were, and no temporary outlives the object.
///
/// A target that is a symbolic link is written through to the file it points
/// to (the link stays a link), and a replaced file keeps its permission bits
/// and, where the system allows, its owner and group; a new file gets the
/// ones the process's umask allows.
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    /// Creates the temporary file for target; 2060203 when it cannot be made
    /// (LastIoResult says why).
    [[nodiscard]] ErrorCode Begin(std::string_view target);
    /// The temporary file to write to.
    TextFile& File() { return file_; }
    /// The file that Commit replaces: the target, or the file its symbolic
    /// link points to.
    const std::string& Target() const { return target_; }

    /// Completes the replacement. With a backup extension (cut to three
    /// characters), an existing target is first kept as ChangeFileExt(target,
    /// extension), replacing an older backup; a target that already carries
    /// that extension is not backed up. Returns 0, or 2060303 when the new
    /// content could not be made durable or put in place; the temporary is
    /// then removed and the target and its backup are as they were.
    [[nodiscard]] ErrorCode Commit(std::string_view backupExtension = {});
    /// Drops the new content; the target is left alone.
    void Discard();

private:
    TextFile file_;
    std::string target_;
    std::string temporary_;
};

/// Writes bytes as the new content of path through a FileReplacement without
/// a backup. 0, 2060203 (cannot be created) or 2060303 (not written).
[[nodiscard]] ErrorCode ReplaceFileContent(std::string_view path, std::string_view bytes);

/// A temporary name in the folder of target for this process: the bare name
/// with the process number and a running count, hidden by a leading point.
std::string ReplacementName(std::string_view target);

/// Removes the temporaries of target that processes no longer running left
/// behind (a save that was killed); every Begin does it. Returns how many.
int32_t RemoveStaleTemporaries(std::string_view target);

/// Adds path to (or takes it from) the files that the signals of
/// InstallTemporaryCleanup remove. path must stay unchanged while tracked.
void TrackForSignalCleanup(const std::string& path);
void UntrackForSignalCleanup(const std::string& path);

/// Makes SIGINT, SIGTERM and SIGHUP remove the temporaries being written
/// (and the files tracked with TrackForSignalCleanup) before the process
/// ends as the signal says. Programs call it once at
/// their start; a signal that was set to be ignored stays ignored.
void InstallTemporaryCleanup();

}  // namespace kvx
