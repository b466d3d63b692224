// SPDX-License-Identifier: GPL-3.0-or-later
// The file system on POSIX systems (Linux, the BSDs, macOS).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/PathLimits.h"
#include "platform/SystemFiles.h"

namespace torvan {
namespace sys {

// File names are bytes here, UTF-8 by convention: nothing to convert.
std::filesystem::path PathOf(const std::string& path) {
    return std::filesystem::path(path);
}

std::string Utf8Of(const std::filesystem::path& path) {
    return path.string();
}

// Every file the core writes is one of its own work files (or a file it put
// in place from one): a write never goes through a link or a second hard
// link to somewhere else.
int OpenDescriptor(const std::string& path, File::Mode mode) {
    const char* name = path.c_str();
    int fd = -1;
    switch (mode) {
        case File::Mode::Read:
            fd = ::open(name, O_RDONLY | O_CLOEXEC);
            break;
        case File::Mode::Write:
            // Whatever has the name (a leftover of a killed run, a link) is
            // removed, never followed, and the file made afresh.
            if (::unlink(name) != 0 && errno != ENOENT) {
                return -1;
            }
            return ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        case File::Mode::Append:
            fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
            break;
        case File::Mode::Update:
            fd = ::open(name, O_RDWR | O_NOFOLLOW | O_CLOEXEC);
            break;
    }
    struct stat st {};
    const bool writing = mode != File::Mode::Read;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
                    (writing && (!S_ISREG(st.st_mode) || st.st_nlink != 1)))) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    return fd;
}

void CloseDescriptor(int fd) {
    ::close(fd);
}

int WriteAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : ENOSPC;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int SyncDescriptor(int fd) {
    // EINVAL: a file that cannot be synced (a pipe, say) has nothing to lose.
    return ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
}

int SyncPath(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    int error = SyncDescriptor(fd);
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

namespace {

// fdatasync of every descriptor; the errno of each that failed, else 0.
// A flush waits for its file's last blocks and inode to be written and for
// the disk to empty its cache: one after another those waits add up, while
// flushes made at the same time share them. Measured on ext4 (no journal,
// a virtual disk, load 13 on 2 cores), 510 files just written: 330-2,400 ms
// one after another, 50-90 ms from four threads (syncfs: 125-210 ms, and it
// would wait for every other program's writes too). The threads only wait,
// so they cost next to no CPU even on a busy machine. With faults injected
// the flushes stay in one thread and one order, run after run.
std::vector<int> DataSyncAll(const std::vector<int>& fds) {
    constexpr std::size_t kThreadsFrom = 8;
    constexpr std::size_t kThreads = 4;
    std::vector<int> errors(fds.size(), 0);
    std::atomic<std::size_t> next{0};
    auto work = [&fds, &errors, &next] {
        for (std::size_t i; (i = next++) < fds.size();) {
            if (::fdatasync(fds[i]) != 0 && errno != EINVAL) {
                errors[i] = errno;
            }
        }
    };
    std::vector<std::thread> helpers;
    if (fds.size() >= kThreadsFrom && !BackgroundJobsInline()) {
        for (std::size_t t = 1; t < kThreads; ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::exception&) {
                break;  // fewer threads, the same flushes
            }
        }
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return errors;
}

}  // namespace

int SyncPaths(const std::vector<std::string>& paths, std::size_t& failed) {
    // Measured on ext4 with 255 files of 170 kB: one fsync after another
    // waits for each file's write in turn; starting every write first lets
    // the disk take them in one stream, and each fdatasync then finds its
    // file written. The files are opened once for both passes, a few
    // hundred at a time so as to stay well inside the limit of open files.
    constexpr std::size_t kAtOnce = 256;
    for (std::size_t begin = 0; begin < paths.size(); begin += kAtOnce) {
        const std::size_t end = std::min(paths.size(), begin + kAtOnce);
        std::vector<int> open;
        int error = 0;
        for (std::size_t i = begin; i < end; ++i) {
            const int fd = ::open(paths[i].c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0) {
                error = errno;
                failed = i;
                break;
            }
            open.push_back(fd);
            StartSyncDescriptor(fd);
        }
        const std::vector<int> errors =
            error == 0 ? DataSyncAll(open) : std::vector<int>(open.size(), 0);
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (error == 0 && errors[i] != 0) {
                error = errors[i];
                failed = begin + i;
            }
            ::close(open[i]);
        }
        if (error != 0) {
            return error;
        }
    }
    return 0;
}

