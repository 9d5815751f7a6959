#include "core/support/file_replacement.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

constexpr ErrorCode kCreateFailed = 2060203;

// Symbolic links are followed at most this often, as the system does.
constexpr int kMaxLinkHops = 40;
// A bare name this long still leaves room for the temporary's additions
// within the 255 bytes a name may have.
constexpr std::size_t kMaxTemporaryStem = 200;
// Temporary names already taken (by a crashed run of another process with
// the same number) are passed over this many times.
constexpr int kMaxNameAttempts = 100;

std::atomic<uint64_t> replacementCount{0};

// The temporaries being written now, for the signal handler that removes
// them when the process is stopped: a fixed table of plain pointers, since a
// handler may neither allocate nor lock. A replacement that finds no free
// slot simply is not cleaned up after a signal.
constexpr std::size_t kTrackedTemporaries = 64;
std::array<std::atomic<const char*>, kTrackedTemporaries> liveTemporaries{};

void Track(const std::string& path) {
    for (auto& slot : liveTemporaries) {
        const char* none = nullptr;
        if (slot.compare_exchange_strong(none, path.c_str())) return;
    }
}

void Untrack(const std::string& path) {
    for (auto& slot : liveTemporaries) {
        const char* mine = path.c_str();
        if (slot.compare_exchange_strong(mine, nullptr)) return;
    }
}

extern "C" void RemoveTemporariesAndStop(int signal) {
    for (auto& slot : liveTemporaries) {
        if (const char* path = slot.exchange(nullptr)) (void)::unlink(path);
    }
    std::signal(signal, SIG_DFL);
    (void)std::raise(signal);
}

// A temporary of this target left by a process that no longer runs: its name
// is "." + stem + "." + process number + "-" + count + "~".
bool IsStaleTemporary(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || !name.ends_with('~')) return false;
    const std::string_view rest = name.substr(prefix.size(), name.size() - prefix.size() - 1);
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10) return false;
    int64_t pid = 0;
    for (const char c : rest.substr(0, dash)) {
        if (c < '0' || c > '9') return false;
        pid = pid * 10 + (c - '0');
    }
    for (const char c : rest.substr(dash + 1)) {
        if (c < '0' || c > '9') return false;
    }
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == ::getpid()) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

int32_t Errno() {
    return errno != 0 ? errno : EIO;
}

// Only "/" separates folders here: these are names of the file system, not
// names stored in a file.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string link(4096, '\0');
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size() - 1);
        if (length <= 0) return path;
        link.resize(static_cast<std::size_t>(length));
        path = link.front() == '/' ? link : FolderOf(path) + link;
    }
    return path;
}

bool CopyContent(const std::string& source, const std::string& target, mode_t mode) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        ssize_t done = 0;
        while (ok && done < got) {
            const ssize_t put = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) ok = false;
            if (put > 0) done += put;
        }
        if (!ok) break;
    }
    ::close(in);
    (void)::fchmod(out, mode);
    if (::close(out) != 0) ok = false;
    if (!ok) ::unlink(target.c_str());
    return ok;
}

// Makes the renames durable; a folder that cannot be synced is no failure of
// the file, which is complete either way.
void SyncFolder(const std::string& path) {
    const std::string folder = FolderOf(path);
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

namespace {

std::string TemporaryPrefix(const std::string& path, const std::string& folder) {
    std::string stem = path.substr(folder.size());
    if (stem.size() > kMaxTemporaryStem) stem.resize(kMaxTemporaryStem);
    return "." + stem + ".";
}

}  // namespace

void TrackForSignalCleanup(const std::string& path) {
    Track(path);
}

void UntrackForSignalCleanup(const std::string& path) {
    Untrack(path);
}

void InstallTemporaryCleanup() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndStop;
        sigemptyset(&action.sa_mask);
        struct sigaction previous {};
        // A signal the caller's parent set to be ignored stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;
        }
        (void)::sigaction(signal, &action, nullptr);
    }
}

