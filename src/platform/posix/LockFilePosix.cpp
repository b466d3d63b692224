// SPDX-License-Identifier: GPL-3.0-or-later
// Locks on POSIX systems: flock, released by the system with the process.
#include "platform/LockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace torvan {

LockFile::~LockFile() {
    Unlock(false);
}

LockFile::Result LockFile::Lock(const std::string& path, bool wait) {
    Unlock(false);
    // A holder may remove the file when it lets go; whoever locked the
    // removed file must try again on the new one, or two would hold "the"
    // lock.
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = -1;
        if (const Result opened = Open(path, fd); opened != Result::kLocked) {
            return opened;
        }
        int locked = -1;
        do {
            locked = ::flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const bool busy = errno == EWOULDBLOCK;
            m_error = errno;
            ::close(fd);
            return busy ? Result::kBusy : Result::kUnavailable;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_fd = fd;
            m_path = path;
            return Result::kLocked;
        }
        ::close(fd);
    }
    return Result::kBusy;
}

LockFile::Result LockFile::Open(const std::string& path, int& fd) {
    // Non-blocking, so that a FIFO put in its place cannot hold the open.
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | flags, 0644);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        // flock needs no write permission.
        const int refused = errno;
        fd = ::open(path.c_str(), O_RDONLY | flags);
        if (fd < 0 && errno == ENOENT) {
            errno = refused;  // not there, and cannot be made
        }
    }
    if (fd < 0) {
        m_error = errno;
        return errno == ELOOP || errno == EISDIR || errno == ENXIO ? Result::kNotAFile
                                                                   : Result::kUnavailable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Result::kNotAFile;
    }
    return Result::kLocked;
}

void LockFile::Unlock(bool removeFile) {
    if (m_fd >= 0) {
        if (removeFile) {
            ::unlink(m_path.c_str());
        }
        ::close(m_fd);  // releases the lock
        m_fd = -1;
    }
}

}  // namespace torvan
