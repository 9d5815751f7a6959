#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

/// What a file was when it was last read or written here: enough to tell
/// whether another program has replaced it since.
struct FileStamp {
    bool exists = false;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    uint64_t contentHash = 0;
};

/// The stamp of path now; exists is false when it cannot be read.
FileStamp StampFile(const std::string& path);
/// The same without reading the file: its content hash stays 0. Cheap
/// enough to tell on every redraw whether a picture file was replaced.
FileStamp StampFileWithoutContent(const std::string& path);

/// True when the file at path holds other content than when stamp was
/// taken. A file only touched (same size and bytes) has not changed; a file
/// that is gone has nothing to lose and counts as unchanged.
bool ChangedSince(const FileStamp& stamp, const std::string& path);

/// The lock file that tells other windows a project is open here: a hidden
/// file beside it, named as office programs name theirs, holding the host
/// and the process number.
std::string LockFileName(std::string_view path);

/// A project's lock file, held while the project is open in this process.
/// A lock whose process no longer runs is taken over; one that another
/// running process holds is left to it. The lock file goes when the lock is
/// released, when the object ends, and when the process is stopped by
/// SIGINT, SIGTERM or SIGHUP (see InstallTemporaryCleanup).
class ProjectLock {
public:
    ProjectLock() = default;
    ~ProjectLock();
    ProjectLock(const ProjectLock&) = delete;
    ProjectLock& operator=(const ProjectLock&) = delete;

    /// Releases any lock held, then locks path. Returns the process number
    /// of another running process that holds it (this one then holds
    /// nothing), else 0.
    int64_t Take(const std::string& path);
    void Release();
    /// The project locked, empty when none.
    const std::string& Project() const { return project_; }

private:
    std::string project_;
    std::string lockFile_;
};

}  // namespace kvx
