#include "core/support/file_guard.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

constexpr std::string_view kLockPrefix = ".~lock.";
constexpr char kLockSuffix = '#';
constexpr int kMaxLockAttempts = 3;

// FNV-1a over the bytes: a change of content that keeps the size is what
// it has to tell apart, not an adversary.
bool HashFile(const std::string& path, uint64_t& hash) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    hash = 0xcbf29ce484222325ull;
    char buffer[64 * 1024];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        for (ssize_t i = 0; i < got; ++i) {
            hash ^= static_cast<unsigned char>(buffer[i]);
            hash *= 0x100000001b3ull;
        }
    }
    ::close(fd);
    return ok;
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

// The process number in a lock file of this host, 0 when the file names
// another host or cannot be read, -1 when it is not there.
int64_t LockHolder(const std::string& lockFile, bool& otherHost) {
    otherHost = false;
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? -1 : 0;
    char buffer[512] = {};
    const ssize_t got = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (got <= 0) return 0;
    const std::string_view text(buffer, static_cast<std::size_t>(got));
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) return 0;
    std::string_view host = text.substr(blank + 1);
    while (!host.empty() && (host.back() == '\n' || host.back() == '\r')) host.remove_suffix(1);
    if (host != HostName()) {
        otherHost = true;
        return 0;
    }
    int32_t pid = 0;
    if (IntVal(text.substr(0, blank), pid) != kOk || pid <= 0) return 0;
    return pid;
}

bool Running(int64_t pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

}  // namespace

FileStamp StampFile(const std::string& path) {
    FileStamp stamp;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return stamp;
    if (!HashFile(path, stamp.contentHash)) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<int64_t>(info.st_size);
    stamp.modifiedNs =
        static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

FileStamp StampFileWithoutContent(const std::string& path) {
    FileStamp stamp;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<int64_t>(info.st_size);
    stamp.modifiedNs =
        static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

bool ChangedSince(const FileStamp& stamp, const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    if (!stamp.exists) return true;
    if (static_cast<int64_t>(info.st_size) != stamp.size) return true;
    const int64_t modified =
        static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    if (modified == stamp.modifiedNs) return false;
    uint64_t hash = 0;
    return !HashFile(path, hash) || hash != stamp.contentHash;
}

std::string LockFileName(std::string_view path) {
    return ExtractFileDir(path) + std::string(kLockPrefix) + ExtractFileName(path) + kLockSuffix;
}

ProjectLock::~ProjectLock() {
    Release();
}

int64_t ProjectLock::Take(const std::string& path) {
    Release();
    const std::string lockFile = LockFileName(path);
    const std::string content =
        IntToStr(static_cast<int64_t>(::getpid())) + " " + HostName() + "\n";
    for (int attempt = 0; attempt < kMaxLockAttempts; ++attempt) {
        const int fd = ::open(lockFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const bool written =
                ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
            ::close(fd);
            if (!written) {
                (void)::unlink(lockFile.c_str());
                return 0;
            }
            project_ = path;
            lockFile_ = lockFile;
            TrackForSignalCleanup(lockFile_);
            return 0;
        }
        // A folder we may not write to holds no lock; the project is still
        // ours to read.
        if (errno != EEXIST) return 0;
        bool otherHost = false;
        const int64_t holder = LockHolder(lockFile, otherHost);
        if (holder < 0) continue;  // gone in the meantime
        if (otherHost) return 0;
        if (holder == ::getpid()) return 0;  // another document of this process
        if (Running(holder)) return holder;
        (void)::unlink(lockFile.c_str());
    }
    return 0;
}

void ProjectLock::Release() {
    if (lockFile_.empty()) return;
    UntrackForSignalCleanup(lockFile_);
    // Only our own lock goes: another process may have taken over a file
    // that had been removed under us.
    bool otherHost = false;
    if (LockHolder(lockFile_, otherHost) == ::getpid()) (void)::unlink(lockFile_.c_str());
    lockFile_.clear();
    project_.clear();
}

}  // namespace kvx