int32_t RemoveStaleTemporaries(std::string_view target) {
    const std::string path(target);
    const std::string folder = FolderOf(path);
    const std::string prefix = TemporaryPrefix(path, folder);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return 0;
    int32_t removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsStaleTemporary(entry->d_name, prefix) &&
            ::unlink((folder + entry->d_name).c_str()) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

std::string ReplacementName(std::string_view target) {
    const std::string path(target);
    const std::string folder = FolderOf(path);
    std::string stem = path.substr(folder.size());
    if (stem.size() > kMaxTemporaryStem) stem.resize(kMaxTemporaryStem);
    const uint64_t count = replacementCount.fetch_add(1, std::memory_order_relaxed);
    return folder + "." + stem + "." + IntToStr(static_cast<int64_t>(::getpid())) + "-" +
           IntToStr(static_cast<int64_t>(count)) + "~";
}

FileReplacement::~FileReplacement() {
    Discard();
}

ErrorCode FileReplacement::Begin(std::string_view target) {
    Discard();
    target_ = FollowLinks(std::string(target));

    struct stat previous {};
    const bool exists = ::stat(target_.c_str(), &previous) == 0;
    if (exists && S_ISDIR(previous.st_mode)) {
        SetLastIoResult(EISDIR);
        return kCreateFailed;
    }
    // Renaming would replace a file that may not be written to; such a file
    // stays protected as it is when it is written in place.
    if (exists && ::access(target_.c_str(), W_OK) != 0) {
        SetLastIoResult(Errno());
        return kCreateFailed;
    }

    (void)RemoveStaleTemporaries(target_);
    int fd = -1;
    for (int attempt = 0; attempt < kMaxNameAttempts && fd < 0; ++attempt) {
        temporary_ = ReplacementName(target_);
        errno = 0;
        // 0666: the process's umask decides a new file's permissions, as for
        // any file the program creates.
        fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        SetLastIoResult(Errno());
        temporary_.clear();
        return kCreateFailed;
    }
    if (exists) {
        // The replaced file keeps its owner and group where the system lets
        // this process give them (in a shared folder the group is what lets
        // the colleagues go on saving), then its permission bits, which a
        // change of owner may have cleared.
        if (::fchown(fd, previous.st_uid, previous.st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), previous.st_gid) != 0) {
            // Not a member of that group: the file gets this process's.
        }
        (void)::fchmod(fd, previous.st_mode & 07777);
    }
    Track(temporary_);

    std::FILE* stream = ::fdopen(fd, "wb");
    if (stream == nullptr) {
        SetLastIoResult(Errno());
        ::close(fd);
        Untrack(temporary_);
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return kCreateFailed;
    }
    file_.Adopt(stream, temporary_);
    SetLastIoResult(0);
    return kOk;
}

ErrorCode FileReplacement::Commit(std::string_view backupExtension) {
    if (temporary_.empty() || !file_.IsOpen()) {
        SetLastIoResult(EBADF);
        return kReplaceFailed;
    }
    const int32_t synced = file_.Sync();
    const int32_t closed = file_.Close();
    if (synced != 0 || closed != 0) {
        Discard();
        SetLastIoResult(synced != 0 ? synced : closed);
        return kReplaceFailed;
    }

    // The backup is made beside the target under a temporary name and moved
    // into place only after the new file is, so that a failure leaves the
    // older backup as it was.
    std::string backup;
    std::string backupTemporary;
    struct stat previous {};
    if (!backupExtension.empty() && ::stat(target_.c_str(), &previous) == 0) {
        backup = ChangeFileExt(target_, backupExtension.substr(0, 3));
        if (backup != target_) {
            backupTemporary = ReplacementName(backup);
            if (::link(target_.c_str(), backupTemporary.c_str()) != 0 &&
                !CopyContent(target_, backupTemporary, previous.st_mode & 07777)) {
                backupTemporary.clear();
            }
        }
    }

    errno = 0;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int32_t reason = Errno();
        if (!backupTemporary.empty()) ::unlink(backupTemporary.c_str());
        Discard();
        SetLastIoResult(reason);
        return kReplaceFailed;
    }
    Untrack(temporary_);
    temporary_.clear();
    if (!backupTemporary.empty() && std::rename(backupTemporary.c_str(), backup.c_str()) != 0) {
        ::unlink(backupTemporary.c_str());
    }
    SyncFolder(target_);
    SetLastIoResult(0);
    return kOk;
}

void FileReplacement::Discard() {
    if (file_.IsOpen()) (void)file_.Close();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        Untrack(temporary_);
        temporary_.clear();
    }
}

ErrorCode ReplaceFileContent(std::string_view path, std::string_view bytes) {
    FileReplacement replacement;
    if (const ErrorCode code = replacement.Begin(path); code != kOk) return code;
    if (!replacement.File().Write(bytes)) {
        const int32_t reason = LastIoResult();
        replacement.Discard();
        SetLastIoResult(reason);
        return kReplaceFailed;
    }
    return replacement.Commit();
}

}  // namespace kvx