int TruncateDescriptor(int fd, std::uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void StartSyncDescriptor([[maybe_unused]] int fd) {
#ifdef __linux__
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool SystemCopy([[maybe_unused]] int inFd, [[maybe_unused]] int outFd, bool& ok) {
#ifdef __linux__
    for (;;) {
        const ssize_t n = ::copy_file_range(inFd, nullptr, outFd, nullptr, 1 << 30, 0);
        if (n == 0) {
            return true;
        }
        if (n < 0) {
            // Nothing written yet: the caller copies; otherwise a real error.
            ok = ::lseek(outFd, 0, SEEK_CUR) == 0 && ::lseek(inFd, 0, SEEK_SET) == 0;
            return false;
        }
    }
#else
    (void)ok;
    return false;
#endif
}

int Unlink(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int Rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int HardLink(const std::string& from, const std::string& to) {
    return ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// A name found as written is spelt so (file systems here tell case apart).
std::string StoredName(const std::string& path) {
    return Utf8Of(PathOf(path).filename());
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

}  // namespace sys

std::size_t LongestListableDirectory() {
    return std::numeric_limits<std::size_t>::max();
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/') {
        return dir + name;
    }
    return dir + "/" + name;
}

char PathSeparator() {
    return '/';
}

bool IsPathSeparator(char c) {
    return c == '/';
}

bool FileNamesIgnoreCase() {
    return false;
}

const char* AllFilesPattern() {
    return "*";
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

bool StderrIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

std::string UserConfigDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg != '\0') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return JoinPath(home, ".config");
    }
    return {};
}

ReplaceProblem CheckReplaceable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return ReplaceProblem::kMissing;
    }
    // A file without any write permission is read-only by intent, even for
    // a user whom the system would let write it anyway.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0) {
        return ReplaceProblem::kReadOnly;
    }
    if (::access(ParentDirectory(path).c_str(), W_OK | X_OK) != 0) {
        return ReplaceProblem::kFolderReadOnly;
    }
    // The replacement belongs to whoever writes it; only the superuser can
    // give it back to another owner.
    if (::geteuid() != 0 && st.st_uid != ::geteuid()) {
        return ReplaceProblem::kOtherOwner;
    }
    return ReplaceProblem::kNone;
}

bool CopyPermissions(const std::string& original, File& file) {
    struct stat st {};
    if (file.Handle() == nullptr || ::stat(original.c_str(), &st) != 0) {
        return false;
    }
    const int fd = fileno(file.Handle());
    struct stat own {};
    if (::fstat(fd, &own) == 0 && (own.st_uid != st.st_uid || own.st_gid != st.st_gid)) {
        // Only the superuser may change the owner; a group the user belongs
        // to can be kept by anyone. Either is kept where the system allows.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            (void)!::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
        }
    }
    return ::fchmod(fd, st.st_mode & 07777) == 0;
}

bool KeepFromOthers(File& file) {
    struct stat st {};
    const int fd = file.Handle() != nullptr ? fileno(file.Handle()) : -1;
    return fd >= 0 && ::fstat(fd, &st) == 0 &&
           ::fchmod(fd, st.st_mode & 07777 & ~(S_IWGRP | S_IWOTH)) == 0;
}

bool OnlyWeCanWrite(const std::string& path) {
    struct stat file {};
    struct stat folder {};
    if (::lstat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode) || file.st_uid != ::geteuid() ||
        (file.st_mode & (S_IWGRP | S_IWOTH)) != 0 ||
        ::stat(ParentDirectory(path).c_str(), &folder) != 0) {
        return false;
    }
    // In a folder others may write, they could have put the file there under
    // our name; in a sticky one they can neither remove nor rename ours.
    const bool folderOurs = folder.st_uid == ::geteuid() || folder.st_uid == 0;
    return folderOurs &&
           ((folder.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (folder.st_mode & S_ISVTX) != 0);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace torvan
